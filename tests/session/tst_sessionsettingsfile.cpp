// The session's settings-file flow against the emulator, without a window: a save writes
// the configuration read back just then, a restore replays a file's command lines and reads
// the configuration back, and the failures of both.

#include "SessionRig.h"
#include "comm/CommandScriptReplay.h"
#include "protocol/CommandScript.h"
#include "protocol/SettingsComparison.h"

#include <QDir>

class tst_sessionsettingsfile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void saveThenRestoreGivesTheSameState();
    void saveFailures_data();
    void saveFailures();
    void restores_data();
    void restores();
    void restoreTellsTheOutcome_data();
    void restoreTellsTheOutcome();
    void restoreWhoseReadbackFails();
    void restoreWhoseInstrumentVanishes_data();
    void restoreWhoseInstrumentVanishes();

private:
    QTemporaryDir FWork;
    QString Path(const QString &name) const { return QDir(FWork.path()).filePath(name); }
};

namespace {
// What went out before the read-back that follows a replay (which starts with the system
// record).
QStringList ReplayedLines(const QStringList &sent)
{
    const qsizetype readback = sent.indexOf(QStringLiteral("*CFG? 0?"));
    return readback < 0 ? QStringList{QStringLiteral("<no read-back>")} : sent.mid(0, readback);
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

const QString Garbled = "The reply to \"*CFG?3?\" cannot be read: \"garbage\" "
                        "('' is not a valid integer value).";
} // namespace

void tst_sessionsettingsfile::initTestCase()
{
    QVERIFY(!WidgetsLoaded());
    QVERIFY(FWork.isValid());
}

void tst_sessionsettingsfile::saveThenRestoreGivesTheSameState()
{
    SessionRig r;
    QVERIFY(r.Start({"--model", "7310-12"}));
    // a state away from the factory settings
    for (const QString &line : QStringList{":PULS2:DEL 0.00000100000", ":PULS5:WIDT 0.00000200000",
                                           ":SYST:AUT 1", ":PULS0:PER 0.000200000"})
        r.Session.QueuedCommandToPort(line);
    r.Session.ProcessTasks();

    // the save reads the whole configuration back first
    const QString file = Path("state.txt");
    const int beforeSave = r.ReceivedCount();
    QCOMPARE(r.Session.SaveSettings(file), QString());
    const QStringList readback = r.ReceivedFrom(beforeSave);
    QCOMPARE(readback.first(), QString("*CFG? 0?"));
    QCOMPARE(readback.last(), QString("*CFG?12?"));
    r.Session.StatusTimer->stop(); // restarted by the read-back
    const QStringList saved = r.Session.SettingsList;
    QCOMPARE(FileBytes(file), (saved.join("\r\n") + "\r\n").toLatin1());
    // the date, caption and identity comments, then one line per setting
    QCOMPARE(saved.size(), 5 + 11 + 12);
    for (int i = 0; i < 5; ++i)
        QVERIFY2(saved[i].startsWith("// "), qPrintable(saved[i]));
    QVERIFY(saved[5].startsWith("*CFG 0 "));
    QCOMPARE(r.Session.ChannelConfigs[2].Delay, 1e-6);
    QVERIFY(r.Session.SystemValues.AutoStart);

    // back to the factory settings
    r.Session.QueuedCommandToPort("*RST");
    r.Session.ProcessTasks();
    r.Session.RequestRefresh();
    r.Session.ProcessTasks();
    r.Session.StatusTimer->stop();
    QVERIFY(r.Session.SettingsList.mid(1) != saved.mid(1));
    QVERIFY(!r.Session.SystemValues.AutoStart);

    const CommandScript::ReadResult read = CommandScript::Read(file);
    QVERIFY(read.Ok());
    const int mark = r.ReceivedCount();
    const TLoadResult result = r.Session.LoadSettings(read.Lines);
    QCOMPARE(result.Message, QString("Settings loaded."));
    QVERIFY(!result.Failed);
    QVERIFY(result.ReadBack);
    // every command line of the file, unchanged and in order, then the read-back
    const QStringList sent = r.ReceivedFrom(mark);
    QCOMPARE(ReplayedLines(sent), saved.mid(5));
    QCOMPARE(result.Sent, saved.size() - 5);
    QCOMPARE(sent.mid(saved.size() - 5), readback);
    // the whole state as it was saved
    QCOMPARE(r.Session.SettingsList.mid(1), saved.mid(1));
    QCOMPARE(r.Session.ChannelConfigs[2].Delay, 1e-6);
    QVERIFY(r.Session.SystemValues.AutoStart);
    QVERIFY(r.Errors.Texts.isEmpty());
}

void tst_sessionsettingsfile::saveFailures_data()
{
    QTest::addColumn<QStringList>("arguments"); // the emulator's
    QTest::addColumn<QString>("name");          // of the file, in the work folder
    QTest::addColumn<QString>("error");         // "*" stands for the file's path

    QTest::newRow("a record that cannot be read")
        << QStringList{"--model", "462K-6", "--reply", "*CFG?3?=garbage"} << "rig.txt"
        << Garbled + " The settings were not saved.";
    QTest::newRow("a folder that does not exist")
        << QStringList{"--model", "462K-6"} << "no/such/folder/rig.txt"
        << "*";
}

void tst_sessionsettingsfile::saveFailures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, name);
    QFETCH(QString, error);
    SessionRig r;
    QVERIFY(r.Start(arguments, false));
    const QString file = Path(name);
    const QByteArray earlier = "*CFG 0 0 0.001000000 NORM 1 1 1 1\r\n";
    if (QDir(FWork.path()).exists(QFileInfo(name).path())) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(earlier) == earlier.size());
    }
    QSignalSpy failure(&r.Session, &InstrumentSession::Failure);

    const QString message = r.Session.SaveSettings(file);
    if (error == "*") {
        QVERIFY2(message.contains(QDir::toNativeSeparators(file)), qPrintable(message));
        QVERIFY(!QFile::exists(file));
    } else {
        QCOMPARE(message, error);
        QCOMPARE(FileBytes(file), earlier); // the earlier file is kept
    }
    QCOMPARE(failure.size(), 0); // the caller tells it, with what it meant to do
    QVERIFY(!r.Session.Comm->CommandsDisabled);
    QVERIFY(r.Errors.Texts.isEmpty());
    QDir(FWork.path()).remove(name);
}

