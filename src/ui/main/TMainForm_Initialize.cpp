// The initialization sequence: brings the whole window in line with the instrument and
// rebuilds SettingsList, the text image of the instrument's settings.

#include "base/DateTimeText.h"
#include "base/ErrorReport.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "protocol/ModelTable.h"
#include "protocol/SystemQueryTables.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"
#include "ui/main/TPageControl.h"
#include "ui/main/TrpVersionInfo.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

namespace {
// A reply outside the table leaves the list as it is; "100" for the input clock, which
// the list does not offer, leaves it with no selection.
void SelectFromReply(TComboBox *list, const TSystemQueryTable &table, const QString &reply)
{
    const TListSelection selection = SelectionForReply(table, reply);
    if (selection.Changes)
        list->setCurrentIndex(selection.ItemIndex);
}
} // namespace

bool TMainForm::InitializeAbandoned() const
{
    return FTerminating;
}

void TMainForm::Initialize()
{
    SettingsList.clear();
    SettingsList << QStringLiteral("// ") + LocalDateTimeText();
    ShotCountlbl->setText(QStringLiteral("Count: ----"));

    const QString version = VersionInfo->FileVersion();
    if (DemoMode) {
        StatusTimer->stop();
        setWindowTitle(QStringLiteral(" Model 7310-12  SW Version: ") + version +
                       QStringLiteral(" ComPort: Demo"));
        SerialNumberlbl->setText(QStringLiteral("Serial Number: 1234"));
        FWVersionlbl->setText(QStringLiteral("Firmware Ver: 1.00"));
        FPGAVersionlbl->setText(QStringLiteral("FPGA Ver: 1.25"));
        return;
    }

    StatusTimer->stop();
    Comm->CommandsDisabled = true;
    const bool showProgress = RecallPending || ReinitializePending;
    if (showProgress && MessageForm) {
        MessageForm->MessageLabel->setText(QStringLiteral("Initializing System"));
        MessageForm->show();
    }
    QCoreApplication::processEvents();
    if (InitializeAbandoned())
        return;

    const QString company = CompanyName(Identity.Company);
    if (Identity.Company == QLatin1String("KT")) {
        KTBlueBanner->show();
        MRDBanner->hide();
    } else if (Identity.Company == QLatin1String("MRD")) {
        KTBlueBanner->hide();
        MRDBanner->show();
    }
    setWindowTitle(company + QStringLiteral(" Model ") + Identity.ModelNumber +
                   QStringLiteral("  SW Version: ") + version + QStringLiteral(" ComPort: ") +
                   QString::number(ComPort->Port()) + QStringLiteral(" Baud: ") +
                   QString::number(ComPort->Baud()));
    SerialNumberlbl->setText(QStringLiteral("Serial Number: ") +
                             QString::number(Identity.SerialNumber));
    FWVersionlbl->setText(QStringLiteral("Firmware Ver: ") + Identity.FirmwareVersion);
    FPGAVersionlbl->setText(QStringLiteral("FPGA Ver: ") + Identity.FPGAVersion);
    SettingsList << QStringLiteral("// ") + windowTitle()
                 << QStringLiteral("// ") + SerialNumberlbl->text()
                 << QStringLiteral("// ") + FWVersionlbl->text()
                 << QStringLiteral("// ") + FPGAVersionlbl->text();

    ChannelCount = ModelChannelCount(Identity.ModelNumber);
    // Models below 12 channels have no multiplexer item "4"; removed from the template
    // before the other tabs are generated from it, once.
    if (ChannelCount < 12 && ChMuxSelect[1]->count() == 5)
        ChMuxSelect[1]->SetItems(ChMuxSelect[1]->Items().mid(0, 4));
    if (!ChannelTabsCreated)
        CreateChannelTabs();
    if (!StorageBinsCreated)
        UpdateStorageBins();
    QCoreApplication::processEvents();
    if (InitializeAbandoned())
        return;

    TimingLimits = TTimingLimits();
    SetResolutionRanges();

    try {
        ReadInstrumentSettings();
    } catch (const EConvertError &error) {
        // A malformed record: the record is abandoned at that field and nothing after
        // it is read. The window is still handed back to the operator below, with
        // commands and the status poll running, so that a Refresh can try again.
        if (InitializeAbandoned())
            return;
        ReportError(error.Message);
    }
    if (InitializeAbandoned())
        return;

    SetResolutionRanges();
    Comm->CommandsDisabled = false;
    PeriodAdj->SetEnabled(true);
    ChPageControl->SetActivePageIndex(0);
    SystemPageControl->SetActivePageIndex(0);
    SystemModesEnable();
    TriggerModesEnable();
    GateModesEnable();
    StatusTimer->start();
    if (showProgress && MessageForm)
        MessageForm->close();
    SystemPageControl->setVisible(true);
    ChPageControl->setVisible(true);
    emit ConfigurationChanged();
}

void TMainForm::ReadInstrumentSettings()
{
    ParseSystemParameters();
    if (InitializeAbandoned())
        return;
    ParseTrigGateParameters();
    if (InitializeAbandoned())
        return;

    // The transactions below return at once once the run is ending; their results are
    // then not applied.
    const qint32 security = Comm->QueryPortInt(QByteArrayLiteral(":SYST:SEC"));
    if (InitializeAbandoned())
        return;
    SystemUnsecured = security == 0;
    ServiceWindowMenu->setVisible(SystemUnsecured);

    const qint32 autoStart = Comm->QueryPortInt(QByteArrayLiteral(":SYST:AUT"));
    if (InitializeAbandoned())
        return;
    AutoStartEnbl->setChecked(autoStart == 1);
    SettingsList << QStringLiteral(":SYST:AUT ") + QString::number(autoStart);

    struct TextQuery
    {
        QByteArray Mnemonic;
        TComboBox *List;
        const TSystemQueryTable &Table;
    };
    const TextQuery clocksAndSync[] = {
        {QByteArrayLiteral(":SYST:ICLOCK"), ExternalInputClkSel, InputClockTable()},
        {QByteArrayLiteral(":SYST:OCL"), ExternalOutputClkSel, OutputClockTable()},
        {QByteArrayLiteral(":SYST:SYNC"), SyncOutputSel, SyncOutputTable()},
    };
    for (const TextQuery &q : clocksAndSync) {
        const QString reply = Comm->QueryPort(q.Mnemonic);
        if (InitializeAbandoned())
            return;
        SelectFromReply(q.List, q.Table, reply);
        SettingsList << QString::fromLatin1(q.Mnemonic) + u' ' + reply;
    }

    const qint32 counting = Comm->QueryPortInt(QByteArrayLiteral(":COUN:STAT"));
    if (InitializeAbandoned())
        return;
    ShotCountEnbl->setChecked(counting == 1);
    SettingsList << QStringLiteral(":COUN:STAT ") + QString::number(counting);

    const QString source = Comm->QueryPort(QByteArrayLiteral(":COUN:SEL"));
    if (InitializeAbandoned())
        return;
    SelectFromReply(CounterSourceSel, CounterSourceTable(), source);
    CounterSourceSel->setEnabled(true);
    SettingsList << QStringLiteral(":COUN:SEL ") + source;

    for (int chnum = 1; chnum <= ChannelCount; ++chnum) {
        if (MessageForm)
            MessageForm->MessageLabel->setText(QStringLiteral("Initializing Ch ") +
                                               QString::number(chnum));
        ParseChannelParameters(chnum);
        if (InitializeAbandoned())
            return;
        ChModesEnable(chnum);
    }
}
