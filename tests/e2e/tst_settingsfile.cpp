// The settings file against the emulator: a saved file restores the instrument's whole
// state; what a restore sends for the files operators actually have (demo mode, comments
// only, empty, byte-order marks, a larger model's file), and the failures.

#include "ControlPanel.h"
#include "comm/Communication.h"
#include "protocol/CommandScript.h"
#include "ui/main/TMessageForm.h"
#include "ui/main/TResponseList.h"
#include <QPushButton>

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QStringEncoder>
#include <QTemporaryDir>

class tst_settingsfile : public QObject
{
    Q_OBJECT

    QTemporaryDir work; // the working folder and the files
    QString startDir;

    QString path(const QString &name) const { return QDir(work.path()).filePath(name); }
    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return QString();
        return f.fileName();
    }

private slots:
    void initTestCase()
    {
        startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void roundTripRestoresTheWholeState();
    void restores_data();
    void restores();
    void largerModelsFile();
    void unreadableAndUnwritableFiles();
    void refreshDuringReplay();
    void restoreChosenDuringAnInitialization();
    void demoModeSavesTheDateLine();
    void failedReadbackEndsTheSave();
    void restoreWhoseReadbackFails();
    void restoreWhoseInstrumentVanishes();
    void longReplayShowsProgressAndCancels();
};

