// The storage bins against the emulator: the menus per model, saving through the queue,
// recalling on the task tick with the full read-back.

#include "ControlPanel.h"
#include "comm/Communication.h"
#include "ui/main/TBinMenu.h"

#include <QAction>

class tst_bins : public QObject
{
    Q_OBJECT
private slots:
    void menus_data();
    void menus();
    void recall_data();
    void recall();
    void saveToBin12();
};

namespace {
QStringList Captions(const QList<QAction *> &items)
{
    QStringList captions;
    for (const QAction *item : items)
        captions << item->text();
    return captions;
}

QStringList ColumnStarts(const TBinMenu *menu)
{
    QStringList starts;
    for (const QList<QAction *> &column : menu->Columns())
        starts << column.first()->text();
    return starts;
}

QAction *Item(TMainForm &form, const QString &name)
{
    return form.findChild<QAction *>(name);
}
} // namespace

void tst_bins::menus_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("bins");
    QTest::addColumn<QStringList>("saveColumns");
    QTest::addColumn<QStringList>("restoreColumns");
    QTest::newRow("6 channels") << "462K-6" << 6 << QStringList{"1"} << QStringList{"Default 0"};
    QTest::newRow("24 channels") << "7310-24" << 24 << QStringList{"1", "13"}
                                 << QStringList{"Default 0", "13"};
}

void tst_bins::menus()
{
    QFETCH(QString, model);
    QFETCH(int, bins);
    QFETCH(QStringList, saveColumns);
    QFETCH(QStringList, restoreColumns);
    ControlPanel c;
    QVERIFY(c.Start({"--model", model}));
    QStringList numbers;
    for (int bin = 1; bin <= bins; ++bin)
        numbers << QString::number(bin);
    QCOMPARE(Captions(c.Form.SaveToBin->Items()), numbers);
    QCOMPARE(Captions(c.Form.RestoreFromBin->Items()), QStringList{"Default 0"} + numbers);
    QCOMPARE(ColumnStarts(c.Form.SaveToBin), saveColumns);
    QCOMPARE(ColumnStarts(c.Form.RestoreFromBin), restoreColumns);

    // every item reaches its own bin: the last generated one of each menu
    c.Form.Session->StatusTimer->stop();
    const int mark = c.ReceivedCount();
    Item(c.Form, QString("BinSave%1").arg(bins))->trigger();
    c.Form.Session->ProcessTasks();
    Item(c.Form, QString("BinRestore%1").arg(bins))->trigger();
    c.Form.Session->ProcessTasks();
    const QStringList sent = c.ReceivedFrom(mark);
    QCOMPARE(sent.mid(0, 2),
             (QStringList{QString("*SAV %1").arg(bins), QString("*RCL %1").arg(bins)}));
}

void tst_bins::recall_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("recall");
    QTest::newRow("Default 0") << QStringList{"BinRestore0"} << "*RCL 0";
    QTest::newRow("bin 3") << QStringList{"BinRestore3"} << "*RCL 3";
    QTest::newRow("two clicks before a tick")
        << QStringList{"BinRestore3", "BinRestore5"} << "*RCL 5";
}

void tst_bins::recall()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, recall);
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    const int mark = c.ReceivedCount();
    for (const QString &name : clicks)
        Item(c.Form, name)->trigger();
    QVERIFY(c.Form.Session->RecallPending);
    QVERIFY(c.Form.Session->TaskTimer->isActive());
    QVERIFY(c.ReceivedFrom(mark).isEmpty()); // nothing before the tick

    c.Form.Session->ProcessTasks();
    // the recall alone, then the whole configuration read back
    QStringList expected{recall, "*CFG? 0?", "*CFG? 90?", "*CFG? 91?", "*CFG? 92?", "*CFG? 93?"};
    const QStringList sent = c.ReceivedFrom(mark);
    QCOMPARE(sent.mid(0, expected.size()), expected);
    QCOMPARE(sent.filter("*RCL").size(), 1);
    QCOMPARE(sent.last(), QString("*CFG?6?"));
    QVERIFY(!c.Form.Session->RecallPending);
    QVERIFY(c.Form.Session->StatusTimer->isActive());
}

void tst_bins::saveToBin12()
{
    ControlPanel c;
    QVERIFY(c.Start({"--model", "7310-12"}));
    c.Form.Session->StatusTimer->stop();
    const QStringList settings = c.Form.Session->SettingsList;
    const int mark = c.ReceivedCount();
    Item(c.Form, "BinSave12")->trigger();
    QCOMPARE(c.Form.Session->CommandQueue, QStringList{"*SAV 12"});
    QVERIFY(!c.Form.Session->RecallPending);
    c.Form.Session->ProcessTasks();
    QCOMPARE(c.ReceivedFrom(mark), QStringList{"*SAV 12"});
    QCOMPARE(c.Emulator->Exchanges().last().second, QString("OK"));
    QCOMPARE(c.Form.Session->SettingsList, settings); // nothing read back

    // saving while an initialization fills the controls sends nothing
    c.Form.Comm->CommandsDisabled = true;
    Item(c.Form, "BinSave1")->trigger();
    c.Form.Comm->CommandsDisabled = false;
    c.Form.Session->ProcessTasks();
    QCOMPARE(c.ReceivedFrom(mark), QStringList{"*SAV 12"});
}

QTEST_MAIN(tst_bins)
#include "tst_bins.moc"
