#pragma once

// The instrument as the program knows it, apart from any window: the link and its
// transactions, the command queue and its task tick, the status poll, the recall, the
// refresh and the configuration read-back, with every flag that keeps them apart; and the
// instrument's state: identity, the mirrors of every setting, the timing limits, the run
// state and shot count, the text images of its settings and calibration.
//
// It asks no one. What a front end must decide or show is reported through signals, each
// raised synchronously from the call that found it (a reply wait may be under way further
// up the call stack): the window asks its questions there, the command-line tool ends with
// an exit code, a device server changes its state. Connect to them directly.
//
// One session per instrument, living on the thread that talks to the instrument. The
// operations are in one file per concern (InstrumentSession_<Concern>.cpp).

#include "comm/PortOpenFailure.h"
#include "comm/TerminalSink.h"
#include "protocol/LoadOutcome.h"
#include "protocol/ConfigRecords.h"
#include "protocol/ConfigurationQueries.h"
#include "protocol/SettingCommands.h"
#include "protocol/TChannelConfigs.h"
#include "protocol/TIdentityRecord.h"
#include "protocol/TSystemMirrors.h"
#include "protocol/TTimingLimits.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class CommandScriptReplay;
class Communication;
class ConfigurationReader;
class QTimer;
class TKTComPort;
struct TSettingRow;

// The system settings that have no mirror of their own.
struct TSystemValues
{
    TSystemCounts Counts; // burst, duty-cycle on and off, cycle count of the system record
    // The thresholds of records 90 to 93. Trigger 2 and gate 2 share one threshold: the
    // entries of records 91 and 93 stand for the same input, record 93's read last.
    std::array<double, 4> Thresholds{};
    bool AutoStart = false;
    bool CounterEnabled = false;
    // Item indexes of the enumerated single-value settings; -1 for none (an input clock
    // of "100", which no item offers).
    int InputClock = 0;
    int OutputClock = 0;
    int SyncOutput = 0;
    int CounterSource = 0;
};

// The badge and the input amplifiers' calibration factors as last read back or set (the
// channels' factors are in the channel configurations).
struct TCalibrationValues
{
    qint32 BadgeIndex = 0;
    qint32 BadgeChannels = 0; // the count the badge reply names; 0 when it names none
    qint32 Trigger1Gain = 0;
    qint32 Trigger1Offset = 0;
    qint32 Trigger2Gain = 0; // the amplifier input 2 shares with gate 2
    qint32 Trigger2Offset = 0;
    qint32 Gate1Gain = 0;
    qint32 Gate1Offset = 0;
    qint32 &Input(TCalInput input, TCalFactor factor);
};

// How a settings file's load ended.
struct TLoadResult
{
    int Sent = 0;           // command lines that left the port
    bool Cancelled = false; // CancelLoad ended the replay early
    bool LinkGone = false;  // the instrument was lost: no read-back followed
    bool ReadBack = false;  // the read-back that follows the replay completed
    // The replies: lines refused (an "ERR" reply) or not answered, and, once the
    // read-back completed, the file's settings it does not confirm.
    TLoadOutcome Outcome;
    // What the operator is told: "Settings loaded." when every line went out and was
    // accepted, and the read-back completed and confirms the file; "Loading was
    // cancelled: k of the file's n command lines were sent."; or the failure (Failed):
    // a file without command lines, the lines refused or not answered with the
    // differences the read-back found (Outcome.Text()), or the lines sent and why the
    // read-back did not complete. Empty when the link was lost (the replay already said
    // how many lines were not sent) or the session ended.
    QString Message;
    bool Failed = false;
};

// Why the link failed, for the front end to tell or act on.
struct TLinkFault
{
    enum TKind
    {
        Timeout,  // the instrument did not answer within the response time
        PortLost, // the serial device vanished (unplugged adapter)
    };
    TKind Kind = Timeout;
    int Port = 0;   // the "COM" number
    QString Line;   // the line whose reply was awaited, as sent; empty for the poll's finding
    QString Text;   // one sentence saying what happened
    // The poll's finding: why the port could not be opened again (permission, in use,
    // missing), as the system tells it.
    PortOpenFailure OpenFailure;
};

