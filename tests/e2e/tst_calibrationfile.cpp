// The calibration file against the emulator: saving a fresh readback, replaying a file
// line by line before reading everything back, and the load's deferral and failure.

#include "ServicePanel.h"
#include "comm/MessageBoxDialogs.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/service/TRadioGroup.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

class tst_calibrationfile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void save();
    void load_data();
    void load();
    void loadInsidePollIsDeferred();
    void saveInsidePollIsDeferred();
    void typedNameOpensAsTyped_data();
    void typedNameOpensAsTyped();
    void unreadableFileLeavesPollRunning();
    void loadFromAnotherInstrument(); // last: the instrument takes another identity

private:
    // A 6-channel instrument, its window opened once; the only panel, as the port
    // folder is the process's.
    std::unique_ptr<ServicePanel> F;
    // A file dialog that comes up without the operator-dialogs seam would wait for a
    // person: it is closed and counted.
    QTimer FUnscriptedWatch;
    int FUnscriptedDialogs = 0;
    bool FRealDialogs = false; // a test runs the program's own dialogs
    QTemporaryDir Files;
    // Each file in a folder of its own: the open dialog is the window's one, and a file
    // selected in its list the last time would win over the name typed this time.
    QString Path(const QString &name) const
    {
        const QString folder = Files.filePath(QFileInfo(name).completeBaseName());
        QDir().mkpath(folder);
        return folder + u'/' + name;
    }
};

