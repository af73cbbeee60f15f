#include "tango/SessionHost.h"

#include "base/ReadableText.h"
#include "comm/Communication.h"
#include "comm/InstrumentScanner.h"
#include "comm/PortName.h"
#include "comm/PortOpenFailure.h"
#include "comm/TKTComPort.h"
#include "protocol/CommandScript.h"
#include "protocol/SettingCommands.h"
#include "protocol/SettingTable.h"
#include "protocol/SettingsComparison.h"
#include "session/InstrumentSession.h"
#include "tango/DeviceAttributes.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QTimer>
#include <algorithm>

namespace {
constexpr int ResponseTimeMs = 4000; // as the panel waits for a reply once it runs

TDeviceResult Failed(const char *reason, const QString &text)
{
    return {false, reason, text.toStdString(), {}};
}

const char *ReasonOf(InstrumentSession::TChangeRefusal::TKind kind)
{
    switch (kind) {
    case InstrumentSession::TChangeRefusal::NoSuchSetting:
        return "KT7310_NoSuchSetting";
    case InstrumentSession::TChangeRefusal::OffGrid:
        return "KT7310_OffGrid";
    case InstrumentSession::TChangeRefusal::OutOfRange:
        return "KT7310_OutOfRange";
    case InstrumentSession::TChangeRefusal::NotAvailable:
        return "KT7310_NotAvailable";
    case InstrumentSession::TChangeRefusal::None:
        break;
    }
    return "KT7310_Refused";
}
} // namespace

SessionHost::SessionHost(const TDeviceOptions &options, DeviceSnapshot &snapshot)
    : FOptions(options), FFolder(QString::fromStdString(options.SettingsFolder)),
      FSnapshot(snapshot), FRetry(new QTimer(this))
{
    FRetry->setSingleShot(true);
    FRetry->setInterval(options.RetryPeriodMs);
    connect(FRetry, &QTimer::timeout, this, &SessionHost::Connect);
}

SessionHost::~SessionHost() = default;

void SessionHost::Post(std::function<void()> request)
{
    {
        const std::lock_guard<std::mutex> lock(FPostedMutex);
        FPosted.push_back(std::move(request));
    }
    QCoreApplication::postEvent(this, new QEvent(QEvent::User));
}

void SessionHost::customEvent(QEvent *)
{
    // Only Post sends this object events of its own (the wake-up carries nothing).
    // One request per wake-up: a request may wait for replies, and the events dispatched
    // meanwhile may wake this again for the next one.
    std::function<void()> request;
    {
        const std::lock_guard<std::mutex> lock(FPostedMutex);
        if (FPosted.empty())
            return;
        request = std::move(FPosted.front());
        FPosted.pop_front();
    }
    request();
}

void SessionHost::Begin()
{
    Connect();
}

void SessionHost::End()
{
    FEnded = true;
    FRetry->stop();
    if (FSession) {
        // Possibly inside one of the session's reply waits (a load, a drain under way):
        // it ends at once, and the session goes when its thread's event loop ends. What
        // was still queued behind that line is not sent, and the log says so.
        const qsizetype notSent = FSession->CommandQueue.size();
        FSession->Terminate();
        if (notSent > 0)
            qWarning("kt7310-tango: %s: %lld queued command line(s) were not sent: the device "
                     "ended.", FOptions.Name.c_str(), static_cast<long long>(notSent));
        FSession->deleteLater();
        FSession = nullptr;
    }
}

