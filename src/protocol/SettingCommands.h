#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The setting commands of the channel, system, trigger and gate controls: one builder
// per command, each giving the line the queue sends (without CR LF). The enumerated
// arguments are the readback's tokens chosen by item index, so a value read back and a
// value sent are spelled alike. An item index outside the token table (-1 for a list
// with nothing selected) gives an empty argument: the line ends with the mnemonic's
// blank.

// ---- Argument formats ------------------------------------------------------------------
// Fixed-point text with exactly `decimals` decimals, "." as separator, no grouping and no
// exponent, rounded halves away from zero. The half is judged on the shortest decimal
// text of the value (the digits the operator reads), not on its binary expansion, so
// 0.125 gives "0.13" although the double is a hair below or above. A result that rounds
// to zero carries no sign.
QString FormatFixed(double value, int decimals);
QString FormatSeconds(double seconds); // delay, width: "0.00000000000"
QString FormatPeriod(double seconds);  // the system period: "0.000000000"
QString FormatVolts(double volts);     // amplitude, thresholds: "0.00"

// A count field: the value rounded to the nearest integer, halves to the even neighbour,
// reduced to its low 32 bits (the width of the mirror field and of the instrument's
// counters). Read it as qint32 for the signed counts, as quint32 for the unsigned ones.
quint32 RoundCount(double value);

QString TokenAt(const QStringList &tokens, int index);

// Command tokens of the system lists, by item index. The sync output, output clock and
// counter source send the tokens the instrument answers with; the input clock's system
// oscillator is set as "SYS" although it is reported as "INT".
const QStringList &SyncOutputCommandTokens();    // T0 Ch1 Ch2 Ch4 Ch6 TRIG GATE
const QStringList &InputClockCommandTokens();    // SYS 10 20 25 30 40 50 60 80
const QStringList &OutputClockCommandTokens();   // T0 10 20 25 30 40 50 60 80 100
const QStringList &CounterSourceCommandTokens(); // T0 CH1 CH6 CH8 CH10

// The multiplexer mask of a channel's check list: bit i for checked item i, for the
// MuxItemCount(channelCount) items the list holds.
qint32 MuxMask(const QList<bool> &checked, int channelCount);

// ---- Channel commands (":PULS" + channel + mnemonic + argument) ---------------------------
QString ChEnableCommand(int chnum, bool on);
QString ChDelayCommand(int chnum, double seconds);
QString ChWidthCommand(int chnum, double seconds);
QString ChModeCommand(int chnum, int item);
QString ChBurstCountCommand(int chnum, qint32 count);
QString ChWaitCountCommand(int chnum, qint32 count);
QString ChDutyOnCommand(int chnum, qint32 count);
QString ChDutyOffCommand(int chnum, qint32 count);
QString ChPolarityCommand(int chnum, int item);
QString ChOutputModeCommand(int chnum, int item);
QString ChAmplitudeCommand(int chnum, double volts);
QString ChMuxCommand(int chnum, qint32 mask);
QString ChControlCommand(int chnum, int item);
QString ChSyncSourceCommand(int chnum, int item);
QString ChGateModeCommand(int chnum, int item);
QString ChGateLogicCommand(int chnum, int item);

// ---- System commands -------------------------------------------------------------------
QString PeriodCommand(double seconds);
QString SystemModeCommand(int item);
QString SysBurstCountCommand(quint32 count);
QString SysDutyOnCommand(quint32 count);
QString SysDutyOffCommand(quint32 count);
QString SysCycleCountCommand(qint32 count);
QString AutoStartCommand(bool on);
QString SyncOutputCommand(int item);
QString InputClockCommand(int item);
QString OutputClockCommand(int item);
QString ShotCountEnableCommand(bool on);
QString ClearShotCountCommand();
QString CounterSourceCommand(int item);
// ":PULS0:STAT ON" / "OFF", and the query of the run state (without "?").
QString RunCommand(bool on);
QString RunStateQuery();
// The shot count's query (without "?").
QString ShotCountQuery();
// Save the settings to a bin, recall them from one.
QString SaveBinCommand(int bin);
QString RecallBinCommand(int bin);

// ---- Trigger and gate inputs (input 1 or 2) ------------------------------------------------
// Mode and level of a gate use the long form ":GATEn:", its logic and debounce the short
// form ":GATn:". The second gate has no level of its own: the shared threshold of input 2
// is set with TriggerLevelCommand(2, ...).
QString TriggerModeCommand(int input, int item);
QString TriggerEdgeCommand(int input, int item);
QString TriggerDebounceCommand(int input, int item);
QString TriggerLevelCommand(int input, double volts);
QString GateModeCommand(int input, int item);
QString GateLogicCommand(int input, int item);
QString GateDebounceCommand(int input, int item);
QString GateLevelCommand(int input, double volts);

// ---- Service commands --------------------------------------------------------------------
// The calibration factors: the amplifiers of trigger 1, input 2 (trigger 2 and gate 2
// share one) and gate 1, and each channel's width, delay, amplitude gain and offset.
enum class TCalInput
{
    Trigger1,
    Trigger2,
    Gate1
};
enum class TCalFactor
{
    Width,
    Delay,
    Gain,
    Offset
};
// A factor's mnemonic is its query (the transaction appends "?"); its command is the
// mnemonic, a blank and the value.
QString InputCalMnemonic(TCalInput input, TCalFactor factor); // Gain, Offset
QString ChCalMnemonic(int chnum, TCalFactor factor);
QString InputCalCommand(TCalInput input, TCalFactor factor, qint32 value);
QString ChCalCommand(int chnum, TCalFactor factor, qint32 value);
// "*STR n": store the calibration factors.
QString StoreCalibrationCommand(int slot);
// "*OPT": the instrument optimizes its calibration factors.
QString OptimizeCalibrationCommand();
// The serial number and the badge ("KT" 1, "MRD" 2 and the channel count), and their
// queries (without "?").
QString SerialNumberCommand(qint32 serial);
QString SerialNumberQuery();
QString BadgeCommand(int badgeIndex, int channelCount);
QString BadgeQuery();
// The settings line of a badge reply as read back (":SYST:BAD " + the reply).
QString BadgeLine(const QString &reply);
// The service unlock (":SYST:SEC 48213") and the security state's query.
QString UnlockCommand();
QString SecurityQuery();

// Whether a line is one of the service commands above or their queries (the unlock,
// calibration factors, storing or optimizing them, the serial number, the badge), in
// any letter case and with the levels' long forms (":SYSTEM:SECURITY"), which the
// instrument's parser takes as well. Setting commands, bins and the identity are not.
bool IsServiceCommand(const QString &line);
