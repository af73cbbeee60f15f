// The channel pages, generated once from the channel-1 template, and the calibration
// readback that fills the window and CalibrationList from the instrument.

#include "base/DateTimeText.h"
#include "base/ErrorReport.h"
#include "comm/Communication.h"
#include "comm/ConfigurationReader.h"
#include "comm/TKTComPort.h"
#include "protocol/Conversions.h"
#include "protocol/SettingCommands.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/controls/TemplateCopy.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"
#include "ui/main/TPageControl.h"
#include "ui/service/TRadioGroup.h"
#include "ui/service/TServiceForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <iterator>

namespace {

struct TemplateField
{
    const char *Group;
    const char *Field;
    TServiceForm::TChannelTable<TPlusSpinEdit> TServiceForm::*Table;
};
// In the order the generated pages are built.
constexpr TemplateField TemplateFields[] = {
    {"ChDelayCalGrp", "ChDelayCalAdj", &TServiceForm::ChDelayCalAdj},
    {"ChWidthCalGrp", "ChWidthCalAdj", &TServiceForm::ChWidthCalAdj},
    {"ChAmpGainGrp", "ChAmpGainAdj", &TServiceForm::ChAmpGainAdj},
    {"ChAmpOffGrp", "ChAmpOffAdj", &TServiceForm::ChAmpOffAdj},
};

QString Named(const char *prefix, int chnum)
{
    return QLatin1String(prefix) + QString::number(chnum);
}

} // namespace

void TServiceForm::ServiceInitialize(bool report)
{
    if (!CalTabsCreated)
        CreateChannelPages();
    // Reading back does not store: the reminder stays until *STR went out.
    StoreCalReminderLbl->setVisible(FStorePending);
    RetrieveCals(report);
}

void TServiceForm::CreateChannelPages()
{
    for (const TemplateField &f : TemplateFields)
        (this->*f.Table)[1] = findChild<TPlusSpinEdit *>(Named(f.Field, 1));

    // The pages exist only for the channels of the model found at start; a larger count
    // chosen under "Channels" takes effect once the program is restarted.
    const int channels = qBound(1, Session.ChannelCount, MaxChannels);
    for (int n = 2; n <= channels; ++n) {
        auto *sheet = new QWidget;
        sheet->setObjectName(Named("TabCh", n));
        ChPageCalibration->AddPage(sheet, QStringLiteral("Ch ") + QString::number(n));

        auto *box = new QGroupBox(sheet);
        box->setGeometry(ChCalGrp1->geometry());
        box->setObjectName(Named("ChCalGrp", n));
        box->setTitle(QString());

        for (const TemplateField &f : TemplateFields) {
            const auto *tg = findChild<QGroupBox *>(Named(f.Group, 1));
            QGroupBox *g = TemplateCopy::CopyGroup(tg, box, Named(f.Group, n));
            TemplateCopy::CopyNumeric((this->*f.Table)[1], g, Named(f.Field, n));
        }
        for (const TemplateField &f : TemplateFields)
            (this->*f.Table)[n] = findChild<TPlusSpinEdit *>(Named(f.Field, n));
    }
    CalChannels = channels;
    CalTabsCreated = true;
    FActiveCalControls.fill(nullptr);
    FActiveCalControls.resize(ChPageCalibration->PageCount());
}

bool TServiceForm::Abandoned() const
{
    return Session.Terminating();
}

void TServiceForm::HideProgress()
{
    if (Main.MessageForm)
        Main.MessageForm->close();
}

void TServiceForm::EndRetrieve()
{
    FReadingBack = false;
    Session.Comm->CommandsDisabled = false;
    HideProgress();
    Session.CalibrationRetrievePending = false;
}

void TServiceForm::FailRetrieve(const QString &failure, bool report)
{
    CalibrationFailure = failure;
    EndRetrieve();
    if (report)
        ReportError(failure);
}

bool TServiceForm::PortBusy() const
{
    // An initialization (or a drain, or another read-back) under way further up the call
    // stack counts as busy too: a read-back run inside one would allow commands again at
    // its end, and the rest of the initialization would echo every value it writes into
    // the controls back to the instrument.
    return Session.StatusPollRunning || Session.ComPort->InUse() || Session.TaskRunning ||
           Session.Comm->CommandsDisabled;
}

