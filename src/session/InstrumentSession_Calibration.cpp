// The calibration: the serial number, the badge and every factor read back into the state
// and CalibrationList (the lines a calibration file holds), and a calibration file
// replayed before such a read-back.

#include "session/InstrumentSession.h"

#include "base/DateTimeText.h"
#include "base/ErrorReport.h"
#include "base/ReadableText.h"
#include "comm/CommandScriptReplay.h"
#include "comm/Communication.h"
#include "comm/ConfigurationReader.h"
#include "comm/TKTComPort.h"
#include "protocol/Conversions.h"

#include <optional>

qint32 &TCalibrationValues::Input(TCalInput input, TCalFactor factor)
{
    const bool gain = factor == TCalFactor::Gain;
    switch (input) {
    case TCalInput::Trigger1:
        return gain ? Trigger1Gain : Trigger1Offset;
    case TCalInput::Trigger2:
        return gain ? Trigger2Gain : Trigger2Offset;
    case TCalInput::Gate1:
        break;
    }
    return gain ? Gate1Gain : Gate1Offset;
}

void InstrumentSession::EndRetrieve()
{
    Comm->CommandsDisabled = false;
    CalibrationRetrievePending = false;
    emit CalibrationReadEnded();
}

InstrumentSession::TCalibrationRead InstrumentSession::FailRetrieve(const QString &failure,
                                                                    bool report)
{
    CalibrationFailure = failure;
    EndRetrieve();
    if (report)
        emit Failure(failure);
    return CalibrationFailed;
}

InstrumentSession::TCalibrationRead InstrumentSession::RetrieveCals(bool report, int channels)
{
    CalibrationRetrievePending = true;
    CalibrationFailure = QStringLiteral("the read-back waits for the port");
    // An initialization (or a drain, or another read-back) under way further up the call
    // stack counts as busy too: a read-back run inside one would allow commands again at
    // its end, and the rest of the initialization would echo every value it writes into
    // the views back to the instrument.
    if (TransactionsBusy())
        return CalibrationDeferred;
    if (!SystemUnsecured)
        Comm->CommandToPort(UnlockCommand().toLatin1());
    if (FTerminating)
        return CalibrationAbandoned;

    QStringList &list = CalibrationList;
    list.clear();
    list << QStringLiteral("// ") + LocalDateTimeText()
         << QStringLiteral("// ") + CaptionWithReadbackState()
         << QStringLiteral("// Serial Number: ") + QString::number(Identity.SerialNumber)
         << QStringLiteral("// Firmware Version: ") + Identity.FirmwareVersion
         << QStringLiteral("// FPGA Version: ") + Identity.FPGAVersion;

    emit CalibrationReadStarted();
    Comm->CommandsDisabled = true;
    list << UnlockCommand();

    // Every factor is a number: a reply that is none (or nothing) ends the read-back
    // rather than read as 0, which a backup would later write into the instrument.
    QString failure;
    const auto readNumber = [&](const QByteArray &mnemonic) -> std::optional<qint32> {
        const QString reply = Comm->QueryPort(mnemonic);
        if (FTerminating)
            return std::nullopt;
        const std::optional<qint32> value = TryStrToInt(TrimBoth(reply));
        if (!value)
            failure = ConfigurationReader::UnreadableText(
                mnemonic, reply, ConfigurationReader::UnreadableNumber(reply));
        return value;
    };

    const std::optional<qint32> serial = readNumber(SerialNumberQuery().toLatin1());
    if (FTerminating)
        return CalibrationAbandoned;
    if (!serial)
        return FailRetrieve(failure, report);
    Identity.SerialNumber = *serial;
    emit SerialNumberRead();
    list << SerialNumberCommand(*serial);

    const QString badgeReply = Comm->QueryPort(BadgeQuery().toLatin1());
    if (FTerminating)
        return CalibrationAbandoned;
    list << BadgeLine(badgeReply);
    // The badge index is the text before the first space; without a space there is none.
    const qsizetype space = badgeReply.indexOf(u' ');
    try {
        Calibration.BadgeIndex = StrToInt(TrimRight(space < 0 ? QString() : badgeReply.left(space)));
    } catch (const EConvertError &error) {
        return FailRetrieve(
            ConfigurationReader::UnreadableText(BadgeQuery().toLatin1(), badgeReply, error.Message),
            report);
    }
    Calibration.BadgeChannels =
        space < 0 ? 0 : TryStrToInt(TrimBoth(badgeReply.mid(space + 1))).value_or(0);
    emit BadgeRead();

    const struct
    {
        TCalInput Input;
        TCalFactor Factor;
    } amplifiers[] = {
        {TCalInput::Trigger1, TCalFactor::Gain}, {TCalInput::Trigger1, TCalFactor::Offset},
        {TCalInput::Trigger2, TCalFactor::Gain}, {TCalInput::Trigger2, TCalFactor::Offset},
        {TCalInput::Gate1, TCalFactor::Gain},    {TCalInput::Gate1, TCalFactor::Offset},
    };
    for (const auto &a : amplifiers) {
        const std::optional<qint32> read =
            readNumber(InputCalMnemonic(a.Input, a.Factor).toLatin1());
        if (FTerminating)
            return CalibrationAbandoned;
        if (!read)
            return FailRetrieve(failure, report);
        Calibration.Input(a.Input, a.Factor) = *read;
        emit InputCalibrationRead(a.Input, a.Factor);
        list << InputCalCommand(a.Input, a.Factor, *read);
    }

    const struct
    {
        TCalFactor Factor;
        qint32 ChannelConfig::*Value;
    } factors[] = {
        {TCalFactor::Width, &ChannelConfig::WidthCal},
        {TCalFactor::Delay, &ChannelConfig::DelayCal},
        {TCalFactor::Gain, &ChannelConfig::AmpGainCal},
        {TCalFactor::Offset, &ChannelConfig::AmpOffsetCal},
    };
    const int last = channels < 0 ? ChannelCount : qMin(ChannelCount, channels);
    for (int n = 1; n <= last; ++n) {
        emit CalibrationProgress(QStringLiteral("Initializing Ch ") + QString::number(n) +
                                 QStringLiteral(" Cals"));
        for (const auto &f : factors) {
            const std::optional<qint32> read = readNumber(ChCalMnemonic(n, f.Factor).toLatin1());
            if (FTerminating)
                return CalibrationAbandoned;
            if (!read)
                return FailRetrieve(failure, report);
            ChannelConfigs[n].*f.Value = *read;
            emit ChannelCalibrationRead(n, f.Factor);
            list << ChCalCommand(n, f.Factor, *read);
        }
    }
    CalibrationFailure.clear();
    EndRetrieve();
    return CalibrationRead;
}

