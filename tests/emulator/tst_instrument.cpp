// The emulated instrument's interpreter, driven line by line without a port.

#include "emulator/TInstrument.h"

#include <QtTest>

namespace {

const QByteArray DefaultSystem = "0 0.001000000 NORM 1 1 1 0";
const QByteArray DefaultChannel =
    "1 0.00000000000 0.00000100000 NORM 1 1 1 0 TTL NORM 5.00 1 DIS DIS DIS LOW";

// The settings a storage bin and a settings file hold, as the panel reads them.
QByteArray SettingsText(TInstrument &instrument)
{
    QList<QByteArray> lines{"*CFG? 0?",    "*CFG? 90?",   "*CFG? 91?",     "*CFG? 92?",
                            "*CFG? 93?",   ":SYST:AUT?",  ":SYST:ICLOCK?", ":SYST:OCL?",
                            ":SYST:SYNC?", ":COUN:STAT?", ":COUN:SEL?"};
    for (int n = 1; n <= instrument.ChannelCount(); ++n)
        lines << "*CFG?" + QByteArray::number(n) + "?";
    QByteArray all;
    for (const QByteArray &line : lines)
        all += line + " -> " + instrument.Execute(line) + '\n';
    return all;
}

// Everything the instrument reports, as one text: a refused line must not change it.
QByteArray Snapshot(TInstrument &instrument)
{
    QList<QByteArray> lines{"*IDN?", "*SER?", ":SYST:BAD?", ":SYST:SEC?", ":COUN:PULS?"};
    for (const char *amp : {":TRIG1", ":TRIG2", ":GATE1"})
        for (const char *factor : {":CAL:GAIN?", ":CAL:OFFS?"})
            lines << QByteArray(amp) + factor;
    for (int n = 1; n <= instrument.ChannelCount(); ++n) {
        const QByteArray ch = ":PULS" + QByteArray::number(n);
        lines << ch + ":CAL:WIDT?" << ch + ":CAL:DEL?" << ch + ":CAL:GAIN?" << ch + ":CAL:OFFS?";
    }
    QByteArray all = SettingsText(instrument);
    for (const QByteArray &line : lines)
        all += line + " -> " + instrument.Execute(line) + '\n';
    return all;
}

TInstrument::TIdentity Model(const QByteArray &model)
{
    TInstrument::TIdentity identity;
    identity.Model = model;
    return identity;
}

} // namespace

class tst_Instrument : public QObject
{
    Q_OBJECT
private slots:
    void settingIsReported_data();
    void settingIsReported();
    void refusedLineChangesNothing_data();
    void refusedLineChangesNothing();
    void queryForms_data();
    void queryForms();
    void recordReplayRebuildsInstrument();
    void binsStoreAndRecall();
    void securityLock_data();
    void securityLock();
    void badgeAndSerial();
    void modelSetsChannelCount_data();
    void modelSetsChannelCount();
    void shotCount_data();
    void shotCount();
    void shotCountPassesThirtyTwoBits();
};

