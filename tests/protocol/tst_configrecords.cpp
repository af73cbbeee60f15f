#include "base/ErrorReport.h"
#include "protocol/ConfigRecords.h"
#include "protocol/SettingCommands.h"
#include "protocol/SystemQueryTables.h"
#include "protocol/TChannelConfigs.h"
#include "protocol/TRecordSplitter.h"
#include "protocol/Tokens.h"

#include <QtTest>

Q_DECLARE_METATYPE(TListSelection)

class tst_configrecords : public QObject
{
    Q_OBJECT
private slots:
    void splitting_data();
    void splitting();
    void channelRecord_data();
    void channelRecord();
    void systemRecord_data();
    void systemRecord();
    void inputRecord_data();
    void inputRecord();
    void builderValuesReadBack_data();
    void builderValuesReadBack();
    void readRecordFields();
    void queryAndSettingsLine();
    void muxMask_data();
    void muxMask();
    void tokens_data();
    void tokens();
    void systemQueryTables_data();
    void systemQueryTables();
    void channelConfigsRange();
};

namespace {
// A channel mirror as text, so that a failing row shows every field.
QString describe(const ChannelConfig &c)
{
    return QStringLiteral("en=%1 del=%2 wid=%3 mode=%4 burst=%5 on=%6 off=%7 wait=%8 out=%9 "
                          "pol=%10 amp=%11 mux=%12 ctl=%13 sync=%14 gmode=%15 glogic=%16")
        .arg(c.Enabled)
        .arg(c.Delay, 0, 'g', 17)
        .arg(c.Width, 0, 'g', 17)
        .arg(c.Mode)
        .arg(c.BurstCount)
        .arg(c.DutyOnCount)
        .arg(c.DutyOffCount)
        .arg(c.WaitCount)
        .arg(c.OutputMode)
        .arg(c.Polarity)
        .arg(c.Amplitude, 0, 'g', 17)
        .arg(c.MuxMask)
        .arg(c.ControlMode)
        .arg(c.SyncSource)
        .arg(c.GateMode)
        .arg(c.GateLogic);
}

// The state every channel row starts from: no field is zero, every index is mid-table.
ChannelConfig previousChannel()
{
    ChannelConfig c;
    c.Enabled = 1;
    c.Delay = 7e-6;
    c.Width = 8e-6;
    c.Mode = 1;
    c.BurstCount = 11;
    c.DutyOnCount = 12;
    c.DutyOffCount = 13;
    c.WaitCount = 14;
    c.OutputMode = 1;
    c.Polarity = 1;
    c.Amplitude = 4.5;
    c.MuxMask = 2;
    c.ControlMode = 1;
    c.SyncSource = 1;
    c.GateMode = 1;
    c.GateLogic = 1;
    return c;
}

const QString Full = QStringLiteral("0 0.00000100025 0.0000000125 BURS 5 6 7 8 TTL NORM 3.3 21 "
                                    "GATB SYNT OUTP LOW");

ChannelConfig fullChannel()
{
    ChannelConfig c;
    c.Enabled = 0;
    c.Delay = 1.00025e-6;
    c.Width = 1.25e-8;
    c.Mode = 2;
    c.BurstCount = 5;
    c.DutyOnCount = 6;
    c.DutyOffCount = 7;
    c.WaitCount = 8;
    c.OutputMode = 0;
    c.Polarity = 0;
    c.Amplitude = 3.3;
    c.MuxMask = 21;
    c.ControlMode = 2;
    c.SyncSource = 3;
    c.GateMode = 2;
    c.GateLogic = 0;
    return c;
}
} // namespace

void tst_configrecords::splitting_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QStringList>("fields"); // every field but the last
    QTest::addColumn<QString>("last");
    QTest::newRow("single spaces") << "A B C" << QStringList{"A", "B"} << "C";
    QTest::newRow("two spaces give an empty field") << "A  B" << QStringList{"A", ""} << "B";
    QTest::newRow("control characters before a space go")
        << "A\t B C" << QStringList{"A", "B"} << "C";
    QTest::newRow("too few fields") << "A" << QStringList{"", ""} << "A";
    QTest::newRow("surplus stays in the last") << "A B C D" << QStringList{"A", "B"} << "C D";
    QTest::newRow("empty record") << "" << QStringList{"", ""} << "";
}

void tst_configrecords::splitting()
{
    QFETCH(QString, record);
    QFETCH(QStringList, fields);
    TRecordSplitter splitter(record);
    QStringList got;
    for (qsizetype i = 0; i < fields.size(); ++i)
        got << splitter.Next();
    QCOMPARE(got, fields);
    QTEST(splitter.Last(), "last");
}