bool InstrumentSession::Unlock()
{
    const QString reply = Comm->CommandToPort(UnlockCommand().toLatin1());
    if (FTerminating)
        return false;
    const QString state = Comm->QueryPort(SecurityQuery().toLatin1());
    if (FTerminating)
        return false;
    SystemUnsecured = TryStrToInt(TrimBoth(state)) == 0;
    UnlockFailure =
        SystemUnsecured
            ? QString()
            : ReadableText(QStringLiteral("The instrument refused the unlock: it answered \"%1\" "
                                          "and reports itself secured (\"%2\").")
                               .arg(reply, state));
    return SystemUnsecured;
}

TLoadResult InstrumentSession::LoadCalibrations(const QStringList &lines, int channels)
{
    TLoadResult result;
    CalibrationList = lines;
    if (!lines.isEmpty()) {
        if (!FCalibrationReplay)
            FCalibrationReplay = new CommandScriptReplay(*Comm);
        // The replay sends its own copy: a read-back started meanwhile may rebuild
        // CalibrationList.
        result.Sent = FCalibrationReplay->Run(lines);
    }
    if (FTerminating)
        return result;
    CalibrationLoadPending = false;
    if (LinkLost()) {
        // The replay has told how many lines did not go out; there is nothing to read.
        result.LinkGone = true;
        CalibrationFailure = QStringLiteral("the instrument no longer answers");
        return result;
    }
    RetrieveCals(false, channels);
    if (FTerminating)
        return result;
    result.ReadBack = CalibrationFailure.isEmpty();
    if (!result.ReadBack) {
        result.Failed = true;
        result.Message = CommandScriptReplay::SentText(result.Sent, lines) + QLatin1Char(' ') +
                         CalibrationFailure;
    } else {
        result.Message = QStringLiteral("Settings loaded.");
    }
    return result;
}
