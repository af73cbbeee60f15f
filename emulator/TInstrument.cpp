#include "emulator/TInstrument.h"

#include <QElapsedTimer>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

namespace {

const QList<QByteArray> PulseModes{"NORM", "SING", "BURS", "DCYC"};
const QList<QByteArray> TriggerModes{"DIS", "TRIG"};
const QList<QByteArray> Edges{"RIS", "FALL"};
const QList<QByteArray> Debounces{"DIS", "ENAB"};
const QList<QByteArray> GateModes{"DIS", "PULS", "OUTP", "CHAN"};
const QList<QByteArray> Logics{"LOW", "HIGH"};
const QList<QByteArray> OutputModes{"TTL", "ADJ"};
const QList<QByteArray> Polarities{"NORM", "INV"};
const QList<QByteArray> ControlModes{"DIS", "GATA", "GATB", "INHB"};
const QList<QByteArray> SyncSources{"DIS", "SYNA", "SYNB", "SYNT"};
const QList<QByteArray> ChannelGateModes{"DIS", "PULS", "OUTP"};
// The internal clock is set as "SYS" (or "INT") and always reported as "INT".
const QList<QByteArray> InputClocks{"INT", "10", "20", "25", "30", "40", "50", "60", "80", "100"};
const QList<QByteArray> OutputClocks{"T0", "10", "20", "25", "30", "40", "50", "60", "80", "100"};
const QList<QByteArray> SyncOutputs{"T0", "Ch1", "Ch2", "Ch4", "Ch6", "TRIG", "GATE"};
const QList<QByteArray> CounterSources{"T0", "CH1", "CH6", "CH8", "CH10"};
const int CounterSourceChannel[] = {0, 1, 6, 8, 10};

constexpr qint64 Ps = 1000000000000LL; // picoseconds per second
constexpr qint64 PeriodStepPs = 5000;
constexpr qint64 PeriodMinPs = 50000;
constexpr qint64 PeriodMaxPs = 5000 * Ps;
constexpr qint64 TimeStepPs = 250;
constexpr qint64 DelayMaxPs = 2000 * Ps;
constexpr qint64 WidthMinPs = 10000;
constexpr qint64 WidthMaxPs = 2000 * Ps;
constexpr quint32 SystemCountMax = 4000000000U;
constexpr quint32 ChannelCountMax = 10000000U;
constexpr int AmplitudeMinCv = 200, AmplitudeMaxCv = 2000;
constexpr int ThresholdMinCv = 20, ThresholdMaxCv = 1500;

bool IsBlank(char c)
{
    return uchar(c) <= 32;
}

QByteArray Trim(const QByteArray &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && IsBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QList<QByteArray> SplitFields(const QByteArray &text)
{
    QList<QByteArray> fields;
    QByteArray field;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (!field.isEmpty())
                fields.append(field);
            field.clear();
        } else {
            field.append(c);
        }
    }
    if (!field.isEmpty())
        fields.append(field);
    return fields;
}

int TokenIndex(const QByteArray &text, const QList<QByteArray> &tokens)
{
    const QByteArray upper = text.toUpper();
    for (int i = 0; i < tokens.size(); ++i)
        if (tokens.at(i).toUpper() == upper)
            return i;
    return -1;
}

// 0 or 1 for "0"/"OFF" and "1"/"ON", -1 for anything else.
int SwitchIndex(const QByteArray &text)
{
    const int index = TokenIndex(text, {"0", "1", "OFF", "ON"});
    return index < 0 ? -1 : index % 2;
}

// Fixed-point text of a value kept in units of 10^-scale, with the given decimals.
QByteArray FormatFixed(qint64 value, int scale, int decimals)
{
    qint64 unit = 1;
    for (int i = 0; i < scale; ++i)
        unit *= 10;
    qint64 divisor = 1;
    for (int i = decimals; i < scale; ++i)
        divisor *= 10;
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(-value) : quint64(value);
    QByteArray text = QByteArray::number(magnitude / quint64(unit));
    if (decimals > 0) {
        const QByteArray fraction = QByteArray::number((magnitude % quint64(unit)) / divisor);
        text += '.' + QByteArray(decimals - fraction.size(), '0') + fraction;
    }
    return negative ? '-' + text : text;
}

} // namespace

TInstrument::TInstrument() : TInstrument(TIdentity()) {}

TInstrument::TInstrument(const TIdentity &identity, TClock clock)
    : FIdentity(identity), FClock(std::move(clock)),
      FChannelCount(ChannelCountOfModel(identity.Model)), FSettings(FactoryDefaults()),
      FCalibration(FactoryCalibration())
{
    if (!FClock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        FClock = [timer] { return timer->nsecsElapsed(); };
    }
    FBins.fill(FSettings);
    BuildCommands();
}

int TInstrument::ChannelCountOfModel(const QByteArray &model)
{
    static const QHash<QByteArray, int> table{{"7310-6", 6},   {"7310-12", 12}, {"7310-24", 24},
                                              {"7310-36", 36}, {"462K-6", 6},   {"462K-12", 12},
                                              {"462K-24", 24}, {"462K-36", 36}, {"410-6", 6},
                                              {"410-12", 12},  {"410-24", 24},  {"410-36", 36}};
    return table.value(model, 12);
}