namespace {
QByteArray Utf16(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

// What a restore sent before its re-initialization (which begins with the system record).
QStringList ReplayedLines(const ControlPanel &c, int mark)
{
    QStringList sent = c.ReceivedFrom(mark);
    const qsizetype reinit = sent.indexOf("*CFG? 0?");
    return reinit < 0 ? QStringList{"<no re-initialization>"} : sent.mid(0, reinit);
}

// Records whether the progress window showed the loading text while a replay ran.
struct ProgressWatch
{
    QTimer Timer;
    bool SawLoading = false;
    explicit ProgressWatch(TMessageForm &form)
    {
        QObject::connect(&Timer, &QTimer::timeout, [this, &form] {
            SawLoading |= form.isVisible() &&
                          form.MessageLabel->text() == QLatin1String("Loading. Please wait...");
        });
        Timer.start(0);
    }
};
} // namespace

void tst_settingsfile::roundTripRestoresTheWholeState()
{
    ControlPanel c;
    QVERIFY(c.Start({"--model", "7310-12"}));
    c.Form.Session->StatusTimer->stop();
    // a state away from the factory defaults
    for (const char *line : {":PULS2:DEL 0.00000100000", ":PULS5:WIDT 0.00000200000",
                                ":SYST:AUT 1", ":PULS0:PER 0.000200000"})
        c.Form.Session->QueuedCommandToPort(line);
    c.Form.Session->ProcessTasks();

    QString dialogTitle;
    QString suffix;
    QStringList filters;
    QString folder;
    bool save = false;
    bool asksBeforeReplacing = true;
    c.P.Dialogs.onChooseFile = [&](QObject *object) {
        auto *dialog = qobject_cast<QFileDialog *>(object);
        QVERIFY(dialog);
        dialogTitle = dialog->windowTitle();
        suffix = dialog->defaultSuffix();
        filters = dialog->nameFilters();
        folder = dialog->directory().absolutePath();
        save = dialog->acceptMode() == QFileDialog::AcceptSave;
        asksBeforeReplacing = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    };
    QVERIFY(!writeFile("state.txt", "an earlier file, replaced without a question").isEmpty());
    c.P.Dialogs.fileAnswers = {path("state.txt")};
    const int beforeSave = c.ReceivedCount();
    c.Form.SaveToFile1Click();
    QCOMPARE(dialogTitle, QString("Save system parameters"));
    QCOMPARE(suffix, QString("txt"));
    QCOMPARE(filters, QStringList{"Text file (*.txt)"});
    QCOMPARE(folder, QDir(work.path()).absolutePath());
    QVERIFY(save);
    QVERIFY(!asksBeforeReplacing);
    // a fresh initialization ran first, without the progress window
    QVERIFY(c.ReceivedFrom(beforeSave).contains("*CFG?12?"));
    QVERIFY(!c.P.MessageForm.isVisible());

    QFile file(path("state.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes, (c.Form.Session->SettingsList.join("\r\n") + "\r\n").toLatin1());
    const QStringList saved = c.Form.Session->SettingsList;
    QCOMPARE(saved.size(), 16 + 12);
    QVERIFY(c.P.Dialogs.informations.isEmpty());

    // the instrument back at its factory settings
    c.Form.Session->QueuedCommandToPort("*RST");
    c.Form.Session->ProcessTasks();
    c.Form.RefreshMenuClick();
    c.Form.Session->ProcessTasks();
    QVERIFY(c.Form.Session->SettingsList.mid(1) != saved.mid(1));

    c.Form.Session->StatusTimer->stop();
    ProgressWatch progress(c.P.MessageForm);
    c.P.Dialogs.fileAnswers = {path("state.txt")};
    const int mark = c.ReceivedCount();
    c.Form.RestoreSettingsFromFile1Click();
    QCOMPARE(c.P.Dialogs.informations, QStringList{"Settings loaded."});
    QVERIFY(progress.SawLoading);
    QVERIFY(!c.P.MessageForm.isVisible());
    // every command line of the file, unchanged and in order, then the full read-back
    QStringList commands;
    for (const QString &line : saved)
        if (!line.contains("//"))
            commands << line;
    QCOMPARE(ReplayedLines(c, mark), commands);
    QVERIFY(c.ReceivedFrom(mark).contains("*CFG?12?"));
    // the instrument's whole state as it was saved
    QCOMPARE(c.Form.Session->SettingsList.mid(1), saved.mid(1));
    QVERIFY(c.P.Errors.Texts.isEmpty());
}

void tst_settingsfile::restores_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("error"); // "*" stands for the file's path
    QTest::addColumn<bool>("progress");
    const QStringList loaded{"Settings loaded."};
    const QString noCommand = "The file \"*\" holds no command line: nothing was sent.";
    QTest::newRow("saved in demo mode")
        << QByteArray("// 12/10/2026,14:03:07\r\n") << QStringList() << QStringList() << noCommand
        << false;
    QTest::newRow("comments only")
        << QByteArray("// one\r\n  // two\r\n") << QStringList() << QStringList() << noCommand
        << false;
    QTest::newRow("empty") << QByteArray() << QStringList() << QStringList() << noCommand
                           << false;
    QTest::newRow("trailing comment")
        << QByteArray(":PULS1:DEL 0.00000100000 // 1 us\r\n:SYST:AUT 1\r\n")
        << QStringList{":SYST:AUT 1"} << loaded << QString() << true;
    QTest::newRow("empty line and LF ends")
        << QByteArray(":SYST:AUT 1\n\n:SYST:AUT 0\n")
        << QStringList{":SYST:AUT 1", "", ":SYST:AUT 0"} << QStringList()
        << "The instrument refused 1 of the file's 3 command lines:\n"
           "line 2: \"\" answered \"ERR 1: unknown command\""
        << true;
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF// \xC2\xB5s\r\n:SYST:AUT 1\r\n")
                               << QStringList{":SYST:AUT 1"} << loaded << QString() << true;
    QTest::newRow("UTF-16 BOM") << QByteArray("\xFF\xFE") +
                                       Utf16(QString::fromUtf8("// \u00B5s\r\n:SYST:AUT 1\r\n"),
                                             QStringConverter::Utf16LE)
                                << QStringList{":SYST:AUT 1"} << loaded << QString() << true;
}

void tst_settingsfile::restores()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, messages);
    QFETCH(QString, error);
    QFETCH(bool, progress);
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    const QString file = writeFile("restore.txt", bytes);
    QVERIFY(!file.isEmpty());
    c.P.Dialogs.fileAnswers = {file};
    ProgressWatch watch(c.P.MessageForm);
    const int mark = c.ReceivedCount();
    c.Form.RestoreSettingsFromFile1Click();
    // a file without command lines sends nothing and reads nothing back
    QCOMPARE(sent.isEmpty() ? c.ReceivedFrom(mark) : ReplayedLines(c, mark), sent);
    QCOMPARE(c.P.Dialogs.informations, messages);
    QCOMPARE(c.P.Errors.Texts, error.isEmpty() ? QStringList()
                                               : QStringList{QString(error).replace(
                                                     "*", QDir::toNativeSeparators(file))});
    QCOMPARE(watch.SawLoading, progress);
    QVERIFY(!c.P.MessageForm.isVisible());
    // the settings list is the instrument's again
    QCOMPARE(c.Form.Session->SettingsList.size(), 16 + 6);

