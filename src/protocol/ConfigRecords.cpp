#include "protocol/ConfigRecords.h"

#include "protocol/Conversions.h"
#include "protocol/SettingTable.h"
#include "protocol/TRecordSplitter.h"
#include "protocol/Tokens.h"

#include <stdexcept>

QString RecordQuery(int record)
{
    if (record >= 1 && record <= MaxChannels)
        return QStringLiteral("*CFG?") + QString::number(record);
    return QStringLiteral("*CFG? ") + QString::number(record);
}

QString RecordSettingsLine(int record, const QString &reply)
{
    return QStringLiteral("*CFG ") + QString::number(record) + QLatin1Char(' ') + reply;
}

namespace {
// The readback tokens of a channel record's field, from the setting table.
const QStringList &ChannelTokens(TChannelField field)
{
    static const QList<const TSettingRow *> rows = RecordRows(1);
    return rows.at(int(field))->ReadTokens;
}
} // namespace

void ReadChannelRecord(const QString &reply, ChannelConfig &config,
                       const TChannelFieldRead &fieldRead)
{
    TRecordSplitter fields(reply);
    auto integer = [&](qint32 &mirror, TChannelField field) {
        mirror = StrToInt(fields.Next());
        fieldRead(field, true);
    };
    auto number = [&](double &mirror, TChannelField field) {
        mirror = StrToFloat(fields.Next());
        fieldRead(field, true);
    };
    auto token = [&](qint32 &mirror, const QStringList &tokens, TChannelField field,
                     const QString &text) { fieldRead(field, ApplyToken(mirror, tokens, text)); };

    integer(config.Enabled, TChannelField::Enabled);
    number(config.Delay, TChannelField::Delay);
    number(config.Width, TChannelField::Width);
    token(config.Mode, ChannelTokens(TChannelField::Mode), TChannelField::Mode, fields.Next());
    integer(config.BurstCount, TChannelField::BurstCount);
    integer(config.DutyOnCount, TChannelField::DutyOnCount);
    integer(config.DutyOffCount, TChannelField::DutyOffCount);
    integer(config.WaitCount, TChannelField::WaitCount);
    token(config.OutputMode, ChannelTokens(TChannelField::OutputMode), TChannelField::OutputMode, fields.Next());
    token(config.Polarity, ChannelTokens(TChannelField::Polarity), TChannelField::Polarity, fields.Next());
    number(config.Amplitude, TChannelField::Amplitude);
    integer(config.MuxMask, TChannelField::MuxMask);
    token(config.ControlMode, ChannelTokens(TChannelField::ControlMode), TChannelField::ControlMode, fields.Next());
    token(config.SyncSource, ChannelTokens(TChannelField::SyncSource), TChannelField::SyncSource, fields.Next());
    token(config.GateMode, ChannelTokens(TChannelField::GateMode), TChannelField::GateMode, fields.Next());
    token(config.GateLogic, ChannelTokens(TChannelField::GateLogic), TChannelField::GateLogic, fields.Last());
}

void ReadSystemRecord(const QString &reply, TSystemMirrors &mirrors, TSystemCounts &counts,
                      const TSystemFieldRead &fieldRead)
{
    TRecordSplitter fields(reply);

    const QString runState = fields.Next();
    const bool known = runState == QLatin1String("1") || runState == QLatin1String("0");
    if (known)
        mirrors.SystemRunning = runState == QLatin1String("1");
    fieldRead(TSystemField::RunState, known);

    mirrors.SystemPeriod = StrToFloat(fields.Next());
    fieldRead(TSystemField::Period, true);
    fieldRead(TSystemField::Mode, ApplyToken(mirrors.SystemMode, PulseModeTokens(), fields.Next()));
    counts.BurstCount = StrToCount32(fields.Next());
    fieldRead(TSystemField::BurstCount, true);
    counts.DutyOnCount = StrToCount32(fields.Next());
    fieldRead(TSystemField::DutyOnCount, true);
    counts.DutyOffCount = StrToCount32(fields.Next());
    fieldRead(TSystemField::DutyOffCount, true);
    counts.CycleCount = StrToInt(TrimRight(fields.Last()));
    fieldRead(TSystemField::CycleCount, true);
}

void ReadInputRecord(int record, const QString &reply, TSystemMirrors &mirrors, double &threshold,
                     const TInputFieldRead &fieldRead)
{
    qint32 *mode = nullptr;
    qint32 *edgeOrLogic = nullptr;
    qint32 *debounce = nullptr;
    bool trigger = true;
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
        trigger = false;
        break;
    case 93:
        mode = &mirrors.Gate2Mode;
        edgeOrLogic = &mirrors.Gate2Logic;
        debounce = &mirrors.Gate2Debounce;
        trigger = false;
        break;
    default:
        throw std::invalid_argument("not an input record");
    }

    TRecordSplitter fields(reply);
    fieldRead(
        TInputField::Mode,
        ApplyToken(*mode, trigger ? TriggerModeTokens() : GateInputModeTokens(), fields.Next()));
    fieldRead(TInputField::EdgeOrLogic,
              ApplyToken(*edgeOrLogic, trigger ? EdgeTokens() : LogicTokens(), fields.Next()));
    threshold = StrToFloat(fields.Next());
    fieldRead(TInputField::Threshold, true);
    fieldRead(TInputField::Debounce, ApplyToken(*debounce, DebounceTokens(), fields.Last()));
}

bool MuxItemChecked(qint32 muxMask, int item)
{
    return (muxMask >> item) & 1;
}
