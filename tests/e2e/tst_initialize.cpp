// The initialization sequence against the emulator: what the window shows, what goes
// over the wire and in which order, and SettingsList line by line.

#include "PanelFixture.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TBinMenu.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TPageControl.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QtTest>

class tst_initialize : public QObject
{
    Q_OBJECT
private slots:
    void initialize_data();
    void initialize();
    void singleValueQueries_data();
    void singleValueQueries();
    void secondRunAddsNothing();
};

namespace {
// What the settings list must hold for the records and queries the instrument
// answered: the record lines carry the reply as received.
QString SettingsLineFor(const QString &sent, const QString &reply)
{
    QString query = sent;
    query.chop(1); // the "?" the transaction appended
    if (query.startsWith(QLatin1String("*CFG? ")))
        return QStringLiteral("*CFG ") + query.mid(6) + u' ' + reply;
    if (query.startsWith(QLatin1String("*CFG?")))
        return QStringLiteral("*CFG ") + query.mid(5) + u' ' + reply;
    return query + u' ' + reply;
}
} // namespace

void tst_initialize::initialize_data()
{
    QTest::addColumn<QString>("badge");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("company");
    QTest::addColumn<int>("channels");
    QTest::newRow("6 channels, KT") << "KT"
                                    << "462K-6"
                                    << "Kalteron" << 6;
    QTest::newRow("36 channels, MRD") << "MRD"
                                      << "7310-36"
                                      << "Marendale" << 36;
}