class InstrumentSession : public QObject
{
    Q_OBJECT
public:
    explicit InstrumentSession(QObject *parent = nullptr);
    ~InstrumentSession() override;

    // ---- The link -------------------------------------------------------------------
    // The serial component with its stored settings (115200 baud, no handshaking, no
    // parity, 4000 ms to answer, COM1 until the scan chooses) and the transactions on it.
    // The front end wires the terminal.
    TKTComPort *const ComPort;
    Communication *const Comm; // its terminal echo goes to TerminalLine
    // No instrument: nothing is polled or read back.
    bool DemoMode = false;
    // The software version the settings files' caption line names.
    QString SoftwareVersion;

    // ---- Identity -------------------------------------------------------------------
    TIdentityRecord Identity; // read once by the scan, never again
    // Channels of the connected model. One until the initialization knows the model, so
    // that every loop over 1..ChannelCount finds its entries.
    int ChannelCount = 1;
    bool SystemUnsecured = false; // the security state read back: 0 = unsecured

    // ---- Settings -------------------------------------------------------------------
    TSystemMirrors Mirrors; // SystemRunning, SystemPeriod, SystemMode, the input modes ...
    TSystemValues SystemValues;
    TChannelConfigs ChannelConfigs;
    TTimingLimits TimingLimits;
    QStringList SettingsList;    // the instrument's settings as text lines
    QStringList CalibrationList; // the lines of the last calibration readback
    TCalibrationValues Calibration;
    // The identity caption of the latest initialization (" Model 7310-36  SW Version: ...").
    QString Caption;
    // Caption, and while the latest read-back is incomplete, which query failed:
    // "...  - VALUES INCOMPLETE: "*CFG?3?" could not be read".
    QString CaptionWithReadbackState() const;

    // Why the latest read-back of the configuration did not complete ("The reply to
    // "*CFG?3?" cannot be read: ..."); empty once one completes. Until then the mirrors of
    // the records not read hold template or stale values.
    QString ReadbackFailure;
    QString ReadbackFailedQuery; // "*CFG?3?"; empty when no one query failed

    // ---- One setting (InstrumentSession_Settings.cpp) --------------------------------
    // The state's value of the setting of a row of the setting table (for a channel row,
    // of channel number), as SettingCommand takes it: seconds, volts, a count, an item
    // index, 0 or 1, a mask. Nothing for a row the state does not hold.
    std::optional<double> SettingValue(const TSettingRow &row, int number = -1) const;
    // A front end's change: the state takes the value (a count rounded as the instrument
    // takes it), SettingChanged follows, then the row's one command goes to the queue.
    // The front end has applied its rules (resolution, availability) before. False, and
    // nothing sent, for a row the state does not hold.
    bool ChangeSetting(const TSettingRow &row, double value, int number = -1);
    // The values a row takes now: a time's limits and step follow the timing limits, a
    // count's greatest value too; a list's item indexes, a switch's 0 and 1, the mask
    // bits of the connected model's multiplexer items.
    struct TSettingRange
    {
        double Min = 0;
        double Max = 0;
        double Step = 0; // a time's grid; 0 for the others
    };
    TSettingRange SettingRange(const TSettingRow &row) const;
    // Why the window would not send this change now, for a front end without controls:
    // a time off the instrument's grid, a value outside SettingRange (a list item the
    // model lacks), or a setting whose control the window greys out in the present modes.
    struct TChangeRefusal
    {
        enum TKind
        {
            None,
            NoSuchSetting, // a row the state does not hold, a channel the model lacks
            OffGrid,
            OutOfRange,
            NotAvailable,
        };
        TKind Kind = None;
        QString Text; // one sentence without the setting's name
    };
    TChangeRefusal ChangeRefusal(const TSettingRow &row, double value, int number = -1) const;

