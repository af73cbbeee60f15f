#include "protocol/TChannelConfigs.h"

#include <QtTest>
#include <climits>

class tst_channelconfigs : public QObject
{
    Q_OBJECT
private slots:
    void boundary_data();
    void boundary();
};

void tst_channelconfigs::boundary_data()
{
    QTest::addColumn<int>("chnum");
    QTest::addColumn<bool>("inRange");
    QTest::newRow("0") << 0 << false;
    QTest::newRow("1") << 1 << true;
    QTest::newRow("36") << 36 << true;
    QTest::newRow("37") << 37 << false;
    QTest::newRow("-1") << -1 << false;
    QTest::newRow("INT_MAX") << INT_MAX << false;
    QTest::newRow("INT_MIN") << INT_MIN << false;
}

void tst_channelconfigs::boundary()
{
    QFETCH(int, chnum);
    QFETCH(bool, inRange);
    TChannelConfigs configs;
    for (int n = 1; n <= MaxChannels; ++n)
        configs[n].DelayCal = n;
    QCOMPARE(TChannelConfigs::Contains(chnum), inRange);

    if (!inRange)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("outside 1 to 36"));
    configs[chnum].BurstCount = 77;

    if (!inRange)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("outside 1 to 36"));
    QCOMPARE(configs[chnum].BurstCount, inRange ? 77 : 0);
    if (!inRange)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("outside 1 to 36"));
    QCOMPARE(std::as_const(configs)[chnum].BurstCount, inRange ? 77 : 0);
    // Every channel keeps its own mirror; only the addressed one changed.
    for (int n = 1; n <= MaxChannels; ++n) {
        QCOMPARE(configs[n].DelayCal, n);
        QCOMPARE(configs[n].BurstCount, n == chnum ? 77 : 0);
    }
}

QTEST_APPLESS_MAIN(tst_channelconfigs)
#include "tst_channelconfigs.moc"
