// The service window against the emulator: the channel pages and the calibration
// readback, the change handlers as they reach the wire, the faults of the badge reply,
// and the way in through the service code.

#include "ServicePanel.h"
#include "comm/TKTComPort.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TPageControl.h"
#include "ui/service/TRadioGroup.h"

#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

class tst_service : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void firstAndSecondOpening();
    void fewerChannelsChosenKeepThePanelsChannels();
    void amplifierHandlers_data();
    void amplifierHandlers();
    void channelHandlers_data();
    void channelHandlers();
    void delayCarriesWidth_data();
    void delayCarriesWidth();
    void companyAndStore();
    void serialNumber_data();
    void serialNumber();
    void optimize();
    void pageFocusMemory();
    void unsecuredInstrumentAndClampedField();
    void unreadableCalibrationReply_data();
    void unreadableCalibrationReply();
    void readbackChosenDuringARefreshWaits();
    void serviceCode_data();
    void serviceCode();
    void refusedUnlock();
    void demoModeNeverOpens();

private:
    // The panel several tests share, started on first use. Only one panel may exist at a
    // time: the port folder is the process's, and a poll reopens the port through it.
    ServicePanel *Shared(const QStringList &arguments);
    // A 24-channel MRD instrument whose service window was opened once.
    ServicePanel *Panel24();
    std::unique_ptr<ServicePanel> FShared;
    QStringList FSharedArguments;
};

namespace {
// Waits until the queue has sent everything, then gives what went out since mark.
QStringList SentAfterDrain(ServicePanel &f, qsizetype mark)
{
    QTest::qWait(20); // the task tick that starts the drain
    QDeadlineTimer deadline(10000);
    while (!f.Drained() && !deadline.hasExpired())
        QTest::qWait(10);
    return f.SentSince(mark);
}
} // namespace

ServicePanel *tst_service::Shared(const QStringList &arguments)
{
    if (FShared && FSharedArguments == arguments)
        return FShared.get();
    FShared.reset();
    FSharedArguments.clear();
    if (arguments.isEmpty())
        return nullptr;
    auto panel = std::make_unique<ServicePanel>();
    if (!panel->Start(arguments))
        return nullptr;
    FShared = std::move(panel);
    FSharedArguments = arguments;
    return FShared.get();
}

ServicePanel *tst_service::Panel24()
{
    const QStringList arguments{"--model", "7310-24", "--badge", "MRD"};
    const bool fresh = !FShared || FSharedArguments != arguments;
    ServicePanel *f = Shared(arguments);
    if (f && fresh)
        f->Service->ServiceInitialize();
    return f;
}

void tst_service::initTestCase() {}

void tst_service::cleanupTestCase()
{
    FShared.reset();
}