    // cancelled: nothing loaded, sent or shown
    c.Form.Session->StatusTimer->stop();
    const int again = c.ReceivedCount();
    c.Form.RestoreSettingsFromFile1Click();
    QCOMPARE(c.ReceivedFrom(again), QStringList());
    QCOMPARE(c.P.Dialogs.informations, messages);
}

void tst_settingsfile::largerModelsFile()
{
    ControlPanel c;
    QVERIFY(c.Start({"--model", "7310-12"}));
    c.Form.Session->StatusTimer->stop();
    // a 36-channel model's file: its channel records 13 to 36 are sent as well
    QStringList lines = c.Form.Session->SettingsList;
    const QString record12 = lines.last().section(' ', 2);
    for (int n = 13; n <= 36; ++n)
        lines << QString("*CFG %1 %2").arg(n).arg(record12);
    QCOMPARE(CommandScript::Write(path("36.txt"), lines), QString());
    c.Form.ResponseList->clear();
    c.P.Dialogs.fileAnswers = {path("36.txt")};
    const int mark = c.ReceivedCount();
    c.Form.RestoreSettingsFromFile1Click();

    const QStringList replayed = ReplayedLines(c, mark);
    QCOMPARE(replayed.size(), 11 + 12 + 24);
    QCOMPARE(replayed.last(), QString("*CFG 36 ") + record12);
    // the instrument's refusals are shown in the terminal, and the replay went on
    const QString terminal = c.Form.ResponseList->toPlainText();
    for (int n = 13; n <= 36; ++n)
        QVERIFY(terminal.contains(QString(") *CFG %1 ").arg(n)));
    QCOMPARE(terminal.count(QRegularExpression(R"(\) ERR )")), 24);
    // told as refused, the first five with their replies; not "Settings loaded."
    QCOMPARE(c.P.Dialogs.informations, QStringList());
    QCOMPARE(c.P.Errors.Texts.size(), 1);
    const QStringList told = c.P.Errors.Texts[0].split('\n');
    QCOMPARE(told.first(), QString("The instrument refused 24 of the file's 47 command lines:"));
    QCOMPARE(told.size(), 1 + 5 + 1);
    QCOMPARE(told[1], QString("line 29: \"%1...\" answered \"ERR 4: no such channel\"")
                          .arg(QString("*CFG 13 " + record12).left(60)));
    QCOMPARE(told.last(), QString("... and 19 more."));
}

