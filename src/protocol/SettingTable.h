#pragma once

#include "protocol/ModelTable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// One row per setting of the instrument: where the configuration records report it, how
// the command that sets it is spelled, what kind of value it takes and how that value is
// written, the tokens and the operator's labels of an enumerated setting, and its limits.
// The command builders, the record readers, the single-value queries, the comparison of
// a settings file with the instrument and the timing diagram's labels are derived from
// these rows.

// The multiplexer items a channel's list holds: five on models with more than 6 channels
// (12, 24, 36), four on the 6-channel models, whose lists lack the fifth item; bit 4 of a
// mask is then neither shown nor sent.
int MuxItemCount(int channelCount);

enum class TSettingScope
{
    System,  // ":PULS0", ":SYST", ":COUN"
    Input,   // trigger 1 and 2, gate 1 and 2
    Channel, // ":PULSn" for channel n; the record is the channel's own
};

enum class TSettingKind
{
    Time,   // seconds, fixed-point with Decimals decimals, halves away from zero
    Count,  // an integer, sent as its decimal text
    Volts,  // fixed-point with Decimals decimals, halves away from zero
    Token,  // item index of a list, sent as CommandTokens[index]
    Switch, // off/on, sent as CommandTokens[0] or [1]
    Mask,   // bit i for multiplexer item i, sent as its decimal text
};

// The limit of TTimingLimits a time or count setting follows at run time.
enum class TLimitField
{
    None,
    Period,        // PeriodMin .. PeriodMax, step PeriodIncrement
    Delay,         // DelayMin .. DelayMax, step DelayIncrement
    Width,         // WidthMin .. WidthMax, step WidthIncrement
    SysBurst,      // .. SysBurstMax
    SysDuty,       // .. SysDutyMax
    SysCycleCount, // .. SysCycleCountMax
    ChBurst,       // .. ChBurstMax
    ChDuty,        // .. ChDutyMax
    ChWaitCount,   // .. ChWaitCountMax
};

constexpr int NoRecord = -1;
constexpr int NoField = -1;

struct TSettingRow
{
    QString Name; // attribute name; a channel setting's name carries no channel number
    TSettingScope Scope = TSettingScope::System;
    int Record = NoRecord; // NoRecord for the ":SYST" and ":COUN" settings; for a channel setting 0
    int Field = NoField; // position in the record, NoField when not in a record
    // The command is Prefix, then Number (for a channel: the channel's), then Mnemonic, a
    // blank and the argument. The second gate's threshold is the shared threshold of
    // input 2 and is set as trigger 2's.
    QString Prefix;   // ":PULS", ":SYST", ":TRIG" ...
    int Number = -1; // -1: none (":SYST:AUT"); for a channel row the channel is given
    QString Mnemonic; // ":DEL", ":OUTP:POL" ...
    // The name a comparison of settings reports the field or value under: for a record
    // field its mirror's name ("DutyOnCount", "MuxMask", "Edge"), for a single value the
    // read-back's ("ShotCounter").
    QString ReportName;
    // A setting outside the records: the query that reports it (without "?"), spelled
    // as the read-back asks it (":SYST:ICLOCK", where the command is ":SYST:ICL").
    QString Query;
    TSettingKind Kind = TSettingKind::Count;
    int Decimals = 0;     // Time and Volts
    bool Unsigned = false; // Count: read and sent as 32-bit unsigned
    // The reply is one of ReadTokens: every Token row, and the run state, whose "0" and
    // "1" are matched as tokens (anything else leaves it). Otherwise the reply is a
    // number; such a switch is read as the integer it holds (only 1 means on).
    bool TokenReply = false;
    QStringList ReadTokens;    // Token and Switch: the record's or the query's reply per index
    QStringList CommandTokens; // Token and Switch: the argument sent per index
    QStringList Labels;        // Token: the list's entries the operator sees
    QString Unit;              // "s", "V" or empty
    // Fixed limits (Volts, Mask). A count's least value is Min, its greatest follows
    // Limit; a time's limits follow Limit.
    double Min = 0;
    double Max = 0;
    TLimitField Limit = TLimitField::None;
};

// Every row: the system record (fields 0 to 6), the ":SYST" and ":COUN" settings, the
// four input records and the 16 fields of a channel record, in that order.
const QList<TSettingRow> &SettingTable();
// The row of that name and scope; throws std::out_of_range for an unknown name.
const TSettingRow &SettingRow(TSettingScope scope, const QString &name);
// The rows of one record in field order: 0 the system's, 90 to 93 the inputs', and any
// channel number for the channel record.
QList<const TSettingRow *> RecordRows(int record);

// The command's head: Prefix and number (the row's Number when number is -1), ":PULS3",
// ":TRIG2", ":SYST". The calibration factors of an input or channel are addressed by it.
QString SettingHead(const TSettingRow &row, int number = -1);

// The argument text of value for row: a time or voltage with the row's decimals, a count
// or mask as an integer (value truncated to 64 bits; counts are passed already rounded),
// a token or switch by index (empty when the index is outside the table).
QString SettingArgument(const TSettingRow &row, double value);
// The command line setting row to value; number replaces the row's Number (the channel
// for a channel row, the input for an input row); -1 keeps it.
QString SettingCommand(const TSettingRow &row, double value, int number = -1);
