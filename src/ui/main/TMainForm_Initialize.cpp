// The initialization sequence: brings the whole window in line with the instrument and
// rebuilds SettingsList, the text image of the instrument's settings.

#include "base/ErrorReport.h"
#include "comm/Communication.h"
#include "comm/ConfigurationReader.h"
#include "comm/TKTComPort.h"
#include "protocol/ConfigurationQueries.h"
#include "protocol/ModelTable.h"
#include "protocol/SettingTable.h"
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

bool TMainForm::Initialize(bool report)
{
    SettingsList.clear();
    SettingsList << SettingsDateLine();
    ShotCountlbl->setText(QStringLiteral("Count: ----"));

    const QString version = VersionInfo->FileVersion();
    if (DemoMode) {
        StatusTimer->stop();
        setWindowTitle(QStringLiteral(" Model 7310-12  SW Version: ") + version +
                       QStringLiteral(" ComPort: Demo"));
        SerialNumberlbl->setText(QStringLiteral("Serial Number: 1234"));
        FWVersionlbl->setText(QStringLiteral("Firmware Ver: 1.00"));
        FPGAVersionlbl->setText(QStringLiteral("FPGA Ver: 1.25"));
        return true;
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
        return false;

    if (Identity.Company == QLatin1String("KT")) {
        KTBlueBanner->show();
        MRDBanner->hide();
    } else if (Identity.Company == QLatin1String("MRD")) {
        KTBlueBanner->hide();
        MRDBanner->show();
    }
    const TIdentityTexts texts = IdentityTexts(Identity, version, ComPort->Port(), ComPort->Baud());
    setWindowTitle(texts.Caption);
    SerialNumberlbl->setText(texts.SerialNumber);
    FWVersionlbl->setText(texts.Firmware);
    FPGAVersionlbl->setText(texts.FPGA);
    SettingsList << SettingsIdentityLines(texts);

    ChannelCount = ModelChannelCount(Identity.ModelNumber);
    // The items a model lacks (the 6-channel models' multiplexer item "4") go from the
    // template before the other tabs are generated from it, once.
    const int muxItems = MuxItemCount(ChannelCount);
    if (ChMuxSelect[1]->count() > muxItems)
        ChMuxSelect[1]->SetItems(ChMuxSelect[1]->Items().mid(0, muxItems));
    if (!ChannelTabsCreated)
        CreateChannelTabs();
    if (!StorageBinsCreated)
        UpdateStorageBins();
    QCoreApplication::processEvents();
    if (InitializeAbandoned())
        return false;

    TimingLimits = TTimingLimits();
    SetResolutionRanges();

    ReadbackFailure.clear();
    ReadbackFailedQuery.clear();
    try {
        ReadInstrumentSettings();
    } catch (const EConvertError &error) {
        // A reply that cannot be read: the record is abandoned at that field and nothing
        // after it is read. The window is still handed back to the operator below, with
        // commands and the status poll running, so that a Refresh can try again; until
        // one completes, the window says that its values are incomplete.
        if (InitializeAbandoned())
            return false;
        ReadbackFailure = error.Message;
        ReadbackFailedQuery = FAskedQuery;
    }
    if (InitializeAbandoned())
        return false;
    ShowReadbackState();

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
    if (!ReadbackFailure.isEmpty() && report)
        ReportError(ReadbackFailure);
    return ReadbackFailure.isEmpty();
}

void TMainForm::ShowReadbackState()
{
    const QString marker = QStringLiteral("  - VALUES INCOMPLETE: ");
    QString caption = windowTitle();
    const qsizetype at = caption.indexOf(marker);
    if (at >= 0)
        caption.truncate(at);
    if (!ReadbackFailedQuery.isEmpty())
        caption += marker + QLatin1Char('"') + ReadbackFailedQuery +
                   QStringLiteral("\" could not be read");
    else if (!ReadbackFailure.isEmpty())
        caption += marker + ReadbackFailure;
    setWindowTitle(caption);
    ReadbackIncompletelbl->setToolTip(ReadbackFailure);
    ReadbackIncompletelbl->setVisible(!ReadbackFailure.isEmpty());
}

void TMainForm::ReadInstrumentSettings()
{
    ConfigurationReader reader = ReadbackReader();
    reader.Asking = [this](const TConfigQuery &query) {
        FAskedQuery = QString::fromLatin1(query.Mnemonic) + QLatin1Char('?');
        if (query.Item == TConfigItem::ChannelRecord && MessageForm)
            MessageForm->MessageLabel->setText(QStringLiteral("Initializing Ch ") +
                                               QString::number(query.Record));
    };
    reader.ReadAll(ChannelCount, [this](const TConfigQuery &query, const TConfigReply &reply) {
        ApplyConfigurationReply(query, reply);
    });
}

void TMainForm::ApplyConfigurationReply(const TConfigQuery &query, const TConfigReply &reply)
{
    switch (query.Item) {
    case TConfigItem::SystemRecord:
        ApplySystemRecord(reply.Text);
        break;
    case TConfigItem::InputRecord:
        ApplyInputRecord(query.Record, reply.Text);
        break;
    case TConfigItem::SecurityState:
        SystemUnsecured = reply.Number == 0;
        ServiceWindowMenu->setVisible(SystemUnsecured);
        break;
    case TConfigItem::AutoStart:
        AutoStartEnbl->setChecked(reply.Number == 1);
        break;
    case TConfigItem::InputClock:
        SelectFromReply(ExternalInputClkSel, InputClockTable(), reply.Text);
        break;
    case TConfigItem::OutputClock:
        SelectFromReply(ExternalOutputClkSel, OutputClockTable(), reply.Text);
        break;
    case TConfigItem::SyncOutput:
        SelectFromReply(SyncOutputSel, SyncOutputTable(), reply.Text);
        break;
    case TConfigItem::CounterEnable:
        ShotCountEnbl->setChecked(reply.Number == 1);
        break;
    case TConfigItem::CounterSource:
        SelectFromReply(CounterSourceSel, CounterSourceTable(), reply.Text);
        CounterSourceSel->setEnabled(true);
        break;
    case TConfigItem::ChannelRecord:
        ApplyChannelRecord(query.Record, reply.Text);
        if (!InitializeAbandoned())
            ChModesEnable(query.Record);
        break;
    }
}