void tst_settingsfile::unreadableAndUnwritableFiles()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    const QStringList before = c.Form.Session->SettingsList;

    // a folder where a file was expected, and a file that vanished
    QVERIFY(QDir(work.path()).mkpath("folder.txt"));
    for (const char *name : {"folder.txt", "gone.txt"}) {
        c.P.Errors.Texts.clear();
        c.P.Dialogs.fileAnswers = {path(name)};
        const int mark = c.ReceivedCount();
        c.Form.RestoreSettingsFromFile1Click();
        QCOMPARE(c.P.Errors.Texts.size(), 1);
        QVERIFY2(c.P.Errors.Texts[0].contains(QDir::toNativeSeparators(path(name))),
                 qPrintable(c.P.Errors.Texts[0]));
        QCOMPARE(c.ReceivedFrom(mark), QStringList());
        QVERIFY(c.P.Dialogs.informations.isEmpty());
        QCOMPARE(c.Form.Session->SettingsList, before);
        QVERIFY(!c.P.MessageForm.isVisible());
    }

    // a save into a folder that does not exist: the error names the file
    c.P.Errors.Texts.clear();
    const QString nowhere = path("no/such/folder/settings.txt");
    c.P.Dialogs.fileAnswers = {nowhere};
    c.Form.SaveToFile1Click();
    QCOMPARE(c.P.Errors.Texts.size(), 1);
    QVERIFY(c.P.Errors.Texts[0].contains(QDir::toNativeSeparators(nowhere)));
    QVERIFY(!QFile::exists(nowhere));

    // cancelled save
    c.Form.SaveToFile1Click();
    QCOMPARE(c.P.Dialogs.informations, QStringList{"Save to file was cancelled"});

    // and the program goes on
    c.Form.Session->StatusTimer->stop();
    const int mark = c.ReceivedCount();
    c.Form.Session->QueuedCommandToPort(":SYST:AUT 0");
    c.Form.Session->ProcessTasks();
    QCOMPARE(c.ReceivedFrom(mark), QStringList{":SYST:AUT 0"});
}

void tst_settingsfile::refreshDuringReplay()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    QStringList lines{"// replayed whatever happens meanwhile"};
    for (int i = 1; i <= 16; ++i)
        lines << QString(":PULS1:DEL 0.%1").arg(i * 100, 11, 10, QChar('0'));
    QCOMPARE(CommandScript::Write(path("long.txt"), lines), QString());
    c.P.Dialogs.fileAnswers = {path("long.txt")};
    c.Form.Session->ProcessTasks(); // nothing left over from the start
    QVERIFY(!c.Form.Session->ReinitializePending);
    // the operator clicks Refresh once a few lines are out (seen by the instrument, so
    // whatever the machine's speed)
    const int mark = c.ReceivedCount();
    QTimer refresh;
    connect(&refresh, &QTimer::timeout, &c.Form, [&] {
        if (c.ReceivedCount() < mark + 3)
            return;
        refresh.stop();
        c.Form.RefreshMenu->trigger();
    });
    refresh.start(5);
    c.Form.RestoreSettingsFromFile1Click();

    const QStringList received = c.ReceivedFrom(mark);
    // two initializations: the Refresh inside the replay, then the restore's own
    QVERIFY2(received.count("*CFG? 0?") == 2, qPrintable(received.join(" | ")));
    const qsizetype refreshAt = received.indexOf("*CFG? 0?");
    const qsizetype lastLineAt = received.indexOf(lines.last());
    QVERIFY(refreshAt > 0 && refreshAt < lastLineAt);
    // every line of the file went out once and in order, the Refresh's queries between
    QStringList replayed;
    for (const QString &line : received)
        if (line.startsWith(":PULS1:DEL "))
            replayed << line;
    QCOMPARE(replayed, lines.mid(1));
    QCOMPARE(c.P.Dialogs.informations, QStringList{"Settings loaded."});
    QCOMPARE(c.Form.Session->SettingsList.size(), 16 + 6);
    QVERIFY(!c.Form.Session->ReinitializePending);
}

void tst_settingsfile::restoreChosenDuringAnInitialization()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    QCOMPARE(CommandScript::Write(path("two.txt"), {":SYST:AUT 1", ":SYST:AUT 0"}), QString());
    c.P.Dialogs.fileAnswers = {path("two.txt")};
    // chosen from the menu while a Refresh waits for a reply: run there, its lines would be
    // dropped as the port is busy; it starts once the Refresh is over
    bool chosenInside = false;
    QTimer menu;
    menu.setSingleShot(true);
    connect(&menu, &QTimer::timeout, &c.Form, [&] {
        chosenInside = c.Form.Session->TaskRunning;
        c.Form.RestoreSettingsFromFile1->trigger();
    });
    menu.start(60);
    const int mark = c.ReceivedCount();
    c.Form.RefreshMenuClick();
    c.Form.Session->ProcessTasks();
    QVERIFY(chosenInside);
    QVERIFY(c.P.Dialogs.informations.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(c.P.Dialogs.informations, QStringList{"Settings loaded."}, 10000);
    const QStringList sent = c.ReceivedFrom(mark);
    const qsizetype replayAt = sent.indexOf(":SYST:AUT 1");
    QVERIFY(replayAt > sent.indexOf("*CFG?6?")); // after the Refresh's read-back
    QCOMPARE(sent.mid(replayAt, 3), (QStringList{":SYST:AUT 1", ":SYST:AUT 0", "*CFG? 0?"}));
}