    // ---- Run state and shot count ---------------------------------------------------
    bool Running() const { return Mirrors.SystemRunning; }
    // The run state as learned (poll, read-back) or set (start, stop): RunStateChanged
    // follows every call, so that a view that missed an earlier one catches up.
    void SetRunState(bool running);
    // The shot count as the window shows it: the low 32 bits of the instrument's count.
    quint32 ShotCount() const { return quint32(FShotCount); }
    // The instrument's whole 64-bit count.
    qint64 WholeShotCount() const { return FShotCount; }
    void SetShotCount(qint64 count);
    // Start and stop the output: the run state at once, the line through the queue.
    void SystemStart();
    void SystemStop();

    // ---- Command queue and task tick (InstrumentSession_Queue.cpp) -------------------
    // Commands waiting for the next drain, in arrival order. The queue grows as needed:
    // nothing is refused, and commands queued during a drain (through the event dispatch
    // of a reply wait) go out behind the ones already waiting, in the same drain.
    QStringList CommandQueue;
    int QueueCount = 0; // the commands in CommandQueue
    bool CommandsQueued = false;
    bool TaskRunning = false;
    bool StatusPollRunning = false;
    bool CalibrationLoadPending = false;
    bool CalibrationRetrievePending = false;
    bool RecallPending = false;
    int RecallBin = 0;
    bool ReinitializePending = false;
    QTimer *const TaskTimer;   // 5 ms, runs only while TasksPending
    QTimer *const StatusTimer; // 1000 ms

    // Hands one command line (no CR LF) to the queue and returns at once; dropped while
    // an initialization reads the configuration (commands are disabled then).
    void QueuedCommandToPort(const QString &command);
    void TaskTimerTimer();
    void ProcessTasks();
    // Queued commands, a recall or a re-initialization wait for the task tick, which
    // runs only while this holds.
    bool TasksPending() const;
    // "*RCL bin" and the whole read-back, and the read-back alone (Refresh), on the next
    // task tick.
    void RequestRecall(int bin);
    void RequestRefresh();
    // The end of the program was asked for while commands were queued: the poll stops,
    // the queue goes out (an instrument that stops answering now is given up at its first
    // time-out without asking), and QueueFinished reports what was not sent. False when
    // there is nothing to send, or nothing can be sent.
    bool FinishQueue();
    bool Finishing() const { return FFinishing; }

    // ---- Status poll (InstrumentSession_Status.cpp) -----------------------------------
    void StatusTimerTimer();
    void UpdateStatus();
    void SetStatusTimerEnabled(bool enabled);
    // Whether a view shows the shot count now: the poll reads it only then. Unset: always.
    std::function<bool()> ShotCountShown;

    // ---- Configuration read-back (InstrumentSession_Readback.cpp) ----------------------
    // The whole configuration read into the state, SettingsList rebuilt. True when every
    // reply was read; otherwise ReadbackFailure says why, reported through Failure unless
    // report is false (the caller then reports it with what it meant to do).
    bool Initialize(bool report = true);
    // One record read again into the state.
    void ParseSystemParameters();
    void ParseTrigGateParameters();
    void ParseChannelParameters(int chnum);
    // The reader of the configuration queries, appending to SettingsList and giving up
    // when the session ends.
    ConfigurationReader ReadbackReader();
    // A setting command that reached the instrument outside the queue (a terminal's line)
    // and was accepted: the state and SettingsList take its value as a read-back would
    // report it, and ConfigurationChanged follows. False, and nothing changed, for a line
    // that sets nothing the read-back reports (a channel the model lacks included) or a
    // value the read-back could not read.
    bool TakeSettingLine(const QString &line);