TInstrumentSettings TInstrument::FactoryDefaults()
{
    return TInstrumentSettings();
}

TInstrument::TCalibration TInstrument::FactoryCalibration()
{
    // Every channel of a real unit has its own factors; distinct values also show
    // a reader that mixes channels up.
    TCalibration cal;
    for (int n = 1; n <= TInstrumentSettings::MaxChannels; ++n) {
        auto &c = cal.Channels[n];
        c.Delay = 18 + n % 13;
        c.Width = 20 + (3 * n) % 17;
        c.AmpGain = 2900 + 7 * n;
        c.AmpOffset = 40 + 3 * n;
    }
    cal.AmpGain = {2480, 2515, 2460};
    cal.AmpOffset = {112, 96, 105};
    return cal;
}

QByteArray TInstrument::ErrorReply(TError error)
{
    switch (error) {
    case errSyntax:
        return "ERR 2: invalid argument";
    case errRange:
        return "ERR 3: argument out of range";
    case errChannel:
        return "ERR 4: no such channel";
    case errLocked:
        return "ERR 5: secured";
    case errReadOnly:
        return "ERR 6: read only";
    default:
        return "ERR 1: unknown command";
    }
}

// ---------------------------------------------------------------- argument parsing

namespace {

bool ParseInteger(const QByteArray &text, qint64 &value, bool &overflow)
{
    overflow = false;
    if (text.isEmpty())
        return false;
    qsizetype i = 0;
    const bool negative = text.at(0) == '-';
    if (text.at(0) == '-' || text.at(0) == '+')
        i = 1;
    if (i == text.size())
        return false;
    quint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c < '0' || c > '9')
            return false;
        // Checked before the step, so that the product cannot wrap into range.
        if (magnitude > (quint64(1) << 62) / 10)
            overflow = true;
        else
            magnitude = magnitude * 10 + quint64(c - '0');
    }
    if (magnitude > (quint64(1) << 62))
        overflow = true;
    value = negative ? -qint64(magnitude) : qint64(magnitude);
    return true;
}

// A decimal number (with an optional exponent) in units of 10^-scale, rounded to
// the nearest multiple of step.
bool ParseDecimal(const QByteArray &text, int scale, qint64 step, qint64 &units, bool &overflow)
{
    overflow = false;
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    const double scaled = value * std::pow(10.0, scale);
    if (std::fabs(scaled) > 9.0e18) {
        overflow = true;
        return true;
    }
    const qint64 raw = std::llround(scaled);
    const qint64 half = step / 2;
    units = raw >= 0 ? (raw + half) / step * step : -((-raw + half) / step * step);
    return true;
}

} // namespace

// ---------------------------------------------------------------- command table

void TInstrument::AddCommand(const QByteArray &path, int minIndex, int maxIndex,
                             std::function<QByteArray(int)> query, TSetter set, bool secured)
{
    TCommand command;
    command.MinIndex = minIndex;
    command.MaxIndex = maxIndex;
    command.Secured = secured;
    command.Query = std::move(query);
    command.Set = std::move(set);
    FCommands.insert(path, command);
}

void TInstrument::AddTokens(const QByteArray &path, int minIndex, int maxIndex,
                            const QList<QByteArray> &tokens, TField<int> field)
{
    AddCommand(
        path, minIndex, maxIndex,
        [this, tokens, field](int n) { return tokens.value(field(FSettings, n)); },
        [tokens, field](int n, const QByteArray &arg, TInstrumentSettings &s) {
            const int index = TokenIndex(arg, tokens);
            if (index < 0)
                return errSyntax;
            field(s, n) = index;
            return errNone;
        });
}

void TInstrument::AddSwitch(const QByteArray &path, int minIndex, int maxIndex, TField<bool> field)
{
    AddCommand(
        path, minIndex, maxIndex,
        [this, field](int n) { return QByteArray(field(FSettings, n) ? "1" : "0"); },
        [field](int n, const QByteArray &arg, TInstrumentSettings &s) {
            const int index = SwitchIndex(arg);
            if (index < 0)
                return errSyntax;
            field(s, n) = index == 1;
            return errNone;
        });
}

void TInstrument::AddCount(const QByteArray &path, int minIndex, int maxIndex, quint32 low,
                           quint32 high, TField<quint32> field)
{
    AddCommand(
        path, minIndex, maxIndex,
        [this, field](int n) { return QByteArray::number(field(FSettings, n)); },
        [low, high, field](int n, const QByteArray &arg, TInstrumentSettings &s) {
            qint64 value = 0;
            bool overflow = false;
            if (!ParseInteger(arg, value, overflow))
                return errSyntax;
            if (overflow || value < qint64(low) || value > qint64(high))
                return errRange;
            field(s, n) = quint32(value);
            return errNone;
        });
}

void TInstrument::AddTime(const QByteArray &path, int minIndex, int maxIndex, qint64 stepPs,
                          qint64 lowPs, qint64 highPs, int decimals, TField<qint64> field)
{
    AddCommand(
        path, minIndex, maxIndex,
        [this, field, decimals](int n) { return FormatFixed(field(FSettings, n), 12, decimals); },
        [=](int n, const QByteArray &arg, TInstrumentSettings &s) {
            qint64 value = 0;
            bool overflow = false;
            if (!ParseDecimal(arg, 12, stepPs, value, overflow))
                return errSyntax;
            if (overflow || value < lowPs || value > highPs)
                return errRange;
            field(s, n) = value;
            return errNone;
        });
}