void tst_Instrument::settingIsReported_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("reply");
    const auto add = [](const char *name, const QByteArray &command, const QByteArray &query,
                        const QByteArray &reply) {
        QTest::newRow(name) << command << query << reply;
    };

    // System record: run, period, mode, burst, on, off, cycles.
    add("run", ":PULS0:STAT ON", "*CFG? 0?", "1 0.001000000 NORM 1 1 1 0");
    add("period", ":PULS0:PER 0.000000055", "*CFG? 0?", "0 0.000000055 NORM 1 1 1 0");
    add("period off grid rounds", ":PULS0:PER 0.001000001", ":PULS0:PER?", "0.001000000");
    add("system mode", ":PULS0:MOD dcyc", "*CFG? 0?", "0 0.001000000 DCYC 1 1 1 0");
    add("system burst unsigned", ":PULS0:BCO 4000000000", "*CFG? 0?",
        "0 0.001000000 NORM 4000000000 1 1 0");
    add("duty on", ":PULS0:PCO 7", "*CFG? 0?", "0 0.001000000 NORM 1 7 1 0");
    add("duty off", ":PULS0:OCO 8", "*CFG? 0?", "0 0.001000000 NORM 1 1 8 0");
    add("cycles", ":PULS0:CYCL 10000000", "*CFG? 0?", "0 0.001000000 NORM 1 1 1 10000000");

    // Channel record, one field at a time (channel 3; channel 4 must stay untouched).
    const auto channel = [](int field, const QByteArray &value) {
        QList<QByteArray> fields = DefaultChannel.split(' ');
        fields[field] = value;
        return fields.join(' ');
    };
    add("enable", ":PULS3:STAT 0", "*CFG?3?", channel(0, "0"));
    add("delay", ":PULS3:DEL 0.00000010000", "*CFG?3?", channel(1, "0.00000010000"));
    add("delay exponent, grid", ":PULS3:DEL 1.0000000001e-7", ":PULS3:DEL?", "0.00000010000");
    add("delay 250 ps", ":PULS3:DEL 0.00000000025", ":PULS3:DEL?", "0.00000000025");
    add("width max", ":PULS3:WIDT 2000.00000000000", "*CFG?3?", channel(2, "2000.00000000000"));
    add("mode", ":PULS3:MOD BURS", "*CFG?3?", channel(3, "BURS"));
    add("burst", ":PULS3:BCO 10000000", "*CFG?3?", channel(4, "10000000"));
    add("duty on", ":PULS3:PCO 5", "*CFG?3?", channel(5, "5"));
    add("duty off", ":PULS3:OCO 6", "*CFG?3?", channel(6, "6"));
    add("wait", ":PULS3:WCO 0", "*CFG?3?", channel(7, "0"));
    add("output mode", ":PULS3:OUTP:MOD ADJ", "*CFG?3?", channel(8, "ADJ"));
    add("polarity", ":PULS3:OUTP:POL INV", "*CFG?3?", channel(9, "INV"));
    add("amplitude rounds", ":PULS3:OUTP:AMPL 3.456", "*CFG?3?", channel(10, "3.46"));
    add("mux", ":PULS3:MUX 18", "*CFG?3?", channel(11, "18"));
    add("control", ":PULS3:CONT INHB", "*CFG?3?", channel(12, "INHB"));
    add("sync", ":PULS3:SYNC SYNT", "*CFG?3?", channel(13, "SYNT"));
    add("gate mode", ":PULS3:CGAT OUTP", "*CFG?3?", channel(14, "OUTP"));
    add("gate logic", ":PULS3:CLOG HIGH", "*CFG?3?", channel(15, "HIGH"));

    // Input records; trigger 2 and gate 2 share one threshold.
    add("trig1 mode", ":TRIG1:MOD TRIG", "*CFG? 90?", "TRIG RIS 2.50 DIS");
    add("trig1 edge", ":TRIG1:EDG FALL", "*CFG? 90?", "DIS FALL 2.50 DIS");
    add("trig1 level", ":TRIG1:LEV 2.5", "*CFG? 90?", "DIS RIS 2.50 DIS");
    add("trig2 debounce", ":TRIG2:DEB ENAB", "*CFG? 91?", "DIS RIS 2.50 ENAB");
    add("shared level", ":TRIG2:LEV 1.5", "*CFG? 93?", "DIS LOW 1.50 DIS");
    add("gate1 level", ":GATE1:LEV 0.2", "*CFG? 92?", "DIS LOW 0.20 DIS");
    add("gate1 logic short form", ":GAT1:LOG HIGH", "*CFG? 92?", "DIS HIGH 2.50 DIS");
    add("gate2 mode", ":GATE2:MOD CHAN", "*CFG? 93?", "CHAN LOW 2.50 DIS");
    add("gate2 debounce", ":GAT2:DEB ENAB", "*CFG? 93?", "DIS LOW 2.50 ENAB");

    // Settings outside the records, with the tokens the panel compares exactly.
    add("auto start", ":SYST:AUT 1", ":SYST:AUT?", "1");
    add("input clock SYS reads INT", ":SYST:ICL SYS", ":SYST:ICLOCK?", "INT");
    add("input clock 100", ":SYST:ICL 100", ":SYST:ICLOCK?", "100");
    add("input clock replayed", ":SYST:ICLOCK 25", ":SYST:ICLOCK?", "25");
    add("output clock", ":SYST:OCL 100", ":SYST:OCL?", "100");
    add("sync mixed case", ":SYST:SYNC CH4", ":SYST:SYNC?", "Ch4");
    add("sync trig", ":SYST:SYNC TRIG", ":SYST:SYNC?", "TRIG");
    add("counter enable", ":COUN:STAT 1", ":COUN:STAT?", "1");
    add("counter source capitals", ":COUN:SEL Ch10", ":COUN:SEL?", "CH10");
}