namespace {
// As the operator does it: the name typed into the dialog's name field, then Open or
// Save. (Selecting the file instead waits for the dialog's folder listing.)
void TypeFileName(QFileDialog *d, const QString &path)
{
    const QFileInfo info(path);
    d->setDirectory(info.absolutePath());
    auto *edit = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(info.fileName());
    static_cast<QDialog *>(d)->accept(); // protected in QFileDialog
}

// The program's own file dialogs, every other question scripted.
struct RealFileDialogs : ScriptedDialogs
{
    QString ChooseFile(QObject *dialog) override { return MessageBoxDialogs().ChooseFile(dialog); }
};

// The file the next file dialog returns, through the operator-dialogs seam.
void ChooseFile(ServicePanel &f, const QString &path)
{
    f.P.Dialogs.fileAnswers = {path};
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Runs act as a click dispatched during a status poll's reply wait; false when no poll
// could be caught. A reply already waiting when the poll starts reading is taken without
// a wait, and the click is then dispatched after the poll: the poll is tried again.
bool InsidePoll(ServicePanel &f, const std::function<void()> &act)
{
    bool inside = false;
    for (int attempt = 0; attempt < 20 && !inside; ++attempt) {
        QTimer::singleShot(0, [&] {
            if (!f.Form.Session->StatusPollRunning)
                return;
            inside = true;
            act();
        });
        f.Form.Session->StatusTimerTimer();
        QCoreApplication::processEvents();
    }
    return inside;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

void tst_calibrationfile::initTestCase()
{
    QVERIFY(Files.isValid());
    connect(&FUnscriptedWatch, &QTimer::timeout, this, [this] {
        if (auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            d && !FRealDialogs) {
            ++FUnscriptedDialogs;
            d->reject();
        }
    });
    FUnscriptedWatch.start(50);
    F = std::make_unique<ServicePanel>();
    QVERIFY(F->Start({"--model", "7310-6"}));
    F->Service->ServiceInitialize();
}

void tst_calibrationfile::save()
{
    ServicePanel &f = *F;
    TServiceForm &s = *f.Service;
    f.P.Dialogs.informations.clear();

    // The readback runs first, then the dialog; the file is the list, CR LF after each line.
    qsizetype mark = f.Mark();
    f.P.Dialogs.onChooseFile = [&](QObject *object) {
        auto *d = qobject_cast<QFileDialog *>(object);
        QVERIFY(d);
        QCOMPARE(d->windowTitle(), QStringLiteral("Save calibration parameters"));
        QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(d->defaultSuffix(), QStringLiteral("txt"));
        QCOMPARE(f.SentSince(mark), ReadbackQueries(6, true));
    };
    ChooseFile(f, Path("first.txt"));
    const int dialogs = f.P.Dialogs.fileDialogs;
    s.SaveCalsBtn->click();
    f.P.Dialogs.onChooseFile = nullptr;
    QCOMPARE(f.P.Dialogs.fileDialogs, dialogs + 1);
    QCOMPARE(f.SentSince(mark), ReadbackQueries(6, true));
    const QByteArray first = ReadFile(Path("first.txt"));
    const QList<QByteArray> lines = first.split('\n');
    QCOMPARE(lines.size(), 38 + 1);
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(first, f.Form.Session->CalibrationList.join("\r\n").toLatin1() + "\r\n");
    QCOMPARE(lines[5], QByteArray(":SYST:SEC 48213\r"));
    QCOMPARE(lines[6], QByteArray("*SER 10234\r"));
    QCOMPARE(lines[7], QByteArray(":SYST:BAD 1 6\r"));
    QCOMPARE(lines[37], QByteArray(":PULS6:CAL:OFFS 58\r"));
    QVERIFY(f.P.Dialogs.informations.isEmpty());

    // Saved again over an existing file, without a question: only the time line differs.
    WriteFile(Path("second.txt"), "old contents");
    ChooseFile(f, Path("second.txt"));
    s.SaveCalsBtn->click();
    const QList<QByteArray> again = ReadFile(Path("second.txt")).split('\n');
    QCOMPARE(again.mid(1), lines.mid(1));

    // Cancelled: the readback has run, nothing is written.
    mark = f.Mark();
    s.SaveCalsBtn->click(); // no file chosen
    QCOMPARE(f.P.Dialogs.informations, QStringList{"Save to file was cancelled"});
    QCOMPARE(f.SentSince(mark), ReadbackQueries(6, true));
}

void tst_calibrationfile::load_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("progress");

    QTest::newRow("command lines, with an empty one")
        << QByteArray("// saved\r\n:TRIG1:CAL:GAIN 3100\r\n\r\n:PULS2:CAL:DEL 30\r\n")
        << QStringList{":TRIG1:CAL:GAIN 3100", "", ":PULS2:CAL:DEL 30"}
        << QStringList{"Settings loaded."} << "Loading. Please wait...";
    QTest::newRow("a trailing comment hides the whole line")
        << QByteArray(":TRIG1:CAL:GAIN 3200 // note\r\n:TRIG1:CAL:OFFS 210\n")
        << QStringList{":TRIG1:CAL:OFFS 210"} << QStringList{"Settings loaded."}
        << "Loading. Please wait...";
    QTest::newRow("comments only") << QByteArray("// one\r\n// two\r\n") << QStringList()
                                   << QStringList{"Settings loaded."} << "Loading. Please wait...";
    QTest::newRow("empty") << QByteArray() << QStringList()
                           << QStringList{"Empty file.", "Settings loaded."}
                           << "Initializing System Cals";
    QTest::newRow("UTF-8 byte-order mark")
        << QByteArray("\xEF\xBB\xBF:TRIG1:CAL:OFFS 220\r\n") << QStringList{":TRIG1:CAL:OFFS 220"}
        << QStringList{"Settings loaded."} << "Loading. Please wait...";
    QStringEncoder utf16(QStringConverter::Utf16LE);
    QTest::newRow("UTF-16 byte-order mark")
        << QByteArray("\xFF\xFE") + QByteArray(utf16.encode(u":GATE1:CAL:OFFS 4\r\n"))
        << QStringList{":GATE1:CAL:OFFS 4"} << QStringList{"Settings loaded."}
        << "Loading. Please wait...";
    QTest::newRow("a channel the instrument lacks is sent as well")
        << QByteArray(":PULS7:CAL:DEL 30\r\n") << QStringList{":PULS7:CAL:DEL 30"}
        << QStringList{"Settings loaded."} << "Loading. Please wait...";
}

void tst_calibrationfile::load()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, messages);
    QFETCH(QString, progress);
    ServicePanel &f = *F;
    f.P.Dialogs.informations.clear();
    ProgressTexts shown(f.P.MessageForm);
    const QString path =
        Path(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".txt");
    WriteFile(path, contents);

    const qsizetype mark = f.Mark();
    ChooseFile(f, path);
    f.Service->LoadCalsBtn->click();