void tst_settingsfile::demoModeSavesTheDateLine()
{
    PanelFixture p;
    p.Form->StartupPath = TStartupPath::Demo;
    p.Form->FormCreate();
    p.Form->LaunchTimerTimer();
    QVERIFY(p.Form->Session->DemoMode);
    p.Dialogs.fileAnswers = {path("demo.txt")};
    p.Form->SaveToFile1Click();
    QVERIFY(p.Errors.Texts.isEmpty());
    // the date line alone
    QFile file(path("demo.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY2(QRegularExpression("^// [^\r\n]+,[^\r\n]+\r\n$")
                 .match(QString::fromLatin1(bytes))
                 .hasMatch(),
             bytes.constData());
}

namespace {
const QString Garbled = "The reply to \"*CFG?3?\" cannot be read: \"garbage\" "
                        "('' is not a valid integer value).";

// What the window says about its values: the marker in the caption and the line in
// System Information.
bool ShowsIncomplete(TMainForm &form, const QString &why)
{
    return form.windowTitle().endsWith("  - VALUES INCOMPLETE: " + why) &&
           form.ReadbackIncompletelbl->isVisibleTo(&form);
}
} // namespace

void tst_settingsfile::failedReadbackEndsTheSave()
{
    ControlPanel c;
    QVERIFY(c.Start({"--model", "462K-6", "--reply", "*CFG?3?=garbage"}));
    c.Form.Session->StatusTimer->stop();
    QCOMPARE(c.P.Errors.Texts, QStringList{Garbled}); // the start's read-back
    QVERIFY(ShowsIncomplete(c.Form, "\"*CFG?3?\" could not be read"));

    // an earlier good file stays as it was; no dialog is offered
    const QString file = writeFile("rig.txt", "*CFG 0 0 0.001000000 NORM 1 1 1 1\r\n");
    QVERIFY(!file.isEmpty());
    c.P.Errors.Texts.clear();
    c.P.Dialogs.fileAnswers = {file};
    c.Form.SaveToFile1Click();
    QCOMPARE(c.P.Dialogs.fileDialogs, 0);
    QCOMPARE(c.P.Errors.Texts, QStringList{Garbled + " The settings were not saved."});
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("*CFG 0 0 0.001000000 NORM 1 1 1 1\r\n"));
    QVERIFY(c.P.Dialogs.informations.isEmpty());
    QVERIFY(!c.Form.Comm->CommandsDisabled);
}

void tst_settingsfile::restoreWhoseReadbackFails()
{
    ControlPanel c;
    QVERIFY(c.Start({"--model", "462K-6", "--reply", "*CFG?3?=garbage"}));
    c.Form.Session->StatusTimer->stop();
    c.P.Errors.Texts.clear();
    QCOMPARE(CommandScript::Write(path("two.txt"), {"// rig", ":SYST:AUT 1", ":SYST:AUT 0"}),
             QString());
    c.P.Dialogs.fileAnswers = {path("two.txt")};
    c.Form.RestoreSettingsFromFile1Click();
    // not "Settings loaded.": what went out, and which record could not be read
    QVERIFY(c.P.Dialogs.informations.isEmpty());
    QCOMPARE(c.P.Errors.Texts,
             QStringList{"2 of the file's 2 command lines were sent. " + Garbled});
    QVERIFY(!c.P.MessageForm.isVisible());
    QVERIFY(ShowsIncomplete(c.Form, "\"*CFG?3?\" could not be read"));
}

