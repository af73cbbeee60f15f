// The "Tools" and "Help" items: Refresh, the screen shot, the web site and About.

#include "base/ErrorReport.h"
#include "comm/OperatorDialogs.h"
#include "protocol/ModelTable.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TrpVersionInfo.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace {
const QString ScreenShotFileName = QStringLiteral("ScreenShot.jpg");

struct TWebSite
{
    const char *Company;
    const char *Address;
};
// The makers' web sites, by badge.
constexpr TWebSite WebSites[] = {
    {"KT", "https://www.kalteron.com/"},
    {"MRD", "https://www.marendale.com/"},
};

// What the screen shows at the window's outer rectangle, frame and title bar included.
QImage GrabScreenArea(QWidget *window)
{
    const QRect outer = window->frameGeometry();
    QScreen *screen = window->screen();
    if (screen) {
        const QRect area = outer.translated(-screen->geometry().topLeft());
        const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        if (!shot.isNull())
            return shot.toImage();
    }
    // A platform that cannot read the screen (no display server, Wayland): the window's
    // own picture at its place inside the outer rectangle.
    QImage image(outer.size(), QImage::Format_RGB32);
    image.fill(window->palette().color(QPalette::Window));
    QPainter painter(&image);
    painter.drawPixmap(window->geometry().topLeft() - outer.topLeft(), window->grab());
    return image;
}

void SaveScreenShot(QWidget *window);
} // namespace

void TMainForm::CreateToolsParts()
{
    connect(RefreshMenu, &QAction::triggered, this, &TMainForm::RefreshMenuClick);
    connect(CaptureScreenShot1, &QAction::triggered, this, &TMainForm::CaptureScreenShot1Click);
    connect(WebSite1, &QAction::triggered, this, &TMainForm::WebSite1Click);
    connect(About1, &QAction::triggered, this, &TMainForm::About1Click);
}

void TMainForm::RefreshMenuClick()
{
    Session->RequestRefresh();
}

// The screen is read some time after the item was chosen: when the menu's action fires the
// menu is still on screen, or has just left it and the window has not yet repainted there.
constexpr int ScreenShotDelayMs = 300;

void TMainForm::CaptureScreenShot1Click()
{
    QTimer::singleShot(ScreenShotDelayMs, this, [this] { SaveScreenShot(this); });
}

namespace {
void SaveScreenShot(QWidget *window)
{
    const QImage image = GrabScreenArea(window);
    // Written to a temporary file first: an earlier picture is replaced only by a
    // complete one.
    // Encoded in memory first: the encoder reports a failing write as "Unknown error",
    // the file itself gives the system's reason (a full disk). Unbuffered, so that the
    // failure shows at the write and not only at the commit.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    QSaveFile file(ScreenShotFileName);
    QString reason;
    if (!writer.write(image)) {
        reason = writer.errorString();
    } else if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
    } else {
        for (qint64 done = 0, n = 0; reason.isEmpty() && done < bytes.size(); done += n) {
            n = file.write(bytes.constData() + done, bytes.size() - done);
            if (n <= 0)
                reason = file.errorString();
        }
        if (!reason.isEmpty())
            file.cancelWriting();
        else if (!file.commit())
            reason = file.errorString();
    }
    if (!reason.isEmpty())
        ReportError(
            QStringLiteral("Cannot create file \"%1\". %2")
                .arg(QDir::toNativeSeparators(QDir::current().absoluteFilePath(ScreenShotFileName)),
                     reason));
}
} // namespace

QString TMainForm::WebSiteAddress(const QString &company)
{
    for (const TWebSite &site : WebSites)
        if (company == QLatin1String(site.Company))
            return QLatin1String(site.Address);
    return QString();
}

void TMainForm::WebSite1Click()
{
    const QString address = WebSiteAddress(Session->Identity.Company);
    if (!address.isEmpty() && !QDesktopServices::openUrl(QUrl(address)))
        Dialogs().Information(
            QStringLiteral("No web browser could be started. The web site is %1").arg(address));
}

QString TMainForm::AboutText() const
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Company: ") + CompanyName(Session->Identity.Company) + crlf +
           QStringLiteral("Model Number: ") + Session->Identity.ModelNumber + crlf +
           QStringLiteral("Serial Number: ") + QString::number(Session->Identity.SerialNumber) + crlf +
           QStringLiteral("Firmware Version: ") + Session->Identity.FirmwareVersion + crlf +
           QStringLiteral("FPGA Version: ") + Session->Identity.FPGAVersion + crlf +
           QStringLiteral("Software Version: ") + VersionInfo->FileVersion();
}

void TMainForm::About1Click()
{
    Dialogs().Information(AboutText());
}