void TInstrument::AddVolts(const QByteArray &path, int minIndex, int maxIndex, int lowCv,
                           int highCv, TField<int> field)
{
    AddCommand(
        path, minIndex, maxIndex,
        [this, field](int n) { return FormatFixed(field(FSettings, n), 2, 2); },
        [=](int n, const QByteArray &arg, TInstrumentSettings &s) {
            qint64 value = 0;
            bool overflow = false;
            if (!ParseDecimal(arg, 2, 1, value, overflow))
                return errSyntax;
            if (overflow || value < lowCv || value > highCv)
                return errRange;
            field(s, n) = int(value);
            return errNone;
        });
}

void TInstrument::AddCalibration(const QByteArray &path, int minIndex, int maxIndex, int low,
                                 int high, std::function<int &(int)> field)
{
    AddCommand(
        path, minIndex, maxIndex, [field](int n) { return QByteArray::number(field(n)); },
        [=](int n, const QByteArray &arg, TInstrumentSettings &) {
            qint64 value = 0;
            bool overflow = false;
            if (!ParseInteger(arg, value, overflow))
                return errSyntax;
            if (overflow || value < low || value > high)
                return errRange;
            field(n) = int(value);
            return errNone;
        },
        true);
}

void TInstrument::BuildCommands()
{
    using S = TInstrumentSettings;
    const int ch = -1; // up to the channel count

    // System level.
    AddSwitch("PULS0:STAT", 0, 0, [](S &s, int) -> bool & { return s.Running; });
    AddTime("PULS0:PER", 0, 0, PeriodStepPs, PeriodMinPs, PeriodMaxPs, 9,
            [](S &s, int) -> qint64 & { return s.PeriodPs; });
    AddTokens("PULS0:MOD", 0, 0, PulseModes, [](S &s, int) -> int & { return s.Mode; });
    AddCount("PULS0:BCO", 0, 0, 1, SystemCountMax,
             [](S &s, int) -> quint32 & { return s.BurstCount; });
    AddCount("PULS0:PCO", 0, 0, 1, SystemCountMax,
             [](S &s, int) -> quint32 & { return s.DutyOnCount; });
    AddCount("PULS0:OCO", 0, 0, 1, SystemCountMax,
             [](S &s, int) -> quint32 & { return s.DutyOffCount; });
    AddCount("PULS0:CYCL", 0, 0, 0, ChannelCountMax,
             [](S &s, int) -> quint32 & { return s.CycleCount; });

    // Channels.
    AddSwitch("PULS#:STAT", 1, ch, [](S &s, int n) -> bool & { return s.Channels[n].Enabled; });
    AddTime("PULS#:DEL", 1, ch, TimeStepPs, 0, DelayMaxPs, 11,
            [](S &s, int n) -> qint64 & { return s.Channels[n].DelayPs; });
    AddTime("PULS#:WIDT", 1, ch, TimeStepPs, WidthMinPs, WidthMaxPs, 11,
            [](S &s, int n) -> qint64 & { return s.Channels[n].WidthPs; });
    AddTokens("PULS#:MOD", 1, ch, PulseModes,
              [](S &s, int n) -> int & { return s.Channels[n].Mode; });
    AddCount("PULS#:BCO", 1, ch, 1, ChannelCountMax,
             [](S &s, int n) -> quint32 & { return s.Channels[n].BurstCount; });
    AddCount("PULS#:PCO", 1, ch, 1, ChannelCountMax,
             [](S &s, int n) -> quint32 & { return s.Channels[n].DutyOnCount; });
    AddCount("PULS#:OCO", 1, ch, 1, ChannelCountMax,
             [](S &s, int n) -> quint32 & { return s.Channels[n].DutyOffCount; });
    AddCount("PULS#:WCO", 1, ch, 0, ChannelCountMax,
             [](S &s, int n) -> quint32 & { return s.Channels[n].WaitCount; });
    AddTokens("PULS#:OUTP:MOD", 1, ch, OutputModes,
              [](S &s, int n) -> int & { return s.Channels[n].OutputMode; });
    AddTokens("PULS#:OUTP:POL", 1, ch, Polarities,
              [](S &s, int n) -> int & { return s.Channels[n].Polarity; });
    AddVolts("PULS#:OUTP:AMPL", 1, ch, AmplitudeMinCv, AmplitudeMaxCv,
             [](S &s, int n) -> int & { return s.Channels[n].AmplitudeCv; });
    AddCommand(
        "PULS#:MUX", 1, ch,
        [this](int n) { return QByteArray::number(FSettings.Channels[n].MuxMask); },
        [this](int n, const QByteArray &arg, S &s) {
            qint64 value = 0;
            bool overflow = false;
            if (!ParseInteger(arg, value, overflow))
                return errSyntax;
            if (overflow || value < 0 || value > MuxMax())
                return errRange;
            s.Channels[n].MuxMask = int(value);
            return errNone;
        });
    AddTokens("PULS#:CONT", 1, ch, ControlModes,
              [](S &s, int n) -> int & { return s.Channels[n].ControlMode; });
    AddTokens("PULS#:SYNC", 1, ch, SyncSources,
              [](S &s, int n) -> int & { return s.Channels[n].SyncSource; });
    AddTokens("PULS#:CGAT", 1, ch, ChannelGateModes,
              [](S &s, int n) -> int & { return s.Channels[n].GateMode; });
    AddTokens("PULS#:CLOG", 1, ch, Logics,
              [](S &s, int n) -> int & { return s.Channels[n].GateLogic; });

    // Trigger and gate inputs: TRIGn is input n-1, GATEn input n+1.
    AddTokens("TRIG#:MOD", 1, 2, TriggerModes,
              [](S &s, int n) -> int & { return s.Inputs[n - 1].Mode; });
    AddTokens("TRIG#:EDG", 1, 2, Edges,
              [](S &s, int n) -> int & { return s.Inputs[n - 1].EdgeOrLogic; });
    AddTokens("TRIG#:DEB", 1, 2, Debounces,
              [](S &s, int n) -> int & { return s.Inputs[n - 1].Debounce; });
    AddVolts("TRIG#:LEV", 1, 2, ThresholdMinCv, ThresholdMaxCv,
             [](S &s, int n) -> int & { return s.ThresholdCv[S::ThresholdIndex(n - 1)]; });
    AddTokens("GATE#:MOD", 1, 2, GateModes,
              [](S &s, int n) -> int & { return s.Inputs[n + 1].Mode; });
    AddTokens("GATE#:LOG", 1, 2, Logics,
              [](S &s, int n) -> int & { return s.Inputs[n + 1].EdgeOrLogic; });
    AddTokens("GATE#:DEB", 1, 2, Debounces,
              [](S &s, int n) -> int & { return s.Inputs[n + 1].Debounce; });
    // Gate 2 has no level of its own: it shares trigger 2's comparator.
    AddVolts("GATE#:LEV", 1, 1, ThresholdMinCv, ThresholdMaxCv,
             [](S &s, int) -> int & { return s.ThresholdCv[2]; });

    // System settings outside the records.
    AddSwitch("SYST:AUT", 0, 0, [](S &s, int) -> bool & { return s.AutoStart; });
    AddCommand(
        "SYST:ICL", 0, 0, [this](int) { return InputClocks.value(FSettings.InputClock); },
        [](int, const QByteArray &arg, S &s) {
            int index = TokenIndex(arg, InputClocks);
            if (index < 0 && arg.toUpper() == "SYS")
                index = 0;
            if (index < 0)
                return errSyntax;
            s.InputClock = index;
            return errNone;
        });
    AddTokens("SYST:OCL", 0, 0, OutputClocks, [](S &s, int) -> int & { return s.OutputClock; });
    AddTokens("SYST:SYNC", 0, 0, SyncOutputs, [](S &s, int) -> int & { return s.SyncOutput; });
    AddSwitch("COUN:STAT", 0, 0, [](S &s, int) -> bool & { return s.CounterEnabled; });
    AddCommand(
        "COUN:SEL", 0, 0, [this](int) { return CounterSources.value(FSettings.CounterSource); },
        [this](int, const QByteArray &arg, S &s) {
            const int index = TokenIndex(arg, CounterSources);
            if (index < 0)
                return errSyntax;
            if (CounterSourceChannel[index] > FChannelCount)
                return errChannel;
            s.CounterSource = index;
            return errNone;
        });
    AddCommand("COUN:CL", 0, 0, nullptr, [this](int, const QByteArray &arg, S &) {
        qint64 value = 0;
        bool overflow = false;
        if (!ParseInteger(arg, value, overflow))
            return errSyntax;
        if (value != 1)
            return errRange;
        RestartCount(0);
        return errNone;
    });
    AddCommand(
        "COUN:PULS", 0, 0, [this](int) { return QByteArray::number(ShotCount()); }, nullptr);

    // Security, identity and calibration.
    AddCommand(
        "SYST:SEC", 0, 0, [this](int) { return QByteArray(FSecured ? "1" : "0"); },
        [this](int, const QByteArray &arg, S &) {
            if (arg == ServiceCode)
                FSecured = false;
            else if (arg == "0")
                FSecured = true;
            else
                return errLocked;
            return errNone;
        });
    AddCommand(
        "SYST:BAD", 0, 0,
        [this](int) {
            const int badge = FIdentity.Badge == "KT" ? 1 : (FIdentity.Badge == "MRD" ? 0 : -1);
            return QByteArray::number(badge) + ' ' + QByteArray::number(FChannelCount);
        },
        [this](int, const QByteArray &arg, S &) {
            const QList<QByteArray> fields = SplitFields(arg);
            qint64 badge = 0, channels = 0;
            bool overflow = false;
            if (fields.size() != 2 || !ParseInteger(fields[0], badge, overflow) ||
                !ParseInteger(fields[1], channels, overflow))
                return errSyntax;
            if (badge < 0 || badge > 1 ||
                !(channels == 6 || channels == 12 || channels == 24 || channels == 36))
                return errRange;
            FIdentity.Badge = badge == 1 ? "KT" : "MRD";
            // The model string names the channel count within its family.
            const qsizetype dash = FIdentity.Model.lastIndexOf('-');
            if (dash > 0 && ChannelCountOfModel(FIdentity.Model) == FChannelCount &&
                FIdentity.Model.mid(dash + 1) == QByteArray::number(FChannelCount)) {
                const QByteArray model =
                    FIdentity.Model.left(dash + 1) + QByteArray::number(channels);
                if (ChannelCountOfModel(model) == channels)
                    FIdentity.Model = model;
            }
            FChannelCount = int(channels);
            return errNone;
        },
        true);
    AddCalibration("TRIG#:CAL:GAIN", 1, 2, 1000, 5000,
                   [this](int n) -> int & { return FCalibration.AmpGain[n - 1]; });
    AddCalibration("TRIG#:CAL:OFFS", 1, 2, 0, 1000,
                   [this](int n) -> int & { return FCalibration.AmpOffset[n - 1]; });
    AddCalibration("GATE#:CAL:GAIN", 1, 1, 1000, 5000,
                   [this](int) -> int & { return FCalibration.AmpGain[2]; });
    AddCalibration("GATE#:CAL:OFFS", 1, 1, 0, 1000,
                   [this](int) -> int & { return FCalibration.AmpOffset[2]; });
    AddCalibration("PULS#:CAL:WIDT", 1, ch, 0, 50,
                   [this](int n) -> int & { return FCalibration.Channels[n].Width; });
    AddCalibration("PULS#:CAL:DEL", 1, ch, 0, 50,
                   [this](int n) -> int & { return FCalibration.Channels[n].Delay; });
    AddCalibration("PULS#:CAL:GAIN", 1, ch, 2000, 5000,
                   [this](int n) -> int & { return FCalibration.Channels[n].AmpGain; });
    AddCalibration("PULS#:CAL:OFFS", 1, ch, -100, 200,
                   [this](int n) -> int & { return FCalibration.Channels[n].AmpOffset; });
}