void SessionHost::Connect()
{
    if (FConnecting || FEnded)
        return;
    FConnecting = true;
    FFaulted = false;
    FReading = false;
    FFault.clear();
    FReadbackNote.clear();
    if (FSession) {
        // A session whose port was given up stays given up: the next one is new. The old
        // one may still be on the call stack (a reply wait ending), hence later.
        FSession->Terminate();
        FSession->deleteLater();
    }
    auto *s = new InstrumentSession(this);
    FSession = s;
    s->SoftwareVersion = QStringLiteral(KT7310_VERSION);
    s->ComPort->SetShowErrors(false);
    s->StatusTimer->setInterval(FOptions.PollPeriodMs);

    connect(s, &InstrumentSession::ReplyMissing, this,
            [this](const TLinkFault &fault, InstrumentSession::TReplyMissingAnswer &answer) {
                // Nobody to ask: the port is given up, and found again from scratch.
                answer = InstrumentSession::EndProgram;
                Fault(fault.Text);
            });
    connect(s, &InstrumentSession::PortLost, this, [this](const TLinkFault &fault) {
        QString why = fault.Text;
        const QString refused = PortOpenFailure::ScanReport({fault.OpenFailure},
                                                            PortOpenFailure::CurrentUserName());
        if (!refused.isEmpty())
            why += QLatin1Char(' ') + refused;
        Fault(why);
    });
    connect(s, &InstrumentSession::CommandsNotSent, this, [this](int count) {
        FFault += QStringLiteral(" %1 queued command line(s) were not sent.").arg(count);
        PublishState();
    });
    connect(s, &InstrumentSession::InitializeStarted, this, [this] {
        FReading = true;
        PublishState();
    });
    connect(s, &InstrumentSession::InitializeEnded, this, [this] {
        FReading = false;
        UpdateAttributes();
        PublishState();
    });
    connect(s, &InstrumentSession::Notice, this,
            [](const QString &text) { qWarning("kt7310-tango: %s", qPrintable(text)); });
    // The attribute list follows the model and the limits; the values every change.
    connect(s, &InstrumentSession::TimingLimitsChanged, this, &SessionHost::UpdateAttributes);
    // ConfigurationChanged follows every change of a setting (its command is queued at
    // once) and every read-back.
    for (auto signal : {&InstrumentSession::ConfigurationChanged, &InstrumentSession::ReadbackStateChanged})
        connect(s, signal, this, &SessionHost::Sync);
    connect(s, &InstrumentSession::ShotCountChanged, this, &SessionHost::Sync);
    connect(s, &InstrumentSession::RunStateChanged, this, [this] {
        Sync();
        PublishState();
    });

    FWhere = FOptions.Port ? QStringLiteral("COM%1").arg(FOptions.Port) : QStringLiteral("the serial ports");
    PortName network;
    if (!FOptions.Network.empty()) {
        PortName::Parse(QString::fromStdString(FOptions.Network), network);
        s->ComPort->SetLocation(network);
        FWhere = network.Text();
    }
    PublishState();
    if (!FOptions.PortError.empty()) {
        FConnecting = false;
        Fault(QStringLiteral("The property Port is not a port: %1")
                  .arg(QString::fromStdString(FOptions.PortError)));
        return;
    }

    InstrumentScanner scanner(*s->Comm);
    const QList<int> ports = FOptions.Port ? QList<int>{FOptions.Port} : InstrumentScanner::ScanPorts();
    const QList<int> bauds = FOptions.Baud ? QList<int>{FOptions.Baud} : InstrumentScanner::ScanBauds();
    std::function<bool(const TIdentityRecord &)> accept;
    if (FOptions.Port && FOptions.Baud) // as the panel's manual choice of port: any model
        accept = [](const TIdentityRecord &identity) { return !identity.ModelNumber.isEmpty(); };
    const bool found = scanner.Find(s->Identity, ports, bauds, accept);
    FConnecting = false;
    if (FEnded || FSession != s)
        return;
    if (!found) {
        Fault(NotFoundText(scanner.OpenFailures));
        return;
    }
    FWhere = QStringLiteral("%1 at %2 baud").arg(s->ComPort->Location().Text()).arg(s->ComPort->Baud());
    if (network.IsNetwork() && !network.SetsLineSpeed())
        FWhere = network.Text(); // the device server's own speed
    s->ComPort->SetResponseTime(ResponseTimeMs);
    s->ComPort->SetAllowEvents(true);
    const bool complete = s->Initialize(false);
    if (FEnded || FSession != s || FFaulted)
        return;
    FReading = false;
    FReadbackNote = complete ? QString() : s->ReadbackFailure;
    UpdateAttributes();
    PublishState();
}