void tst_Instrument::settingIsReported()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, reply);

    TInstrument instrument;
    QCOMPARE(instrument.Execute(command), QByteArray("OK"));
    QCOMPARE(instrument.Execute(query), reply);
    QCOMPARE(instrument.Execute("*CFG?4?"), DefaultChannel);
}

void tst_Instrument::refusedLineChangesNothing_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("error");

    QTest::newRow("empty line") << QByteArray("") << 1;
    QTest::newRow("unknown") << QByteArray(":PULS3:FOO 1") << 1;
    QTest::newRow("write-only queried") << QByteArray(":COUN:CL?") << 1;
    QTest::newRow("not a number") << QByteArray(":PULS3:DEL abc") << 2;
    QTest::newRow("missing argument") << QByteArray(":PULS3:DEL") << 2;
    QTest::newRow("query with argument") << QByteArray(":PULS3:DEL? 1") << 2;
    QTest::newRow("unknown token") << QByteArray(":PULS3:MOD FOO") << 2;
    QTest::newRow("sync token of a counter") << QByteArray(":SYST:SYNC CH3") << 2;
    QTest::newRow("negative delay") << QByteArray(":PULS3:DEL -0.000000001") << 3;
    QTest::newRow("delay too long") << QByteArray(":PULS3:DEL 2000.1") << 3;
    QTest::newRow("width too short") << QByteArray(":PULS3:WIDT 0.000000005") << 3;
    QTest::newRow("period too short") << QByteArray(":PULS0:PER 0.00000004") << 3;
    QTest::newRow("system burst too big") << QByteArray(":PULS0:BCO 4000000001") << 3;
    QTest::newRow("system burst zero") << QByteArray(":PULS0:BCO 0") << 3;
    QTest::newRow("huge count") << QByteArray(":PULS0:BCO 99999999999999999999999") << 3;
    QTest::newRow("count wrapping past 64 bits")
        << QByteArray(":PULS3:WCO 18446744073709551617") << 3;
    QTest::newRow("channel burst too big") << QByteArray(":PULS3:BCO 10000001") << 3;
    QTest::newRow("amplitude too low") << QByteArray(":PULS3:OUTP:AMPL 1.99") << 3;
    QTest::newRow("mux too big") << QByteArray(":PULS3:MUX 32") << 3;
    QTest::newRow("fifth mux input on 6 channels") << QByteArray(":PULS3:MUX 16") << 3;
    QTest::newRow("threshold too high") << QByteArray(":TRIG1:LEV 15.01") << 3;
    QTest::newRow("channel above model") << QByteArray(":PULS7:DEL 0") << 4;
    QTest::newRow("query above model") << QByteArray(":PULS7:DEL?") << 4;
    QTest::newRow("record above model") << QByteArray("*CFG?7?") << 4;
    QTest::newRow("no gate-2 level") << QByteArray(":GATE2:LEV 1.00") << 4;
    QTest::newRow("counter source above model") << QByteArray(":COUN:SEL CH8") << 4;
    QTest::newRow("record too short") << QByteArray("*CFG 3 0 0.00000001000") << 2;
    QTest::newRow("record with extra field") << QByteArray("*CFG 3 " + DefaultChannel + " X") << 2;
    QTest::newRow("record with a bad late field")
        << QByteArray("*CFG 3 0 0.00000001000 0.000000001 NORM 1 1 1 0 TTL NORM 5.00 1 DIS DIS "
                      "DIS LOW")
        << 3;
    QTest::newRow("system record, bad last field")
        << QByteArray("*CFG 0 1 0.001 BURS 5 1 1 x") << 2;
    QTest::newRow("input record, bad token") << QByteArray("*CFG 92 DIS RIS 2.50 DIS") << 2;
    QTest::newRow("record number") << QByteArray("*CFG 89 DIS RIS 2.50 DIS") << 3;
    QTest::newRow("locked calibration") << QByteArray(":PULS3:CAL:DEL 30") << 5;
    QTest::newRow("locked serial") << QByteArray("*SER 5") << 5;
    QTest::newRow("locked badge") << QByteArray(":SYST:BAD 0 24") << 5;
    QTest::newRow("locked store") << QByteArray("*STR 0") << 5;
    QTest::newRow("locked optimize") << QByteArray("*OPT") << 5;
    QTest::newRow("wrong service code") << QByteArray(":SYST:SEC 12345") << 5;
    QTest::newRow("save factory bin") << QByteArray("*SAV 0") << 6;
    QTest::newRow("save bin above model") << QByteArray("*SAV 7") << 3;
    QTest::newRow("recall bin above model") << QByteArray("*RCL 7") << 3;
    QTest::newRow("shot count is read-only") << QByteArray(":COUN:PULS 5") << 6;
    QTest::newRow("identity is read-only") << QByteArray("*IDN") << 6;
}