// ---------------------------------------------------------------- interpreter

namespace {

// Long forms of the mnemonics, as an operator at a terminal may type them.
const QHash<QByteArray, QByteArray> &LongForms()
{
    static const QHash<QByteArray, QByteArray> forms{
        {"PULSE", "PULS"},   {"SYSTEM", "SYST"},     {"COUNTER", "COUN"}, {"COUNT", "COUN"},
        {"TRIGGER", "TRIG"}, {"GAT", "GATE"},        {"STATE", "STAT"},   {"PERIOD", "PER"},
        {"MODE", "MOD"},     {"DELAY", "DEL"},       {"WIDTH", "WIDT"},   {"OUTPUT", "OUTP"},
        {"POLARITY", "POL"}, {"AMPLITUDE", "AMPL"},  {"CONTROL", "CONT"}, {"EDGE", "EDG"},
        {"LEVEL", "LEV"},    {"DEBOUNCE", "DEB"},    {"LOGIC", "LOG"},    {"ICLOCK", "ICL"},
        {"OCLOCK", "OCL"},   {"SECURITY", "SEC"},    {"AUTO", "AUT"},     {"SELECT", "SEL"},
        {"CLEAR", "CL"},     {"CALIBRATION", "CAL"}, {"OFFSET", "OFFS"},  {"BADGE", "BAD"},
        {"CYCLES", "CYCL"},  {"OFFSETS", "OFFS"}};
    return forms;
}

// ":PULS3:OUTP:AMPL" -> key "PULS#:OUTP:AMPL", index 3; ":PULS0:PER" -> "PULS0:PER", 0.
bool NormalizeHeader(const QByteArray &header, QByteArray &key, int &index)
{
    QByteArray text = header.startsWith(':') ? header.mid(1) : header;
    const QList<QByteArray> nodes = text.split(':');
    if (nodes.isEmpty() || nodes.first().isEmpty())
        return false;
    QByteArray first = nodes.first();
    qsizetype digits = first.size();
    while (digits > 0 && first.at(digits - 1) >= '0' && first.at(digits - 1) <= '9')
        --digits;
    QByteArray name = first.left(digits);
    name = LongForms().value(name, name);
    index = 0;
    if (digits < first.size()) {
        if (first.size() - digits > 3)
            return false;
        index = first.mid(digits).toInt();
        key = name + (name == "PULS" && index == 0 ? "0" : "#");
    } else {
        key = name;
    }
    for (qsizetype i = 1; i < nodes.size(); ++i) {
        if (nodes.at(i).isEmpty())
            return false;
        key += ':' + LongForms().value(nodes.at(i), nodes.at(i));
    }
    return true;
}

} // namespace