QString SessionHost::NotFoundText(const QList<PortOpenFailure> &failures) const
{
    QString where;
    if (!FOptions.Network.empty()) {
        // the server could not be reached, or nothing answered through it
        QString text = QStringLiteral("No instrument found on %1.")
                           .arg(QString::fromStdString(FOptions.Network));
        if (!failures.isEmpty())
            text += QLatin1Char(' ') + failures.constFirst().Detail + QLatin1Char('.');
        return text;
    }
    if (FOptions.Port && FOptions.Baud)
        where = QStringLiteral(" on COM%1 at %2 baud").arg(FOptions.Port).arg(FOptions.Baud);
    else if (FOptions.Port)
        where = QStringLiteral(" on COM%1").arg(FOptions.Port);
    else if (FOptions.Baud)
        where = QStringLiteral(" at %1 baud").arg(FOptions.Baud);
    QString text = QStringLiteral("No instrument found%1.").arg(where);
    // Devices that exist but were refused: why, and what to do (the group to join).
    const QString refused =
        PortOpenFailure::ScanReport(failures, PortOpenFailure::CurrentUserName());
    if (!refused.isEmpty())
        return text + QLatin1Char(' ') + refused;
    if (!FOptions.Port)
        return text;
    for (const PortOpenFailure &f : failures) {
        if (f.Port == FOptions.Port && f.Reason == PortOpenFailure::pofMissing)
            return text + QStringLiteral(" The serial port COM%1 (%2) does not exist.")
                              .arg(f.Port)
                              .arg(QDir::toNativeSeparators(f.Device));
        if (f.Port == FOptions.Port && f.Reason != PortOpenFailure::pofNone)
            return text + QStringLiteral(" The serial port COM%1 (%2) cannot be opened%3")
                              .arg(f.Port)
                              .arg(QDir::toNativeSeparators(f.Device))
                              .arg(f.Detail.isEmpty() ? QStringLiteral(".")
                                                      : QStringLiteral(": ") + f.Detail);
    }
    return text + QStringLiteral(" COM%1 opens, but nothing answered %2.")
                      .arg(FOptions.Port)
                      .arg(FOptions.Baud ? QStringLiteral("at %1 baud").arg(FOptions.Baud)
                                         : QStringLiteral("at any speed"));
}

void SessionHost::Fault(const QString &why)
{
    FFaulted = true;
    FReading = false;
    FFault = why;
    // Timers stop and the port is given up; anything under way further up the call
    // stack ends at its next step.
    if (FSession)
        FSession->Terminate();
    if (!FEnded)
        FRetry->start();
    PublishState();
}

void SessionHost::UpdateAttributes()
{
    if (!FSession || FConnecting)
        return;
    std::vector<TDeviceAttribute> attributes = DeviceAttributeList(*FSession);
    if (attributes != FAttributes) {
        FAttributes = std::move(attributes);
        FSnapshot.SetAttributes(FAttributes);
    }
    Sync();
}

void SessionHost::Sync()
{
    if (!FSession || FConnecting)
        return;
    std::vector<TDeviceValue> values;
    values.reserve(FAttributes.size());
    for (const TDeviceAttribute &a : FAttributes)
        values.push_back(DeviceAttributeValue(*FSession, a));
    FSnapshot.SetValues(values);
}

void SessionHost::PublishState()
{
    TDeviceState state = TDeviceState::Init;
    QString status;
    if (FFaulted) {
        state = TDeviceState::Fault;
        status = FFault + QStringLiteral(" Trying again every %1 s.")
                              .arg(QString::number(FOptions.RetryPeriodMs / 1000.0, 'g', 4));
    } else if (FConnecting || !FSession) {
        status = QStringLiteral("Looking for the instrument on %1.").arg(FWhere);
    } else {
        const QString model = QStringLiteral("the %1 (serial number %2) on %3")
                                  .arg(FSession->Identity.ModelNumber)
                                  .arg(FSession->Identity.SerialNumber)
                                  .arg(FWhere);
        if (FReading) {
            status = QStringLiteral("Reading the configuration of %1.").arg(model);
        } else {
            const bool running = FSession->Running();
            state = running ? TDeviceState::Running : TDeviceState::On;
            status = QStringLiteral("Connected to %1; the output is %2.")
                         .arg(model, running ? QStringLiteral("running") : QStringLiteral("stopped"));
            if (!FReadbackNote.isEmpty())
                status += QStringLiteral(" The values are incomplete: %1").arg(FReadbackNote);
        }
    }
    FSnapshot.SetState(state, status.toStdString());
}

bool SessionHost::PortFree() const
{
    return !FSession || FFaulted || FEnded ||
           (!FSession->PortBusy() && !FSession->TasksPending());
}

void SessionHost::WhenPortFree(std::function<void()> request)
{
    if (PortFree()) {
        request();
        return;
    }
    QTimer::singleShot(5, this, [this, request] { WhenPortFree(request); });
}