void tst_configrecords::channelRecord_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("expected"); // describe() of the mirror afterwards
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("reported"); // fields reported, "m" matched, "u" unmatched

    const QString all16 = QStringLiteral("mmmmmmmmmmmmmmmm");
    QTest::newRow("complete") << Full << describe(fullChannel()) << QString() << all16;

    ChannelConfig c = fullChannel();
    c.Enabled = 2;
    c.OutputMode = 1;
    QTest::newRow("enable 2 and ADJ") << QString(Full).replace(0, 1, "2").replace(" TTL ", " ADJ ")
                                      << describe(c) << QString() << all16;

    c = fullChannel();
    c.OutputMode = previousChannel().OutputMode;
    c.Mode = previousChannel().Mode;
    QTest::newRow("unknown tokens keep their mirrors")
        << QString(Full).replace(" TTL ", " CMOS ").replace(" BURS ", " burs ") << describe(c)
        << QString() << "mmmummmmummmmmmm";

    c = fullChannel();
    c.GateLogic = previousChannel().GateLogic;
    QTest::newRow("17th field spoils the gate logic")
        << Full + " EXTRA" << describe(c) << QString() << "mmmmmmmmmmmmmmmu";

    c = previousChannel();
    c.Enabled = 0;
    c.Delay = 1.00025e-6;
    QTest::newRow("two spaces before the width")
        << QString(Full).replace(" 0.0000000125", "  0.0000000125") << describe(c)
        << "'' is not a valid floating point value"
        << "mm";

    c = previousChannel();
    QTest::newRow("empty reply") << "" << describe(c) << "'' is not a valid integer value"
                                 << "";

    c = fullChannel();
    c.Amplitude = previousChannel().Amplitude;
    c.MuxMask = previousChannel().MuxMask;
    c.ControlMode = previousChannel().ControlMode;
    c.SyncSource = previousChannel().SyncSource;
    c.GateMode = previousChannel().GateMode;
    c.GateLogic = previousChannel().GateLogic;
    QTest::newRow("decimal comma in the amplitude")
        << QString(Full).replace("3.3", "3,3") << describe(c)
        << "'3,3' is not a valid floating point value"
        << "mmmmmmmmmm";
}

void tst_configrecords::channelRecord()
{
    QFETCH(QString, reply);
    QFETCH(QString, error);
    ChannelConfig config = previousChannel();
    QString reported;
    QString raised;
    try {
        ReadChannelRecord(reply, config, [&](TChannelField field, bool matched) {
            // fields arrive strictly in order, each one already in the mirror
            QCOMPARE(int(field), reported.size());
            reported += matched ? 'm' : 'u';
        });
    } catch (const EConvertError &e) {
        raised = e.Message;
    }
    QCOMPARE(raised, error);
    QTEST(reported, "reported");
    QTEST(describe(config), "expected");
}

void tst_configrecords::systemRecord_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("running");
    QTest::addColumn<double>("period");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<qint64>>("counts"); // burst, on, off, cycle
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("reported");

    // Every row starts from: stopped, period 2, Duty Cycle, counts 9 9 9 9.
    QTest::newRow("burst beyond signed 32 bits")
        << "1 0.001 BURS 4000000000 1 1 10" << true << 0.001 << 2
        << QList<qint64>{4000000000, 1, 1, 10} << QString() << "mmmmmmm";
    QTest::newRow("run state 5 leaves it") << "5 0.5 SING 1 2 3 4" << false << 0.5 << 1
                                           << QList<qint64>{1, 2, 3, 4} << QString() << "ummmmmm";
    QTest::newRow("eighth field spoils the cycle count")
        << "1 0.5 NORM 1 2 3 10 X" << true << 0.5 << 0 << QList<qint64>{1, 2, 3, 9}
        << "'10 X' is not a valid integer value"
        << "mmmmmm";
    QTest::newRow("empty reply fails at the period")
        << "" << false << 2.0 << 3 << QList<qint64>{9, 9, 9, 9}
        << "'' is not a valid floating point value"
        << "u";
}

