// The windows on screens too small for them. The test runs on a 1920x1080 screen
// scaled by 1.5 (its registration sets both): a 1280x720 area in window pixels, which
// the main window does not fit. The tables place the windows within chosen areas.

#include "ui/main/TMainForm.h"
#include "ui/main/TScreenFit.h"
#include "ui/service/TServiceForm.h"

#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

class tst_screenfit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void mainWindowOnScaledScreen();
    void mainWindow_data();
    void mainWindow();
    void serviceWindow_data();
    void serviceWindow();
};

namespace {
// The window with its frame on the area.
void CheckOnArea(const QWidget &w, const QRect &area)
{
    const QRect frame = w.frameGeometry();
    QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                                  .arg(frame.x())
                                                  .arg(frame.y())
                                                  .arg(frame.width())
                                                  .arg(frame.height())));
}

// Its menu bar from "File" to "Help" on the area.
void CheckMenuBarOnArea(const QMainWindow &w, const QRect &area)
{
    const QMenuBar *bar = w.menuBar();
    const QRect onScreen(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    QVERIFY(area.contains(onScreen.topLeft()));
    QVERIFY(area.contains(QPoint(onScreen.left() + 200, onScreen.bottom())));
}

TScreenFit &FitOf(QWidget &w)
{
    auto *fit = w.findChild<TScreenFit *>(QStringLiteral("ScreenFit"));
    Q_ASSERT(fit);
    return *fit;
}

QScrollArea *ScrollOf(QWidget &w, const char *name)
{
    return w.findChild<QScrollArea *>(QLatin1String(name));
}
} // namespace

void tst_screenfit::initTestCase()
{
    QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1280, 720));
}

// The operator's case: a 7310-36 on a 1920x1080 screen at 150 %.
void tst_screenfit::mainWindowOnScaledScreen()
{
    TMainForm w;
    w.Session->ChannelCount = 36;
    w.CreateChannelTabs();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect area = w.screen()->availableGeometry();

    CheckOnArea(w, area);
    CheckMenuBarOnArea(w, area);
    QScrollArea *scroll = ScrollOf(w, "ClientScroll");
    QVERIFY(scroll);
    QVERIFY(w.minimumHeight() < w.maximumHeight()); // the operator may resize it
    // The terminal, below the bottom of the screen, is scrolled to.
    QWidget *send = w.findChild<QWidget *>(QStringLiteral("SendEdit"));
    QVERIFY(send);
    scroll->ensureWidgetVisible(send);
    const QRect sendInWindow(send->mapTo(&w, QPoint(0, 0)), send->size());
    QVERIFY(w.rect().contains(sendInWindow));
}

void tst_screenfit::mainWindow_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<bool>("fits");
    QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1080) << true;
    QTest::newRow("1280x1024") << QRect(0, 0, 1280, 1024) << true;
    QTest::newRow("1024x768 with a panel") << QRect(0, 0, 1024, 740) << false;
    QTest::newRow("1920x1080 at 150 %") << QRect(0, 0, 1280, 720) << false;
    QTest::newRow("the same below a top panel") << QRect(0, 27, 1280, 693) << false;
    QTest::newRow("the same on a second screen") << QRect(1280, 0, 1280, 720) << false;
    QTest::newRow("too narrow") << QRect(0, 0, 700, 1000) << false;
    QTest::newRow("smaller than the smallest window") << QRect(10, 20, 300, 200) << false;
}

void tst_screenfit::mainWindow()
{
    QFETCH(QRect, area);
    QFETCH(bool, fits);
    TMainForm fixed; // as it is where the window fits
    FitOf(fixed).FitTo(QRect(0, 0, 4000, 4000));
    fixed.show();
    FitOf(fixed).FitTo(QRect(0, 0, 4000, 4000));
    const QSize natural = fixed.size();

    TMainForm w;
    w.show(); // within the test's screen first: it scrolls there
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    FitOf(w).FitTo(area);

    QCOMPARE(ScrollOf(w, "ClientScroll") != nullptr, !fits);
    QWidget *client = w.findChild<QWidget *>(QStringLiteral("ClientArea"));
    QVERIFY(client);
    QCOMPARE(client->size(), QSize(TMainForm::ClientWidth, TMainForm::ClientHeight));
    QVERIFY(w.findChild<QWidget *>(QStringLiteral("ResponseList")));
    if (fits) {
        QCOMPARE(w.centralWidget(), client);
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.size(), natural);
        QCOMPARE(w.frameGeometry().center(), area.center()); // centred
    } else {
        QVERIFY(w.minimumHeight() < w.maximumHeight());
        QVERIFY(w.maximumWidth() >= natural.width() && w.maximumHeight() >= natural.height());
        QVERIFY(w.width() < natural.width() || w.height() < natural.height());
    }
    CheckOnArea(w, area);
    CheckMenuBarOnArea(w, area);
}

void tst_screenfit::serviceWindow_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<bool>("fits");
    QTest::newRow("1280x720") << QRect(0, 0, 1280, 720) << true;
    QTest::newRow("the same below a top panel") << QRect(0, 27, 1280, 693) << true;
    QTest::newRow("800x300") << QRect(0, 0, 800, 300) << false;
    QTest::newRow("640x480 on a second screen") << QRect(1280, 0, 640, 480) << false;
}

void tst_screenfit::serviceWindow()
{
    QFETCH(QRect, area);
    QFETCH(bool, fits);
    TMainForm main;
    TServiceForm w(main);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    CheckOnArea(w, w.screen()->availableGeometry());
    FitOf(w).FitTo(area);

    QCOMPARE(ScrollOf(w, "ServiceScroll") != nullptr, !fits);
    QVERIFY(w.findChild<QWidget *>(QStringLiteral("ChDelayCalAdj1")));
    QVERIFY(w.findChild<QWidget *>(QStringLiteral("StoreCalsBtn")));
    if (fits) {
        QCOMPARE(w.size(), QSize(TServiceForm::ClientWidth, TServiceForm::ClientHeight));
        QCOMPARE(w.minimumSize(), w.maximumSize());
    } else {
        QVERIFY(w.minimumHeight() < w.maximumHeight());
    }
    CheckOnArea(w, area);
}

QTEST_MAIN(tst_screenfit)
#include "tst_screenfit.moc"
