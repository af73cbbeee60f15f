// The smaller tools of the main window: About, the web site, and the screen shot taken
// from a real X server (the test runs under xvfb-run).

#include "ScriptedDialogs.h"
#include "TestEmulator.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TrpVersionInfo.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QImageReader>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {
QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
} // namespace

// Takes the addresses that the desktop would open in the browser.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void Open(const QUrl &url) { Opened << url; }
};

namespace {
// The window's own picture inside its outer rectangle.
QImage OwnPicture(QWidget &form)
{
    const QRect outer = form.frameGeometry();
    QImage own(outer.size(), QImage::Format_RGB32);
    own.fill(Qt::black);
    QPainter painter(&own);
    painter.drawPixmap(form.geometry().topLeft() - outer.topLeft(), form.grab());
    return own;
}

// Mean colour difference of two pictures over an area, sampling every few pixels; the
// area is given and skipped in the pictures' own coordinates.
qint64 MeanDifference(const QImage &a, const QImage &b, const QRect &area, const QRect &skip = {})
{
    qint64 difference = 0;
    int samples = 0;
    for (int y = area.top(); y <= area.bottom(); y += 7) {
        for (int x = area.left(); x <= area.right(); x += 7) {
            if (skip.contains(x, y))
                continue;
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            difference +=
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
            ++samples;
        }
    }
    return samples ? difference / samples : -1;
}
} // namespace

class tst_tools : public QObject
{
    Q_OBJECT

    QTemporaryDir work;
    QString startDir;

private slots:
    void initTestCase()
    {
        startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void aboutAndWebSite_data();
    void aboutAndWebSite();
    void webSiteWithoutBrowser();
    void screenShotFromTheMenuLeavesTheMenuOut();
    void screenShotIsTheWindowsOuterRectangle();
    void screenShotThatCannotBeWritten();
};

void tst_tools::aboutAndWebSite_data()
{
    QTest::addColumn<QString>("badge");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("site");
    QTest::newRow("KT") << "KT"
                        << "Kalteron"
                        << "https://www.kalteron.com/";
    QTest::newRow("MRD") << "MRD"
                         << "Marendale"
                         << "https://www.marendale.com/";
    QTest::newRow("another badge") << "XYZ"
                                   << "Unknown" << QString();
}

void tst_tools::aboutAndWebSite()
{
    QFETCH(QString, badge);
    QFETCH(QString, company);
    QFETCH(QString, site);
    ScriptedDialogs dialogs;
    TMainForm form;
    form.Session->Identity.Company = badge;
    form.Session->Identity.ModelNumber = "7310-24";
    form.Session->Identity.SerialNumber = 40213;
    form.Session->Identity.FirmwareVersion = "2.04";
    form.Session->Identity.FPGAVersion = "1.12";

    form.About1->trigger();
    QCOMPARE(dialogs.informations,
             QStringList{"Company: " + company +
                         "\r\nModel Number: 7310-24\r\nSerial Number: "
                         "40213\r\nFirmware Version: 2.04\r\nFPGA Version: 1.12\r\n"
                         "Software Version: " +
                         form.VersionInfo->FileVersion()});
    QVERIFY(!form.VersionInfo->FileVersion().isEmpty());

    UrlRecorder browser;
    QDesktopServices::setUrlHandler("https", &browser, "Open");
    QDesktopServices::setUrlHandler("http", &browser, "Open");
    form.WebSite1->trigger();
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("http");
    QCOMPARE(browser.Opened, site.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(site)});
    QCOMPARE(dialogs.informations.size(), 1); // no message for an unknown badge
}

void tst_tools::webSiteWithoutBrowser()
{
    ScriptedDialogs dialogs;
    TMainForm form;
    form.Session->Identity.Company = "MRD";
    // a handler that cannot be called: the desktop reports that nothing was opened
    UrlRecorder browser;
    QDesktopServices::setUrlHandler("https", &browser, "Missing");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such method"));
    form.WebSite1->trigger();
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(dialogs.informations.size(), 1);
    QVERIFY2(dialogs.informations[0].contains("https://www.marendale.com/"),
             qPrintable(dialogs.informations[0]));
}