void TServiceForm::RetrieveCals(bool report)
{
    Session.CalibrationRetrievePending = true;
    CalibrationFailure = QStringLiteral("the read-back waits for the port");
    // Never inside a poll, an initialization or a drain, nor inside another transaction's
    // reply wait (where every query would come back empty): the timer tries again 100 ms
    // later.
    if (PortBusy()) {
        CalTimer->start();
        return;
    }
    Communication &comm = *Session.Comm;
    if (!Session.SystemUnsecured)
        comm.CommandToPort(UnlockCommand().toLatin1());
    if (Abandoned())
        return;

    QStringList &list = Session.CalibrationList;
    list.clear();
    list << QStringLiteral("// ") + LocalDateTimeText()
         << QStringLiteral("// ") + Main.windowTitle()
         << QStringLiteral("// Serial Number: ") + QString::number(Session.Identity.SerialNumber)
         << QStringLiteral("// Firmware Version: ") + Session.Identity.FirmwareVersion
         << QStringLiteral("// FPGA Version: ") + Session.Identity.FPGAVersion;

    if (Main.MessageForm) {
        Main.MessageForm->MessageLabel->setText(QStringLiteral("Initializing System Cals"));
        Main.MessageForm->show();
    }
    comm.CommandsDisabled = true;
    FReadingBack = true;
    list << UnlockCommand();

    // Every factor is a number: a reply that is none (or nothing) ends the read-back
    // rather than read as 0, which a backup would later write into the instrument.
    QString failure;
    const auto readNumber = [&](const QByteArray &mnemonic) -> std::optional<qint32> {
        const QString reply = comm.QueryPort(mnemonic);
        if (Abandoned())
            return std::nullopt;
        const std::optional<qint32> value = TryStrToInt(TrimBoth(reply));
        if (!value)
            failure = ConfigurationReader::UnreadableText(
                mnemonic, reply, ConfigurationReader::UnreadableNumber(reply));
        return value;
    };

    const std::optional<qint32> serial = readNumber(SerialNumberQuery().toLatin1());
    if (Abandoned())
        return;
    if (!serial)
        return FailRetrieve(failure, report);
    Session.Identity.SerialNumber = *serial;
    SerialNumEdit->setText(QString::number(*serial));
    list << SerialNumberCommand(*serial);

    const QString badgeReply = comm.QueryPort(BadgeQuery().toLatin1());
    if (Abandoned())
        return;
    list << BadgeLine(badgeReply);
    // The badge index is the text before the first space; without a space there is none.
    const qsizetype space = badgeReply.indexOf(u' ');
    try {
        BadgeIndex = StrToInt(TrimRight(space < 0 ? QString() : badgeReply.left(space)));
    } catch (const EConvertError &error) {
        return FailRetrieve(
            ConfigurationReader::UnreadableText(BadgeQuery().toLatin1(), badgeReply, error.Message),
            report);
    }
    CompanySel->SetItemIndex(BadgeIndex);

    // Another count leaves the selection alone.
    const auto *choice = std::find(std::begin(ChannelChoices), std::end(ChannelChoices),
                                   Session.ChannelCount);
    if (choice != std::end(ChannelChoices))
        NumChSelect->SetItemIndex(int(choice - std::begin(ChannelChoices)));

    struct Amplifier
    {
        TCalInput Input;
        TCalFactor Factor;
        qint32 TServiceForm::*Value;
        TPlusSpinEdit *Field;
    };
    const Amplifier amplifiers[] = {
        {TCalInput::Trigger1, TCalFactor::Gain, &TServiceForm::Trigger1CalGain, Trig1AmpGainAdj},
        {TCalInput::Trigger1, TCalFactor::Offset, &TServiceForm::Trigger1CalOffset, Trig1AmpOffAdj},
        {TCalInput::Trigger2, TCalFactor::Gain, &TServiceForm::Trigger2CalGain, TrigGate2AmpGainAdj},
        {TCalInput::Trigger2, TCalFactor::Offset, &TServiceForm::Trigger2CalOffset,
         TrigGate2AmpOffAdj},
        {TCalInput::Gate1, TCalFactor::Gain, &TServiceForm::Gate1CalGain, Gate1AmpGainAdj},
        {TCalInput::Gate1, TCalFactor::Offset, &TServiceForm::Gate1CalOffset, Gate1AmpOffAdj},
    };
    for (const Amplifier &a : amplifiers) {
        const std::optional<qint32> read =
            readNumber(InputCalMnemonic(a.Input, a.Factor).toLatin1());
        if (Abandoned())
            return;
        if (!read)
            return FailRetrieve(failure, report);
        const qint32 v = *read;
        this->*a.Value = v;
        a.Field->AssignValue(v);
        list << InputCalCommand(a.Input, a.Factor, v);
    }

    struct ChannelFactor
    {
        TCalFactor Factor;
        qint32 ChannelConfig::*Value;
        TChannelTable<TPlusSpinEdit> TServiceForm::*Table;
    };
    const ChannelFactor factors[] = {
        {TCalFactor::Width, &ChannelConfig::WidthCal, &TServiceForm::ChWidthCalAdj},
        {TCalFactor::Delay, &ChannelConfig::DelayCal, &TServiceForm::ChDelayCalAdj},
        {TCalFactor::Gain, &ChannelConfig::AmpGainCal, &TServiceForm::ChAmpGainAdj},
        {TCalFactor::Offset, &ChannelConfig::AmpOffsetCal, &TServiceForm::ChAmpOffAdj},
    };
    // Only the channels whose pages exist: "Channels" may name more than were found.
    const int channels = qMin(Session.ChannelCount, CalChannels);
    for (int n = 1; n <= channels; ++n) {
        if (Main.MessageForm)
            Main.MessageForm->MessageLabel->setText(QStringLiteral("Initializing Ch ") +
                                                    QString::number(n) + QStringLiteral(" Cals"));
        for (const ChannelFactor &f : factors) {
            const std::optional<qint32> read = readNumber(ChCalMnemonic(n, f.Factor).toLatin1());
            if (Abandoned())
                return;
            if (!read)
                return FailRetrieve(failure, report);
            const qint32 v = *read;
            Session.ChannelConfigs[n].*f.Value = v;
            (this->*f.Table)[n]->AssignValue(v);
            list << ChCalCommand(n, f.Factor, v);
        }
    }
    CalibrationFailure.clear();
    EndRetrieve();
}

void TServiceForm::CalTimerTimer()
{
    CalTimer->stop();
    if (Session.CalibrationLoadPending && !FLoadRunning)
        LoadCalibrations();
    if (Session.CalibrationRetrievePending)
        RetrieveCals();
}

void TServiceForm::OptimizeCalsClick()
{
    Session.QueuedCommandToPort(OptimizeCalibrationCommand());
    FOptimizeTimer->start();
}

// "*OPT" has gone out once the queue holds nothing and no drain is sending; only then
// do the fields read the optimized factors.
void TServiceForm::WaitForOptimize()
{
    if (Session.CommandsQueued || Session.TaskRunning)
        return;
    FOptimizeTimer->stop();
    RetrieveCals();
}
