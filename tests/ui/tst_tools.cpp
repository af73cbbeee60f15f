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
#include <QPainter>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

// Takes the addresses that the desktop would open in the browser.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void Open(const QUrl &url) { Opened << url; }
};

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
    form.Identity.Company = badge;
    form.Identity.ModelNumber = "7310-24";
    form.Identity.SerialNumber = 40213;
    form.Identity.FirmwareVersion = "2.04";
    form.Identity.FPGAVersion = "1.12";

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
    QVERIFY2(errors.Texts.isEmpty(), qPrintable(errors.Texts.join('\n')));
    QImageReader reader("ScreenShot.jpg");
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage shot = reader.read().convertToFormat(QImage::Format_RGB32);
    const QRect outer = form.frameGeometry();
    QCOMPARE(shot.size(), outer.size() * form.devicePixelRatio());

    // what the screen shows there is the window: compare with its own picture
    QImage own(outer.size(), QImage::Format_RGB32);
    own.fill(Qt::black);
    {
        QPainter painter(&own);
        painter.drawPixmap(form.geometry().topLeft() - outer.topLeft(), form.grab());
    }
    const QImage scaled = shot.scaled(outer.size());
    const QColor covered = scaled.pixelColor(cover.center() - outer.topLeft());
    QVERIFY2(covered.red() > 200 && covered.green() < 60 && covered.blue() < 60,
             qPrintable(covered.name()));
    qint64 difference = 0;
    int samples = 0;
    for (int y = 0; y < own.height(); y += 7) {
        for (int x = 0; x < own.width(); x += 7) {
            if (cover.adjusted(-8, -8, 8, 8).contains(outer.topLeft() + QPoint(x, y)))
                continue;
            const QRgb a = own.pixel(x, y);
            const QRgb b = scaled.pixel(x, y);
            difference +=
                qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
            ++samples;
        }
    }
    QVERIFY2(difference / samples < 30, qPrintable(QString::number(difference / samples)));
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
    QCOMPARE(errors.Texts.size(), 1);
    QVERIFY2(errors.Texts[0].contains(
                 QDir::toNativeSeparators(QDir().absoluteFilePath("ScreenShot.jpg"))),
             qPrintable(errors.Texts[0]));
    QVERIFY(QFileInfo("ScreenShot.jpg").isDir());
    QVERIFY(QDir().rmdir("ScreenShot.jpg"));
    // and the next one is written
    form.CaptureScreenShot1->trigger();
    QCOMPARE(errors.Texts.size(), 1);
    QVERIFY(QFileInfo("ScreenShot.jpg").isFile());
}

QTEST_MAIN(tst_tools)
#include "tst_tools.moc"
