#include "comm/Communication.h"

#include "base/DateTimeText.h"
#include "base/SystemInfo.h"
#include "comm/OperatorDialogs.h"
#include "comm/TKTComPort.h"
#include "comm/TerminalSink.h"
#include "protocol/Conversions.h"

#include <QDateTime>
#include <QThread>


namespace {
const QString LogNotWritableText =
    QStringLiteral("Log file cannot be written to. Please run program from writable location. "
                   "Logging will be disabled.");

// Replies and commands are bytes on the wire; one character per byte both ways, so
// whatever the instrument sends reaches the terminal and the log unchanged.
QString Text(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

QString LoginName()
{
    QString name = qEnvironmentVariable("USERNAME");
#ifndef Q_OS_WIN
    if (name.isEmpty())
        name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("LOGNAME");
    if (name.isEmpty())
        name = AccountName(); // a service started without USER or LOGNAME
#endif
    return name;
}
} // namespace

Communication::Communication(TKTComPort &comPort, QObject *parent)
    : QObject(parent), UserName(LoginName()),
      StartTimeStamp(QDateTime::currentDateTime().toString(QStringLiteral("MM-dd-yy_HH-mm-ss"))),
      FComPort(comPort)
{
}

Communication::~Communication()
{
    LogFile.close();
}

void Communication::SetTerminal(TerminalSink *terminal)
{
    FTerminal = terminal;
}

QString Communication::TimeStamp()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
}

void Communication::StampStartTime()
{
    StartTimeStamp = QDateTime::currentDateTime().toString(QStringLiteral("MM-dd-yy_HH-mm-ss"));
}

QString Communication::LogFileName() const
{
    // The user name comes from the environment: keep it from naming another folder.
    QString user = UserName;
    for (QChar &c : user)
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 32)
            c = u'_';
    return QStringLiteral("SystemLogFile_") + user + u'_' + StartTimeStamp + QStringLiteral(".txt");
}

namespace {
// Holds the port for one transaction; see TKTComPort::SetTransactionOpen.
class TransactionHold
{
public:
    explicit TransactionHold(TKTComPort &port) : FPort(port) { FPort.SetTransactionOpen(true); }
    ~TransactionHold() { FPort.SetTransactionOpen(false); }
    TransactionHold(const TransactionHold &) = delete;
    TransactionHold &operator=(const TransactionHold &) = delete;

private:
    TKTComPort &FPort;
};
} // namespace

void Communication::Pause30ms()
{
    // The instrument needs a gap between lines. A plain sleep: no timer or control
    // handler is run with the transaction barely begun.
    QThread::msleep(30);
}

void Communication::WriteLogLine(const QString &line)
{
    if (!FLoggingEnabled)
        return;
    const QByteArray bytes = line.toLatin1() + "\r\n";
    // Flushed line by line: after a crash or a power loss the tail of the traffic is
    // exactly what is wanted.
    if (LogFile.write(bytes) != bytes.size() || !LogFile.flush())
        LogCannotBeWritten();
    else
        FLogWritten = true;
}

void Communication::SetLoggingEnabled(bool on)
{
    if (FLoggingEnabled == on)
        return;
    FLoggingEnabled = on;
    emit LoggingStateChanged(on);
}

void Communication::LogCannotBeWritten()
{
    // A log that not even its first line reached (a full disk) is not left behind empty.
    const bool empty = LogFile.isOpen() && !FLogWritten;
    LogFile.close();
    if (empty)
        LogFile.remove();
    SetLoggingEnabled(false);
    Notify(LogNotWritableText);
}

void Communication::Notify(const QString &text)
{
    if (OnNotice)
        OnNotice(text);
    else
        Dialogs().Information(text);
}

void Communication::ToggleLoggingState()
{
    if (FLoggingEnabled) {
        SetLoggingEnabled(false);
        LogFile.close();
        return;
    }
    SetLoggingEnabled(true);
    LogFile.close();
    LogFile.setFileName(LogFileName());
    FLogWritten = false;
    if (!LogFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        LogCannotBeWritten();
        return;
    }
    WriteLogLine(QStringLiteral("System Communication Log File ") + LocalDateTimeText());
}

QString Communication::QueryPort(const QByteArray &mnemonic)
{
    FLineWritten = false;
    FReplyMissed = false;
    // A transaction further up the call stack waits for its reply: leave its input alone.
    if (FComPort.InUse() || FComPort.Abandoned() || LinkGone())
        return QString();
    const TransactionHold hold(FComPort);
    Pause30ms();
    FComPort.Flush();
    LastCommand = mnemonic + '?';
    FLineWritten = FComPort.Write(LastCommand + "\r\n");
    WriteLogLine(QStringLiteral("Sent    (") + TimeStamp() + QStringLiteral("): ") +
                 Text(LastCommand));
    return ReadPort();
}

template <typename T>
T Communication::QueryNumber(const QByteArray &mnemonic,
                             std::optional<T> (*convert)(const QString &))
{
    QString reply = QueryPort(mnemonic);
    if (reply.isEmpty())
        reply = QStringLiteral("0");
    const std::optional<T> value = convert(TrimBoth(reply));
    if (!value) {
        WriteLogLine(QStringLiteral("Exception Error (") + TimeStamp());
        return 0;
    }
    return *value;
}

