#pragma once

#include "protocol/ChannelConfig.h"
#include "protocol/SettingTable.h"
#include "protocol/TSystemMirrors.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

// The configuration records: record n is channel n's, 0 the system's, 90 to 93 those of
// trigger 1, trigger 2, gate 1 and gate 2.
//
// The readers below take a record's reply apart field by field, strictly in order. Each
// field is stored in its mirror first and then reported, so that the main window sets
// that field's control from the mirror before the next field is split off. A numeric
// field that is empty or not a number throws EConvertError: the fields before it stay
// applied and the rest of the record is not read. An enumerated field whose token is not
// recognised keeps the mirror's previous value and is still reported (matched false).
//
// Each record's fields, their order, how each is read and its tokens are the setting
// table's rows (RecordRows). A number is read as its row's kind says: a time or voltage
// as a decimal number, a count as a 32-bit integer (an unsigned count as 64 bits reduced
// to its low 32), a mask and a switch that is no token as a 32-bit integer. The last
// field is the rest of the reply: a number there is read without its trailing blanks, a
// token must match as it stands.

// The query text handed to the transaction: "*CFG?3" for channel 3, "*CFG? 0" and
// "*CFG? 90" for the others (the transaction appends its own "?").
QString RecordQuery(int record);
// The settings line that stands for the whole record: "*CFG " + record + " " + reply.
QString RecordSettingsLine(int record, const QString &reply);
// A record's settings line taken apart: the record (0, 90 to 93, or a channel 1 to
// MaxChannels, spelled without sign or leading zero) and the reply after its blank (empty
// when there is none). Nothing for any other line.
struct TRecordSettingsLine
{
    int Record = 0;
    QString Reply;
};
std::optional<TRecordSettingsLine> ParseRecordSettingsLine(const QString &line);

// One field of a record as read: its row, and the number it holds or the item index of
// its token. Matched is false for a token not in the row's ReadTokens (Value is then -1).
struct TRecordField
{
    const TSettingRow *Row = nullptr;
    double Value = 0;
    bool Matched = true;
};
using TRecordFieldRead = std::function<void(const TRecordField &field)>;
// Reads any record (0, 90 to 93, or a channel number) field by field, reporting each one
// as soon as it is read; a malformed number throws EConvertError once the fields before
// it were reported. An unknown record throws std::invalid_argument.
void ReadRecord(int record, const QString &reply, const TRecordFieldRead &fieldRead);
// The same, all fields at once, in record order.
QList<TRecordField> ReadRecordFields(int record, const QString &reply);

// In field order; the setting table's channel rows are in the same order.
enum class TChannelField
{
    Enabled,
    Delay,
    Width,
    Mode,
    BurstCount,
    DutyOnCount,
    DutyOffCount,
    WaitCount,
    OutputMode,
    Polarity,
    Amplitude,
    MuxMask,
    ControlMode,
    SyncSource,
    GateMode,
    GateLogic
};
using TChannelFieldRead = std::function<void(TChannelField field, bool matched)>;
void ReadChannelRecord(const QString &reply, ChannelConfig &config,
                       const TChannelFieldRead &fieldRead);

// The system record's counts have no mirror; they go to their fields directly.
struct TSystemCounts
{
    quint32 BurstCount = 0; // read as 64-bit, low 32 bits unsigned
    quint32 DutyOnCount = 0;
    quint32 DutyOffCount = 0;
    qint32 CycleCount = 0;
};
enum class TSystemField
{
    RunState,
    Period,
    Mode,
    BurstCount,
    DutyOnCount,
    DutyOffCount,
    CycleCount
};
using TSystemFieldRead = std::function<void(TSystemField field, bool matched)>;
// The run state is "1" or "0"; anything else leaves SystemRunning (matched false).
void ReadSystemRecord(const QString &reply, TSystemMirrors &mirrors, TSystemCounts &counts,
                      const TSystemFieldRead &fieldRead);

// Field 2 is the edge for a trigger input and the logic for a gate input; the threshold
// has no mirror (trigger 2 and gate 2 share one threshold field).
enum class TInputField
{
    Mode,
    EdgeOrLogic,
    Threshold,
    Debounce
};
using TInputFieldRead = std::function<void(TInputField field, bool matched)>;
// record is 90, 91, 92 or 93.
void ReadInputRecord(int record, const QString &reply, TSystemMirrors &mirrors, double &threshold,
                     const TInputFieldRead &fieldRead);

// Whether multiplexer item `item` is checked in a mask; how many items a channel's list
// holds is MuxItemCount (SettingTable.h).
bool MuxItemChecked(qint32 muxMask, int item);