    // The file's command lines in order, then the whole readback.
    QCOMPARE(f.SentSince(mark), sent + ReadbackQueries(6, true));
    QCOMPARE(f.P.Dialogs.informations, messages);
    QCOMPARE(shown.Texts.value(0), progress);
    QVERIFY(!f.P.MessageForm.isVisible());
    QVERIFY(!f.Form.Session->CalibrationLoadPending);
    QCOMPARE(f.Form.Session->CalibrationList.size(), 14 + 4 * 6);
}

void tst_calibrationfile::loadFromAnotherInstrument()
{
    ServicePanel &f = *F;
    f.P.Dialogs.informations.clear();
    const QString path = Path("other.txt");
    WriteFile(path, "// 01/02/2026,10:00:00\r\n// Marendale Model 7310-6\r\n"
                    "// Serial Number: 55555\r\n// Firmware Version: 2.04\r\n"
                    "// FPGA Version: 1.12\r\n:SYST:SEC 48213\r\n*SER 55555\r\n"
                    ":SYST:BAD 0 6\r\n:TRIG1:CAL:GAIN 3000\r\n:PULS2:CAL:DEL 30\r\n");

    ChooseFile(f, path);
    f.Service->LoadCalibrations();
    QCOMPARE(f.P.Dialogs.informations, QStringList{"Settings loaded."});
    // The instrument took the other one's identity; the readback shows it.
    for (const auto &[line, reply] : f.Emulator->Exchanges())
        if (line == "*SER 55555" || line == ":SYST:BAD 0 6")
            QCOMPARE(reply, QStringLiteral("OK"));
    QCOMPARE(f.Service->SerialNumEdit->text(), QStringLiteral("55555"));
    QCOMPARE(f.Form.Session->Identity.SerialNumber, 55555);
    QCOMPARE(f.Service->CompanySel->ItemIndex(), 0);
    QCOMPARE(f.Service->Trig1AmpGainAdj->IntValue(), 3000);
    QCOMPARE(f.Service->ChDelayCalAdj[2]->IntValue(), 30);
    QVERIFY(f.Form.Session->CalibrationList.contains("*SER 55555"));
    QVERIFY(f.Form.Session->CalibrationList.contains(":SYST:BAD 0 6"));
    // A load leaves storing to the technician.
    QVERIFY(f.Service->StoreCalReminderLbl->isVisibleTo(f.Service.get()));
}

void tst_calibrationfile::cleanup()
{
    QCOMPARE(FUnscriptedDialogs, 0);
}

void tst_calibrationfile::cleanupTestCase()
{
    F.reset();
}

void tst_calibrationfile::loadInsidePollIsDeferred()
{
    ServicePanel &f = *F;
    f.P.Dialogs.informations.clear();
    const QString path = Path("deferred.txt");
    WriteFile(path, ":TRIG2:CAL:OFFS 333\r\n");

    // Started from inside a status poll (the technician's click dispatched during the
    // poll's reply wait): no dialog yet, the poll ends, the load follows.
    f.Form.Session->StatusTimer->stop();
    QTRY_VERIFY(f.Drained());
    bool deferred = false;
    const qsizetype mark = f.Mark();
    const int dialogs = f.P.Dialogs.fileDialogs;
    QVERIFY(InsidePoll(f, [&] {
        f.Service->LoadCalibrations();
        deferred = f.Form.Session->CalibrationLoadPending && f.Service->CalTimer->isActive() &&
                   f.P.Dialogs.fileDialogs == dialogs;
    }));
    QVERIFY(deferred);
    QVERIFY(!f.Form.Session->StatusPollRunning);

    ChooseFile(f, path);
    QTRY_VERIFY_WITH_TIMEOUT(f.P.Dialogs.informations.contains("Settings loaded."), 10000);
    QCOMPARE(f.SentSince(mark), QStringList{":TRIG2:CAL:OFFS 333"} + ReadbackQueries(6, true));
    QVERIFY(!f.Form.Session->CalibrationLoadPending);
    QCOMPARE(f.Service->TrigGate2AmpOffAdj->IntValue(), 333);
}

