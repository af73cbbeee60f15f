// Configuration records from the instrument (channel, system, input).
// Properties: enumerated mirrors stay indexes of their token tables; a record that
// parses completely, written back in the record's format, parses to the same values.

#include "FuzzCheck.h"

#include "base/ErrorReport.h"
#include "protocol/ConfigRecords.h"
#include "protocol/Tokens.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace {

QString Num(double v)
{
    return QString::number(v, 'g', 17);
}

void CheckIndex(qint32 index, const QStringList &tokens)
{
    FUZZ_CHECK(index >= 0 && index < tokens.size());
}

QString WriteChannel(const ChannelConfig &c)
{
    return QStringList{QString::number(c.Enabled),
                       Num(c.Delay),
                       Num(c.Width),
                       PulseModeTokens()[c.Mode],
                       QString::number(c.BurstCount),
                       QString::number(c.DutyOnCount),
                       QString::number(c.DutyOffCount),
                       QString::number(c.WaitCount),
                       OutputModeTokens()[c.OutputMode],
                       PolarityTokens()[c.Polarity],
                       Num(c.Amplitude),
                       QString::number(c.MuxMask),
                       ChannelControlTokens()[c.ControlMode],
                       SyncSourceTokens()[c.SyncSource],
                       ChannelGateModeTokens()[c.GateMode],
                       LogicTokens()[c.GateLogic]}
        .join(u' ');
}

void FuzzChannel(const QString &reply)
{
    ChannelConfig config;
    bool allMatched = true;
    try {
        ReadChannelRecord(reply, config, [&](TChannelField, bool matched) { allMatched &= matched; });
    } catch (const EConvertError &) {
        allMatched = false;
    }
    CheckIndex(config.Mode, PulseModeTokens());
    CheckIndex(config.OutputMode, OutputModeTokens());
    CheckIndex(config.Polarity, PolarityTokens());
    CheckIndex(config.ControlMode, ChannelControlTokens());
    CheckIndex(config.SyncSource, SyncSourceTokens());
    CheckIndex(config.GateMode, ChannelGateModeTokens());
    CheckIndex(config.GateLogic, LogicTokens());
    if (!allMatched)
        return;
    ChannelConfig again;
    ReadChannelRecord(WriteChannel(config), again, [](TChannelField, bool matched) {
        FUZZ_CHECK(matched);
    });
    FUZZ_CHECK(again.Enabled == config.Enabled);
    FUZZ_CHECK(again.Delay == config.Delay || (again.Delay != again.Delay && config.Delay != config.Delay));
    FUZZ_CHECK(again.Width == config.Width || (again.Width != again.Width && config.Width != config.Width));
    FUZZ_CHECK(again.Mode == config.Mode);
    FUZZ_CHECK(again.BurstCount == config.BurstCount);
    FUZZ_CHECK(again.DutyOnCount == config.DutyOnCount);
    FUZZ_CHECK(again.DutyOffCount == config.DutyOffCount);
    FUZZ_CHECK(again.WaitCount == config.WaitCount);
    FUZZ_CHECK(again.OutputMode == config.OutputMode);
    FUZZ_CHECK(again.Polarity == config.Polarity);
    FUZZ_CHECK(again.MuxMask == config.MuxMask);
    FUZZ_CHECK(again.ControlMode == config.ControlMode);
    FUZZ_CHECK(again.SyncSource == config.SyncSource);
    FUZZ_CHECK(again.GateMode == config.GateMode);
    FUZZ_CHECK(again.GateLogic == config.GateLogic);
}

void FuzzSystem(const QString &reply)
{
    TSystemMirrors mirrors;
    TSystemCounts counts;
    try {
        ReadSystemRecord(reply, mirrors, counts, [](TSystemField, bool) {});
    } catch (const EConvertError &) {
    }
    CheckIndex(mirrors.SystemMode, PulseModeTokens());
}

void FuzzInput(int record, const QString &reply)
{
    TSystemMirrors mirrors;
    double threshold = 0;
    try {
        ReadInputRecord(record, reply, mirrors, threshold, [](TInputField, bool) {});
    } catch (const EConvertError &) {
    }
    CheckIndex(mirrors.Trigger1Mode, TriggerModeTokens());
    CheckIndex(mirrors.Trigger2Mode, TriggerModeTokens());
    CheckIndex(mirrors.Trigger1Edge, EdgeTokens());
    CheckIndex(mirrors.Trigger2Edge, EdgeTokens());
    CheckIndex(mirrors.Gate1Mode, GateInputModeTokens());
    CheckIndex(mirrors.Gate2Mode, GateInputModeTokens());
    CheckIndex(mirrors.Gate1Logic, LogicTokens());
    CheckIndex(mirrors.Gate2Logic, LogicTokens());
    CheckIndex(mirrors.Gate1Debounce, DebounceTokens());
    CheckIndex(mirrors.Gate2Debounce, DebounceTokens());
    CheckIndex(mirrors.Trigger1Debounce, DebounceTokens());
    CheckIndex(mirrors.Trigger2Debounce, DebounceTokens());
}

} // namespace

// The first byte chooses the record: 0 the system, 1 to 4 the inputs 90 to 93, any
// other value a channel; the rest is the reply as the port delivers it (8-bit text).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QString reply = QString::fromLatin1(reinterpret_cast<const char *>(data + 1),
                                              qsizetype(size - 1));
    const int kind = data[0] % 8;
    if (kind == 0)
        FuzzSystem(reply);
    else if (kind <= 4)
        FuzzInput(89 + kind, reply);
    else
        FuzzChannel(reply);
    return 0;
}