void tst_Instrument::refusedLineChangesNothing()
{
    QFETCH(QByteArray, line);
    QFETCH(int, error);

    // A 6-channel model, so that channel-count limits show up at small numbers.
    TInstrument instrument(Model("7310-6"));
    const QByteArray before = Snapshot(instrument);
    const QByteArray reply = instrument.Execute(line);
    QVERIFY2(reply.startsWith("ERR " + QByteArray::number(error) + ":"), reply.constData());
    QCOMPARE(Snapshot(instrument), before);
}

void tst_Instrument::queryForms_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("record, panel form") << QByteArray("*CFG?3?") << DefaultChannel;
    QTest::newRow("record, blank") << QByteArray("*CFG? 3") << DefaultChannel;
    QTest::newRow("system record, panel form") << QByteArray("*CFG? 0?") << DefaultSystem;
    QTest::newRow("lower case") << QByteArray("*cfg? 0?") << DefaultSystem;
    QTest::newRow("long forms") << QByteArray(":PULSE3:DELAY?") << QByteArray("0.00000000000");
    QTest::newRow("no leading colon") << QByteArray("syst:sync?") << QByteArray("T0");
    QTest::newRow("surrounding blanks")
        << QByteArray("  *IDN?\t") << QByteArray("KT,7310-12,10234,2.04-1.12");
    QTest::newRow("security while locked") << QByteArray(":SYST:SEC?") << QByteArray("1");
    QTest::newRow("record number bad")
        << QByteArray("*CFG?x?") << QByteArray("ERR 2: invalid argument");
}

void tst_Instrument::queryForms()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);
    TInstrument instrument;
    QCOMPARE(instrument.Execute(line), reply);
}

void tst_Instrument::recordReplayRebuildsInstrument()
{
    // What a settings file holds: the records and the single settings, as read back.
    TInstrument source;
    for (const char *line :
         {":PULS0:PER 0.000002", ":PULS0:MOD BURS",     ":PULS0:BCO 4000000000",
          ":PULS0:CYCL 12",      ":TRIG1:MOD TRIG",     ":TRIG2:LEV 3.3",
          ":GATE1:LEV 0.75",     ":GAT2:LOG HIGH",      ":PULS1:DEL 0.00000000025",
          ":PULS2:WIDT 1.5",     ":PULS7:OUTP:MOD ADJ", ":PULS7:OUTP:AMPL 12.34",
          ":PULS12:MUX 31",      ":PULS12:SYNC SYNB",   ":SYST:AUT 1",
          ":SYST:ICL SYS",       ":SYST:OCL 80",        ":SYST:SYNC Ch6",
          ":COUN:STAT 1",        ":COUN:SEL CH8"})
        QCOMPARE(source.Execute(line), QByteArray("OK"));

    QList<QByteArray> file;
    for (int record : {0, 90, 91, 92, 93})
        file << "*CFG " + QByteArray::number(record) + " " +
                    source.Execute("*CFG? " + QByteArray::number(record) + "?");
    for (const char *query :
         {":SYST:AUT", ":SYST:ICLOCK", ":SYST:OCL", ":SYST:SYNC", ":COUN:STAT", ":COUN:SEL"})
        file << QByteArray(query) + " " + source.Execute(QByteArray(query) + "?");
    for (int n = 1; n <= 12; ++n)
        file << "*CFG " + QByteArray::number(n) + " " +
                    source.Execute("*CFG?" + QByteArray::number(n) + "?");

    TInstrument target;
    for (const QByteArray &line : file)
        QVERIFY2(target.Execute(line) == "OK", line.constData());
    QCOMPARE(Snapshot(target), Snapshot(source));
}