void tst_sessionsettingsfile::restores_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("cancelAt"); // CancelLoad once this many lines are handled; 0: never
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("message");

    const QString loaded = "Settings loaded.";
    QTest::newRow("comments skipped, the rest in order")
        << QStringList{"// saved by hand", ":PULS2:DEL 0.00000100000",
                       "  // indented",    ":SYST:AUT 1 // trailing comment",
                       ":SYST:AUT 1",      ":PULS0:STAT ON"}
        << 0 << QStringList{":PULS2:DEL 0.00000100000", ":SYST:AUT 1", ":PULS0:STAT ON"}
        << loaded;
    QTest::newRow("cancelled after the second command line")
        << QStringList{"// rig", ":SYST:AUT 1", ":SYST:AUT 0", ":SYST:AUT 1"} << 3
        << QStringList{":SYST:AUT 1", ":SYST:AUT 0"}
        << "Loading was cancelled: 2 of the file's 3 command lines were sent.";
}

void tst_sessionsettingsfile::restores()
{
    QFETCH(QStringList, lines);
    QFETCH(int, cancelAt);
    QFETCH(QStringList, sent);
    QFETCH(QString, message);
    SessionRig r;
    QVERIFY(r.Start());
    const QStringList before = r.Session.SettingsList;
    QList<QPair<int, int>> progress;
    connect(&r.Session, &InstrumentSession::LoadProgress, this, [&](int done, int count) {
        progress.append({done, count});
        if (done == cancelAt)
            r.Session.CancelLoad();
    });
    QSignalSpy replayEnded(&r.Session, &InstrumentSession::LoadReplayEnded);
    const int mark = r.ReceivedCount();

    const TLoadResult result = r.Session.LoadSettings(lines);
    QCOMPARE(ReplayedLines(r.ReceivedFrom(mark)), sent);
    QCOMPARE(result.Sent, sent.size());
    QCOMPARE(result.Cancelled, cancelAt > 0);
    QCOMPARE(result.Message, message);
    QVERIFY(!result.Failed);
    QVERIFY(result.ReadBack); // also after a cancel
    QVERIFY(!result.LinkGone);
    // progress line by line, up to the cancel
    const int handled = cancelAt > 0 ? cancelAt : int(lines.size());
    QCOMPARE(progress.size(), handled);
    QCOMPARE(progress.last(), qMakePair(handled, int(lines.size())));
    QCOMPARE(replayEnded.size(), 1);
    QVERIFY(!r.Session.Loading());
    // the settings list is the instrument's again, read back after the replay
    QCOMPARE(r.ReceivedFrom(mark).last(), QString("*CFG?6?"));
    QCOMPARE(r.Session.SettingsList.size(), before.size());
    QVERIFY(r.Session.ReadbackFailure.isEmpty());
    QVERIFY(r.Errors.Texts.isEmpty());
}

