#include "protocol/SettingCommands.h"

#include "protocol/SettingTable.h"
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

const TSettingRow &Sys(const char *name)
{
    return SettingRow(TSettingScope::System, name);
}

const TSettingRow &In(const char *name)
{
    return SettingRow(TSettingScope::Input, name);
}

QString Ch(int chnum, const char *name, double value)
{
    return SettingCommand(SettingRow(TSettingScope::Channel, name), value, chnum);
}
QLatin1String CalMnemonic(TCalFactor factor)
{
    switch (factor) {
    case TCalFactor::Width:
        return QLatin1String(":CAL:WIDT");
    case TCalFactor::Delay:
        return QLatin1String(":CAL:DEL");
    case TCalFactor::Gain:
        return QLatin1String(":CAL:GAIN");
    case TCalFactor::Offset:
        break;
    }
    return QLatin1String(":CAL:OFFS");
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
    const int items = MuxItemCount(channelCount);
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
    return Ch(chnum, "Enabled", on);
}

QString ChDelayCommand(int chnum, double seconds)
{
    return Ch(chnum, "Delay", seconds);
}

QString ChWidthCommand(int chnum, double seconds)
{
    return Ch(chnum, "Width", seconds);
}

QString ChModeCommand(int chnum, int item)
{
    return Ch(chnum, "Mode", item);
}

QString ChBurstCountCommand(int chnum, qint32 count)
{
    return Ch(chnum, "BurstCount", count);
}

QString ChWaitCountCommand(int chnum, qint32 count)
{
    return Ch(chnum, "WaitCount", count);
}

QString ChDutyOnCommand(int chnum, qint32 count)
{
    return Ch(chnum, "DutyCycleOn", count);
}

QString ChDutyOffCommand(int chnum, qint32 count)
{
    return Ch(chnum, "DutyCycleOff", count);
}

QString ChPolarityCommand(int chnum, int item)
{
    return Ch(chnum, "Polarity", item);
}

QString ChOutputModeCommand(int chnum, int item)
{
    return Ch(chnum, "OutputMode", item);
}

QString ChAmplitudeCommand(int chnum, double volts)
{
    return Ch(chnum, "Amplitude", volts);
}

QString ChMuxCommand(int chnum, qint32 mask)
{
    return Ch(chnum, "Multiplexer", mask);
}

QString ChControlCommand(int chnum, int item)
{
    return Ch(chnum, "ChannelControl", item);
}

QString ChSyncSourceCommand(int chnum, int item)
{
    return Ch(chnum, "SyncSource", item);
}

QString ChGateModeCommand(int chnum, int item)
{
    return Ch(chnum, "GateMode", item);
}

QString ChGateLogicCommand(int chnum, int item)
{
    return Ch(chnum, "GateLogic", item);
}

// ---- System commands

QString PeriodCommand(double seconds)
{
    return SettingCommand(Sys("Period"), seconds);
}

QString SystemModeCommand(int item)
{
    return SettingCommand(Sys("PulseMode"), item);
}

QString SysBurstCountCommand(quint32 count)
{
    return SettingCommand(Sys("BurstCount"), count);
}

QString SysDutyOnCommand(quint32 count)
{
    return SettingCommand(Sys("DutyCycleOnCounts"), count);
}

QString SysDutyOffCommand(quint32 count)
{
    return SettingCommand(Sys("DutyCycleOffCounts"), count);
}

QString SysCycleCountCommand(qint32 count)
{
    return SettingCommand(Sys("CycleCounts"), count);
}

QString AutoStartCommand(bool on)
{
    return SettingCommand(Sys("AutoStart"), on);
}

QString SyncOutputCommand(int item)
{
    return SettingCommand(Sys("SyncOutput"), item);
}

QString InputClockCommand(int item)
{
    return SettingCommand(Sys("InputClock"), item);
}

QString OutputClockCommand(int item)
{
    return SettingCommand(Sys("OutputClock"), item);
}

QString ShotCountEnableCommand(bool on)
{
    return SettingCommand(Sys("CounterEnabled"), on);
}

QString ClearShotCountCommand()
{
    return QStringLiteral(":COUN:CL 1");
}

QString CounterSourceCommand(int item)
{
    return SettingCommand(Sys("CounterSource"), item);
}

QString RunCommand(bool on)
{
    return SettingCommand(Sys("RunState"), on);
}

QString RunStateQuery()
{
    const TSettingRow &row = Sys("RunState");
    return SettingHead(row) + row.Mnemonic;
}

QString ShotCountQuery()
{
    return QStringLiteral(":COUN:PULS");
}

QString SaveBinCommand(int bin)
{
    return QStringLiteral("*SAV ") + QString::number(bin);
}

QString RecallBinCommand(int bin)
{
    return QStringLiteral("*RCL ") + QString::number(bin);
}

// ---- Trigger and gate inputs: the first input's row, renumbered

QString TriggerModeCommand(int input, int item)
{
    return SettingCommand(In("Trigger1Mode"), item, input);
}

