#pragma once

// Setting command lines read back: which value of the configuration read a command line
// of a settings file sets (":PULS3:DEL 0.00000200000" sets channel 3's Delay), and the
// value it sets, spelled as the read-back reports it. The commands are those the panel's
// controls send (SettingCommands), spelled as the panel spells them.

#include "protocol/ConfigurationQueries.h"

#include <QString>
#include <optional>

struct TSettingCommandLine
{
    // The record (its query's Record) and the field index (RecordFieldNames), or a
    // single value (Record -1, Field -1).
    TConfigQuery Query;
    int Field = -1;
    QString Value; // as the read-back would report it ("1" for "ON", "INT" for "SYS")
};

// Nothing for a line that is not such a command (a record or single-value settings
// line, a comment, anything else).
std::optional<TSettingCommandLine> ParseSettingCommand(const QString &line);