void tst_sessionsettingsfile::restoreTellsTheOutcome_data()
{
    QTest::addColumn<QStringList>("arguments"); // the emulator's, besides the model
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QString>("message"); // "*" stands for the file's name

    const QString channel = "\"ERR 4: no such channel\"";
    QTest::newRow("lines the instrument refuses")
        << QStringList{} << QStringList{"// rig", ":PULS40:DEL 0.1", ":SYST:AUT 1", "junk"} << 3
        << "The instrument refused 2 of the file's 3 command lines:\n"
           "line 2: \":PULS40:DEL 0.1\" answered " + channel + "\n"
           "line 4: \"junk\" answered \"ERR 1: unknown command\"";
    QStringList seven;
    for (int n = 7; n <= 13; ++n)
        seven << QString(":PULS%1:STAT ON").arg(n);
    QTest::newRow("the first five refusals listed")
        << QStringList{} << seven << 7
        << "The instrument refused 7 of the file's 7 command lines:\n"
           "line 1: \":PULS7:STAT ON\" answered " + channel + "\nline 2: \":PULS8:STAT ON\" answered " +
               channel + "\nline 3: \":PULS9:STAT ON\" answered " + channel +
               "\nline 4: \":PULS10:STAT ON\" answered " + channel +
               "\nline 5: \":PULS11:STAT ON\" answered " + channel + "\n... and 2 more.";
    QTest::newRow("a line too long")
        << QStringList{} << QStringList{":SYST:AUT 1", QString(1 << 20, 'A')} << 2
        << "The instrument refused 1 of the file's 2 command lines:\n"
           "line 2: " + ReportQuoted(QString(1 << 20, 'A')) + " answered \"ERR 2: line too long\"";
    QTest::newRow("accepted, but the read-back differs")
        << QStringList{"--reply", ":SYST:AUT 1=OK"} << QStringList{":SYST:AUT 1", ":PULS2:STAT ON"}
        << 2
        << "The read-back does not confirm the file in 1 place:\n"
           "line 1: system AutoStart: file 1, instrument 0";
    QTest::newRow("comments only: nothing sent, nothing read back")
        << QStringList{} << QStringList{"// one", "  // two"} << 0
        << "The file \"*\" holds no command line: nothing was sent.";
    QTest::newRow("empty") << QStringList{} << QStringList{} << 0
                           << "The file \"*\" holds no command line: nothing was sent.";
}

void tst_sessionsettingsfile::restoreTellsTheOutcome()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lines);
    QFETCH(int, sent);
    QFETCH(QString, message);
    SessionRig r;
    QVERIFY(r.Start(QStringList{"--model", "462K-6"} + arguments));
    const int mark = r.ReceivedCount();
    const QString file = Path("rig.txt");

    const TLoadResult result = r.Session.LoadSettings(lines, file);
    QCOMPARE(result.Message, QString(message).replace("*", QDir::toNativeSeparators(file)));
    QVERIFY(result.Failed);
    QCOMPARE(result.Sent, sent);
    // every line still went out, and the read-back followed whenever one did
    const QStringList received = r.ReceivedFrom(mark);
    QCOMPARE(received.size() > sent, sent > 0);
    QCOMPARE(result.ReadBack, sent > 0);
    QVERIFY(r.Errors.Texts.isEmpty());
}

