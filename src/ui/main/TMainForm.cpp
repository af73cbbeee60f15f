// Construction of the main window: the frame, the menu bar and the non-visual parts.

#include "ui/main/TMainForm.h"

#include "comm/TKTComPort.h"
#include "ui/main/TBinMenu.h"
#include "ui/main/TOpenFileDialog.h"
#include "ui/main/TPageControl.h"
#include "ui/main/TrpVersionInfo.h"
#include "ui/main/UiFont.h"

#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QTimer>

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent), Session(new InstrumentSession(this))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("7310 Pulse Generator"));
    setFont(UiFont(11));

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    CreateBannerStrip(client);
    CreateSystemOptions(client);
    CreateChannelsRegion(client);
    CreateTerminal(client);
    CreateSystemInfo(client);
    CreateMenus();
    CreateNonVisual();
    connect(Session, &InstrumentSession::RunStateChanged, this, &TMainForm::ShowRunState);
    connect(Session, &InstrumentSession::ShotCountChanged, this, [this](quint32 count) {
        ShotCountlbl->setText(QStringLiteral("Count: %1").arg(count, 10));
    });
    connect(Session, &InstrumentSession::ConfigurationChanged, this,
            &TMainForm::ConfigurationChanged);

    // Channel 1 is in the tables from the start; the other channels join when their
    // tabs are generated.
    BindChannelControls(1);
    // Before any tab is generated: the generated controls take the template's handlers.
    CreateChannelSettingHandlers();
    CreateSystemSettingHandlers();
    CreateTriggerSettingHandlers();
    FActiveSysControls.resize(SystemPageControl->PageCount());
    FActiveChControls.resize(ChPageControl->PageCount());

    // Transactions, start-up and run control: their parts and handlers.
    CreateStartupParts();
    CreateReadbackParts();
    CreateQueueParts();
    CreateStatusParts();
    CreateStorageParts();
    CreateTerminalParts();
    CreateToolsParts();
    CreateServiceParts();
    CreateDiagramParts(); // last: its item ends the "Tools" menu

    // A fixed frame: the client area and the menu bar, nothing to resize.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // Centred on its screen when first shown; scrolling where the screen is too small.
    CreateScreenFit();
}

TMainForm::~TMainForm() = default;

namespace {
QAction *Item(QMenu *menu, const char *name, const QString &caption)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}

TBinMenu *BinMenu(QWidget *owner, QMenu *menu, const char *name, const QString &caption)
{
    auto *sub = new TBinMenu(caption, owner);
    sub->setObjectName(QLatin1String(name));
    sub->menuAction()->setObjectName(QLatin1String(name) + QLatin1String("Item"));
    menu->addMenu(sub);
    return sub;
}

// Bin items belong to the window, whichever menu shows them.
QAction *BinItem(QWidget *owner, TBinMenu *menu, const char *name, const QString &caption)
{
    auto *item = new QAction(caption, owner);
    item->setObjectName(QLatin1String(name));
    return menu->AddItem(item);
}
} // namespace

void TMainForm::CreateMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    File1 = bar->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));
    Exit1 = Item(File1, "Exit1", QStringLiteral("Exit"));
    RestartMenu = Item(File1, "RestartMenu", QStringLiteral("Restart App"));

    Storage1 = bar->addMenu(QStringLiteral("Storage"));
    Storage1->setObjectName(QStringLiteral("Storage1"));
    SaveToBin = BinMenu(this, Storage1, "SaveToBin", QStringLiteral("Save To Bin"));
    BinSave1 = BinItem(this, SaveToBin, "BinSave1", QStringLiteral("1"));
    RestoreFromBin = BinMenu(this, Storage1, "RestoreFromBin", QStringLiteral("Restore From Bin"));
    BinRestore0 = BinItem(this, RestoreFromBin, "BinRestore0", QStringLiteral("Default 0"));
    BinRestore1 = BinItem(this, RestoreFromBin, "BinRestore1", QStringLiteral("1"));
    SaveToFile1 = Item(Storage1, "SaveToFile1", QStringLiteral("Save Settings To File"));
    RestoreSettingsFromFile1 =
        Item(Storage1, "RestoreSettingsFromFile1", QStringLiteral("Restore Settings From File"));

    Tools1 = bar->addMenu(QStringLiteral("Tools"));
    Tools1->setObjectName(QStringLiteral("Tools1"));
    RefreshMenu = Item(Tools1, "RefreshMenu", QStringLiteral("Refresh"));
    CaptureScreenShot1 = Item(Tools1, "CaptureScreenShot1", QStringLiteral("Capture Screen Shot"));
    EnableLoggingMenu = Item(Tools1, "EnableLoggingMenu", QStringLiteral("Logging Enabled"));
    EnableLoggingMenu->setCheckable(true);
    ServiceMenu = Item(Tools1, "ServiceMenu", QStringLiteral("Service"));
    ServiceWindowMenu = Item(Tools1, "ServiceWindowMenu", QStringLiteral("Service Window"));
    ServiceWindowMenu->setVisible(false);

    Help1 = bar->addMenu(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    WebSite1 = Item(Help1, "WebSite1", QStringLiteral("Web Site"));
    About1 = Item(Help1, "About1", QStringLiteral("About"));
}

void TMainForm::CreateNonVisual()
{
    // The session's serial component; the creation handler switches its events on once
    // discovery is over.
    ComPort = Session->ComPort;
    ComPort->SetShowErrors(true);
    ComPort->SetAllowEvents(false);

    LaunchTimer = new QTimer(this);
    LaunchTimer->setObjectName(QStringLiteral("LaunchTimer"));
    LaunchTimer->setInterval(500);
    LaunchTimer->setSingleShot(true);

    VersionInfo = new TrpVersionInfo(this);
    Session->SoftwareVersion = VersionInfo->FileVersion();

    // No title and no filter of its own: the caller sets the default extension.
    OpenFile = new TOpenFileDialog(this);
    OpenFile->setObjectName(QStringLiteral("OpenFile"));
}