    // ---- Settings file (InstrumentSession_SettingsFile.cpp) ----------------------------
    // The settings read back and written as a command script. Empty on success; else why
    // nothing was written (a read-back that did not complete writes no file: "<why> The
    // settings were not saved.") or the writer's error (the earlier file is kept).
    QString SaveSettings(const QString &fileName);
    // SettingsList as it is, written; the writer's error or empty.
    QString WriteSettings(const QString &fileName) const;
    // The file's lines replayed to the instrument (paced, comments skipped), then the
    // whole configuration read back. SettingsList becomes the file until that read-back
    // rebuilds it. Progress goes to LoadProgress. A file without command lines is
    // neither replayed nor followed by a read-back; its message names fileName.
    TLoadResult LoadSettings(const QStringList &lines, const QString &fileName = QString());
    // Ends a running load before its next line; the read-back still follows.
    void CancelLoad();
    bool Loading() const;
    // A file operation, a recall or a read-back must not start inside one already under
    // way further up the call stack (a reply wait, a drain, an initialization, a replay):
    // it would read back with the port busy or have its lines dropped as "Comport in use".
    bool PortBusy() const;
    // The same without the replay: a poll, a transaction's reply wait, a drain or an
    // initialization (commands disabled) under way further up the call stack.
    bool TransactionsBusy() const;

    // ---- Calibration (InstrumentSession_Calibration.cpp) --------------------------------
    // Empty once the latest calibration read-back completed; why it did not otherwise.
    QString CalibrationFailure = QStringLiteral("not read yet");
    enum TCalibrationRead
    {
        CalibrationRead,      // every factor read: CalibrationList is a whole backup
        CalibrationDeferred,  // the port is busy further up the call stack: try again later
        CalibrationFailed,    // a reply that is no number (CalibrationFailure says which)
        CalibrationAbandoned, // the session ended
    };
    // The serial number, the badge and every factor read into the state and
    // CalibrationList, for channels 1 to channels (-1: every channel). A reply that is no
    // number (or none) ends it there, reported through Failure unless report is false.
    // Never inside a poll, an initialization or a drain, nor inside another transaction's
    // reply wait (every query would come back empty): CalibrationDeferred, with
    // CalibrationRetrievePending left set for the front end's retry.
    TCalibrationRead RetrieveCals(bool report = true, int channels = -1);
    // The service code's unlock as the instrument takes it: the unlock line, then the
    // security query, whose answer sets SystemUnsecured. False, with the reason in
    // UnlockFailure, when the instrument still reports itself secured.
    bool Unlock();
    QString UnlockFailure;
    // A calibration file's lines replayed, then the calibration read back. Message as for
    // LoadSettings.
    TLoadResult LoadCalibrations(const QStringList &lines, int channels = -1);

    // ---- The end ---------------------------------------------------------------------
    // Restart or exit was decided: timers stop, the port is given up (a reply wait under
    // way ends at once, the transactions the interrupted call chain still starts return at
    // once) and every operation under way stops at its next step.
    void Terminate();
    bool Terminating() const { return FTerminating; }
    // No transaction can reach the instrument any more: the port was given up (a missing
    // reply not ignored) or the link is gone (Communication::LinkGone).
    bool LinkLost() const;

    // The answer to a reply that did not come.
    enum TReplyMissingAnswer
    {
        IgnoreMissingReply, // take the partial reply and go on
        AskLater,           // nobody could be asked now: the same, and the next one asks
        RestartProgram,     // give the port up; the front end restarts
        EndProgram,         // give the port up; the front end ends
    };

signals:
    void RunStateChanged(bool running);
    // A line for the command terminal ("(hh:nn:ss.zzz) text"): a command sent (black) or
    // a reply read (green), colour as 0xRRGGBB.
    void TerminalLine(const QString &line, uint32_t rgb);
    // A front end changed this setting (name as in the setting table; number the channel
    // of a channel setting).
    void SettingChanged(const QString &name, int number);
    void ShotCountChanged(quint32 count);
    // The mirrors may have changed: raised once a command has been queued and at the end
    // of every read-back. Views that draw the configuration follow it; nothing is sent.
    void ConfigurationChanged();