QString TriggerEdgeCommand(int input, int item)
{
    return SettingCommand(In("Trigger1Edge"), item, input);
}

QString TriggerDebounceCommand(int input, int item)
{
    return SettingCommand(In("Trigger1Debounce"), item, input);
}

QString TriggerLevelCommand(int input, double volts)
{
    return SettingCommand(In("Trigger1Threshold"), volts, input);
}

QString GateModeCommand(int input, int item)
{
    return SettingCommand(In("Gate1Mode"), item, input);
}

QString GateLogicCommand(int input, int item)
{
    return SettingCommand(In("Gate1Logic"), item, input);
}

QString GateDebounceCommand(int input, int item)
{
    return SettingCommand(In("Gate1Debounce"), item, input);
}

QString GateLevelCommand(int input, double volts)
{
    return SettingCommand(In("Gate1Threshold"), volts, input);
}

// ---- Service commands

// An input's factors are addressed as its mode is: ":TRIG1", ":TRIG2", and the long form
// ":GATE1" of the first gate; a channel's as its settings, ":PULSn".
QString InputCalMnemonic(TCalInput input, TCalFactor factor)
{
    static const char *const modes[] = {"Trigger1Mode", "Trigger2Mode", "Gate1Mode"};
    return SettingHead(In(modes[int(input)])) + CalMnemonic(factor);
}

QString ChCalMnemonic(int chnum, TCalFactor factor)
{
    return SettingHead(SettingRow(TSettingScope::Channel, QStringLiteral("Delay")), chnum) +
           CalMnemonic(factor);
}

QString InputCalCommand(TCalInput input, TCalFactor factor, qint32 value)
{
    return InputCalMnemonic(input, factor) + QLatin1Char(' ') + QString::number(value);
}

QString ChCalCommand(int chnum, TCalFactor factor, qint32 value)
{
    return ChCalMnemonic(chnum, factor) + QLatin1Char(' ') + QString::number(value);
}

QString StoreCalibrationCommand(int slot)
{
    return QStringLiteral("*STR ") + QString::number(slot);
}

QString OptimizeCalibrationCommand()
{
    return QStringLiteral("*OPT");
}

QString SerialNumberQuery()
{
    return QStringLiteral("*SER");
}

QString SerialNumberCommand(qint32 serial)
{
    return SerialNumberQuery() + QLatin1Char(' ') + QString::number(serial);
}

QString BadgeQuery()
{
    return QStringLiteral(":SYST:BAD");
}

QString BadgeCommand(int badgeIndex, int channelCount)
{
    return BadgeLine(QString::number(badgeIndex) + QLatin1Char(' ') +
                     QString::number(channelCount));
}

QString BadgeLine(const QString &reply)
{
    return BadgeQuery() + QLatin1Char(' ') + reply;
}

QString SecurityQuery()
{
    return QStringLiteral(":SYST:SEC");
}

QString UnlockCommand()
{
    return SecurityQuery() + QStringLiteral(" 48213");
}

namespace {
// A command's mnemonic as levels, upper case, the channel or input numbers and the
// query's "?" left out: ":pulse3:cal:del? " gives PULSE, CAL, DEL.
QStringList MnemonicLevels(const QString &line)
{
    const QString trimmed = line.trimmed();
    const auto blank = std::find_if(trimmed.begin(), trimmed.end(), [](QChar c) { return c.isSpace(); });
    const QString head = trimmed.first(blank - trimmed.begin()).toUpper();
    QStringList levels;
    for (QString level : head.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        level.remove(QLatin1Char('?'));
        level.erase(std::remove_if(level.begin(), level.end(), [](QChar c) { return c.isDigit(); }),
                    level.end());
        levels << level;
    }
    return levels;
}

// The service mnemonics as the builders above spell them. A line matches one when each
// of its levels begins with the builder's level (a long form begins with the short one);
// a calibration factor's head (the channel or input) may be any.
struct TServicePattern
{
    QStringList Levels;
    bool AnyHead = false;
};

const QList<TServicePattern> &ServicePatterns()
{
    static const QList<TServicePattern> patterns = [] {
        QList<TServicePattern> list;
        for (const QString &command :
             {UnlockCommand(), SerialNumberQuery(), BadgeQuery(), StoreCalibrationCommand(1),
              OptimizeCalibrationCommand()})
            list.append({MnemonicLevels(command), false});
        for (TCalFactor factor :
             {TCalFactor::Width, TCalFactor::Delay, TCalFactor::Gain, TCalFactor::Offset})
            list.append({MnemonicLevels(ChCalMnemonic(1, factor)), true});
        return list;
    }();
    return patterns;
}
} // namespace

bool IsServiceCommand(const QString &line)
{
    const QStringList levels = MnemonicLevels(line);
    for (const TServicePattern &pattern : ServicePatterns()) {
        if (levels.size() != pattern.Levels.size())
            continue;
        bool match = true;
        for (qsizetype i = pattern.AnyHead ? 1 : 0; match && i < levels.size(); ++i)
            match = levels[i].startsWith(pattern.Levels[i]);
        if (match)
            return true;
    }
    return false;
}