void tst_service::firstAndSecondOpening()
{
    Shared({});
    ServicePanel f;
    QVERIFY(f.Start({"--model", "7310-12"}));
    TServiceForm &s = *f.Service;
    QVERIFY(!s.isVisible());

    qsizetype mark = f.Mark();
    f.Form.ServiceWindowMenu->trigger();
    QVERIFY(s.isVisible());
    QVERIFY(!f.P.MessageForm.isVisible());

    QCOMPARE(s.ChPageCalibration->PageCount(), 12);
    for (int n = 1; n <= 12; ++n) {
        QCOMPARE(s.ChPageCalibration->TabCaption(n - 1), QStringLiteral("Ch %1").arg(n));
        // The generated fields sit on their own channel's page, named for it.
        QCOMPARE(s.ChDelayCalAdj[n]->objectName(), QStringLiteral("ChDelayCalAdj%1").arg(n));
        QVERIFY(s.ChPageCalibration->Page(n - 1)->isAncestorOf(s.ChAmpOffAdj[n]));
    }
    QVERIFY(!s.ChDelayCalAdj[13]);
    QCOMPARE(s.NumChSelect->ItemIndex(), 1);
    QCOMPARE(s.CompanySel->ItemIndex(), 1);
    QVERIFY(s.StoreCalReminderLbl->isVisible());
    QCOMPARE(s.SerialNumEdit->text(), QStringLiteral("10234"));
    QVERIFY(!f.Form.Session->CalibrationRetrievePending && !f.Form.Comm->CommandsDisabled);

    // The secured instrument is unlocked first; then the queries in their order, and
    // nothing else.
    QCOMPARE(f.SentSince(mark), ReadbackQueries(12, true));

    // Every field and every list line holds what the instrument answered.
    const QStringList &list = f.Form.Session->CalibrationList;
    QCOMPARE(list.size(), 14 + 4 * 12);
    QVERIFY(list[0].startsWith(QLatin1String("// ")));
    QCOMPARE(list[1], QStringLiteral("// ") + f.Form.windowTitle());
    QCOMPARE(list.mid(2, 4), QStringList({"// Serial Number: 10234", "// Firmware Version: 2.04",
                                          "// FPGA Version: 1.12", ":SYST:SEC 48213"}));
    QHash<QString, QString> replies;
    for (const auto &[line, reply] : f.Emulator->Exchanges())
        replies[line] = reply;
    const QStringList queries = ReadbackQueries(12, false);
    for (int i = 0; i < queries.size(); ++i) {
        QString query = queries[i];
        query.chop(1);
        QCOMPARE(list[6 + i], query + u' ' + replies.value(queries[i]));
    }
    QCOMPARE(list[7], QStringLiteral(":SYST:BAD 1 12"));
    QCOMPARE(s.Trig1AmpGainAdj->IntValue(), 2480);
    QCOMPARE(s.TrigGate2AmpOffAdj->IntValue(), 96);
    QCOMPARE(s.Gate1AmpGainAdj->IntValue(), 2460);
    for (int n = 1; n <= 12; ++n) {
        const ChannelConfig &c = f.Form.Session->ChannelConfigs[n];
        QCOMPARE(s.ChWidthCalAdj[n]->IntValue(), c.WidthCal);
        QCOMPARE(s.ChDelayCalAdj[n]->IntValue(), c.DelayCal);
        QCOMPARE(s.ChAmpGainAdj[n]->IntValue(), c.AmpGainCal);
        QCOMPARE(s.ChAmpOffAdj[n]->IntValue(), c.AmpOffsetCal);
        QCOMPARE(list[14 + 4 * (n - 1) + 1],
                 QStringLiteral(":PULS%1:CAL:DEL %2").arg(n).arg(c.DelayCal));
    }
    // every factor field was read: none is marked, every one takes input
    for (const TPlusSpinEdit *e : s.findChildren<TPlusSpinEdit *>())
        QVERIFY2(e->Enabled() && e->toolTip().isEmpty(), qPrintable(e->objectName()));
    QCOMPARE(f.Form.Session->ChannelConfigs[7].DelayCal, 18 + 7);
    QCOMPARE(f.Form.Session->ChannelConfigs[12].AmpOffsetCal, 40 + 3 * 12);

    // Second opening: no new pages, everything read again; nothing changed, so the
    // reminder stays hidden.
    mark = f.Mark();
    f.Form.ServiceWindowMenu->trigger();
    QCOMPARE(s.ChPageCalibration->PageCount(), 12);
    QCOMPARE(f.SentSince(mark), ReadbackQueries(12, true));
    QVERIFY(!s.StoreCalReminderLbl->isVisible());

    // "Channels" goes to the instrument; the panel keeps its 12 channels until a restart.
    mark = f.Mark();
    s.NumChSelect->Button(2)->click();
    QCOMPARE(f.Form.Session->ChannelCount, 12);
    QCOMPARE(SentAfterDrain(f, mark), QStringList({":SYST:BAD 1 24"}));
    mark = f.Mark();
    s.ServiceInitialize();
    QCOMPARE(f.SentSince(mark), ReadbackQueries(12, true));
    QCOMPARE(s.ChPageCalibration->PageCount(), 12);
    QCOMPARE(f.Form.Session->CalibrationList.size(), 14 + 4 * 12);
}