    // A reply did not come within the response time, or the device vanished under the
    // open port, during a transaction. Set answer (EndProgram unless changed); with
    // RestartProgram or EndProgram the port is given up before LinkAbandoned.
    void ReplyMissing(const TLinkFault &fault, InstrumentSession::TReplyMissingAnswer &answer);
    void LinkAbandoned(bool restart);
    // The status poll could not open the port again: it is gone. The poll goes on (and
    // reports again) unless the front end ends the session.
    void PortLost(const TLinkFault &fault);
    // A drain could not send these commands (the link is gone).
    void CommandsNotSent(int count);
    // FinishQueue's drain is over; notSent commands did not go out.
    void QueueFinished(int notSent);
    // A poll ended (nothing is under way on the port).
    void PollEnded();
    // An operation failed with this message (the read-back when asked to report).
    void Failure(const QString &message);
    // Something the operator is to be told that is no failure of an operation: the log
    // cannot be written, a replay's lines that were not sent once the link was gone.
    void Notice(const QString &text);

    // The read-back: started (commands disabled; showProgress for a recall or refresh),
    // the identity texts and channel count known, progress text, the timing limits reset,
    // each value read into the state in order, the read-back state, and the end (commands
    // enabled, the poll running again). Each value is reported as soon as it is stored,
    // before the next one is split off, so that a view showing it is in step with the
    // state also when a later field cannot be read.
    void InitializeStarted(bool showProgress);
    void IdentityKnown(const TIdentityTexts &texts);
    void InitializeProgress(const QString &text);
    // The timing limits are known for the first time or differ from the ones last
    // reported; before any value is read into the state.
    void TimingLimitsChanged();
    void SystemFieldRead(TSystemField field);
    void InputFieldRead(int record, TInputField field);
    void ChannelFieldRead(int chnum, TChannelField field, bool matched);
    void ChannelRecordRead(int chnum);
    // A single-value query's reply; changed is false when the reply matched no item and
    // the value was kept.
    void QueryRead(TConfigItem item, bool changed);
    void ReadbackStateChanged();
    void InitializeEnded(bool showProgress);
    // The calibration read-back: started (commands disabled), progress text, each value
    // stored, and its end (complete or not; commands allowed again).
    void CalibrationReadStarted();
    void CalibrationProgress(const QString &text);
    void SerialNumberRead();
    void BadgeRead();
    void InputCalibrationRead(TCalInput input, TCalFactor factor);
    void ChannelCalibrationRead(int chnum, TCalFactor factor);
    void CalibrationReadEnded();
    // A settings file's load: done of count lines handled; the replay over (the read-back
    // follows unless the link is gone).
    void LoadProgress(int done, int count);
    void LoadReplayEnded();

private:
    void ComPortTimeout();
    void ReadInstrumentSettings();
    void ApplyConfigurationReply(const TConfigQuery &query, const TConfigReply &reply);
    void ApplySystemRecord(const QString &reply);
    void ApplyInputRecord(int record, const QString &reply);
    void ApplyChannelRecord(int chnum, const QString &reply);

    void EndRetrieve();
    TCalibrationRead FailRetrieve(const QString &failure, bool report);

    struct TerminalEcho : TerminalSink
    {
        InstrumentSession *Session = nullptr;
        void AppendTerminalLine(const QString &line, uint32_t rgb) override
        {
            emit Session->TerminalLine(line, rgb);
        }
    } FTerminalEcho;
    CommandScriptReplay *FReplay = nullptr; // lives as long as the session
    CommandScriptReplay *FCalibrationReplay = nullptr;
    bool FLoadCancelled = false;
    qint64 FShotCount = 0;
    bool FTerminating = false;
    bool FFinishing = false;
    QString FAskedQuery; // the read-back's latest query as it went out
    std::optional<TTimingLimits> FReportedTimingLimits; // as TimingLimitsChanged last told
};
