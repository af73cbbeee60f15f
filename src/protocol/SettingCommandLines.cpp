#include "protocol/SettingCommandLines.h"

#include "protocol/Conversions.h"
#include "protocol/SettingCommands.h"
#include "protocol/SystemQueryTables.h"

namespace {
// A value sent that the read-back spells otherwise: From[i] is reported as To[i].
struct Spelling
{
    QStringList From;
    QStringList To;
};

const Spelling &OnOff()
{
    static const Spelling s{{"ON", "OFF"}, {"1", "0"}};
    return s;
}

const Spelling &InputClock()
{
    static const Spelling s{InputClockCommandTokens(), InputClockTable().Tokens};
    return s;
}

// Head + number + Tail + value. A record field's line names its record by the number:
// record = RecordBase + number. A single value's line names no number (First -1) and
// becomes the settings line Settings + " " + value.
struct CommandRow
{
    const char *Head;
    int First;
    int Last;
    const char *Tail;
    int RecordBase;
    int Field;
    const Spelling &(*Spelled)();
    const char *Settings;
};

// clang-format off
const CommandRow CommandTable[] = {
    // Channels 1 to 36; the fields of their record in record order.
    {":PULS", 1, 36, ":STAT ",      0,  0, &OnOff, nullptr},
    {":PULS", 1, 36, ":DEL ",       0,  1, nullptr, nullptr},
    {":PULS", 1, 36, ":WIDT ",      0,  2, nullptr, nullptr},
    {":PULS", 1, 36, ":MOD ",       0,  3, nullptr, nullptr},
    {":PULS", 1, 36, ":BCO ",       0,  4, nullptr, nullptr},
    {":PULS", 1, 36, ":PCO ",       0,  5, nullptr, nullptr},
    {":PULS", 1, 36, ":OCO ",       0,  6, nullptr, nullptr},
    {":PULS", 1, 36, ":WCO ",       0,  7, nullptr, nullptr},
    {":PULS", 1, 36, ":OUTP:MOD ",  0,  8, nullptr, nullptr},
    {":PULS", 1, 36, ":OUTP:POL ",  0,  9, nullptr, nullptr},
    {":PULS", 1, 36, ":OUTP:AMPL ", 0, 10, nullptr, nullptr},
    {":PULS", 1, 36, ":MUX ",       0, 11, nullptr, nullptr},
    {":PULS", 1, 36, ":CONT ",      0, 12, nullptr, nullptr},
    {":PULS", 1, 36, ":SYNC ",      0, 13, nullptr, nullptr},
    {":PULS", 1, 36, ":CGAT ",      0, 14, nullptr, nullptr},
    {":PULS", 1, 36, ":CLOG ",      0, 15, nullptr, nullptr},
    // The system record.
    {":PULS", 0, 0, ":STAT ",       0,  0, &OnOff, nullptr},
    {":PULS", 0, 0, ":PER ",        0,  1, nullptr, nullptr},
    {":PULS", 0, 0, ":MOD ",        0,  2, nullptr, nullptr},
    {":PULS", 0, 0, ":BCO ",        0,  3, nullptr, nullptr},
    {":PULS", 0, 0, ":PCO ",        0,  4, nullptr, nullptr},
    {":PULS", 0, 0, ":OCO ",        0,  5, nullptr, nullptr},
    {":PULS", 0, 0, ":CYCL ",       0,  6, nullptr, nullptr},
    // Triggers 1 and 2 are records 90 and 91, gates 1 and 2 records 92 and 93.
    {":TRIG", 1, 2, ":MOD ",       89,  0, nullptr, nullptr},
    {":TRIG", 1, 2, ":EDG ",       89,  1, nullptr, nullptr},
    {":TRIG", 1, 2, ":LEV ",       89,  2, nullptr, nullptr},
    {":TRIG", 1, 2, ":DEB ",       89,  3, nullptr, nullptr},
    {":GATE", 1, 2, ":MOD ",       91,  0, nullptr, nullptr},
    {":GAT",  1, 2, ":LOG ",       91,  1, nullptr, nullptr},
    {":GATE", 1, 2, ":LEV ",       91,  2, nullptr, nullptr},
    {":GAT",  1, 2, ":DEB ",       91,  3, nullptr, nullptr},
    // Single values whose command differs from their settings line.
    {":SYST:ICL ", -1, -1, "",      0, -1, &InputClock, ":SYST:ICLOCK"},
};
// clang-format on

// The number right after head (no sign, no leading zero), and where it ends.
std::optional<int> NumberAt(const QString &line, qsizetype from, qsizetype &end)
{
    end = from;
    while (end < line.size() && line[end].isDigit() && line[end].unicode() < 128)
        ++end;
    if (end == from || end - from > 2 || (line[from] == u'0' && end - from > 1))
        return std::nullopt;
    return line.mid(from, end - from).toInt();
}

QString Respelled(const CommandRow &row, const QString &value)
{
    if (!row.Spelled)
        return value;
    const Spelling &s = row.Spelled();
    const qsizetype i = s.From.indexOf(value);
    return i >= 0 && i < s.To.size() ? s.To[i] : value;
}
} // namespace

std::optional<TSettingCommandLine> ParseSettingCommand(const QString &line)
{
    for (const CommandRow &row : CommandTable) {
        const QLatin1String head(row.Head);
        if (!line.startsWith(head))
            continue;
        qsizetype at = head.size();
        int number = -1;
        if (row.First >= 0) {
            qsizetype end = 0;
            const std::optional<int> n = NumberAt(line, at, end);
            if (!n || *n < row.First || *n > row.Last)
                continue;
            number = *n;
            at = end;
        }
        const QLatin1String tail(row.Tail);
        if (!QStringView(line).sliced(at).startsWith(tail))
            continue;
        const QString value = Respelled(row, TrimRight(line.mid(at + tail.size())));
        if (row.Settings) {
            const auto parsed = ParseSettingsLine(QLatin1String(row.Settings) + u' ' + value);
            if (!parsed)
                return std::nullopt;
            return TSettingCommandLine{parsed->Query, -1, parsed->Value};
        }
        return TSettingCommandLine{RecordQueryFor(row.RecordBase + number), row.Field, value};
    }
    return std::nullopt;
}
