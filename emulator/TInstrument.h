#pragma once

// The emulated pulse generator: its state and its command interpreter. One line
// in, exactly one reply out (without the terminating CR). No port, no timers:
// the shot count is worked out from the clock when it is asked for.
//
// Its tables of commands, tokens, record layouts and limits are its own on
// purpose, kept apart from the program's (src/protocol): the emulator is the
// independent peer the tests hold the program against, so a mistake made in one
// table is not silently repeated in the other. It includes nothing of the
// program's protocol library.

#include "emulator/TInstrumentSettings.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <array>
#include <functional>

class TInstrument
{
public:
    using TClock = std::function<qint64()>; // monotonic nanoseconds

    struct TIdentity
    {
        QByteArray Badge = "KT";
        QByteArray Model = "7310-12";
        qint32 SerialNumber = 10234;
        QByteArray Firmware = "2.04-1.12"; // firmware and FPGA versions joined by "-"
    };

    struct TCalibration
    {
        struct TChannel
        {
            int Width = 25;
            int Delay = 25;
            int AmpGain = 3000;
            int AmpOffset = 100;

            bool operator==(const TChannel &) const = default;
        };
        std::array<int, 3> AmpGain{2500, 2500, 2500}; // trigger 1, trigger/gate 2, gate 1
        std::array<int, 3> AmpOffset{100, 100, 100};
        std::array<TChannel, TInstrumentSettings::MaxChannels + 1> Channels{};

        bool operator==(const TCalibration &) const = default;
    };

    static constexpr const char *ServiceCode = "48213";
    static constexpr const char *Acknowledge = "OK";

    TInstrument();
    explicit TInstrument(const TIdentity &identity, TClock clock = TClock());

    QByteArray Execute(const QByteArray &line);

    // Channel count of a model string; 12 for any string outside the family's table.
    static int ChannelCountOfModel(const QByteArray &model);
    static TInstrumentSettings FactoryDefaults();
    static TCalibration FactoryCalibration();

    const TIdentity &Identity() const { return FIdentity; }
    int ChannelCount() const { return FChannelCount; }
    const TInstrumentSettings &Settings() const { return FSettings; }
    const TCalibration &Calibration() const { return FCalibration; }
    bool Secured() const { return FSecured; }
    void SetSecured(bool on) { FSecured = on; }
    quint64 ShotCount() const;
    void SetShotCount(quint64 count);

private:
    enum TError
    {
        errNone,
        errUnknown,
        errSyntax,
        errRange,
        errChannel,
        errLocked,
        errReadOnly
    };
    using TSetter = std::function<TError(int, const QByteArray &, TInstrumentSettings &)>;
    struct TCommand
    {
        int MinIndex = 0;
        int MaxIndex = 0; // -1: the channel count
        bool Secured = false;
        std::function<QByteArray(int)> Query;
        TSetter Set;
    };
    template <typename T> using TField = std::function<T &(TInstrumentSettings &, int)>;

    static QByteArray ErrorReply(TError error);
    void BuildCommands();
    void AddCommand(const QByteArray &path, int minIndex, int maxIndex,
                    std::function<QByteArray(int)> query, TSetter set, bool secured = false);
    void AddTokens(const QByteArray &path, int minIndex, int maxIndex,
                   const QList<QByteArray> &tokens, TField<int> field);
    void AddSwitch(const QByteArray &path, int minIndex, int maxIndex, TField<bool> field);
    void AddCount(const QByteArray &path, int minIndex, int maxIndex, quint32 low, quint32 high,
                  TField<quint32> field);
    void AddTime(const QByteArray &path, int minIndex, int maxIndex, qint64 stepPs, qint64 lowPs,
                 qint64 highPs, int decimals, TField<qint64> field);
    void AddVolts(const QByteArray &path, int minIndex, int maxIndex, int lowCv, int highCv,
                  TField<int> field);
    void AddCalibration(const QByteArray &path, int minIndex, int maxIndex, int low, int high,
                        std::function<int &(int)> field);
    int MuxMax() const { return FChannelCount > 6 ? 31 : 15; }
    QByteArray ExecuteCommon(const QByteArray &header, const QByteArray &argument, bool query);
    QByteArray QueryRecord(const QByteArray &text) const;
    TError SetRecord(const QByteArray &text);

    QByteArray SystemRecord() const;
    QByteArray InputRecord(int input) const;
    QByteArray ChannelRecord(int channel) const;
    TError ParseSystemRecord(const QList<QByteArray> &fields, TInstrumentSettings &s) const;
    TError ParseInputRecord(int input, const QList<QByteArray> &fields,
                            TInstrumentSettings &s) const;
    TError ParseChannelRecord(const QList<QByteArray> &fields,
                              TInstrumentSettings::TChannel &c) const;

    // The shot counter. The pulse pattern starts at FOriginNs, when the output was
    // started or its pattern changed; the count is FShotBase plus the pulses made
    // since FSegmentPulses, while the output runs and the counter is enabled.
    qint64 Now() const { return FClock(); }
    quint64 PulsesSinceOrigin(qint64 nowNs) const;
    bool Counting() const { return FSettings.Running && FSettings.CounterEnabled; }
    // Every change of the settings goes through here, so that the count stays right.
    void ApplySettings(const TInstrumentSettings &s);
    void RestartCount(quint64 count);

    TIdentity FIdentity;
    TClock FClock;
    int FChannelCount;
    bool FSecured = true;
    TInstrumentSettings FSettings;
    TCalibration FCalibration;
    std::array<TInstrumentSettings, TInstrumentSettings::MaxChannels + 1> FBins;
    quint64 FShotBase = 0;
    qint64 FOriginNs = 0;
    quint64 FSegmentPulses = 0;
    QHash<QByteArray, TCommand> FCommands;
};