void tst_Instrument::binsStoreAndRecall()
{
    TInstrument instrument;
    instrument.SetSecured(false);
    QCOMPARE(instrument.Execute(":PULS2:DEL 0.001"), QByteArray("OK"));
    QCOMPARE(instrument.Execute(":SYST:SYNC GATE"), QByteArray("OK"));
    QCOMPARE(instrument.Execute("*SAV 12"), QByteArray("OK"));
    const QByteArray saved = SettingsText(instrument);

    instrument.Execute(":PULS2:DEL 0.002");
    instrument.Execute(":SYST:SYNC T0");
    instrument.Execute(":PULS0:STAT 1");
    instrument.Execute(":PULS2:CAL:DEL 3");
    QCOMPARE(instrument.Execute("*RCL 12"), QByteArray("OK"));
    QCOMPARE(instrument.Execute(":PULS2:DEL?"), QByteArray("0.00100000000"));
    QCOMPARE(instrument.Execute(":SYST:SYNC?"), QByteArray("GATE"));
    QCOMPARE(instrument.Execute(":PULS2:CAL:DEL?"), QByteArray("3")); // not part of a bin
    QCOMPARE(instrument.Execute(":PULS0:STAT?"), QByteArray("1"));    // the output keeps running
    instrument.Execute(":PULS0:STAT 0");
    QCOMPARE(SettingsText(instrument), saved);

    QCOMPARE(instrument.Execute("*RCL 0"), QByteArray("OK"));
    QCOMPARE(instrument.Execute("*CFG?2?"), DefaultChannel);
    QCOMPARE(instrument.Execute("*CFG? 0?"), DefaultSystem);
    QCOMPARE(instrument.Execute("*RCL 12"), QByteArray("OK")); // bin 0 did not overwrite bin 12
    QCOMPARE(SettingsText(instrument), saved);
    QCOMPARE(instrument.Execute("*RCL 5"), QByteArray("OK")); // never saved: factory settings
    QCOMPARE(instrument.Execute(":SYST:SYNC?"), QByteArray("T0"));
}

void tst_Instrument::securityLock_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("outOfRange");

    QTest::newRow("trig1 gain") << QByteArray(":TRIG1:CAL:GAIN") << QByteArray("5000")
                                << QByteArray("999");
    QTest::newRow("trig1 offset") << QByteArray(":TRIG1:CAL:OFFS") << QByteArray("0")
                                  << QByteArray("1001");
    QTest::newRow("trig2 gain") << QByteArray(":TRIG2:CAL:GAIN") << QByteArray("1000")
                                << QByteArray("5001");
    QTest::newRow("trig2 offset") << QByteArray(":TRIG2:CAL:OFFS") << QByteArray("1000")
                                  << QByteArray("-1");
    QTest::newRow("gate1 gain") << QByteArray(":GATE1:CAL:GAIN") << QByteArray("4321")
                                << QByteArray("0");
    QTest::newRow("gate1 offset") << QByteArray(":GATE1:CAL:OFFS") << QByteArray("7")
                                  << QByteArray("2000");
    QTest::newRow("width factor") << QByteArray(":PULS12:CAL:WIDT") << QByteArray("50")
                                  << QByteArray("51");
    QTest::newRow("delay factor") << QByteArray(":PULS12:CAL:DEL") << QByteArray("0")
                                  << QByteArray("-1");
    QTest::newRow("amp gain") << QByteArray(":PULS1:CAL:GAIN") << QByteArray("2000")
                              << QByteArray("1999");
    QTest::newRow("amp offset") << QByteArray(":PULS1:CAL:OFFS") << QByteArray("-100")
                                << QByteArray("201");
    QTest::newRow("serial") << QByteArray("*SER") << QByteArray("98765")
                            << QByteArray("4294967296");
    QTest::newRow("badge") << QByteArray(":SYST:BAD") << QByteArray("1 36") << QByteArray("1 48");
}