TDeviceResult SessionHost::Ready(bool settingsRequest) const
{
    if (FEnded)
        return Failed("KT7310_Ended", QStringLiteral("The device is shutting down."));
    if (const TDeviceResult after = AfterTransaction(); !after.Ok)
        return after;
    if (!FSession || FConnecting)
        return Failed("KT7310_NotReady",
                      QStringLiteral("The instrument is being looked for; try again once the "
                                     "state is ON or RUNNING."));
    if (FReading || FSession->Comm->CommandsDisabled)
        return Failed("KT7310_NotReady",
                      QStringLiteral("The instrument's configuration is being read; try again "
                                     "once the state is ON or RUNNING."));
    if (settingsRequest && FSession->Loading())
        return Failed("KT7310_Busy", QStringLiteral("A settings file is being loaded."));
    return {};
}

TDeviceResult SessionHost::AfterTransaction() const
{
    // The device may have ended inside the reply wait (Init, the server's end): the
    // session is on its way out and no longer this host's.
    if (FEnded || !FSession)
        return Failed("KT7310_Ended", QStringLiteral("The device is shutting down."));
    if (FFaulted)
        return Failed("KT7310_Fault", FFault);
    return {};
}

TDeviceResult SessionHost::BinReady(int bin) const
{
    TDeviceResult ready = Ready(true);
    if (ready.Ok && (bin < 1 || bin > FSession->ChannelCount))
        return Failed("KT7310_OutOfRange", QStringLiteral("Bin %1: the %2 has bins 1 to %3.")
                                               .arg(bin)
                                               .arg(FSession->Identity.ModelNumber)
                                               .arg(FSession->ChannelCount));
    return ready;
}

TDeviceResult SessionHost::Write(const std::string &name, const TDeviceValue &value)
{
    TDeviceResult ready = Ready(true);
    if (!ready.Ok)
        return ready;
    const QString attribute = QString::fromStdString(name);
    const TDeviceAttribute *a = nullptr;
    for (const TDeviceAttribute &candidate : FAttributes) {
        if (candidate.Name == name)
            a = &candidate;
    }
    if (!a || !a->Writable || a->SettingIndex < 0)
        return Failed("KT7310_NoSuchSetting",
                      QStringLiteral("%1 is no setting of this instrument.").arg(attribute));
    const TSettingRow &row = SettingTable().at(a->SettingIndex);
    const double v = value.Number;
    const InstrumentSession::TChangeRefusal refusal = FSession->ChangeRefusal(row, v, a->Number);
    if (refusal.Kind != InstrumentSession::TChangeRefusal::None)
        return Failed(ReasonOf(refusal.Kind),
                      QStringLiteral("%1: %2; nothing was sent.").arg(attribute, refusal.Text));
    // A time or voltage goes out with the row's decimals (a time the grid's rule lets
    // through a hair off the grid included): the state takes the value as sent.
    const double sent = row.Kind == TSettingKind::Time || row.Kind == TSettingKind::Volts
                            ? SettingArgument(row, v).toDouble()
                            : v;
    FSession->ChangeSetting(row, sent, a->Number); // the snapshot follows its signal
    return {};
}

TDeviceResult SessionHost::Run(bool on)
{
    TDeviceResult ready = Ready(true);
    if (!ready.Ok)
        return ready;
    on ? FSession->SystemStart() : FSession->SystemStop(); // the state follows its signal
    return {};
}

TDeviceResult SessionHost::Refresh()
{
    TDeviceResult ready = Ready(true);
    if (!ready.Ok)
        return ready;
    FSession->RequestRefresh();
    // INIT from now on, so that a client waiting for ON sees the read-back through.
    FReading = true;
    PublishState();
    return {};
}

TDeviceResult SessionHost::SaveToBin(int bin)
{
    TDeviceResult ready = BinReady(bin);
    if (!ready.Ok)
        return ready;
    FSession->QueuedCommandToPort(SaveBinCommand(bin));
    return {};
}

TDeviceResult SessionHost::RecallBin(int bin)
{
    TDeviceResult ready = BinReady(bin);
    if (!ready.Ok)
        return ready;
    FSession->RequestRecall(bin);
    FReading = true;
    PublishState();
    return {};
}

