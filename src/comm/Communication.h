#pragma once

// Transactions with the instrument: one line sent, one reply line read back, over the
// serial component; with the terminal echo and the optional communication log.

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class TerminalSink;
class TKTComPort;

class Communication : public QObject
{
    Q_OBJECT
public:
    explicit Communication(TKTComPort &comPort, QObject *parent = nullptr);
    ~Communication() override; // closes the log

    QString QueryPort(const QByteArray &mnemonic);      // sends mnemonic + "?"
    qint32 QueryPortInt(const QByteArray &mnemonic);    // 0 on failure
    // As QueryPortInt, but nothing for an empty reply or one that is no number.
    std::optional<qint32> TryQueryPortInt(const QByteArray &mnemonic);
    quint32 QueryPortLow32(const QByteArray &mnemonic); // low 32 bits of a 64-bit value
    qint64 QueryPortWholeInt64(const QByteArray &mnemonic); // the whole 64-bit value
    QString CommandToPort(const QByteArray &command);
    QString ReadPort();
    QString ReadPortToTerminal();
    // The instrument stopped answering, or the device vanished under the open port, while
    // a reply was awaited: the serial component's time-out handler calls this.
    void CommunicationTimeout();
    // Asked once per missing reply (unless GiveUpOnTimeout): true takes the partial reply
    // and goes on; false gives the port up for good, so that the interrupted transaction
    // and every one its callers still start end without waiting, and OnLinkAbandoned
    // follows. Unset: the port is given up.
    std::function<bool()> OnReplyMissing;
    // Set by OnReplyMissing when it took the partial reply without asking anyone (a dialog
    // was open): the silence is not taken as ignored, and the next missing reply asks.
    bool ReplyMissingNotAsked = false;
    std::function<void()> OnLinkAbandoned;
    // What the operator is to be told (the log cannot be written, commands that were not
    // sent): handed to OnNotice when set, else shown as an information box.
    std::function<void(const QString &text)> OnNotice;
    void Notify(const QString &text);
    void ToggleLoggingState();

    // The port vanished and could not be opened again when a missing reply was ignored
    // (the operator's Ignore to "Communications lost. Restart?"): from then on every transaction returns at once
    // with an empty reply (a numeric query with 0), sending nothing and asking nothing,
    // so that the operation under way ends after that one answer instead of asking
    // again for each of its transactions. The state ends when the port is opened again
    // (the status poll tries every second). A present instrument that is only slow
    // never enters it: each of its time-outs asks again.
    bool LinkGone() const;
    // Whether the line of the latest QueryPort or CommandToPort left the port.
    bool LineWritten() const { return FLineWritten; }
    // Whether the reply of the latest QueryPort or CommandToPort that went out did not
    // come within the response time.
    bool ReplyMissed() const { return FReplyMissed; }
    // The operator ignored a missing reply of an instrument that stays on the open port,
    // and no reply has come in since: a further missing reply is taken as it is, without
    // asking (OnReplyMissing is not called), until a transaction reads its reply in time.
    // An operation under way learns of it from ReplyMissed and SilenceIgnored together
    // and ends, or goes on without asking.
    bool SilenceIgnored() const { return FSilenceIgnored; }
    // The program ends once the queue is sent: a time-out then gives the link up
    // (LinkGone) without asking, and the commands left are reported as not sent.
    bool GiveUpOnTimeout = false;
    // "12 commands were not sent." and its singular.
    static QString NotSentText(int count);

    void SetTerminal(TerminalSink *terminal);
    TKTComPort &ComPort() const { return FComPort; }

    bool CommandsDisabled = false;
    QByteArray LastCommand;
    QString UserName;       // USERNAME, or the login name where that is unset
    QString StartTimeStamp; // "MM-dd-yy_HH-mm-ss" of the start
    // The start-up takes the start time once the instrument is found (the scan can take
    // many seconds); until then StartTimeStamp holds the time these transactions were made.
    void StampStartTime();
    bool LoggingEnabled() const { return FLoggingEnabled; }
    QString LogFileName() const; // relative to the working folder

    // "hh:nn:ss.zzz" of now, as every log and terminal line shows it.
    static QString TimeStamp();

signals:
    // Logging was switched on or off (the "Logging Enabled" menu item follows it).
    void LoggingStateChanged(bool enabled);

private:
    // A numeric query: an empty reply reads as 0; a reply that is no number gives 0 and
    // an "Exception Error (" log line.
    template <typename T>
    T QueryNumber(const QByteArray &mnemonic, std::optional<T> (*convert)(const QString &));
    template <typename T>
    std::optional<T> TryQueryNumber(const QByteArray &mnemonic,
                                    std::optional<T> (*convert)(const QString &));
    void Pause30ms();
    void WriteLogLine(const QString &line);
    void SetLoggingEnabled(bool on);
    void LogCannotBeWritten();
    bool ReopenQuietly();
    void GiveUpLink();

    TKTComPort &FComPort;
    TerminalSink *FTerminal = nullptr;
    bool FLoggingEnabled = false;
    QFile LogFile;
    bool FLogWritten = false; // a line of the open log reached it
    bool FLinkGone = false;
    quint64 FLinkGoneAtOpen = 0; // the port's open generation when the link was given up
    bool FLineWritten = false;
    bool FReplyMissed = false;
    bool FSilenceIgnored = false;
};
