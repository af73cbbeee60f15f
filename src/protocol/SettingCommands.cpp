#include "protocol/SettingCommands.h"

#include "protocol/SystemQueryTables.h"
#include "protocol/Tokens.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {
// Adds one to a string of decimal digits.
void Increment(std::string &digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

QString Channel(int chnum, const char *mnemonic, const QString &argument)
{
    return QStringLiteral(":PULS") + QString::number(chnum) + QLatin1String(mnemonic) + argument;
}

QString Input(const char *prefix, int input, const char *mnemonic, const QString &argument)
{
    return QLatin1String(prefix) + QString::number(input) + QLatin1String(mnemonic) + argument;
}

QString Line(const char *mnemonic, const QString &argument)
{
    return QLatin1String(mnemonic) + argument;
}

QString OnOffText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

QString FormatFixed(double value, int decimals)
{
    decimals = qMax(0, decimals);
    char buffer[64];
    // Shortest text that reads back as the same double, in the form d.ddde[+-]xx.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific);
    const std::string text(buffer, result.ptr);
    if (!std::isfinite(value))
        return QString::fromStdString(text); // never a number the instrument would take

    const std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    const int exponent = std::stoi(text.substr(e + 1));
    mantissa.erase(std::remove(mantissa.begin(), mantissa.end(), '.'), mantissa.end());

    // Digit k of the mantissa weighs 10^(exponent - k); keep those down to 10^-decimals.
    const int kept = exponent + decimals + 1;
    std::string units; // the value in units of 10^-decimals
    bool roundUp = false;
    if (kept <= 0) {
        units = "0";
        roundUp = kept == 0 && mantissa[0] >= '5';
    } else {
        units = mantissa.substr(0, std::min<std::size_t>(kept, mantissa.size()));
        units.append(std::size_t(kept) - units.size(), '0');
        roundUp = std::size_t(kept) < mantissa.size() && mantissa[kept] >= '5';
    }
    if (roundUp)
        Increment(units);
    if (units.size() < std::size_t(decimals) + 1)
        units.insert(0, std::size_t(decimals) + 1 - units.size(), '0');
    if (decimals > 0)
        units.insert(units.size() - decimals, 1, '.');

    const bool zero = units.find_first_not_of("0.") == std::string::npos;
    QString formatted = QString::fromStdString(units);
    if (std::signbit(value) && !zero)
        formatted.prepend(QLatin1Char('-'));
    return formatted;
}

QString FormatSeconds(double seconds)
{
    return FormatFixed(seconds, 11);
}

QString FormatPeriod(double seconds)
{
    return FormatFixed(seconds, 9);
}

QString FormatVolts(double volts)
{
    return FormatFixed(volts, 2);
}

quint32 RoundCount(double value)
{
    if (!std::isfinite(value))
        return 0;
    // Beyond 2^63 a double holds only whole numbers anyway; keep the conversion defined.
    value = std::clamp(value, -9.2e18, 9.2e18);
    const double lower = std::floor(value);
    const double fraction = value - lower;
    qint64 n = qint64(lower);
    if (fraction > 0.5 || (fraction == 0.5 && (n & 1) != 0))
        ++n;
    return quint32(quint64(n));
}

QString TokenAt(const QStringList &tokens, int index)
{
    return index >= 0 && index < tokens.size() ? tokens[index] : QString();
}

const QStringList &SyncOutputCommandTokens()
{
    static const QStringList tokens = SyncOutputTable().Tokens.mid(0, SyncOutputTable().ItemCount);
    return tokens;
}

const QStringList &InputClockCommandTokens()
{
    static const QStringList tokens = [] {
        const TSystemQueryTable &t = InputClockTable();
        QStringList list = t.Tokens.mid(0, t.ItemCount);
        list[0] = QStringLiteral("SYS");
        return list;
    }();
    return tokens;
}

const QStringList &OutputClockCommandTokens()
{
    static const QStringList tokens =
        OutputClockTable().Tokens.mid(0, OutputClockTable().ItemCount);
    return tokens;
}

const QStringList &CounterSourceCommandTokens()
{
    static const QStringList tokens =
        CounterSourceTable().Tokens.mid(0, CounterSourceTable().ItemCount);
    return tokens;
}

qint32 MuxMask(const QList<bool> &checked, int channelCount)
{
    const int items = channelCount > 6 ? 5 : 4;
    qint32 mask = 0;
    for (int i = 0; i < items && i < checked.size(); ++i) {
        if (checked[i])
            mask |= 1 << i;
    }
    return mask;
}

// ---- Channel commands

QString ChEnableCommand(int chnum, bool on)
{
    return Channel(chnum, ":STAT ", OnOffText(on));
}

QString ChDelayCommand(int chnum, double seconds)
{
    return Channel(chnum, ":DEL ", FormatSeconds(seconds));
}

QString ChWidthCommand(int chnum, double seconds)
{
    return Channel(chnum, ":WIDT ", FormatSeconds(seconds));
}

QString ChModeCommand(int chnum, int item)
{
    return Channel(chnum, ":MOD ", TokenAt(PulseModeTokens(), item));
}

QString ChBurstCountCommand(int chnum, qint32 count)
{
    return Channel(chnum, ":BCO ", QString::number(count));
}

QString ChWaitCountCommand(int chnum, qint32 count)
{
    return Channel(chnum, ":WCO ", QString::number(count));
}

QString ChDutyOnCommand(int chnum, qint32 count)
{
    return Channel(chnum, ":PCO ", QString::number(count));
}

QString ChDutyOffCommand(int chnum, qint32 count)
{
    return Channel(chnum, ":OCO ", QString::number(count));
}

QString ChPolarityCommand(int chnum, int item)
{
    return Channel(chnum, ":OUTP:POL ", TokenAt(PolarityTokens(), item));
}

QString ChOutputModeCommand(int chnum, int item)
{
    return Channel(chnum, ":OUTP:MOD ", TokenAt(OutputModeTokens(), item));
}

QString ChAmplitudeCommand(int chnum, double volts)
{
    return Channel(chnum, ":OUTP:AMPL ", FormatVolts(volts));
}

QString ChMuxCommand(int chnum, qint32 mask)
{
    return Channel(chnum, ":MUX ", QString::number(mask));
}

QString ChControlCommand(int chnum, int item)
{
    return Channel(chnum, ":CONT ", TokenAt(ChannelControlTokens(), item));
}

QString ChSyncSourceCommand(int chnum, int item)
{
    return Channel(chnum, ":SYNC ", TokenAt(SyncSourceTokens(), item));
}

QString ChGateModeCommand(int chnum, int item)
{
    return Channel(chnum, ":CGAT ", TokenAt(ChannelGateModeTokens(), item));
}

QString ChGateLogicCommand(int chnum, int item)
{
    return Channel(chnum, ":CLOG ", TokenAt(LogicTokens(), item));
}

// ---- System commands

QString PeriodCommand(double seconds)
{
    return Line(":PULS0:PER ", FormatPeriod(seconds));
}

QString SystemModeCommand(int item)
{
    return Line(":PULS0:MOD ", TokenAt(PulseModeTokens(), item));
}

QString SysBurstCountCommand(quint32 count)
{
    return Line(":PULS0:BCO ", QString::number(count));
}

QString SysDutyOnCommand(quint32 count)
{
    return Line(":PULS0:PCO ", QString::number(count));
}

QString SysDutyOffCommand(quint32 count)
{
    return Line(":PULS0:OCO ", QString::number(count));
}

QString SysCycleCountCommand(qint32 count)
{
    return Line(":PULS0:CYCL ", QString::number(count));
}

QString AutoStartCommand(bool on)
{
    return Line(":SYST:AUT ", OnOffText(on));
}

QString SyncOutputCommand(int item)
{
    return Line(":SYST:SYNC ", TokenAt(SyncOutputCommandTokens(), item));
}

QString InputClockCommand(int item)
{
    return Line(":SYST:ICL ", TokenAt(InputClockCommandTokens(), item));
}

QString OutputClockCommand(int item)
{
    return Line(":SYST:OCL ", TokenAt(OutputClockCommandTokens(), item));
}

QString ShotCountEnableCommand(bool on)
{
    return Line(":COUN:STAT ", OnOffText(on));
}

QString ClearShotCountCommand()
{
    return QStringLiteral(":COUN:CL 1");
}

QString CounterSourceCommand(int item)
{
    return Line(":COUN:SEL ", TokenAt(CounterSourceCommandTokens(), item));
}

// ---- Trigger and gate inputs

QString TriggerModeCommand(int input, int item)
{
    return Input(":TRIG", input, ":MOD ", TokenAt(TriggerModeTokens(), item));
}

QString TriggerEdgeCommand(int input, int item)
{
    return Input(":TRIG", input, ":EDG ", TokenAt(EdgeTokens(), item));
}

QString TriggerDebounceCommand(int input, int item)
{
    return Input(":TRIG", input, ":DEB ", TokenAt(DebounceTokens(), item));
}

QString TriggerLevelCommand(int input, double volts)
{
    return Input(":TRIG", input, ":LEV ", FormatVolts(volts));
}

QString GateModeCommand(int input, int item)
{
    return Input(":GATE", input, ":MOD ", TokenAt(GateInputModeTokens(), item));
}

QString GateLogicCommand(int input, int item)
{
    return Input(":GAT", input, ":LOG ", TokenAt(LogicTokens(), item));
}

QString GateDebounceCommand(int input, int item)
{
    return Input(":GAT", input, ":DEB ", TokenAt(DebounceTokens(), item));
}

QString GateLevelCommand(int input, double volts)
{
    return Input(":GATE", input, ":LEV ", FormatVolts(volts));
}
