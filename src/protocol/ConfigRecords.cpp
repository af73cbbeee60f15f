#include "protocol/ConfigRecords.h"

#include "protocol/Conversions.h"
#include "protocol/TRecordSplitter.h"
#include "protocol/Tokens.h"

#include <stdexcept>

namespace {
// The command that reports a record ("*CFG?") and the head of the settings line that
// stands for it ("*CFG ").
const QLatin1String RecordMnemonic("*CFG");

// The rows of a record, looked up once per kind of record.
const QList<const TSettingRow *> &RowsOf(int record)
{
    static const QList<const TSettingRow *> system = RecordRows(0);
    static const QList<const TSettingRow *> inputs[] = {RecordRows(90), RecordRows(91),
                                                        RecordRows(92), RecordRows(93)};
    static const QList<const TSettingRow *> channel = RecordRows(1);
    static const QList<const TSettingRow *> none;
    if (record == 0)
        return system;
    if (record >= 90 && record <= 93)
        return inputs[record - 90];
    if (record >= 1 && record <= MaxChannels)
        return channel;
    return none;
}

// One field's text read as its row says.
TRecordField ReadField(const TSettingRow &row, const QString &text)
{
    if (row.TokenReply) {
        const int index = TokenIndex(row.ReadTokens, text);
        return {&row, double(index), index >= 0};
    }
    switch (row.Kind) {
    case TSettingKind::Time:
    case TSettingKind::Volts:
        return {&row, StrToFloat(text), true};
    case TSettingKind::Count:
        return {&row, row.Unsigned ? double(StrToCount32(text)) : double(StrToInt(text)), true};
    case TSettingKind::Mask:
    case TSettingKind::Switch:
    case TSettingKind::Token: // a token row always has TokenReply
        break;
    }
    return {&row, double(StrToInt(text)), true};
}

// A field's item index or integer, as its mirror holds it.
qint32 Integer(const TRecordField &field)
{
    return qint32(field.Value);
}
} // namespace

QString RecordQuery(int record)
{
    if (record >= 1 && record <= MaxChannels)
        return RecordMnemonic + QLatin1Char('?') + QString::number(record);
    return RecordMnemonic + QStringLiteral("? ") + QString::number(record);
}

QString RecordSettingsLine(int record, const QString &reply)
{
    return RecordMnemonic + QLatin1Char(' ') + QString::number(record) + QLatin1Char(' ') + reply;
}

std::optional<TRecordSettingsLine> ParseRecordSettingsLine(const QString &line)
{
    const QString head = RecordMnemonic + QLatin1Char(' ');
    if (!line.startsWith(head))
        return std::nullopt;
    const qsizetype blank = line.indexOf(u' ', head.size());
    const QString number = line.mid(head.size(), blank < 0 ? -1 : blank - head.size());
    bool ok = false;
    const int record = number.toInt(&ok);
    if (!ok || number != QString::number(record) || RowsOf(record).isEmpty())
        return std::nullopt;
    return TRecordSettingsLine{record, blank < 0 ? QString() : line.mid(blank + 1)};
}

void ReadRecord(int record, const QString &reply, const TRecordFieldRead &fieldRead)
{
    const QList<const TSettingRow *> &rows = RowsOf(record);
    if (rows.isEmpty())
        throw std::invalid_argument("not a configuration record");
    TRecordSplitter fields(reply);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const TSettingRow &row = *rows[i];
        QString text;
        if (i + 1 < rows.size())
            text = fields.Next();
        else
            text = row.TokenReply ? fields.Last() : TrimRight(fields.Last());
        fieldRead(ReadField(row, text));
    }
}

QList<TRecordField> ReadRecordFields(int record, const QString &reply)
{
    QList<TRecordField> read;
    ReadRecord(record, reply, [&](const TRecordField &field) { read << field; });
    return read;
}

