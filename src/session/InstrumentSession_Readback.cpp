// The initialization: the whole configuration read back into the state, SettingsList (the
// text image of the instrument's settings) rebuilt. Each record is asked for and recorded
// as a settings line (ConfigurationReader), then taken apart field by field, every field
// stored and reported before the next one is split off. A malformed number throws
// EConvertError out of the record reader: the fields before it stay applied.

#include "session/InstrumentSession.h"

#include "base/ErrorReport.h"
#include "comm/Communication.h"
#include "comm/ConfigurationReader.h"
#include "comm/TKTComPort.h"
#include "protocol/Conversions.h"
#include "protocol/ModelTable.h"
#include "protocol/SettingCommandLines.h"
#include "protocol/SettingsComparison.h"
#include "protocol/TRecordSplitter.h"
#include "protocol/SystemQueryTables.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>

bool InstrumentSession::Initialize(bool report)
{
    SettingsList.clear();
    SettingsList << SettingsDateLine();

    if (DemoMode) {
        StatusTimer->stop();
        Caption = QStringLiteral(" Model 7310-12  SW Version: ") + SoftwareVersion +
                  QStringLiteral(" ComPort: Demo");
        emit InitializeStarted(false);
        return true;
    }

    StatusTimer->stop();
    if (ComPort->Abandoned()) {
        // The port was given up: every query would come back empty at once. Nothing is
        // asked, and nothing claims that a reply could not be read.
        ReadbackFailure = QStringLiteral("the instrument no longer answers");
        ReadbackFailedQuery.clear();
        emit ReadbackStateChanged();
        if (report)
            emit Failure(ReadbackFailure);
        return false;
    }
    Comm->CommandsDisabled = true;
    const bool showProgress = RecallPending || ReinitializePending;
    emit InitializeStarted(showProgress);
    QCoreApplication::processEvents();
    if (FTerminating)
        return false;

    const TIdentityTexts texts =
        IdentityTexts(Identity, SoftwareVersion, ComPort->Location().CaptionText(), ComPort->Baud());
    SettingsList << SettingsIdentityLines(texts);
    Caption = texts.Caption;
    ChannelCount = ModelChannelCount(Identity.ModelNumber);
    emit IdentityKnown(texts);
    QCoreApplication::processEvents();
    if (FTerminating)
        return false;

    TimingLimits = TTimingLimits();
    if (FReportedTimingLimits != TimingLimits) {
        FReportedTimingLimits = TimingLimits;
        emit TimingLimitsChanged();
    }

    ReadbackFailure.clear();
    ReadbackFailedQuery.clear();
    try {
        ReadInstrumentSettings();
    } catch (const EConvertError &error) {
        // A reply that cannot be read: the record is abandoned at that field and nothing
        // after it is read. Commands and the status poll still run again below, so that
        // a Refresh can try again; until one completes, the read-back state says that
        // the values are incomplete.
        if (FTerminating)
            return false;
        // An empty reply because the link is gone, or the instrument fell silent, says
        // so rather than quote the nothing that came.
        if (LinkLost())
            ReadbackFailure = QStringLiteral("the instrument no longer answers");
        else if (Comm->ReplyMissed())
            ReadbackFailure =
                QStringLiteral("The instrument did not answer \"%1\".").arg(FAskedQuery);
        else
            ReadbackFailure = error.Message;
        ReadbackFailedQuery = FAskedQuery;
    }
    if (FTerminating)
        return false;
    emit ReadbackStateChanged();

    Comm->CommandsDisabled = false;
    emit InitializeEnded(showProgress);
    StatusTimer->start();
    emit ConfigurationChanged();
    if (!ReadbackFailure.isEmpty() && report)
        emit Failure(ReadbackFailure);
    return ReadbackFailure.isEmpty();
}

ConfigurationReader InstrumentSession::ReadbackReader()
{
    ConfigurationReader reader(*Comm, SettingsList);
    reader.Abandoned = [this] { return FTerminating; };
    return reader;
}

void InstrumentSession::ReadInstrumentSettings()
{
    ConfigurationReader reader = ReadbackReader();
    reader.Asking = [this](const TConfigQuery &query) {
        FAskedQuery = QString::fromLatin1(query.Mnemonic) + QLatin1Char('?');
        if (query.Item == TConfigItem::ChannelRecord)
            emit InitializeProgress(QStringLiteral("Initializing Ch ") +
                                    QString::number(query.Record));
    };
    reader.ReadAll(ChannelCount, [this](const TConfigQuery &query, const TConfigReply &reply) {
        ApplyConfigurationReply(query, reply);
    });
}