void tst_configrecords::systemRecord()
{
    QFETCH(QString, reply);
    QFETCH(QString, error);
    TSystemMirrors mirrors;
    mirrors.SystemPeriod = 2;
    mirrors.SystemMode = 3;
    TSystemCounts counts{9, 9, 9, 9};
    QString reported;
    QString raised;
    try {
        ReadSystemRecord(reply, mirrors, counts, [&](TSystemField field, bool matched) {
            QCOMPARE(int(field), reported.size());
            reported += matched ? 'm' : 'u';
        });
    } catch (const EConvertError &e) {
        raised = e.Message;
    }
    QCOMPARE(raised, error);
    QTEST(reported, "reported");
    QTEST(mirrors.SystemRunning, "running");
    QTEST(mirrors.SystemPeriod, "period");
    QTEST(int(mirrors.SystemMode), "mode");
    QTEST((QList<qint64>{counts.BurstCount, counts.DutyOnCount, counts.DutyOffCount,
                         counts.CycleCount}),
          "counts");
}

void tst_configrecords::inputRecord_data()
{
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QList<int>>("mirrors"); // the record's mode, edge or logic, debounce
    QTest::addColumn<double>("threshold");
    QTest::addColumn<QString>("reported");

    // Every row starts from every input mirror at 1 and a threshold of 9.
    QTest::newRow("trigger 1") << 90 << "DIS FALL 0.75 ENAB" << QList<int>{0, 1, 1} << 0.75
                               << "mmmm";
    QTest::newRow("trigger 2") << 91 << "TRIG RIS 1.5 DIS" << QList<int>{1, 0, 0} << 1.5 << "mmmm";
    QTest::newRow("gate 1") << 92 << "CHAN LOW -2.5 DIS" << QList<int>{3, 0, 0} << -2.5 << "mmmm";
    QTest::newRow("gate 2") << 93 << "OUTP HIGH 2.5 ENAB" << QList<int>{2, 1, 1} << 2.5 << "mmmm";
    QTest::newRow("gate tokens mean nothing to a trigger")
        << 90 << "CHAN HIGH 1 DIS" << QList<int>{1, 1, 0} << 1.0 << "uumm";
    QTest::newRow("trigger tokens mean nothing to a gate")
        << 93 << "TRIG FALL 1 DIS" << QList<int>{1, 1, 0} << 1.0 << "uumm";
    QTest::newRow("fifth field spoils the debounce")
        << 92 << "DIS LOW 1 DIS X" << QList<int>{0, 0, 1} << 1.0 << "mmmu";
    QTest::newRow("empty reply fails at the threshold")
        << 91 << "" << QList<int>{1, 1, 1} << 9.0 << "uu";
}

void tst_configrecords::inputRecord()
{
    QFETCH(int, record);
    QFETCH(QString, reply);
    QFETCH(QString, reported);
    TSystemMirrors m;
    m.Trigger1Mode = m.Trigger1Edge = m.Trigger1Debounce = 1;
    m.Trigger2Mode = m.Trigger2Edge = m.Trigger2Debounce = 1;
    m.Gate1Mode = m.Gate1Logic = m.Gate1Debounce = 1;
    m.Gate2Mode = m.Gate2Logic = m.Gate2Debounce = 1;
    double threshold = 9;
    QString got;
    QString raised;
    try {
        ReadInputRecord(record, reply, m, threshold, [&](TInputField field, bool matched) {
            QCOMPARE(int(field), got.size());
            got += matched ? 'm' : 'u';
        });
    } catch (const EConvertError &e) {
        raised = e.Message;
    }
    QCOMPARE(raised.isEmpty(), reported.size() == 4);
    QCOMPARE(got, reported);
    QTEST(threshold, "threshold");

    const QList<int> all{m.Trigger1Mode,  m.Trigger1Edge,     m.Trigger1Debounce, m.Trigger2Mode,
                         m.Trigger2Edge,  m.Trigger2Debounce, m.Gate1Mode,        m.Gate1Logic,
                         m.Gate1Debounce, m.Gate2Mode,        m.Gate2Logic,       m.Gate2Debounce};
    // Only the record's own three mirrors may change.
    QFETCH(QList<int>, mirrors);
    QList<int> expected(12, 1);
    for (int i = 0; i < 3; ++i)
        expected[(record - 90) * 3 + i] = mirrors[i];
    QCOMPARE(all, expected);
}

void tst_configrecords::builderValuesReadBack_data()
{
    QTest::addColumn<int>("record");
    for (int record : {0, 90, 91, 92, 93, 1, MaxChannels})
        QTest::addRow("record %d", record) << record;
}