void tst_service::fewerChannelsChosenKeepThePanelsChannels()
{
    Shared({});
    ServicePanel f;
    QVERIFY(f.Start({"--model", "7310-12"}));
    TServiceForm &s = *f.Service;
    s.ServiceInitialize();

    qsizetype mark = f.Mark();
    s.NumChSelect->Button(0)->click(); // "6"
    QCOMPARE(SentAfterDrain(f, mark), QStringList({":SYST:BAD 1 6"}));
    QCOMPARE(f.Form.Session->ChannelCount, 12);
    // Read back, the choice shows what the instrument now holds, and the company
    // choice sends that count along.
    s.ServiceInitialize();
    QCOMPARE(s.NumChSelect->ItemIndex(), 0);
    QCOMPARE(f.Form.Session->ChannelCount, 12);
    mark = f.Mark();
    s.CompanySel->Button(0)->click();
    QCOMPARE(SentAfterDrain(f, mark), QStringList({":SYST:BAD 0 6"}));

    // Multiplexer item 4 exists on 12 channels only; channel 9 still takes its lines.
    auto *mux = f.Form.findChild<TCheckListBox *>("ChMuxSelect9");
    QVERIFY(mux);
    for (int i = 0; i < mux->count(); ++i)
        mux->SetChecked(i, false);
    mark = f.Mark();
    for (const int item : {4, 1}) {
        mux->setFocus();
        mux->setCurrentRow(item);
        QTest::keyClick(mux->viewport(), Qt::Key_Space);
    }
    QCOMPARE(SentAfterDrain(f, mark), QStringList({":PULS9:MUX 16", ":PULS9:MUX 18"}));
}

void tst_service::amplifierHandlers_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("line");

    QTest::newRow("trig 1 gain") << "Trig1AmpGainAdj" << 3001 << ":TRIG1:CAL:GAIN 3001";
    QTest::newRow("trig 1 offset") << "Trig1AmpOffAdj" << 201 << ":TRIG1:CAL:OFFS 201";
    QTest::newRow("trig/gate 2 gain") << "TrigGate2AmpGainAdj" << 3002 << ":TRIG2:CAL:GAIN 3002";
    QTest::newRow("trig/gate 2 offset") << "TrigGate2AmpOffAdj" << 202 << ":TRIG2:CAL:OFFS 202";
    QTest::newRow("gate 1 gain") << "Gate1AmpGainAdj" << 3003 << ":GATE1:CAL:GAIN 3003";
    QTest::newRow("gate 1 offset") << "Gate1AmpOffAdj" << 203 << ":GATE1:CAL:OFFS 203";
}

void tst_service::amplifierHandlers()
{
    QFETCH(QString, field);
    QFETCH(int, value);
    QFETCH(QString, line);
    ServicePanel *shared = Panel24();
    QVERIFY(shared);
    ServicePanel &f = *shared;
    auto *edit = f.Service->findChild<TPlusSpinEdit *>(field);
    QVERIFY(edit);
    f.Service->StoreCalReminderLbl->hide();

    const qsizetype mark = f.Mark();
    edit->AssignValue(value);
    QCOMPARE(SentAfterDrain(f, mark), QStringList{line});
    QVERIFY(f.Service->StoreCalReminderLbl->isVisibleTo(f.Service.get()));
    QCOMPARE(f.Emulator->LastReplyTo(line), QStringLiteral("OK")); // unlocked by the readback
}

void tst_service::channelHandlers_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("mirror");

    // Channel 17 is a generated page: the channel comes from the field's name.
    QTest::newRow("width") << "ChWidthCalAdj17" << 41 << ":PULS17:CAL:WIDT 41"
                           << "WidthCal";
    QTest::newRow("gain") << "ChAmpGainAdj17" << 4321 << ":PULS17:CAL:GAIN 4321"
                          << "AmpGainCal";
    QTest::newRow("offset") << "ChAmpOffAdj17" << -7 << ":PULS17:CAL:OFFS -7"
                            << "AmpOffsetCal";
}