void InstrumentSession::ApplyConfigurationReply(const TConfigQuery &query,
                                                const TConfigReply &reply)
{
    // A reply outside a list's table keeps the value; "100" for the input clock, which
    // the list does not offer, leaves it with no item.
    const auto select = [&](int &value, const TSystemQueryTable &table) {
        const TListSelection selection = SelectionForReply(table, reply.Text);
        if (selection.Changes)
            value = selection.ItemIndex;
        emit QueryRead(query.Item, selection.Changes);
    };
    switch (query.Item) {
    case TConfigItem::SystemRecord:
        ApplySystemRecord(reply.Text);
        break;
    case TConfigItem::InputRecord:
        ApplyInputRecord(query.Record, reply.Text);
        break;
    case TConfigItem::SecurityState:
        SystemUnsecured = reply.Number == 0;
        emit QueryRead(query.Item, true);
        break;
    case TConfigItem::AutoStart:
        SystemValues.AutoStart = reply.Number == 1;
        emit QueryRead(query.Item, true);
        break;
    case TConfigItem::InputClock:
        select(SystemValues.InputClock, InputClockTable());
        break;
    case TConfigItem::OutputClock:
        select(SystemValues.OutputClock, OutputClockTable());
        break;
    case TConfigItem::SyncOutput:
        select(SystemValues.SyncOutput, SyncOutputTable());
        break;
    case TConfigItem::CounterEnable:
        SystemValues.CounterEnabled = reply.Number == 1;
        emit QueryRead(query.Item, true);
        break;
    case TConfigItem::CounterSource:
        select(SystemValues.CounterSource, CounterSourceTable());
        break;
    case TConfigItem::ChannelRecord:
        ApplyChannelRecord(query.Record, reply.Text);
        if (!FTerminating)
            emit ChannelRecordRead(query.Record);
        break;
    }
}

void InstrumentSession::ParseSystemParameters()
{
    if (const auto reply = ReadbackReader().Ask(RecordQueryFor(0)))
        ApplySystemRecord(reply->Text);
}

void InstrumentSession::ApplySystemRecord(const QString &reply)
{
    ReadSystemRecord(reply, Mirrors, SystemValues.Counts, [&](TSystemField field, bool) {
        if (field == TSystemField::RunState) {
            // A settings file, a recall or a Refresh may find the output running before
            // the poll does.
            SetRunState(Mirrors.SystemRunning);
            return;
        }
        emit SystemFieldRead(field);
    });
}

void InstrumentSession::ParseTrigGateParameters()
{
    ConfigurationReader reader = ReadbackReader();
    for (int record : {90, 91, 92, 93}) {
        const auto reply = reader.Ask(RecordQueryFor(record));
        if (!reply)
            return;
        ApplyInputRecord(record, reply->Text);
    }
}

void InstrumentSession::ApplyInputRecord(int record, const QString &reply)
{
    if (record < 90 || record > 93)
        return;
    ReadInputRecord(record, reply, Mirrors, SystemValues.Thresholds[record - 90],
                    [&](TInputField field, bool) { emit InputFieldRead(record, field); });
}

void InstrumentSession::ParseChannelParameters(int chnum)
{
    if (const auto reply = ReadbackReader().Ask(RecordQueryFor(chnum)))
        ApplyChannelRecord(chnum, reply->Text);
}

void InstrumentSession::ApplyChannelRecord(int chnum, const QString &reply)
{
    ReadChannelRecord(reply, ChannelConfigs[chnum], [&](TChannelField field, bool matched) {
        emit ChannelFieldRead(chnum, field, matched);
    });
}

bool InstrumentSession::TakeSettingLine(const QString &line)
{
    const std::optional<TSettingCommandLine> command = ParseSettingCommand(line);
    if (!command)
        return false;
    const TConfigQuery &query = command->Query;
    const auto sameQuery = [&query](const QString &settingsLine) {
        const auto parsed = ParseSettingsLine(settingsLine);
        return parsed && parsed->Query.Item == query.Item && parsed->Query.Record == query.Record;
    };
    const auto at = std::find_if(SettingsList.begin(), SettingsList.end(), sameQuery);
    if (at == SettingsList.end())
        return false;
    QString value = command->Value;
    if (query.Record >= 0) {
        // The record as last read, with the one field the command sets replaced.
        const qsizetype count = RecordFieldNames(query.Record).size();
        if (command->Field < 0 || command->Field >= count)
            return false;
        TRecordSplitter splitter(ParseSettingsLine(*at)->Value);
        QStringList fields;
        for (qsizetype i = 0; i + 1 < count; ++i)
            fields << splitter.Next();
        fields << splitter.Last().trimmed();
        fields[command->Field] = value;
        value = fields.join(QLatin1Char(' '));
    }
    if (!ConfigurationReader::Unreadable(query, value).isEmpty())
        return false;
    TConfigReply reply{value, 0};
    if (query.Numeric)
        reply.Number = TryStrToInt(value.trimmed()).value_or(0);
    *at = SettingsLine(query, reply);
    try {
        ApplyConfigurationReply(query, reply);
    } catch (const EConvertError &) {
        // The record reader refused a field: the fields before it are in the state, as
        // after a read-back that stopped there.
    }
    emit ConfigurationChanged();
    return true;
}