QByteArray TInstrument::Execute(const QByteArray &rawLine)
{
    const QByteArray line = Trim(rawLine);
    if (line.isEmpty())
        return ErrorReply(errUnknown);
    // Record queries come as "*CFG?3?" and "*CFG? 0?": the number may follow the
    // mnemonic directly, and a second "?" may close the line.
    if (line.left(5).toUpper() == "*CFG?")
        return QueryRecord(line.mid(5));

    qsizetype blank = 0;
    while (blank < line.size() && line.at(blank) != ' ' && line.at(blank) != '\t')
        ++blank;
    QByteArray header = line.left(blank).toUpper();
    const QByteArray argument = Trim(line.mid(blank));
    const bool query = header.endsWith('?');
    if (query)
        header.chop(1);
    if (header.startsWith('*'))
        return ExecuteCommon(header, argument, query);

    QByteArray key;
    int index = 0;
    if (!NormalizeHeader(header, key, index))
        return ErrorReply(errUnknown);
    const auto found = FCommands.constFind(key);
    if (found == FCommands.constEnd())
        return ErrorReply(errUnknown);
    const TCommand &command = found.value();
    const int maxIndex = command.MaxIndex < 0 ? FChannelCount : command.MaxIndex;
    if (index < command.MinIndex || index > maxIndex)
        return ErrorReply(errChannel);
    if (query) {
        if (!command.Query)
            return ErrorReply(errUnknown);
        if (!argument.isEmpty())
            return ErrorReply(errSyntax);
        return command.Query(index);
    }
    if (!command.Set)
        return ErrorReply(errReadOnly);
    if (argument.isEmpty())
        return ErrorReply(errSyntax);
    if (command.Secured && FSecured)
        return ErrorReply(errLocked);
    TInstrumentSettings settings = FSettings;
    const TError error = command.Set(index, argument, settings);
    if (error != errNone)
        return ErrorReply(error);
    ApplySettings(settings);
    return Acknowledge;
}