void tst_service::channelHandlers()
{
    QFETCH(QString, field);
    QFETCH(int, value);
    QFETCH(QString, line);
    QFETCH(QString, mirror);
    ServicePanel *shared = Panel24();
    QVERIFY(shared);
    ServicePanel &f = *shared;
    auto *edit = f.Service->findChild<TPlusSpinEdit *>(field);
    QVERIFY(edit);

    const qsizetype mark = f.Mark();
    edit->AssignValue(value);
    QCOMPARE(SentAfterDrain(f, mark), QStringList{line});
    const ChannelConfig &c = f.Form.Session->ChannelConfigs[17];
    const QHash<QString, qint32> mirrors{
        {"WidthCal", c.WidthCal}, {"AmpGainCal", c.AmpGainCal}, {"AmpOffsetCal", c.AmpOffsetCal}};
    QCOMPARE(mirrors.value(mirror), value);
    QCOMPARE(f.Emulator->LastReplyTo(line), QStringLiteral("OK"));
}

void tst_service::delayCarriesWidth_data()
{
    QTest::addColumn<int>("delayBefore");
    QTest::addColumn<int>("widthBefore");
    QTest::addColumn<int>("delayAfter");
    QTest::addColumn<int>("widthAfter");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("raised by 3") << 20 << 30 << 23 << 33
                                 << QStringList{":PULS3:CAL:DEL 23", ":PULS3:CAL:WIDT 33"};
    QTest::newRow("width held at its maximum")
        << 20 << 48 << 23 << 50 << QStringList{":PULS3:CAL:DEL 23", ":PULS3:CAL:WIDT 50"};
    QTest::newRow("width held at its minimum")
        << 20 << 2 << 15 << 0 << QStringList{":PULS3:CAL:DEL 15", ":PULS3:CAL:WIDT 0"};
    QTest::newRow("width already at the limit sends nothing more")
        << 20 << 50 << 23 << 50 << QStringList{":PULS3:CAL:DEL 23"};
}

void tst_service::delayCarriesWidth()
{
    QFETCH(int, delayBefore);
    QFETCH(int, widthBefore);
    QFETCH(int, delayAfter);
    QFETCH(int, widthAfter);
    QFETCH(QStringList, lines);
    ServicePanel *shared = Panel24();
    QVERIFY(shared);
    ServicePanel &f = *shared;
    TServiceForm &s = *f.Service;

    s.ChDelayCalAdj[3]->AssignValue(delayBefore);
    s.ChWidthCalAdj[3]->AssignValue(widthBefore);
    SentAfterDrain(f, f.Mark());

    const qsizetype mark = f.Mark();
    s.ChDelayCalAdj[3]->AssignValue(delayAfter);
    QCOMPARE(SentAfterDrain(f, mark), lines);
    QCOMPARE(s.ChWidthCalAdj[3]->IntValue(), widthAfter);
    QCOMPARE(f.Form.Session->ChannelConfigs[3].WidthCal, widthAfter);
    QCOMPARE(f.Form.Session->ChannelConfigs[3].DelayCal, delayAfter);
}

void tst_service::companyAndStore()
{
    ServicePanel *shared = Panel24();
    QVERIFY(shared);
    ServicePanel &f = *shared;
    TServiceForm &s = *f.Service;
    QCOMPARE(s.CompanySel->ItemIndex(), 0);

    qsizetype mark = f.Mark();
    s.CompanySel->Button(1)->click();
    QCOMPARE(SentAfterDrain(f, mark), QStringList{":SYST:BAD 1 24"});
    QCOMPARE(f.Emulator->LastReplyTo(":SYST:BAD 1 24"), QStringLiteral("OK"));
    QVERIFY(s.StoreCalReminderLbl->isVisibleTo(&s));
    // The read-back that "Save Cals To File" runs first stores nothing.
    s.ServiceInitialize();
    QVERIFY(s.StoreCalReminderLbl->isVisibleTo(&s));

    mark = f.Mark();
    s.StoreCalsBtn->click();
    QVERIFY(!s.StoreCalReminderLbl->isVisibleTo(&s));
    QCOMPARE(SentAfterDrain(f, mark), QStringList({"*STR 0", "*STR 1", "*STR 2"}));
}

void tst_service::serialNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("error");

    QTest::newRow("a number") << "12345" << QStringList{"*SER 12345"} << QString();
    QTest::newRow("not a number") << "12a45" << QStringList()
                                  << "'12a45' is not a valid integer value";
    QTest::newRow("empty") << "" << QStringList() << "'' is not a valid integer value";
}