void ReadChannelRecord(const QString &reply, ChannelConfig &config,
                       const TChannelFieldRead &fieldRead)
{
    ReadRecord(1, reply, [&](const TRecordField &read) {
        const auto field = TChannelField(read.Row->Field);
        if (read.Matched) {
            switch (field) {
            case TChannelField::Enabled:
                config.Enabled = Integer(read);
                break;
            case TChannelField::Delay:
                config.Delay = read.Value;
                break;
            case TChannelField::Width:
                config.Width = read.Value;
                break;
            case TChannelField::Mode:
                config.Mode = Integer(read);
                break;
            case TChannelField::BurstCount:
                config.BurstCount = Integer(read);
                break;
            case TChannelField::DutyOnCount:
                config.DutyOnCount = Integer(read);
                break;
            case TChannelField::DutyOffCount:
                config.DutyOffCount = Integer(read);
                break;
            case TChannelField::WaitCount:
                config.WaitCount = Integer(read);
                break;
            case TChannelField::OutputMode:
                config.OutputMode = Integer(read);
                break;
            case TChannelField::Polarity:
                config.Polarity = Integer(read);
                break;
            case TChannelField::Amplitude:
                config.Amplitude = read.Value;
                break;
            case TChannelField::MuxMask:
                config.MuxMask = Integer(read);
                break;
            case TChannelField::ControlMode:
                config.ControlMode = Integer(read);
                break;
            case TChannelField::SyncSource:
                config.SyncSource = Integer(read);
                break;
            case TChannelField::GateMode:
                config.GateMode = Integer(read);
                break;
            case TChannelField::GateLogic:
                config.GateLogic = Integer(read);
                break;
            }
        }
        fieldRead(field, read.Matched);
    });
}

void ReadSystemRecord(const QString &reply, TSystemMirrors &mirrors, TSystemCounts &counts,
                      const TSystemFieldRead &fieldRead)
{
    ReadRecord(0, reply, [&](const TRecordField &read) {
        const auto field = TSystemField(read.Row->Field);
        if (read.Matched) {
            switch (field) {
            case TSystemField::RunState:
                mirrors.SystemRunning = Integer(read) == 1;
                break;
            case TSystemField::Period:
                mirrors.SystemPeriod = read.Value;
                break;
            case TSystemField::Mode:
                mirrors.SystemMode = Integer(read);
                break;
            case TSystemField::BurstCount:
                counts.BurstCount = quint32(read.Value);
                break;
            case TSystemField::DutyOnCount:
                counts.DutyOnCount = quint32(read.Value);
                break;
            case TSystemField::DutyOffCount:
                counts.DutyOffCount = quint32(read.Value);
                break;
            case TSystemField::CycleCount:
                counts.CycleCount = Integer(read);
                break;
            }
        }
        fieldRead(field, read.Matched);
    });
}

void ReadInputRecord(int record, const QString &reply, TSystemMirrors &mirrors, double &threshold,
                     const TInputFieldRead &fieldRead)
{
    qint32 *mode = nullptr;
    qint32 *edgeOrLogic = nullptr;
    qint32 *debounce = nullptr;
    switch (record) {
    case 90:
        mode = &mirrors.Trigger1Mode;
        edgeOrLogic = &mirrors.Trigger1Edge;
        debounce = &mirrors.Trigger1Debounce;
        break;
    case 91:
        mode = &mirrors.Trigger2Mode;
        edgeOrLogic = &mirrors.Trigger2Edge;
        debounce = &mirrors.Trigger2Debounce;
        break;
    case 92:
        mode = &mirrors.Gate1Mode;
        edgeOrLogic = &mirrors.Gate1Logic;
        debounce = &mirrors.Gate1Debounce;
        break;
    case 93:
        mode = &mirrors.Gate2Mode;
        edgeOrLogic = &mirrors.Gate2Logic;
        debounce = &mirrors.Gate2Debounce;
        break;
    default:
        throw std::invalid_argument("not an input record");
    }

    ReadRecord(record, reply, [&](const TRecordField &read) {
        const auto field = TInputField(read.Row->Field);
        if (read.Matched) {
            switch (field) {
            case TInputField::Mode:
                *mode = Integer(read);
                break;
            case TInputField::EdgeOrLogic:
                *edgeOrLogic = Integer(read);
                break;
            case TInputField::Threshold:
                threshold = read.Value;
                break;
            case TInputField::Debounce:
                *debounce = Integer(read);
                break;
            }
        }
        fieldRead(field, read.Matched);
    });
}

bool MuxItemChecked(qint32 muxMask, int item)
{
    return (muxMask >> item) & 1;
}