QByteArray TInstrument::ExecuteCommon(const QByteArray &header, const QByteArray &argument,
                                      bool query)
{
    const auto number = [&argument](qint64 low, qint64 high, qint64 &value) {
        bool overflow = false;
        if (!ParseInteger(argument, value, overflow))
            return errSyntax;
        return overflow || value < low || value > high ? errRange : errNone;
    };
    qint64 value = 0;
    TError error = errNone;

    if (header == "*IDN") {
        if (!query)
            return ErrorReply(errReadOnly);
        return FIdentity.Badge + ',' + FIdentity.Model + ',' +
               QByteArray::number(FIdentity.SerialNumber) + ',' + FIdentity.Firmware;
    }
    if (header == "*SER") {
        if (query)
            return argument.isEmpty() ? QByteArray::number(FIdentity.SerialNumber)
                                      : ErrorReply(errSyntax);
        if ((error = number(INT_MIN, INT_MAX, value)) != errNone)
            return ErrorReply(error);
        if (FSecured)
            return ErrorReply(errLocked);
        FIdentity.SerialNumber = qint32(value);
        return Acknowledge;
    }
    if (query)
        return ErrorReply(errUnknown);
    if (header == "*CFG")
        return (error = SetRecord(argument)) == errNone ? QByteArray(Acknowledge)
                                                        : ErrorReply(error);
    if (header == "*SAV") {
        if ((error = number(0, TInstrumentSettings::MaxChannels, value)) != errNone)
            return ErrorReply(error);
        if (value > FChannelCount)
            return ErrorReply(errRange);
        if (value == 0) // bin 0 holds the factory defaults
            return ErrorReply(errReadOnly);
        FBins[value] = FSettings;
        return Acknowledge;
    }
    if (header == "*RCL") {
        if ((error = number(0, TInstrumentSettings::MaxChannels, value)) != errNone)
            return ErrorReply(error);
        if (value > FChannelCount)
            return ErrorReply(errRange);
        // A recall changes the settings, not whether the output runs.
        TInstrumentSettings settings = FBins[value];
        settings.Running = FSettings.Running;
        ApplySettings(settings);
        return Acknowledge;
    }
    if (header == "*RST") {
        if (!argument.isEmpty())
            return ErrorReply(errSyntax);
        ApplySettings(FBins[0]);
        return Acknowledge;
    }
    if (header == "*STR") {
        if ((error = number(0, 2, value)) != errNone)
            return ErrorReply(error);
        return FSecured ? ErrorReply(errLocked) : QByteArray(Acknowledge);
    }
    if (header == "*OPT") {
        if (!argument.isEmpty())
            return ErrorReply(errSyntax);
        if (FSecured)
            return ErrorReply(errLocked);
        // The self-calibration centres each channel's timing factors.
        for (auto &c : FCalibration.Channels)
            c.Delay = c.Width = 25;
        return Acknowledge;
    }
    return ErrorReply(errUnknown);
}

// ---------------------------------------------------------------- records

QByteArray TInstrument::SystemRecord() const
{
    const TInstrumentSettings &s = FSettings;
    return QByteArray(s.Running ? "1" : "0") + ' ' + FormatFixed(s.PeriodPs, 12, 9) + ' ' +
           PulseModes.value(s.Mode) + ' ' + QByteArray::number(s.BurstCount) + ' ' +
           QByteArray::number(s.DutyOnCount) + ' ' + QByteArray::number(s.DutyOffCount) + ' ' +
           QByteArray::number(s.CycleCount);
}

QByteArray TInstrument::InputRecord(int input) const
{
    const TInstrumentSettings::TInput &in = FSettings.Inputs[input];
    const bool trigger = input < 2;
    return (trigger ? TriggerModes : GateModes).value(in.Mode) + ' ' +
           (trigger ? Edges : Logics).value(in.EdgeOrLogic) + ' ' +
           FormatFixed(FSettings.ThresholdCv[TInstrumentSettings::ThresholdIndex(input)], 2, 2) +
           ' ' + Debounces.value(in.Debounce);
}