void tst_calibrationfile::saveInsidePollIsDeferred()
{
    ServicePanel &f = *F;
    f.P.Dialogs.informations.clear();
    // a factor changed on the instrument since the last read-back
    f.Form.Session->QueuedCommandToPort(":TRIG2:CAL:OFFS 555");
    f.Form.Session->StatusTimer->stop();
    QTRY_VERIFY(f.Drained());

    // Clicked inside a status poll: no read-back and no dialog there; once the poll is
    // over the read-back runs, then the dialog, and the file holds the new factor.
    bool deferred = false;
    const int dialogs = f.P.Dialogs.fileDialogs;
    QVERIFY(InsidePoll(f, [&] {
        f.Service->SaveCalsBtnClick();
        deferred = f.P.Dialogs.fileDialogs == dialogs;
    }));
    QVERIFY(deferred);
    ChooseFile(f, Path("deferred-save.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Path("deferred-save.txt")), 10000);
    const QByteArray saved = ReadFile(Path("deferred-save.txt"));
    QVERIFY2(saved.contains(":TRIG2:CAL:OFFS 555\r\n"), saved.constData());
    QCOMPARE(saved.count('\n'), 38);
}

void tst_calibrationfile::typedNameOpensAsTyped_data()
{
    // Files in the folder, the name typed into the open dialog, the file loaded.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("a name without suffix that exists as typed")
        << QStringList{"rig", "rig.txt"} << "rig"
        << "rig";
    QTest::newRow("the suffix added where the name alone is no file")
        << QStringList{"bench.txt"} << "bench"
        << "bench.txt";
    QTest::newRow("a name with its suffix") << QStringList{"line.txt"} << "line.txt"
                                            << "line.txt";
}

void tst_calibrationfile::typedNameOpensAsTyped()
{
    QFETCH(QStringList, files);
    QFETCH(QString, typed);
    QFETCH(QString, loaded);
    ServicePanel &f = *F;
    f.P.Dialogs.informations.clear();
    const QString folder = Files.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(folder));
    // each file sets the trigger 2 offset to a value of its own
    QHash<QString, int> values;
    for (const QString &name : files) {
        values[name] = 300 + int(values.size());
        WriteFile(folder + u'/' + name,
                  QString(":TRIG2:CAL:OFFS %1\r\n").arg(values[name]).toLatin1());
    }
    // The window's own open dialog, run by the program's dialogs, with the name typed.
    RealFileDialogs dialogs;
    FRealDialogs = true;
    WhenShown<QFileDialog>([&](QFileDialog *d) { TypeFileName(d, folder + u'/' + typed); });
    f.Service->LoadCalibrations();
    FRealDialogs = false;
    QCOMPARE(dialogs.informations, QStringList{"Settings loaded."});
    QCOMPARE(f.Service->TrigGate2AmpOffAdj->IntValue(), values.value(loaded));
}

void tst_calibrationfile::unreadableFileLeavesPollRunning()
{
    ServicePanel &f = *F;
    f.P.Dialogs.informations.clear();
    f.P.Errors.Texts.clear();
    const QString path = Path("vanishing.txt");
    WriteFile(path, ":TRIG2:CAL:OFFS 444\r\n");

    // The file goes away between the choice and the reading.
    f.P.Dialogs.onChooseFile = [path](QObject *) { QFile::remove(path); };
    ChooseFile(f, path);
    qsizetype mark = f.Mark();
    f.Service->LoadCalibrations();
    f.P.Dialogs.onChooseFile = nullptr;
    QCOMPARE(f.P.Errors.Texts.size(), 1);
    QVERIFY(f.P.Errors.Texts[0].contains("vanishing.txt"));
    QVERIFY(f.P.Dialogs.informations.isEmpty());
    QVERIFY(!f.Form.Session->CalibrationLoadPending);
    QVERIFY(!f.P.MessageForm.isVisible());
    QCOMPARE(f.SentSince(mark), QStringList());

    mark = f.Emulator->Received().size();
    f.Form.Session->StatusTimer->start();
    QTRY_VERIFY_WITH_TIMEOUT(f.Emulator->Received().mid(mark).contains(":PULS0:STAT?"), 3000);
}

QTEST_MAIN(tst_calibrationfile)
#include "tst_calibrationfile.moc"