void tst_Instrument::securityLock()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, outOfRange);
    const QByteArray query = command + "?";

    TInstrument instrument;
    const QByteArray before = instrument.Execute(query);
    QVERIFY(before != value);
    QCOMPARE(instrument.Execute(command + " " + value), QByteArray("ERR 5: secured"));
    QCOMPARE(instrument.Execute(query), before); // reading is allowed while secured

    QCOMPARE(instrument.Execute(":SYST:SEC 48213"), QByteArray("OK"));
    QCOMPARE(instrument.Execute(":SYST:SEC?"), QByteArray("0"));
    QCOMPARE(instrument.Execute(command + " " + outOfRange),
             QByteArray("ERR 3: argument out of range"));
    QCOMPARE(instrument.Execute(query), before);
    QCOMPARE(instrument.Execute(command + " " + value), QByteArray("OK"));
    QCOMPARE(instrument.Execute(query), value);

    QCOMPARE(instrument.Execute(":SYST:SEC 0"), QByteArray("OK")); // locks again
    QCOMPARE(instrument.Execute(":SYST:SEC?"), QByteArray("1"));
    QCOMPARE(instrument.Execute(command + " " + before), QByteArray("ERR 5: secured"));
}

void tst_Instrument::badgeAndSerial()
{
    TInstrument instrument;
    instrument.SetSecured(false);
    QCOMPARE(instrument.Execute(":SYST:BAD?"), QByteArray("1 12"));
    QCOMPARE(instrument.Execute(":PULS20:DEL?"), QByteArray("ERR 4: no such channel"));
    QCOMPARE(instrument.Execute("*SER 4321"), QByteArray("OK"));
    QCOMPARE(instrument.Execute(":SYST:BAD 0 24"), QByteArray("OK"));
    QCOMPARE(instrument.Execute("*IDN?"), QByteArray("MRD,7310-24,4321,2.04-1.12"));
    QCOMPARE(instrument.Execute(":SYST:BAD?"), QByteArray("0 24"));
    QCOMPARE(instrument.Execute("*CFG?20?"), DefaultChannel);
    QCOMPARE(instrument.Execute("*STR 2"), QByteArray("OK"));
    QCOMPARE(instrument.Execute("*STR 3"), QByteArray("ERR 3: argument out of range"));

    // The self-calibration centres the timing factors and leaves the amplitude ones.
    const QByteArray gain = instrument.Execute(":PULS5:CAL:GAIN?");
    QCOMPARE(instrument.Execute("*OPT"), QByteArray("OK"));
    QCOMPARE(instrument.Execute(":PULS5:CAL:DEL?"), QByteArray("25"));
    QCOMPARE(instrument.Execute(":PULS5:CAL:WIDT?"), QByteArray("25"));
    QCOMPARE(instrument.Execute(":PULS5:CAL:GAIN?"), gain);
}

void tst_Instrument::modelSetsChannelCount_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<int>("channels");
    QTest::newRow("7310-6") << QByteArray("7310-6") << 6;
    QTest::newRow("462K-24") << QByteArray("462K-24") << 24;
    QTest::newRow("410-6") << QByteArray("410-6") << 6;
    QTest::newRow("410-36") << QByteArray("410-36") << 36;
    QTest::newRow("unknown") << QByteArray("9999-99") << 12;
    QTest::newRow("case matters") << QByteArray("462k-6") << 12;
}