void tst_service::serialNumber()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QFETCH(QString, error);
    ServicePanel *shared = Panel24();
    QVERIFY(shared);
    ServicePanel &f = *shared;
    f.P.Errors.Texts.clear();
    const qint32 before = f.Form.Session->Identity.SerialNumber;

    const qsizetype mark = f.Mark();
    f.Service->SerialNumEdit->setText(text);
    f.Service->SerialNumSetBtn->click();
    QCOMPARE(SentAfterDrain(f, mark), lines);
    if (error.isEmpty()) {
        QVERIFY(f.P.Errors.Texts.isEmpty());
        QCOMPARE(f.Form.Session->Identity.SerialNumber, text.toInt());
    } else {
        QCOMPARE(f.P.Errors.Texts, QStringList{error});
        QCOMPARE(f.Form.Session->Identity.SerialNumber, before);
    }
}

void tst_service::optimize()
{
    ServicePanel *shared = Panel24();
    QVERIFY(shared);
    ServicePanel &f = *shared;
    TServiceForm &s = *f.Service;
    s.ChDelayCalAdj[5]->AssignValue(40);
    SentAfterDrain(f, f.Mark());

    const qsizetype mark = f.Mark();
    s.OptimizeCals->click();
    QTRY_VERIFY_WITH_TIMEOUT(f.SentSince(mark).size() ==
                                     1 + ReadbackQueries(24, false).size() + 1 &&
                                 !f.Form.Session->CalibrationRetrievePending,
                             15000);
    // "*OPT" goes out first, the readback follows it.
    QCOMPARE(f.SentSince(mark), QStringList{"*OPT"} + ReadbackQueries(24, true));
    for (int n = 1; n <= 24; ++n) {
        QCOMPARE(s.ChDelayCalAdj[n]->IntValue(), 25);
        QCOMPARE(s.ChWidthCalAdj[n]->IntValue(), 25);
    }
}

void tst_service::pageFocusMemory()
{
    ServicePanel *shared = Panel24();
    QVERIFY(shared);
    ServicePanel &f = *shared;
    TServiceForm &s = *f.Service;
    s.show();
    s.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s));
    TPageControl &pages = *s.ChPageCalibration;
    pages.SetActivePageIndex(0);

    s.ChAmpGainAdj[1]->setFocus();
    pages.SelectPageByUser(4);
    QCOMPARE(pages.ActivePageIndex(), 4);
    s.ChWidthCalAdj[5]->setFocus();
    pages.SelectPageByUser(0);
    QCOMPARE(QApplication::focusWidget(), s.ChAmpGainAdj[1]);
    pages.SelectPageByUser(4);
    QCOMPARE(QApplication::focusWidget(), s.ChWidthCalAdj[5]);
    s.hide();
}

void tst_service::unsecuredInstrumentAndClampedField()
{
    Shared({});
    ServicePanel f;
    QVERIFY(f.Start({"--model", "7310-6", "--unsecured", "--reply", ":PULS1:CAL:OFFS?=-150"}));
    QVERIFY(f.Form.Session->SystemUnsecured);

    const qsizetype mark = f.Mark();
    f.Service->ServiceInitialize();
    // No unlock sent, but the list (the calibration file) still starts with it.
    QCOMPARE(f.SentSince(mark), ReadbackQueries(6, false));
    QCOMPARE(f.Form.Session->CalibrationList.value(5), QStringLiteral(":SYST:SEC 48213"));

    QCOMPARE(f.Service->ChAmpOffAdj[1]->IntValue(), -100);
    QCOMPARE(f.Form.Session->ChannelConfigs[1].AmpOffsetCal, -150);
    QVERIFY(f.Form.Session->CalibrationList.contains(":PULS1:CAL:OFFS -150"));
    // The delay factor read in range carries nothing into the width factor.
    QCOMPARE(f.Service->ChWidthCalAdj[1]->IntValue(), f.Form.Session->ChannelConfigs[1].WidthCal);
}

