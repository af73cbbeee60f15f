#include "protocol/SettingsComparison.h"

#include "protocol/ConfigurationQueries.h"
#include "protocol/Conversions.h"
#include "protocol/TRecordSplitter.h"

#include <QMap>
#include <cmath>

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

bool SameValue(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const auto x = TryStrToFloat(TrimBoth(a));
    const auto y = TryStrToFloat(TrimBoth(b));
    if (!x || !y)
        return false;
    // Written with eleven decimals or in another form: the same setting when the values
    // agree to far below the instrument's resolution.
    return std::abs(*x - *y) <= 1e-12 * std::max({1.0, std::abs(*x), std::abs(*y)});
}

// Key of a record or setting: the record number, or the mnemonic.
QString Key(const TConfigQuery &query)
{
    return query.Record >= 0 ? QString::number(query.Record) : QString::fromLatin1(query.Mnemonic);
}
} // namespace

QString TSettingsDifference::Text() const
{
    if (Field.isEmpty())
        return Where + QStringLiteral(": in the file, not reported by the instrument");
    return Where + u' ' + Field + QStringLiteral(": file ") + FileValue +
           QStringLiteral(", instrument ") + Instrument;
}

QStringList RecordFieldNames(int record)
{
    if (record == 0)
        return {"RunState",    "Period",       "Mode",      "BurstCount",
                "DutyOnCount", "DutyOffCount", "CycleCount"};
    if (record == 90 || record == 91)
        return {"Mode", "Edge", "Threshold", "Debounce"};
    if (record == 92 || record == 93)
        return {"Mode", "Logic", "Threshold", "Debounce"};
    return {"Enabled",      "Delay",      "Width",      "Mode",     "BurstCount", "DutyOnCount",
            "DutyOffCount", "WaitCount",  "OutputMode", "Polarity", "Amplitude",  "MuxMask",
            "ControlMode",  "SyncSource", "GateMode",   "GateLogic"};
}

QList<TSettingsDifference> CompareSettings(const QStringList &fileLines,
                                           const QStringList &instrumentLines)
{
    QMap<QString, QString> instrument;
    for (const QString &line : instrumentLines)
        if (const auto parsed = ParseSettingsLine(line))
            instrument.insert(Key(parsed->Query), parsed->Value);

    // A record or setting the file sets twice ends as its last line left it.
    QStringList order;
    QMap<QString, TParsedSettingsLine> inFile;
    for (const QString &line : fileLines) {
        const auto parsed = ParseSettingsLine(line);
        if (!parsed)
            continue;
        const QString key = Key(parsed->Query);
        if (!inFile.contains(key))
            order << key;
        inFile.insert(key, *parsed);
    }

    QList<TSettingsDifference> differences;
    for (const QString &key : order) {
        const TParsedSettingsLine *parsed = &inFile[key];
        const TConfigQuery &query = parsed->Query;
        const auto found = instrument.constFind(key);
        if (found == instrument.constEnd()) {
            differences.append({query.Name, QString(), parsed->Value, QString()});
            continue;
        }
        if (query.Record < 0) {
            if (!SameValue(parsed->Value, *found))
                differences.append({QStringLiteral("system"), query.Name, parsed->Value, *found});
            continue;
        }
        const QStringList names = RecordFieldNames(query.Record);
        const QStringList fileFields = SplitRecord(parsed->Value, names.size());
        const QStringList read = SplitRecord(*found, names.size());
        for (qsizetype i = 0; i < names.size(); ++i)
            if (!SameValue(fileFields[i], read[i]))
                differences.append({query.Name, names[i], fileFields[i], read[i]});
    }
    return differences;
}