void tst_Instrument::modelSetsChannelCount()
{
    QFETCH(QByteArray, model);
    QFETCH(int, channels);
    TInstrument instrument(Model(model));
    QVERIFY(instrument.Execute("*IDN?").startsWith("KT," + model + ","));
    const QByteArray last = QByteArray::number(channels);
    QCOMPARE(instrument.Execute("*CFG?" + last + "?"), DefaultChannel);
    QCOMPARE(instrument.Execute(":PULS" + QByteArray::number(channels + 1) + ":STAT 1"),
             QByteArray("ERR 4: no such channel"));
    QCOMPARE(instrument.Execute("*SAV " + last), QByteArray("OK"));
    // Models below 12 channels have four multiplexer inputs.
    QCOMPARE(instrument.Execute(":PULS1:MUX 16").startsWith("ERR"), channels < 12);
}

void tst_Instrument::shotCount_data()
{
    QTest::addColumn<QList<QByteArray>>("setup");
    QTest::addColumn<qint64>("elapsedNs");
    QTest::addColumn<quint64>("count");

    const qint64 ms = 1000000;
    // Period 1 ms; a pulse at the start and one per further period.
    QTest::newRow("continuous") << QList<QByteArray>{} << 10 * ms << quint64(11);
    QTest::newRow("faster period")
        << QList<QByteArray>{":PULS0:PER 0.0005"} << 10 * ms << quint64(21);
    QTest::newRow("counter off") << QList<QByteArray>{":COUN:STAT 0"} << 10 * ms << quint64(0);
    QTest::newRow("single shot") << QList<QByteArray>{":PULS0:MOD SING"} << 10 * ms << quint64(1);
    QTest::newRow("burst") << QList<QByteArray>{":PULS0:BCO 5", ":PULS0:MOD BURS"} << 10 * ms
                           << quint64(5);
    QTest::newRow("duty cycle") << QList<QByteArray>{":PULS0:PCO 2", ":PULS0:OCO 3",
                                                     ":PULS0:MOD DCYC"}
                                << 10 * ms << quint64(5);
    QTest::newRow("duty cycle, two cycles")
        << QList<QByteArray>{":PULS0:PCO 2", ":PULS0:OCO 3", ":PULS0:CYCL 2", ":PULS0:MOD DCYC"}
        << 100 * ms << quint64(4);
    QTest::newRow("waits for triggers")
        << QList<QByteArray>{":TRIG1:MOD TRIG"} << 10 * ms << quint64(0);
}

void tst_Instrument::shotCount()
{
    QFETCH(QList<QByteArray>, setup);
    QFETCH(qint64, elapsedNs);
    QFETCH(quint64, count);

    qint64 now = 1000;
    TInstrument instrument(TInstrument::TIdentity(), [&now] { return now; });
    QCOMPARE(instrument.Execute(":COUN:STAT 1"), QByteArray("OK"));
    for (const QByteArray &line : setup)
        QCOMPARE(instrument.Execute(line), QByteArray("OK"));
    QCOMPARE(instrument.Execute(":PULS0:STAT 1"), QByteArray("OK"));
    now += elapsedNs;
    QCOMPARE(instrument.Execute(":COUN:PULS?"), QByteArray::number(count));

    // Stopping freezes the count.
    instrument.Execute(":PULS0:STAT 0");
    now += elapsedNs;
    QCOMPARE(instrument.Execute(":COUN:PULS?"), QByteArray::number(count));
}

void tst_Instrument::shotCountPassesThirtyTwoBits()
{
    qint64 now = 0;
    TInstrument instrument(TInstrument::TIdentity(), [&now] { return now; });
    instrument.SetShotCount(4294967290ULL);
    instrument.Execute(":PULS0:PER 0.00000005");
    instrument.Execute(":COUN:STAT 1");
    instrument.Execute(":PULS0:STAT 1");
    now += 1000; // 1 us at 50 ns: 20 periods after the first pulse
    QCOMPARE(instrument.Execute(":COUN:PULS?"), QByteArray("4294967311"));

    // Clearing restarts from zero while the output goes on.
    QCOMPARE(instrument.Execute(":COUN:CL 1"), QByteArray("OK"));
    QCOMPARE(instrument.Execute(":COUN:PULS?"), QByteArray("0"));
    now += 500;
    QCOMPARE(instrument.Execute(":COUN:PULS?"), QByteArray("10"));
}

QTEST_GUILESS_MAIN(tst_Instrument)
#include "tst_instrument.moc"