TDeviceResult SessionHost::SaveSettings(const std::string &name)
{
    QString path;
    const TDeviceResult where = FFolder.WritePath(QString::fromLatin1(name), path);
    if (!where.Ok)
        return where;
    TDeviceResult ready = Ready(true);
    if (!ready.Ok)
        return ready;
    const QString error = FSession->SaveSettings(path);
    if (const TDeviceResult after = AfterTransaction(); !after.Ok)
        return after;
    if (!error.isEmpty())
        return Failed("KT7310_SaveFailed", error);
    return {};
}

namespace {
// "3, 7 and 12", at most a dozen numbers and how many more.
QString LineNumbers(const QList<int> &lines)
{
    constexpr int Shown = 12;
    QStringList numbers;
    for (int i = 0; i < lines.size() && i < Shown; ++i)
        numbers << QString::number(lines[i]);
    QString text = numbers.join(QStringLiteral(", "));
    if (lines.size() > Shown)
        text += QStringLiteral(" and %1 more").arg(lines.size() - Shown);
    return text;
}
} // namespace

TDeviceResult SessionHost::LoadSettings(const std::string &name)
{
    const QString fileName = QString::fromLatin1(name);
    QStringList lines;
    const TDeviceResult read = FFolder.Read(fileName, lines);
    if (!read.Ok)
        return read;
    // The whole file is checked before any of it goes out; a line the server does not
    // know is named by its number only (the file's text is not the client's to read).
    QList<int> unknown = UnknownSettingLines(lines);
    for (int i = 0; i < lines.size(); ++i)
        if (!CommandScript::IsComment(lines[i]) && !IsPrintableLatin1(lines[i]) && !unknown.contains(i + 1))
            unknown << i + 1;
    std::sort(unknown.begin(), unknown.end());
    if (!unknown.isEmpty())
        return Failed("KT7310_FileError",
                      QStringLiteral("The settings file \"%1\" holds %2 line(s) that are no setting "
                                     "command: line %3. Nothing was sent.")
                          .arg(fileName)
                          .arg(unknown.size())
                          .arg(LineNumbers(unknown)));
    if (CommandScript::CommandCount(lines) == 0)
        return Failed("KT7310_FileError",
                      QStringLiteral("The settings file \"%1\" holds no setting command.").arg(fileName));
    TDeviceResult ready = Ready(true);
    if (!ready.Ok)
        return ready;
    const TLoadResult result = FSession->LoadSettings(lines, fileName);
    if (const TDeviceResult after = AfterTransaction(); !after.Ok)
        return after;
    if (result.LinkGone || !result.ReadBack)
        return Failed("KT7310_LoadFailed",
                      result.Message.isEmpty()
                          ? QStringLiteral("%1 lines were sent; the instrument was lost.").arg(result.Sent)
                          : result.Message);
    // Lines the instrument refused or left unanswered fail the load, as in kt7310; what
    // the read-back does not confirm is the answer.
    if (!result.Outcome.Refused().isEmpty() || !result.Outcome.Unanswered().isEmpty())
        return Failed("KT7310_LoadFailed", result.Message);
    QStringList differences;
    for (const TSettingsDifference &d : result.Outcome.Differences())
        differences << d.Text();
    return {true, {}, differences.join(QLatin1Char('\n')).toStdString(), {}};
}

TDeviceResult SessionHost::SendLine(const std::string &bytes)
{
    const QString line = QString::fromLatin1(bytes);
    if (line.trimmed().isEmpty() || !IsPrintableLatin1(line))
        return Failed("KT7310_BadLine",
                      QStringLiteral("SendLine sends one line of printable characters (ISO 8859-1, "
                                     "no CR or LF); nothing was sent."));
    if (IsServiceCommand(line) && !FOptions.ServiceCommands)
        return Failed("KT7310_ServiceCommand",
                      QStringLiteral("Security, calibration, serial-number and badge commands are "
                                     "refused while the device property ServiceCommands is false; "
                                     "nothing was sent."));
    TDeviceResult ready = Ready(true);
    if (!ready.Ok)
        return ready;
    const QString reply = FSession->Comm->CommandToPort(CommandScript::ToWire(line));
    if (const TDeviceResult after = AfterTransaction(); !after.Ok)
        return after;
    // A setting changed from here shows in its attribute at once, as after a write.
    if (reply == QLatin1String("OK"))
        FSession->TakeSettingLine(line);
    return {true, {}, reply.toLatin1().toStdString(), {}};
}