// A record whose every field is spelled as the setting's command spells it (a token as
// the read-back reports the command's last item) reads back the value sent, field by
// field in the rows' order.
void tst_configrecords::builderValuesReadBack()
{
    QFETCH(int, record);
    const QList<const TSettingRow *> rows = RecordRows(record);
    QList<double> sent;
    QStringList fields;
    for (const TSettingRow *row : rows) {
        double value = 0;
        switch (row->Kind) {
        case TSettingKind::Time:
            value = -1.2345678901e-4; // every decimal of the delay's eleven
            break;
        case TSettingKind::Volts:
            value = -2.75;
            break;
        case TSettingKind::Count:
            value = row->Unsigned ? 4000000000.0 : -2000000000.0;
            break;
        case TSettingKind::Mask:
            value = row->Max;
            break;
        case TSettingKind::Switch:
            value = 1;
            break;
        case TSettingKind::Token:
            value = row->CommandTokens.size() - 1;
            break;
        }
        const QString argument = SettingArgument(*row, value);
        const qsizetype index = row->CommandTokens.indexOf(argument);
        fields << (row->TokenReply ? row->ReadTokens.at(index) : argument);
        sent << value;
    }
    const QList<TRecordField> read = ReadRecordFields(record, fields.join(u' '));
    QCOMPARE(read.size(), rows.size());
    for (qsizetype i = 0; i < read.size(); ++i) {
        QCOMPARE(read[i].Row, rows[i]);
        QVERIFY2(read[i].Matched, qPrintable(rows[i]->Name));
        if (rows[i]->Kind == TSettingKind::Time || rows[i]->Kind == TSettingKind::Volts)
            QCOMPARE(SettingArgument(*rows[i], read[i].Value), SettingArgument(*rows[i], sent[i]));
        else
            QCOMPARE(read[i].Value, sent[i]);
    }
}

// The generic reader reports what the typed readers store: an unknown token as -1,
// unmatched; a switch that is no token as the integer it holds; the low 32 bits of an
// unsigned count. A record that is none throws.
void tst_configrecords::readRecordFields()
{
    auto values = [](int record, const QString &reply) {
        QList<double> got;
        for (const TRecordField &field : ReadRecordFields(record, reply))
            got << (field.Matched ? field.Value : qQNaN());
        return got;
    };
    const QList<double> system = values(0, "ON 1e-3 DCYC 4294967297 0 0 -5 ");
    QVERIFY(qIsNaN(system[0]));
    QCOMPARE(system.mid(1), (QList<double>{1e-3, 3, 1, 0, 0, -5}));
    QCOMPARE(values(93, "CHAN HIGH 1.5 ENAB"), (QList<double>{3, 1, 1.5, 1}));
    QCOMPARE(values(5, Full.mid(1).prepend(u'2')).first(), 2.0);

    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ReadRecordFields(89, "DIS RIS 1 DIS"));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ReadRecordFields(MaxChannels + 1, Full));
    QVERIFY_THROWS_EXCEPTION(EConvertError, ReadRecordFields(1, "1 x"));
}

void tst_configrecords::queryAndSettingsLine()
{
    QCOMPARE(RecordQuery(3), QStringLiteral("*CFG?3"));
    QCOMPARE(RecordQuery(36), QStringLiteral("*CFG?36"));
    QCOMPARE(RecordQuery(0), QStringLiteral("*CFG? 0"));
    QCOMPARE(RecordQuery(93), QStringLiteral("*CFG? 93"));
    QCOMPARE(RecordSettingsLine(3, QStringLiteral("1 0.5  x")), QStringLiteral("*CFG 3 1 0.5  x"));
    QCOMPARE(RecordSettingsLine(90, QString()), QStringLiteral("*CFG 90 "));
    for (int record : {0, 7, 93}) {
        const auto parsed = ParseRecordSettingsLine(RecordSettingsLine(record, "A  B "));
        QVERIFY(parsed);
        QCOMPARE(parsed->Record, record);
        QCOMPARE(parsed->Reply, QStringLiteral("A  B "));
    }
    const auto bare = ParseRecordSettingsLine(QStringLiteral("*CFG 3"));
    QVERIFY(bare && bare->Record == 3 && bare->Reply.isEmpty());
}

void tst_configrecords::muxMask_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QList<int>>("checked");
    QTest::newRow("21 on 12 channels") << 21 << 12 << QList<int>{0, 2, 4};
    QTest::newRow("21 on 6 channels ignores bit 4") << 21 << 6 << QList<int>{0, 2};
    QTest::newRow("bits above 4 ignored") << (0x60 | 8) << 36 << QList<int>{3};
}

void tst_configrecords::muxMask()
{
    QFETCH(int, mask);
    QFETCH(int, channels);
    QList<int> checked;
    for (int item = 0; item < MuxItemCount(channels); ++item) {
        if (MuxItemChecked(mask, item))
            checked << item;
    }
    QTEST(checked, "checked");
}