void tst_service::unreadableCalibrationReply_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("read"); // factor fields read before it, in read-back order

    QTest::newRow("badge without a space") << ":SYST:BAD?"
                                           << "1"
                                           << "'' is not a valid integer value" << 0;
    QTest::newRow("badge without a number before the space")
        << ":SYST:BAD?"
        << "KT 6"
        << "'KT' is not a valid integer value" << 0;
    QTest::newRow("serial number that is no number") << "*SER?"
                                                     << "abc"
                                                     << "'abc' is not a valid integer value" << 0;
    QTest::newRow("input factor with a letter") << ":TRIG1:CAL:GAIN?"
                                                << "12x"
                                                << "'12x' is not a valid integer value" << 0;
    QTest::newRow("channel factor: no reply") << ":PULS3:CAL:WIDT?"
                                              << ""
                                              << "no reply" << 6 + 2 * 4;
}

void tst_service::unreadableCalibrationReply()
{
    Shared({});
    QFETCH(QString, query);
    QFETCH(QString, reply);
    QFETCH(QString, reason);
    QFETCH(int, read);
    ServicePanel f;
    QVERIFY(f.Start({"--model", "7310-6", "--reply", query + "=" + reply}));

    // The read-back ends there, naming the query and quoting the reply; nothing reads 0.
    const qsizetype mark = f.Mark();
    f.Service->ServiceInitialize();
    const QString failure =
        QString("The reply to \"%1\" cannot be read: \"%2\" (%3).").arg(query, reply, reason);
    QCOMPARE(f.P.Errors.Texts, QStringList{failure});
    QVERIFY(f.SentSince(mark).contains(query));
    QVERIFY(!f.SentSince(mark).contains(":PULS6:CAL:OFFS?")); // nothing asked after it
    QCOMPARE(f.Form.Session->CalibrationFailure, failure);
    QVERIFY(!f.Form.Session->CalibrationList.contains(":TRIG1:CAL:GAIN 0"));
    QVERIFY(!f.P.MessageForm.isVisible());
    QVERIFY(!f.Form.Comm->CommandsDisabled);
    QVERIFY(!f.Form.Session->CalibrationRetrievePending);

    // The fields read show their values; the others are marked and take no input.
    TServiceForm &s = *f.Service;
    QList<TPlusSpinEdit *> fields{s.Trig1AmpGainAdj,     s.Trig1AmpOffAdj,  s.TrigGate2AmpGainAdj,
                                  s.TrigGate2AmpOffAdj, s.Gate1AmpGainAdj, s.Gate1AmpOffAdj};
    for (int n = 1; n <= 6; ++n)
        fields << s.ChWidthCalAdj[n] << s.ChDelayCalAdj[n] << s.ChAmpGainAdj[n] << s.ChAmpOffAdj[n];
    for (int i = 0; i < fields.size(); ++i) {
        QCOMPARE(fields[i]->Enabled(), i < read);
        QCOMPARE(fields[i]->toolTip(),
                 i < read ? QString() : QString("Not read from the instrument"));
    }
    const qsizetype beforeKeys = f.Mark();
    const int delay6 = s.ChDelayCalAdj[6]->IntValue();
    s.ChPageCalibration->SetActivePageIndex(5);
    s.ChDelayCalAdj[6]->setFocus();
    QTest::keyClick(s.ChDelayCalAdj[6], Qt::Key_Up);
    QTest::keyClick(s.ChDelayCalAdj[6], Qt::Key_5);
    QCOMPARE(s.ChDelayCalAdj[6]->IntValue(), delay6);
    QCOMPARE(SentAfterDrain(f, beforeKeys), QStringList());
    if (read > 0) { // the same key on a field that was read changes it
        s.ChPageCalibration->SetActivePageIndex(0);
        s.ChDelayCalAdj[1]->setFocus();
        QTest::keyClick(s.ChDelayCalAdj[1], Qt::Key_Up);
        QVERIFY(!SentAfterDrain(f, beforeKeys).isEmpty());
    }

    // Save Cals reads back again, fails again, and writes no file: no dialog comes up.
    QTemporaryDir folder;
    const QString path = folder.filePath("cals.txt");
    f.P.Dialogs.fileAnswers = {path}; // should a dialog come up
    const int dialogs = f.P.Dialogs.fileDialogs;
    f.P.Errors.Texts.clear();
    f.Service->SaveCalsBtn->click();
    QCOMPARE(f.P.Errors.Texts, QStringList{failure + " The calibration was not saved."});
    QCOMPARE(f.P.Dialogs.fileDialogs, dialogs);
    QVERIFY(!QFile::exists(path));
    f.P.Dialogs.fileAnswers.clear();

    // The poll runs again, and changes reach the instrument again.
    const qsizetype again = f.Emulator->Received().size();
    QTRY_VERIFY_WITH_TIMEOUT(f.Emulator->Received().mid(again).contains(":PULS0:STAT?"), 3000);
    f.Service->ChAmpOffAdj[1]->AssignValue(150);
    QCOMPARE(SentAfterDrain(f, f.Mark()), QStringList{":PULS1:CAL:OFFS 150"});
}