QByteArray TInstrument::ChannelRecord(int channel) const
{
    const TInstrumentSettings::TChannel &c = FSettings.Channels[channel];
    const QList<QByteArray> fields{
        QByteArray(c.Enabled ? "1" : "0"),  FormatFixed(c.DelayPs, 12, 11),
        FormatFixed(c.WidthPs, 12, 11),     PulseModes.value(c.Mode),
        QByteArray::number(c.BurstCount),   QByteArray::number(c.DutyOnCount),
        QByteArray::number(c.DutyOffCount), QByteArray::number(c.WaitCount),
        OutputModes.value(c.OutputMode),    Polarities.value(c.Polarity),
        FormatFixed(c.AmplitudeCv, 2, 2),   QByteArray::number(c.MuxMask),
        ControlModes.value(c.ControlMode),  SyncSources.value(c.SyncSource),
        ChannelGateModes.value(c.GateMode), Logics.value(c.GateLogic)};
    return fields.join(' ');
}

QByteArray TInstrument::QueryRecord(const QByteArray &text) const
{
    QByteArray number = Trim(text);
    if (number.endsWith('?'))
        number = Trim(number.chopped(1));
    qint64 record = 0;
    bool overflow = false;
    if (!ParseInteger(number, record, overflow))
        return ErrorReply(errSyntax);
    if (record == 0)
        return SystemRecord();
    if (record >= 90 && record <= 93)
        return InputRecord(int(record - 90));
    if (record >= 1 && record <= TInstrumentSettings::MaxChannels)
        return record <= FChannelCount ? ChannelRecord(int(record)) : ErrorReply(errChannel);
    return ErrorReply(errRange);
}

TInstrument::TError TInstrument::SetRecord(const QByteArray &text)
{
    QList<QByteArray> fields = SplitFields(text);
    if (fields.isEmpty())
        return errSyntax;
    qint64 record = 0;
    bool overflow = false;
    if (!ParseInteger(fields.takeFirst(), record, overflow))
        return errSyntax;
    TInstrumentSettings settings = FSettings;
    TError error = errRange;
    if (record == 0)
        error = ParseSystemRecord(fields, settings);
    else if (record >= 90 && record <= 93)
        error = ParseInputRecord(int(record - 90), fields, settings);
    else if (record >= 1 && record <= TInstrumentSettings::MaxChannels)
        error = record > FChannelCount ? errChannel
                                       : ParseChannelRecord(fields, settings.Channels[record]);
    if (error == errNone)
        ApplySettings(settings);
    return error;
}

namespace {

// Field parsers shared by the records; each returns 0, 2 (syntax) or 3 (range),
// matching the interpreter's error numbers.
int FieldCount(const QByteArray &text, quint32 low, quint32 high, quint32 &out)
{
    qint64 value = 0;
    bool overflow = false;
    if (!ParseInteger(text, value, overflow))
        return 2;
    if (overflow || value < qint64(low) || value > qint64(high))
        return 3;
    out = quint32(value);
    return 0;
}

int FieldDecimal(const QByteArray &text, int scale, qint64 step, qint64 low, qint64 high,
                 qint64 &out)
{
    qint64 value = 0;
    bool overflow = false;
    if (!ParseDecimal(text, scale, step, value, overflow))
        return 2;
    if (overflow || value < low || value > high)
        return 3;
    out = value;
    return 0;
}

int FieldToken(const QByteArray &text, const QList<QByteArray> &tokens, int &out)
{
    const int index = TokenIndex(text, tokens);
    if (index < 0)
        return 2;
    out = index;
    return 0;
}

int FieldSwitch(const QByteArray &text, bool &out)
{
    const int index = SwitchIndex(text);
    if (index < 0)
        return 2;
    out = index == 1;
    return 0;
}

int FieldInteger(const QByteArray &text, qint64 low, qint64 high, qint64 &out)
{
    qint64 value = 0;
    bool overflow = false;
    if (!ParseInteger(text, value, overflow))
        return 2;
    if (overflow || value < low || value > high)
        return 3;
    out = value;
    return 0;
}

} // namespace

TInstrument::TError TInstrument::ParseSystemRecord(const QList<QByteArray> &f,
                                                   TInstrumentSettings &s) const
{
    if (f.size() != 7)
        return errSyntax;
    int e = FieldSwitch(f[0], s.Running);
    if (!e)
        e = FieldDecimal(f[1], 12, PeriodStepPs, PeriodMinPs, PeriodMaxPs, s.PeriodPs);
    if (!e)
        e = FieldToken(f[2], PulseModes, s.Mode);
    if (!e)
        e = FieldCount(f[3], 1, SystemCountMax, s.BurstCount);
    if (!e)
        e = FieldCount(f[4], 1, SystemCountMax, s.DutyOnCount);
    if (!e)
        e = FieldCount(f[5], 1, SystemCountMax, s.DutyOffCount);
    if (!e)
        e = FieldCount(f[6], 0, ChannelCountMax, s.CycleCount);
    return TError(e == 0 ? errNone : (e == 2 ? errSyntax : errRange));
}