void tst_configrecords::tokens_data()
{
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("index");
    // The last token of each table (order and length), and what must not match.
    QTest::newRow("pulse mode") << PulseModeTokens() << "DCYC" << 3;
    QTest::newRow("trigger mode") << TriggerModeTokens() << "TRIG" << 1;
    QTest::newRow("edge") << EdgeTokens() << "FALL" << 1;
    QTest::newRow("debounce") << DebounceTokens() << "ENAB" << 1;
    QTest::newRow("gate input mode") << GateInputModeTokens() << "CHAN" << 3;
    QTest::newRow("logic") << LogicTokens() << "HIGH" << 1;
    QTest::newRow("output mode") << OutputModeTokens() << "ADJ" << 1;
    QTest::newRow("polarity") << PolarityTokens() << "INV" << 1;
    QTest::newRow("channel control") << ChannelControlTokens() << "INHB" << 3;
    QTest::newRow("sync source") << SyncSourceTokens() << "SYNT" << 3;
    QTest::newRow("channel gate mode") << ChannelGateModeTokens() << "OUTP" << 2;
    QTest::newRow("channel gate mode has no CHAN") << ChannelGateModeTokens() << "CHAN" << -1;
    QTest::newRow("letter case counts") << PulseModeTokens() << "Burs" << -1;
    QTest::newRow("empty matches nothing") << DebounceTokens() << "" << -1;
    QTest::newRow("no prefix match") << PulseModeTokens() << "NOR" << -1;
}

void tst_configrecords::tokens()
{
    QFETCH(QStringList, table);
    QFETCH(QString, field);
    QFETCH(int, index);
    QCOMPARE(TokenIndex(table, field), index);
    int mirror = 7;
    QCOMPARE(ApplyToken(mirror, table, field), index >= 0);
    QCOMPARE(mirror, index >= 0 ? index : 7);
}

void tst_configrecords::systemQueryTables_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("changes");
    QTest::addColumn<int>("index");
    QTest::newRow("input clock INT") << "ICLOCK"
                                     << "INT" << true << 0;
    QTest::newRow("input clock 80") << "ICLOCK"
                                    << "80" << true << 8;
    QTest::newRow("input clock 100 selects nothing") << "ICLOCK"
                                                     << "100" << true << -1;
    QTest::newRow("input clock int") << "ICLOCK"
                                     << "int" << false << -1;
    QTest::newRow("output clock T0") << "OCL"
                                     << "T0" << true << 0;
    QTest::newRow("output clock 100") << "OCL"
                                      << "100" << true << 9;
    QTest::newRow("sync Ch1") << "SYNC"
                              << "Ch1" << true << 1;
    QTest::newRow("sync CH1 is not Ch1") << "SYNC"
                                         << "CH1" << false << -1;
    QTest::newRow("sync GATE") << "SYNC"
                               << "GATE" << true << 6;
    QTest::newRow("counter CH1") << "SEL"
                                 << "CH1" << true << 1;
    QTest::newRow("counter Ch1 is not CH1") << "SEL"
                                            << "Ch1" << false << -1;
    QTest::newRow("counter CH10") << "SEL"
                                  << "CH10" << true << 4;
    QTest::newRow("counter empty") << "SEL"
                                   << "" << false << -1;
}

void tst_configrecords::systemQueryTables()
{
    QFETCH(QString, query);
    QFETCH(QString, reply);
    const TSystemQueryTable &table = query == "ICLOCK" ? InputClockTable()
                                     : query == "OCL"  ? OutputClockTable()
                                     : query == "SYNC" ? SyncOutputTable()
                                                       : CounterSourceTable();
    const TListSelection selection = SelectionForReply(table, reply);
    QTEST(selection.Changes, "changes");
    if (selection.Changes)
        QTEST(selection.ItemIndex, "index");
}

void tst_configrecords::channelConfigsRange()
{
    TChannelConfigs configs;
    configs[1].Delay = 1.5;
    configs[36].Width = 2.5;
    QCOMPARE(configs[1].Delay, 1.5);
    QCOMPARE(configs[36].Width, 2.5);
    QCOMPARE(configs[2].Delay, 0.0);
    // A number outside 1 to 36 throws nothing (it may come from an event handler): it
    // gets a spare that starts at zero each time, and no channel is touched.
    configs[0].Delay = 9.0;
    configs[37].Width = 9.0;
    QCOMPARE(configs[0].Delay, 0.0);
    QCOMPARE(configs[37].Width, 0.0);
    QCOMPARE(configs[1].Delay, 1.5);
    QCOMPARE(configs[36].Width, 2.5);
}

QTEST_APPLESS_MAIN(tst_configrecords)
#include "tst_configrecords.moc"