void tst_service::readbackChosenDuringARefreshWaits()
{
    ServicePanel *f = Shared({"--model", "7310-6"});
    QVERIFY(f);
    f->Form.Session->StatusTimer->stop();
    QTRY_VERIFY(f->Drained());

    // The window's read-back chosen at one of a Refresh's own event dispatches (not in
    // a reply wait): it starts once the Refresh is over, and the Refresh sends nothing
    // but its queries.
    bool chosenInside = false;
    const qsizetype mark = f->Mark();
    QTimer chooser;
    connect(&chooser, &QTimer::timeout, &f->Form, [&] {
        if (!f->Form.Comm->CommandsDisabled || f->Form.ComPort->InUse())
            return;
        chooser.stop();
        chosenInside = f->Form.Session->TaskRunning;
        f->Service->ServiceInitialize();
    });
    chooser.start(0);
    f->Form.RefreshMenuClick();
    f->Form.Session->ProcessTasks();
    chooser.stop();
    QVERIFY(chosenInside);
    QTRY_VERIFY_WITH_TIMEOUT(f->SentSince(mark).contains(":PULS6:CAL:OFFS?"), 10000);
    QTRY_VERIFY(!f->Form.Session->CalibrationRetrievePending);

    const QStringList sent = f->SentSince(mark);
    for (const QString &line : sent)
        QVERIFY2(line.endsWith('?') || line == ":SYST:SEC 48213", qPrintable(line));
    // the calibration queries after the Refresh's last one
    QVERIFY(sent.indexOf("*SER?") > sent.lastIndexOf("*CFG?6?"));
    QVERIFY(!f->Form.Comm->CommandsDisabled);
}

void tst_service::serviceCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("accepted");

    // The refused rows first: they run on the panel the accepted row opens at the end.
    QTest::newRow("leading blank") << " 48213" << false;
    QTest::newRow("trailing blank") << "48213 " << false;
    QTest::newRow("one digit short") << "4821" << false;
    QTest::newRow("cancelled") << QString() << false;
    QTest::newRow("correct") << "48213" << true;
}