template <typename T>
std::optional<T> Communication::TryQueryNumber(const QByteArray &mnemonic,
                                               std::optional<T> (*convert)(const QString &))
{
    const QString reply = QueryPort(mnemonic);
    if (reply.isEmpty())
        return std::nullopt;
    const std::optional<T> value = convert(TrimBoth(reply));
    if (!value)
        WriteLogLine(QStringLiteral("Exception Error (") + TimeStamp());
    return value;
}

qint32 Communication::QueryPortInt(const QByteArray &mnemonic)
{
    return QueryNumber<qint32>(mnemonic, &TryStrToInt);
}

std::optional<qint32> Communication::TryQueryPortInt(const QByteArray &mnemonic)
{
    return TryQueryNumber<qint32>(mnemonic, &TryStrToInt);
}

quint32 Communication::QueryPortLow32(const QByteArray &mnemonic)
{
    return quint32(quint64(QueryPortWholeInt64(mnemonic))); // the low 32 bits
}

qint64 Communication::QueryPortWholeInt64(const QByteArray &mnemonic)
{
    return QueryNumber<qint64>(mnemonic, &TryStrToInt64);
}

QString Communication::CommandToPort(const QByteArray &command)
{
    FLineWritten = false;
    FReplyMissed = false;
    if (CommandsDisabled) {
        WriteLogLine(QStringLiteral("Command Disabled:    (") + TimeStamp() +
                     QStringLiteral("): ") + Text(command));
        return QString();
    }
    if (FComPort.InUse()) {
        WriteLogLine(QStringLiteral("Comport in use:    (") + TimeStamp() + QStringLiteral("): ") +
                     Text(command));
        return QString();
    }
    if (FComPort.Abandoned() || LinkGone())
        return QString();
    const TransactionHold hold(FComPort);
    Pause30ms();
    FComPort.Flush();
    LastCommand = command;
    FLineWritten = FComPort.Write(command + "\r\n");
    if (FTerminal)
        FTerminal->AppendTerminalLine(u'(' + TimeStamp() + QStringLiteral(") ") +
                                          TrimRight(Text(LastCommand)),
                                      TerminalSink::CommandColor);
    WriteLogLine(QStringLiteral("Sent    (") + TimeStamp() + QStringLiteral("): ") +
                 Text(LastCommand));
    return ReadPortToTerminal();
}

QString Communication::ReadPort()
{
    const QString reply = TrimRight(Text(FComPort.Read()));
    FReplyMissed = FComPort.TimedOut();
    if (!FReplyMissed)
        FSilenceIgnored = false;
    WriteLogLine(QStringLiteral("Received(") + TimeStamp() + QStringLiteral("): ") + reply);
    return reply;
}

QString Communication::ReadPortToTerminal()
{
    const QString reply = ReadPort();
    if (FTerminal)
        FTerminal->AppendTerminalLine(u'(' + TimeStamp() + QStringLiteral(") ") + reply,
                                      TerminalSink::ReplyColor);
    return reply;
}

QString Communication::NotSentText(int count)
{
    return count == 1 ? QStringLiteral("1 command was not sent.")
                      : QStringLiteral("%1 commands were not sent.").arg(count);
}

bool Communication::LinkGone() const
{
    return FLinkGone && FComPort.OpenGeneration() == FLinkGoneAtOpen;
}

void Communication::GiveUpLink()
{
    FLinkGone = true;
    FLinkGoneAtOpen = FComPort.OpenGeneration();
}

bool Communication::ReopenQuietly()
{
    const bool showErrors = FComPort.ShowErrors();
    FComPort.SetShowErrors(false);
    const bool opened = FComPort.Open();
    FComPort.SetShowErrors(showErrors);
    return opened;
}

void Communication::CommunicationTimeout()
{
    WriteLogLine(QStringLiteral("Timeout Error(") + TimeStamp() + u')');
    FComPort.Flush();
    if (GiveUpOnTimeout) {
        GiveUpLink();
        return;
    }
    // Asked once: the operation under way ends or goes on without asking again, and the
    // status poll asks again only once a reply has come in meanwhile. A device that
    // vanished is asked about, so that the link can be given up.
    if (FSilenceIgnored && FComPort.Opened())
        return;
    ReplyMissingNotAsked = false;
    if (OnReplyMissing && OnReplyMissing()) {
        FSilenceIgnored = FComPort.Opened() && !ReplyMissingNotAsked;
        FComPort.Flush();
        // The wait ends with the port closed only when the device vanished under it; if
        // it cannot be opened again, no later transaction can get an answer either.
        if (!FComPort.Opened() && !ReopenQuietly())
            GiveUpLink();
        return;
    }
    // Restart or exit, decided from inside the reply wait: the port is given up at
    // once, so that the interrupted transaction and every one its callers still start
    // end without waiting; the application ends once they have returned.
    FComPort.Abandon();
    if (OnLinkAbandoned)
        OnLinkAbandoned();
}