void tst_initialize::initialize()
{
    QFETCH(QString, badge);
    QFETCH(QString, model);
    QFETCH(QString, company);
    QFETCH(int, channels);

    PanelFixture p;
    auto emulator = p.Emulator(
        1, {"--badge", badge, "--model", model, "--serial", "4711", "--firmware", "3.01-2.07"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    TMainForm &form = *p.Form;
    form.FormCreate();
    QVERIFY(!form.Terminating());
    QVERIFY(form.LaunchTimer->isActive());

    form.LaunchTimerTimer();

    QCOMPARE(form.windowTitle(), company + " Model " + model +
                                     "  SW Version: " KT7310_VERSION " ComPort: 1 Baud: 115200");
    QCOMPARE(form.SerialNumberlbl->text(), QString("Serial Number: 4711"));
    QCOMPARE(form.FWVersionlbl->text(), QString("Firmware Ver: 3.01"));
    QCOMPARE(form.FPGAVersionlbl->text(), QString("FPGA Ver: 2.07"));
    QCOMPARE(form.KTBlueBanner->isVisibleTo(&form), badge == "KT");
    QCOMPARE(form.MRDBanner->isVisibleTo(&form), badge == "MRD");
    QCOMPARE(form.ShotCountlbl->text(), QString("Count: ----"));
    QCOMPARE(form.Session->ChannelCount, channels);

    // One tab per channel; the multiplexer lists lose item "4" below 12 channels.
    QCOMPARE(form.ChPageControl->PageCount(), channels);
    const QStringList muxItems =
        channels < 12 ? QStringList{"0", "1", "2", "3"} : QStringList{"0", "1", "2", "3", "4"};
    for (int n = 1; n <= channels; ++n)
        QCOMPARE(form.ChMuxSelect[n]->Items(), muxItems);
    QVERIFY(form.ChEnablebox[channels]);
    if (channels < 36)
        QVERIFY(form.ChEnablebox[channels + 1] == nullptr);

    // Storage bins: 1..N to save, 0..N to restore; bins 13 and 25 start a column.
    const QList<QAction *> saves = form.SaveToBin->Items();
    const QList<QAction *> restores = form.RestoreFromBin->Items();
    QCOMPARE(saves.size(), channels);
    QCOMPARE(restores.size(), channels + 1);
    for (int bin = 1; bin <= channels; ++bin) {
        QCOMPARE(saves[bin - 1]->objectName(), QString("BinSave%1").arg(bin));
        QCOMPARE(saves[bin - 1]->text(), QString::number(bin));
        QCOMPARE(restores[bin]->objectName(), QString("BinRestore%1").arg(bin));
    }
    // The first item of every column, in the save and in the restore menu.
    const QStringList columnStarts = channels == 36  ? QStringList{"1", "13", "25"}
                                     : channels > 12 ? QStringList{"1", "13"}
                                                     : QStringList{"1"};
    QStringList saveStarts;
    QStringList restoreStarts;
    for (const QList<QAction *> &column : form.SaveToBin->Columns())
        saveStarts.append(column.first()->text());
    for (const QList<QAction *> &column : form.RestoreFromBin->Columns())
        restoreStarts.append(column.first()->text());
    QCOMPARE(saveStarts, columnStarts);
    QCOMPARE(restoreStarts, QStringList{"Default 0"} + columnStarts.mid(1));

    // On the wire: after the identification, the five records, the seven system queries
    // and one record per channel, in this order (48 transactions for 36 channels).
    QList<QPair<QString, QString>> exchanges = emulator->Exchanges();
    while (!exchanges.isEmpty() && exchanges.first().first == "*IDN?")
        exchanges.removeFirst();
    QStringList expected{"*CFG? 0?",   "*CFG? 90?",   "*CFG? 91?",   "*CFG? 92?",
                         "*CFG? 93?",  ":SYST:SEC?",  ":SYST:AUT?",  ":SYST:ICLOCK?",
                         ":SYST:OCL?", ":SYST:SYNC?", ":COUN:STAT?", ":COUN:SEL?"};
    for (int n = 1; n <= channels; ++n)
        expected << QString("*CFG?%1?").arg(n);
    QStringList sent;
    for (const auto &e : exchanges)
        sent << e.first;
    QCOMPARE(sent, expected);
    QCOMPARE(exchanges.size(), 12 + channels);

    // SettingsList: date, caption and labels, then one line per answer except the
    // security state, each with the reply as received.
    const QStringList &list = form.Session->SettingsList;
    QVERIFY2(QRegularExpression("^// \\S.*,\\S").match(list.value(0)).hasMatch(),
             qPrintable(list.value(0)));
    QCOMPARE(list.mid(1, 4), QStringList({"// " + form.windowTitle(), "// Serial Number: 4711",
                                          "// Firmware Ver: 3.01", "// FPGA Ver: 2.07"}));
    QStringList expectedLines;
    for (const auto &e : exchanges)
        if (e.first != ":SYST:SEC?")
            expectedLines << SettingsLineFor(e.first, e.second);
    QCOMPARE(list.mid(5), expectedLines);

    // Handed back to the operator: commands on, poll running, progress window gone.
    QVERIFY(!form.Comm->CommandsDisabled);
    QVERIFY(form.Session->StatusTimer->isActive());
    QVERIFY(!p.MessageForm.isVisible());
    QCOMPARE(p.MessageForm.MessageLabel->text(), QString("Initializing Ch %1").arg(channels));
    QCOMPARE(form.SystemPageControl->ActivePageIndex(), 0);
    QCOMPARE(form.ChPageControl->ActivePageIndex(), 0);
    QVERIFY(form.PeriodAdj->Enabled());
    QVERIFY(p.Errors.Texts.isEmpty());
    QVERIFY(p.Dialogs.warnings.isEmpty());
}

void tst_initialize::singleValueQueries_data()
{
    QTest::addColumn<QString>("reply");    // LINE=REPLY for the emulator
    QTest::addColumn<QString>("list");     // the list it goes to
    QTest::addColumn<int>("before");       // the list's selection before the run
    QTest::addColumn<int>("after");        // ... and after it
    QTest::addColumn<QString>("settings"); // the settings line
    QTest::addColumn<bool>("unsecured");

    QTest::newRow("sync Ch1 selects Ch 1")
        << ":SYST:SYNC?=Ch1"
        << "SyncOutputSel" << 4 << 1 << ":SYST:SYNC Ch1" << false;
    QTest::newRow("sync CH1 leaves the selection")
        << ":SYST:SYNC?=CH1"
        << "SyncOutputSel" << 4 << 4 << ":SYST:SYNC CH1" << false;
    QTest::newRow("counter CH1 selects Ch 1")
        << ":COUN:SEL?=CH1"
        << "CounterSourceSel" << 3 << 1 << ":COUN:SEL CH1" << false;
    QTest::newRow("counter Ch1 leaves the selection")
        << ":COUN:SEL?=Ch1"
        << "CounterSourceSel" << 3 << 3 << ":COUN:SEL Ch1" << false;
    QTest::newRow("input clock 100 selects nothing")
        << ":SYST:ICLOCK?=100"
        << "ExternalInputClkSel" << 2 << -1 << ":SYST:ICLOCK 100" << false;
    QTest::newRow("output clock 100 selects 100 MHz")
        << ":SYST:OCL?=100"
        << "ExternalOutputClkSel" << 2 << 9 << ":SYST:OCL 100" << false;
    QTest::newRow("unsecured instrument shows the service window item")
        << ":SYST:SEC?=0"
        << "ExternalOutputClkSel" << 2 << 0 << ":SYST:OCL T0" << true;
    QTest::newRow("a security reply that is no number reads as unsecured")
        << ":SYST:SEC?=locked"
        << "ExternalOutputClkSel" << 2 << 0 << ":SYST:OCL T0" << true;
}

void tst_initialize::singleValueQueries()
{
    QFETCH(QString, reply);
    QFETCH(QString, list);
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QString, settings);
    QFETCH(bool, unsecured);

    PanelFixture p;
    auto emulator = p.Emulator(1, {"--reply", reply});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    TMainForm &form = *p.Form;
    form.FormCreate();
    auto *combo = form.findChild<TComboBox *>(list);
    QVERIFY(combo);
    combo->setCurrentIndex(before);
    form.ServiceWindowMenu->setVisible(!unsecured);

    form.LaunchTimerTimer();

    QCOMPARE(combo->currentIndex(), after);
    QVERIFY2(form.Session->SettingsList.contains(settings), qPrintable(form.Session->SettingsList.join('\n')));
    QCOMPARE(form.Session->SystemUnsecured, unsecured);
    QCOMPARE(form.ServiceWindowMenu->isVisible(), unsecured);
}

void tst_initialize::secondRunAddsNothing()
{
    PanelFixture p;
    auto emulator = p.Emulator(1, {"--model", "7310-6"});
    QVERIFY2(emulator->IsReady(), qPrintable(emulator->StartError()));
    TMainForm &form = *p.Form;
    form.FormCreate();
    form.LaunchTimerTimer();
    const QStringList first = form.Session->SettingsList;
    const int received = emulator->Received().size();

    form.Session->ReinitializePending = true; // as a Refresh asks for it
    form.Session->Initialize();
    form.Session->ReinitializePending = false;

    QCOMPARE(form.ChPageControl->PageCount(), 6);
    QCOMPARE(form.SaveToBin->Items().size(), 6);
    QCOMPARE(form.RestoreFromBin->Items().size(), 7);
    QCOMPARE(form.ChMuxSelect[1]->Items(), QStringList({"0", "1", "2", "3"}));
    // Every record read again, the list rebuilt from scratch.
    QCOMPARE(emulator->Received().size(), received + 12 + 6);
    QCOMPARE(form.Session->SettingsList.size(), first.size());
    QCOMPARE(form.Session->SettingsList.mid(1), first.mid(1));
    QVERIFY(!p.MessageForm.isVisible());
}

QTEST_MAIN(tst_initialize)
#include "tst_initialize.moc"