void tst_settingsfile::restoreWhoseInstrumentVanishes()
{
    int startLines = 0;
    {
        ControlPanel reference;
        QVERIFY(reference.Start());
        startLines = reference.ReceivedCount();
    }
    ControlPanel c;
    QVERIFY(c.Start({"--model", "462K-6", "--unplug-after", QString::number(startLines + 3)}));
    c.Form.Session->StatusTimer->stop();
    QCOMPARE(c.ReceivedCount(), startLines);
    QVERIFY(!ShowsIncomplete(c.Form, "the instrument no longer answers"));
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << QString(":SYST:AUT %1").arg(i % 2);
    QCOMPARE(CommandScript::Write(path("ten.txt"), lines), QString());
    c.P.Dialogs.fileAnswers = {path("ten.txt")};
    c.P.Dialogs.answers = {OperatorDialogs::Ignore};
    c.Form.RestoreSettingsFromFile1Click();

    // one question, one count of what did not go out, no "Settings loaded.", no read-back
    QCOMPARE(c.P.Dialogs.warnings.size(), 1);
    QCOMPARE(c.P.Dialogs.informations.size(), 1);
    QVERIFY2(QRegularExpression("^[0-9]+ commands were not sent\\.$")
                 .match(c.P.Dialogs.informations[0])
                 .hasMatch(),
             qPrintable(c.P.Dialogs.informations[0]));
    QVERIFY(c.P.Errors.Texts.isEmpty());
    QVERIFY(!c.P.MessageForm.isVisible());
    QVERIFY(ShowsIncomplete(c.Form, "the instrument no longer answers"));
    QCOMPARE(c.ReceivedFrom(startLines), lines.mid(0, 3));
}

void tst_settingsfile::longReplayShowsProgressAndCancels()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    QStringList lines{"// a long file"};
    for (int i = 0; i < 60; ++i)
        lines << QString(":SYST:AUT %1").arg(i % 2);
    QCOMPARE(CommandScript::Write(path("long.txt"), lines), QString());
    c.P.Dialogs.fileAnswers = {path("long.txt")};

    // the operator reads the progress and clicks Cancel once a few lines are out
    QStringList progress;
    QTimer watch;
    connect(&watch, &QTimer::timeout, &c.Form, [&] {
        TMessageForm &m = c.P.MessageForm;
        if (!m.isVisible() || !m.CancelButton->isVisible())
            return;
        if (progress.isEmpty() || progress.last() != m.ProgressLabel->text())
            progress << m.ProgressLabel->text();
        if (m.ProgressLabel->text() == "line 8 of 61") {
            watch.stop();
            QTest::mouseClick(m.CancelButton, Qt::LeftButton);
        }
    });
    watch.start(0);
    const int mark = c.ReceivedCount();
    c.Form.RestoreSettingsFromFile1Click();

    QVERIFY2(progress.contains("line 2 of 61"), qPrintable(progress.join(" | ")));
    QVERIFY(progress.contains("line 8 of 61"));
    // the lines up to the cancel, then the read-back still follows
    // (the click lands in the reply wait of the next line or in the pause before it)
    const QStringList sent = ReplayedLines(c, mark);
    QVERIFY2(sent.size() >= 7 && sent.size() <= 8, qPrintable(sent.join(" | ")));
    QCOMPARE(sent, lines.mid(1, sent.size()));
    QVERIFY(c.ReceivedFrom(mark).contains("*CFG?6?"));
    QCOMPARE(c.P.Dialogs.informations,
             QStringList{QString("Loading was cancelled: %1 of the file's 60 command lines "
                                 "were sent.")
                             .arg(sent.size())});
    QVERIFY(!c.P.MessageForm.isVisible());
    // the progress window is the plain one again
    QVERIFY(!c.P.MessageForm.CancelButton->isVisibleTo(&c.P.MessageForm));
    QVERIFY(!c.P.MessageForm.isEnabled());
}

QTEST_MAIN(tst_settingsfile)
#include "tst_settingsfile.moc"