void tst_tools::screenShotIsTheWindowsOuterRectangle()
{
    RecordedErrors errors;
    TMainForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(200); // the server has drawn the window
    QFile::remove("ScreenShot.jpg");
    QVERIFY(QFile("ScreenShot.jpg").open(QIODevice::WriteOnly)); // an earlier file is replaced

    // a window lying on top of the panel is in the picture, as the screen shows it
    QWidget onTop(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    onTop.setAutoFillBackground(true);
    QPalette red = onTop.palette();
    red.setColor(QPalette::Window, Qt::red);
    onTop.setPalette(red);
    const QRect cover(form.geometry().topLeft() + QPoint(300, 300), QSize(80, 60));
    onTop.setGeometry(cover);
    onTop.show();
    QVERIFY(QTest::qWaitForWindowExposed(&onTop));
    QTest::qWait(200);

    form.CaptureScreenShot1->trigger();
    QTRY_VERIFY(QFileInfo("ScreenShot.jpg").size() > 0);
    QVERIFY2(errors.Texts.isEmpty(), qPrintable(errors.Texts.join('\n')));
    QImageReader reader("ScreenShot.jpg");
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage shot = reader.read().convertToFormat(QImage::Format_RGB32);
    const QRect outer = form.frameGeometry();
    QCOMPARE(shot.size(), outer.size() * form.devicePixelRatio());

    // what the screen shows there is the window: compare with its own picture
    const QImage own = OwnPicture(form);
    const QImage scaled = shot.scaled(outer.size());
    const QColor covered = scaled.pixelColor(cover.center() - outer.topLeft());
    QVERIFY2(covered.red() > 200 && covered.green() < 60 && covered.blue() < 60,
             qPrintable(covered.name()));
    const qint64 difference = MeanDifference(
        own, scaled, own.rect(), cover.adjusted(-8, -8, 8, 8).translated(-outer.topLeft()));
    QVERIFY2(difference >= 0 && difference < 30, qPrintable(QString::number(difference)));
}

void tst_tools::screenShotFromTheMenuLeavesTheMenuOut()
{
    RecordedErrors errors;
    TMainForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(200);
    QFile::remove("ScreenShot.jpg");

    // the operator opens "Tools" in the menu bar and clicks the item
    QMenuBar *bar = form.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(form.Tools1->menuAction()).center());
    QVERIFY(QTest::qWaitForWindowExposed(form.Tools1));
    QTest::qWait(200);
    const QRect outer = form.frameGeometry();
    const QRect menuArea = form.Tools1->geometry().intersected(outer);
    QVERIFY(menuArea.width() > 40 && menuArea.height() > 40);
    QTest::mouseClick(form.Tools1, Qt::LeftButton, {},
                      form.Tools1->actionGeometry(form.CaptureScreenShot1).center());
    QTRY_VERIFY(QFileInfo("ScreenShot.jpg").size() > 0);
    QVERIFY2(errors.Texts.isEmpty(), qPrintable(errors.Texts.join('\n')));
    QVERIFY(!form.Tools1->isVisible());

    // where the menu lay, the picture shows the window
    const QImage shot = QImage("ScreenShot.jpg").convertToFormat(QImage::Format_RGB32);
    QVERIFY(!shot.isNull());
    const QImage scaled = shot.scaled(outer.size());
    const qint64 difference =
        MeanDifference(OwnPicture(form), scaled, menuArea.translated(-outer.topLeft()));
    QVERIFY2(difference >= 0 && difference < 30, qPrintable(QString::number(difference)));
}

void tst_tools::screenShotThatCannotBeWritten()
{
    RecordedErrors errors;
    TMainForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QFile::remove("ScreenShot.jpg");
    QVERIFY(QDir().mkpath("ScreenShot.jpg")); // a folder in its place
    form.CaptureScreenShot1->trigger();
    QTRY_COMPARE(errors.Texts.size(), 1);
    QVERIFY2(errors.Texts[0].contains(
                 QDir::toNativeSeparators(QDir().absoluteFilePath("ScreenShot.jpg"))),
             qPrintable(errors.Texts[0]));
    QVERIFY(QFileInfo("ScreenShot.jpg").isDir());
    QVERIFY(QDir().rmdir("ScreenShot.jpg"));
    // and the next one is written
    form.CaptureScreenShot1->trigger();
    QTRY_VERIFY(QFileInfo("ScreenShot.jpg").isFile());
    QCOMPARE(errors.Texts.size(), 1);

    // A full disk (files limited to 200 bytes, as a full file system refuses the rest)
    // is told with the system's reason, and the earlier picture is kept.
    const QByteArray earlier = FileBytes("ScreenShot.jpg");
    struct rlimit previous = {};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &previous) == 0);
    const auto xfsz = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = previous;
    small.rlim_cur = 200;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    form.CaptureScreenShot1->trigger();
    QTRY_COMPARE(errors.Texts.size(), 2);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, xfsz);
    QVERIFY2(errors.Texts[1].endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))),
             qPrintable(errors.Texts[1]));
    QCOMPARE(FileBytes("ScreenShot.jpg"), earlier);
}

QTEST_MAIN(tst_tools)
#include "tst_tools.moc"