TInstrument::TError TInstrument::ParseInputRecord(int input, const QList<QByteArray> &f,
                                                  TInstrumentSettings &s) const
{
    if (f.size() != 4)
        return errSyntax;
    const bool trigger = input < 2;
    TInstrumentSettings::TInput &in = s.Inputs[input];
    qint64 threshold = 0;
    int e = FieldToken(f[0], trigger ? TriggerModes : GateModes, in.Mode);
    if (!e)
        e = FieldToken(f[1], trigger ? Edges : Logics, in.EdgeOrLogic);
    if (!e)
        e = FieldDecimal(f[2], 2, 1, ThresholdMinCv, ThresholdMaxCv, threshold);
    if (!e)
        e = FieldToken(f[3], Debounces, in.Debounce);
    if (!e)
        s.ThresholdCv[TInstrumentSettings::ThresholdIndex(input)] = int(threshold);
    return TError(e == 0 ? errNone : (e == 2 ? errSyntax : errRange));
}

TInstrument::TError TInstrument::ParseChannelRecord(const QList<QByteArray> &f,
                                                    TInstrumentSettings::TChannel &c) const
{
    if (f.size() != 16)
        return errSyntax;
    qint64 amplitude = 0, mux = 0;
    int e = FieldSwitch(f[0], c.Enabled);
    if (!e)
        e = FieldDecimal(f[1], 12, TimeStepPs, 0, DelayMaxPs, c.DelayPs);
    if (!e)
        e = FieldDecimal(f[2], 12, TimeStepPs, WidthMinPs, WidthMaxPs, c.WidthPs);
    if (!e)
        e = FieldToken(f[3], PulseModes, c.Mode);
    if (!e)
        e = FieldCount(f[4], 1, ChannelCountMax, c.BurstCount);
    if (!e)
        e = FieldCount(f[5], 1, ChannelCountMax, c.DutyOnCount);
    if (!e)
        e = FieldCount(f[6], 1, ChannelCountMax, c.DutyOffCount);
    if (!e)
        e = FieldCount(f[7], 0, ChannelCountMax, c.WaitCount);
    if (!e)
        e = FieldToken(f[8], OutputModes, c.OutputMode);
    if (!e)
        e = FieldToken(f[9], Polarities, c.Polarity);
    if (!e)
        e = FieldDecimal(f[10], 2, 1, AmplitudeMinCv, AmplitudeMaxCv, amplitude);
    if (!e)
        e = FieldInteger(f[11], 0, MuxMax(), mux);
    if (!e)
        e = FieldToken(f[12], ControlModes, c.ControlMode);
    if (!e)
        e = FieldToken(f[13], SyncSources, c.SyncSource);
    if (!e)
        e = FieldToken(f[14], ChannelGateModes, c.GateMode);
    if (!e)
        e = FieldToken(f[15], Logics, c.GateLogic);
    if (!e) {
        c.AmplitudeCv = int(amplitude);
        c.MuxMask = int(mux);
    }
    return TError(e == 0 ? errNone : (e == 2 ? errSyntax : errRange));
}

// ---------------------------------------------------------------- shot counter

quint64 TInstrument::PulsesSinceOrigin(qint64 nowNs) const
{
    const TInstrumentSettings &s = FSettings;
    if (!s.Running || s.Inputs[0].Mode == 1) // triggered: waits for external triggers
        return 0;
    const qint64 elapsedNs = std::max<qint64>(0, nowNs - FOriginNs);
    // A pulse at the start and one at the start of every further period.
    const quint64 periods = quint64((unsigned __int128)elapsedNs * 1000 / quint64(s.PeriodPs)) + 1;
    switch (s.Mode) {
    case 1: // single shot
        return 1;
    case 2: // burst
        return std::min<quint64>(periods, s.BurstCount);
    case 3: { // duty cycle: on counts fire, off counts stay quiet, for the cycle count (0: for
              // ever)
        const quint64 cycle = quint64(s.DutyOnCount) + s.DutyOffCount;
        quint64 pulses =
            periods / cycle * s.DutyOnCount + std::min<quint64>(periods % cycle, s.DutyOnCount);
        if (s.CycleCount > 0)
            pulses = std::min<quint64>(pulses, quint64(s.CycleCount) * s.DutyOnCount);
        return pulses;
    }
    default:
        return periods;
    }
}

void TInstrument::ApplySettings(const TInstrumentSettings &s)
{
    const qint64 now = Now();
    if (Counting())
        FShotBase += PulsesSinceOrigin(now) - std::min(FSegmentPulses, PulsesSinceOrigin(now));
    const TInstrumentSettings &old = FSettings;
    const bool patternChanged =
        old.PeriodPs != s.PeriodPs || old.Mode != s.Mode || old.BurstCount != s.BurstCount ||
        old.DutyOnCount != s.DutyOnCount || old.DutyOffCount != s.DutyOffCount ||
        old.CycleCount != s.CycleCount || old.Inputs[0].Mode != s.Inputs[0].Mode;
    const bool restart = s.Running && (!old.Running || patternChanged);
    FSettings = s;
    if (restart)
        FOriginNs = now;
    FSegmentPulses = restart ? 0 : PulsesSinceOrigin(now);
}

void TInstrument::RestartCount(quint64 count)
{
    FShotBase = count;
    FSegmentPulses = PulsesSinceOrigin(Now());
}

quint64 TInstrument::ShotCount() const
{
    if (!Counting())
        return FShotBase;
    const quint64 pulses = PulsesSinceOrigin(Now());
    return FShotBase + pulses - std::min(FSegmentPulses, pulses);
}

void TInstrument::SetShotCount(quint64 count)
{
    RestartCount(count);
}
