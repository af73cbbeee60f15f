#include "protocol/SettingsComparison.h"

#include "base/ReadableText.h"
#include "protocol/CommandScript.h"
#include "protocol/ConfigurationQueries.h"
#include "protocol/Conversions.h"
#include "protocol/SettingCommandLines.h"
#include "protocol/SettingTable.h"
#include "protocol/TRecordSplitter.h"

#include <QMap>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {
QStringList SplitRecord(const QString &record, qsizetype fieldCount)
{
    TRecordSplitter splitter(record);
    QStringList fields;
    for (qsizetype i = 0; i + 1 < fieldCount; ++i)
        fields << splitter.Next();
    fields << TrimRight(splitter.Last());
    return fields;
}

// Whether a value is a number (a time, count, voltage, mask or a switch read as a number)
// rather than a token, which must match exactly.
bool IsNumber(const TConfigQuery &query, int field)
{
    if (query.Record < 0)
        return query.Numeric;
    const QList<const TSettingRow *> rows = RecordRows(query.Record);
    return field >= 0 && field < rows.size() && !rows[field]->TokenReply;
}

bool SameValue(const QString &a, const QString &b, bool numbers)
{
    if (a == b)
        return true;
    if (!numbers)
        return false;
    const auto x = TryStrToFloat(TrimBoth(a));
    const auto y = TryStrToFloat(TrimBoth(b));
    if (!x || !y)
        return false;
    // Written with eleven decimals or in another form: the same setting when the values
    // agree to far below the instrument's resolution.
    return std::abs(*x - *y) <= 1e-12 * std::max({1.0, std::abs(*x), std::abs(*y)});
}

// Key of a value read back: the record number and field index, or the mnemonic.
QString Key(const TConfigQuery &query, int field)
{
    return query.Record >= 0 ? QString::number(query.Record) + u'/' + QString::number(field)
                             : QString::fromLatin1(query.Mnemonic);
}

// One value a line of the file claims the instrument holds.
struct Claim
{
    int Line;
    TConfigQuery Query;
    int Field; // -1 for a single value
    QString Value;
};

// The values a line claims; nothing when the line cannot be confirmed.
std::optional<QList<Claim>> Claims(int lineNumber, const QString &line)
{
    if (const auto parsed = ParseSettingsLine(line)) {
        if (parsed->Query.Record < 0)
            return QList<Claim>{{lineNumber, parsed->Query, -1, parsed->Value}};
        const QStringList fields =
            SplitRecord(parsed->Value, RecordFieldNames(parsed->Query.Record).size());
        QList<Claim> claims;
        for (int i = 0; i < fields.size(); ++i)
            claims.append({lineNumber, parsed->Query, i, fields[i]});
        return claims;
    }
    if (const auto command = ParseSettingCommand(line))
        return QList<Claim>{{lineNumber, command->Query, command->Field, command->Value}};
    return std::nullopt;
}

// Blanks and tabs only: the line sets nothing.
bool IsBlank(const QString &line)
{
    return std::all_of(line.cbegin(), line.cend(), [](QChar c) { return c == u' ' || c == u'\t'; });
}

} // namespace

namespace {
// Control characters shown, long texts shortened.
QString Shown(const QString &text)
{
    constexpr qsizetype MaxShown = 60;
    QString shown = ReadableText(text).replace(u'\n', QStringLiteral("\\x0A"));
    if (shown.size() > MaxShown)
        shown = shown.left(MaxShown) + QStringLiteral("...");
    return shown;
}
} // namespace

QString ReportQuoted(const QString &line)
{
    return u'"' + Shown(line) + u'"';
}

QString TSettingsDifference::Text() const
{
    const QString line = QStringLiteral("line ") + QString::number(Line) + QStringLiteral(": ");
    if (Where.isEmpty())
        return line + FileValue +
               QStringLiteral(" cannot be confirmed: the read-back reports no such setting");
    if (Field.isEmpty())
        return line + Where + QStringLiteral(": in the file, not reported by the instrument");
    return line + Where + u' ' + Field + QStringLiteral(": file ") + Shown(FileValue) +
           QStringLiteral(", instrument ") + Shown(Instrument);
}

QStringList RecordFieldNames(int record)
{
    QStringList names;
    for (const TSettingRow *row : RecordRows(record))
        names << row->ReportName;
    return names;
}

QList<TSettingsDifference> CompareSettings(const QStringList &fileLines,
                                           const QStringList &instrumentLines)
{
    QMap<QString, QString> instrument;
    for (const QString &line : instrumentLines)
        if (const auto claims = Claims(0, line))
            for (const Claim &c : *claims)
                instrument.insert(Key(c.Query, c.Field), c.Value);

    // A value the file sets twice ends as its last line left it.
    QMap<QString, Claim> last;
    QList<Claim> claims;
    QList<TSettingsDifference> differences;
    for (int i = 0; i < fileLines.size(); ++i) {
        const QString &line = fileLines[i];
        if (CommandScript::IsComment(line) || IsBlank(line))
            continue;
        const auto lineClaims = Claims(i + 1, line);
        if (!lineClaims) {
            differences.append({i + 1, QString(), QString(), ReportQuoted(line), QString()});
            continue;
        }
        for (const Claim &c : *lineClaims) {
            last.insert(Key(c.Query, c.Field), c);
            claims.append(c);
        }
    }

    int missingLine = 0; // one report per line of a record the instrument lacks
    for (const Claim &c : claims) {
        const QString key = Key(c.Query, c.Field);
        if (last[key].Line != c.Line)
            continue;
        const auto found = instrument.constFind(key);
        if (found == instrument.constEnd()) {
            const QString where =
                c.Query.Record < 0 ? QStringLiteral("system ") + c.Query.Name : c.Query.Name;
            if (missingLine != c.Line)
                differences.append({c.Line, where, QString(), c.Value, QString()});
            missingLine = c.Line;
            continue;
        }
        if (!SameValue(c.Value, *found, IsNumber(c.Query, c.Field)))
            differences.append(
                {c.Line, c.Query.Record < 0 ? QStringLiteral("system") : c.Query.Name,
                 c.Query.Record < 0 ? c.Query.Name : RecordFieldNames(c.Query.Record)[c.Field],
                 c.Value, *found});
    }
    std::stable_sort(
        differences.begin(), differences.end(),
        [](const TSettingsDifference &a, const TSettingsDifference &b) { return a.Line < b.Line; });
    return differences;
}

QList<int> UnknownSettingLines(const QStringList &fileLines)
{
    QList<int> unknown;
    for (int i = 0; i < fileLines.size(); ++i) {
        const QString &line = fileLines[i];
        if (!CommandScript::IsComment(line) && !IsBlank(line) && !Claims(i + 1, line))
            unknown << i + 1;
    }
    return unknown;
}
