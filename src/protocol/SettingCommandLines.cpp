#include "protocol/SettingCommandLines.h"

#include "protocol/Conversions.h"
#include "protocol/SettingTable.h"

namespace {
// The number right after the prefix (no sign, no leading zero), and where it ends.
std::optional<int> NumberAt(const QString &line, qsizetype from, qsizetype &end)
{
    end = from;
    while (end < line.size() && line[end].isDigit() && line[end].unicode() < 128)
        ++end;
    if (end == from || end - from > 2 || (line[from] == u'0' && end - from > 1))
        return std::nullopt;
    return line.mid(from, end - from).toInt();
}

// A token sent that the read-back spells otherwise ("ON" is reported as "1", the input
// clock's "SYS" as "INT").
QString AsReadBack(const TSettingRow &row, const QString &value)
{
    if (row.Kind != TSettingKind::Token && row.Kind != TSettingKind::Switch)
        return value;
    qsizetype i = row.CommandTokens.indexOf(value);
    // Every switch takes the run state's words as well (":PULS2:STAT ON").
    if (i < 0 && row.Kind == TSettingKind::Switch)
        i = SettingRow(TSettingScope::System, QStringLiteral("RunState")).CommandTokens.indexOf(value);
    return i >= 0 && i < row.ReadTokens.size() ? row.ReadTokens[i] : value;
}
} // namespace

std::optional<TSettingCommandLine> ParseSettingCommand(const QString &line)
{
    // The rows in table order: the system record's ":PULS0" before the channels'.
    for (const TSettingRow &row : SettingTable()) {
        if (!line.startsWith(row.Prefix))
            continue;
        qsizetype at = row.Prefix.size();
        int number = row.Number;
        if (row.Scope == TSettingScope::Channel) {
            qsizetype end = 0;
            const std::optional<int> n = NumberAt(line, at, end);
            if (!n || *n < 1 || *n > MaxChannels)
                continue;
            number = *n;
            at = end;
        } else if (row.Number >= 0) {
            const QString n = QString::number(row.Number);
            if (!QStringView(line).sliced(at).startsWith(n))
                continue;
            at += n.size();
        }
        const QString tail = row.Mnemonic + QLatin1Char(' ');
        if (!QStringView(line).sliced(at).startsWith(tail))
            continue;
        const QString value = AsReadBack(row, TrimRight(line.mid(at + tail.size())));
        if (row.Record == NoRecord) {
            // A single value: as its settings line reports it.
            const auto parsed = ParseSettingsLine(row.Query + QLatin1Char(' ') + value);
            if (!parsed)
                return std::nullopt;
            return TSettingCommandLine{parsed->Query, -1, parsed->Value};
        }
        const int record = row.Scope == TSettingScope::Channel ? number : row.Record;
        return TSettingCommandLine{RecordQueryFor(record), row.Field, value};
    }
    return std::nullopt;
}
