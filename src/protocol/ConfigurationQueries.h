#pragma once

// The configuration read from the instrument: which queries, in which order, and the
// settings line each reply becomes. Both front ends (the window's initialization and the
// command-line tool) read the instrument through this one list, so that a settings file
// is the same whichever of them wrote it.
//
// The settings list of a full read holds, in this order: the date line, the caption line
// and the three identity lines (all comments), then one line per kept query below.

#include "protocol/TIdentityRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

enum class TConfigItem
{
    SystemRecord,  // "*CFG? 0"
    InputRecord,   // "*CFG? 90" to "*CFG? 93": trigger 1, trigger 2, gate 1, gate 2
    SecurityState, // ":SYST:SEC", 0 = unsecured; no settings line
    AutoStart,     // ":SYST:AUT"
    InputClock,    // ":SYST:ICLOCK"
    OutputClock,   // ":SYST:OCL"
    SyncOutput,    // ":SYST:SYNC"
    CounterEnable, // ":COUN:STAT"
    CounterSource, // ":COUN:SEL"
    ChannelRecord  // "*CFG?" + n
};

struct TConfigQuery
{
    TConfigItem Item;
    int Record = -1;     // the record number of a record query, -1 otherwise
    QByteArray Mnemonic; // as handed to the transaction, which appends the "?"
    bool Numeric;        // asked as a number (a reply that is no number reads 0)
    bool Kept;           // recorded in the settings list
    QString Name;        // the field's name in reports ("AutoStart")
};

// A reply as the readback uses it: the text as received, or the number a numeric query
// read and its decimal text.
struct TConfigReply
{
    QString Text;
    qint32 Number = 0;
};

// Every query of a full read for a model with channelCount channels, in order: the
// system record, the four input records, the seven single-value queries, then one record
// per channel 1 to channelCount.
QList<TConfigQuery> ConfigurationQueries(int channelCount);
// The query for one record: 0, 90 to 93, or a channel number.
TConfigQuery RecordQueryFor(int record);

// The settings line of a kept query: "*CFG " + record + " " + reply for a record,
// mnemonic + " " + reply text otherwise (a number in decimal).
QString SettingsLine(const TConfigQuery &query, const TConfigReply &reply);

// A settings line taken apart again: the query it stands for and the value it carries.
// Lines that are not record or single-value setting lines (comments, other commands)
// give nothing.
struct TParsedSettingsLine
{
    TConfigQuery Query;
    QString Value;
};
std::optional<TParsedSettingsLine> ParseSettingsLine(const QString &line);

// The texts that describe the instrument, as the window shows them and the settings list
// records them.
struct TIdentityTexts
{
    QString Caption;      // company + " Model " + model + "  SW Version: " + ... + " Baud: " + b
    QString SerialNumber; // "Serial Number: 4711"
    QString Firmware;     // "Firmware Ver: 3.01"
    QString FPGA;         // "FPGA Ver: 2.07"
};
TIdentityTexts IdentityTexts(const TIdentityRecord &identity, const QString &softwareVersion,
                             int port, int baud);
// port as named on the network ("rfc2217://10.0.0.5:4001") in place of the "COM" number
TIdentityTexts IdentityTexts(const TIdentityRecord &identity, const QString &softwareVersion,
                             const QString &port, int baud);

// "// " + the local date and time: the first line of every settings list.
QString SettingsDateLine();
// The caption line and the three identity lines, each "// " + its text.
QStringList SettingsIdentityLines(const TIdentityTexts &texts);