void tst_sessionsettingsfile::restoreWhoseReadbackFails()
{
    SessionRig r;
    // the first read-back after the replay meets an unreadable record; later ones do not
    QVERIFY(r.Start({"--model", "462K-6", "--reply-once", "*CFG?3?=garbage"}, false));
    QSignalSpy failure(&r.Session, &InstrumentSession::Failure);
    const int mark = r.ReceivedCount();

    const TLoadResult result = r.Session.LoadSettings({"// rig", ":SYST:AUT 1", ":SYST:AUT 0"});
    QCOMPARE(ReplayedLines(r.ReceivedFrom(mark)), (QStringList{":SYST:AUT 1", ":SYST:AUT 0"}));
    QCOMPARE(result.Sent, 2);
    QVERIFY(result.Failed);
    QVERIFY(!result.ReadBack);
    QVERIFY(!result.Cancelled);
    // not "Settings loaded.": what went out, and which record could not be read
    QCOMPARE(result.Message, "2 of the file's 2 command lines were sent. " + Garbled);
    QCOMPARE(r.Session.ReadbackFailure, Garbled);
    QCOMPARE(r.Session.ReadbackFailedQuery, QString("*CFG?3?"));
    QCOMPARE(failure.size(), 0); // the caller tells it
    // the read-back gave up at that record; commands and the poll run again
    QCOMPARE(r.ReceivedFrom(mark).last(), QString("*CFG?3?"));
    QVERIFY(!r.Session.Comm->CommandsDisabled);
    QVERIFY(r.Session.StatusTimer->isActive());
    r.Session.StatusTimer->stop();

    // a Refresh reads the whole configuration
    r.Session.RequestRefresh();
    r.Session.ProcessTasks();
    QVERIFY(r.Session.ReadbackFailure.isEmpty());
    QVERIFY(r.Session.ReadbackFailedQuery.isEmpty());
    QCOMPARE(r.Session.SettingsList.size(), 5 + 11 + 6);
    QCOMPARE(r.ReceivedFrom(mark).last(), QString("*CFG?6?"));
    QVERIFY(r.Errors.Texts.isEmpty());
}

void tst_sessionsettingsfile::restoreWhoseInstrumentVanishes_data()
{
    QTest::addColumn<int>("answer"); // to ReplyMissing; -1 leaves the session's default
    QTest::newRow("ignored: the link is gone") << int(InstrumentSession::IgnoreMissingReply);
    QTest::newRow("default answer: the port given up") << -1;
}

void tst_sessionsettingsfile::restoreWhoseInstrumentVanishes()
{
    QFETCH(int, answer);
    int startLines = 0;
    {
        SessionRig reference;
        QVERIFY(reference.Start());
        startLines = reference.ReceivedCount();
    }
    SessionRig r;
    // the device is pulled once three lines of the file have been answered
    QVERIFY(r.Start({"--model", "462K-6", "--unplug-after", QString::number(startLines + 3)}));
    LinkReports reports(r.Session);
    if (answer >= 0)
        reports.Answer = InstrumentSession::TReplyMissingAnswer(answer);
    QSignalSpy readbackState(&r.Session, &InstrumentSession::ReadbackStateChanged);
    QSignalSpy notices(&r.Session, &InstrumentSession::Notice);
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << QString(":SYST:AUT %1").arg(i % 2);

    const TLoadResult result = r.Session.LoadSettings(lines);
    QCOMPARE(r.ReceivedFrom(startLines), lines.mid(0, 3));
    QCOMPARE(reports.Missing.size(), 1);
    QCOMPARE(int(reports.Missing[0].Kind), int(TLinkFault::PortLost));
    // no read-back could follow, and nothing claims one failed
    QVERIFY(result.LinkGone);
    QVERIFY(!result.ReadBack);
    QVERIFY(!result.Failed);
    QVERIFY(result.Message.isEmpty());
    QCOMPARE(r.Session.ReadbackFailure, QString("the instrument no longer answers"));
    QCOMPARE(readbackState.size(), 1);
    // With the link gone (Ignore), the replay says how many lines did not go out; with the
    // port given up the front end is ending, and nothing is said.
    if (answer == InstrumentSession::IgnoreMissingReply)
        QCOMPARE(notices.size() == 1 ? notices[0][0].toString() : QString(),
                 QString("7 commands were not sent."));
    else
        QCOMPARE(notices.size(), 0);

    if (answer < 0) {
        // A Refresh on the given-up port asks nothing and says why.
        QSignalSpy failures(&r.Session, &InstrumentSession::Failure);
        r.Session.RequestRefresh();
        r.Session.ProcessTasks();
        QCOMPARE(r.ReceivedFrom(startLines), lines.mid(0, 3));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0][0].toString(), QString("the instrument no longer answers"));
    }
}

QTEST_GUILESS_MAIN(tst_sessionsettingsfile)
#include "tst_sessionsettingsfile.moc"