void tst_service::serviceCode()
{
    QFETCH(QString, code);
    QFETCH(bool, accepted);
    ServicePanel *shared = Shared({"--model", "7310-6"});
    QVERIFY(shared);
    ServicePanel &f = *shared;
    TServiceForm &s = *f.Service;
    f.P.Dialogs.informations.clear();

    // A window left open and its menu item shown, as after an earlier code.
    if (!accepted) {
        f.Form.Session->SystemUnsecured = true;
        f.Form.ServiceWindowMenu->setVisible(true);
        s.show();
    }
    WhenShown<QInputDialog>([code](QInputDialog *box) {
        QCOMPARE(box->windowTitle(), QStringLiteral("Unsecure Form"));
        QCOMPARE(box->labelText(), QStringLiteral("Enter Code:"));
        QCOMPARE(box->textValue(), QString());
        if (code.isNull()) {
            box->reject();
        } else {
            box->setTextValue(code);
            box->accept();
        }
    });
    const qsizetype mark = f.Mark();
    f.Form.ServiceMenu->trigger();

    if (!accepted) {
        QCOMPARE(f.P.Dialogs.informations, QStringList{"Incorrect Code"});
        QVERIFY(!f.Form.Session->SystemUnsecured);
        QVERIFY(!f.Form.ServiceWindowMenu->isVisible());
        QVERIFY(!s.isVisible());
        QVERIFY(!f.Form.ServiceWindowPending);
        QCOMPARE(f.SentSince(mark), QStringList()); // the code is never sent
        return;
    }
    // Nothing is claimed before the instrument has taken the unlock.
    QCOMPARE(f.P.Dialogs.informations, QStringList());
    QVERIFY(f.Form.ServiceWindowPending);
    QVERIFY(!s.isVisible());
    QCOMPARE(f.SentSince(mark), QStringList());

    // The next poll sends the unlock and asks the security state; then "System
    // Unsecured" and the window with its previous values; the readback follows once the
    // poll is over.
    QTRY_VERIFY_WITH_TIMEOUT(s.isVisible(), 3000);
    QCOMPARE(f.P.Dialogs.informations, QStringList{"System Unsecured"});
    QVERIFY(f.Form.Session->SystemUnsecured);
    QVERIFY(f.Form.Session->CalibrationRetrievePending);
    QVERIFY(s.CalTimer->isActive());
    QVERIFY(f.Form.ServiceWindowMenu->isVisible());
    QVERIFY(!f.Form.ServiceWindowPending);
    QTRY_VERIFY_WITH_TIMEOUT(!f.Form.Session->CalibrationRetrievePending, 5000);
    QCOMPARE(f.SentSince(mark),
             QStringList({":SYST:SEC 48213", ":SYST:SEC?"}) + ReadbackQueries(6, false));
    QCOMPARE(s.ChPageCalibration->PageCount(), 6);
}

void tst_service::refusedUnlock()
{
    Shared({});
    ServicePanel f;
    QVERIFY(f.Start({"--model", "7310-6", "--reply", ":SYST:SEC 48213=ERR 9: refused"}));
    TServiceForm &s = *f.Service;
    WhenShown<QInputDialog>([](QInputDialog *box) {
        box->setTextValue(QStringLiteral("48213"));
        box->accept();
    });
    const qsizetype mark = f.Mark();
    f.Form.ServiceMenu->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!f.Form.ServiceWindowPending, 3000);

    // told as refused; the window stays closed and the state secured
    QCOMPARE(f.SentSince(mark), QStringList({":SYST:SEC 48213", ":SYST:SEC?"}));
    QCOMPARE(f.P.Errors.Texts,
             QStringList{"The instrument refused the unlock: it answered \"ERR 9: refused\" and "
                         "reports itself secured (\"1\")."});
    QVERIFY(f.P.Dialogs.informations.isEmpty());
    QVERIFY(!s.isVisible());
    QVERIFY(!f.Form.ServiceWindowMenu->isVisible());
    QVERIFY(!f.Form.Session->SystemUnsecured);
}

void tst_service::demoModeNeverOpens()
{
    Shared({});
    PanelFixture p;
    TServiceForm service(*p.Form);
    p.Form->ServiceForm = &service;
    p.Form->StartupPath = TStartupPath::Demo;
    p.Form->FormCreate();
    QTRY_VERIFY_WITH_TIMEOUT(!p.Form->LaunchTimer->isActive(), 2000);

    WhenShown<QInputDialog>([](QInputDialog *box) {
        box->setTextValue(QStringLiteral("48213"));
        box->accept();
    });
    p.Form->ServiceMenu->trigger();
    QCOMPARE(p.Dialogs.informations.last(), QStringLiteral("System Unsecured"));
    // A status tick in demo mode stops the timer instead of opening the window.
    p.Form->Session->StatusTimer->start();
    QTest::qWait(1300);
    QVERIFY(!p.Form->Session->StatusTimer->isActive());
    QVERIFY(!service.isVisible());
    QVERIFY(p.Form->ServiceWindowPending);
}

QTEST_MAIN(tst_service)
#include "tst_service.moc"
