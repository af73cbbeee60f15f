#include "comm/PortName.h"

#include <QtTest>

class tst_PortName : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void refused_data();
    void refused();
};

void tst_PortName::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("tcpPort");
    QTest::addColumn<QString>("canonical");

    QTest::newRow("COM3") << "COM3" << int(PortName::pnCom) << 3 << "" << 0 << "COM3";
    QTest::newRow("bare number") << "12" << int(PortName::pnCom) << 12 << "" << 0 << "COM12";
    QTest::newRow("lower case, blanks") << " com100 " << int(PortName::pnCom) << 100 << "" << 0 << "COM100";
    QTest::newRow("raw") << "tcp://127.0.0.1:4001" << int(PortName::pnTcp) << 0 << "127.0.0.1"
                         << 4001 << "tcp://127.0.0.1:4001";
    QTest::newRow("rfc2217 host name") << "RFC2217://rack-3.lab.example:2217"
                                       << int(PortName::pnRfc2217) << 0 << "rack-3.lab.example"
                                       << 2217 << "rfc2217://rack-3.lab.example:2217";
    QTest::newRow("IPv6") << "rfc2217://[::1]:65535" << int(PortName::pnRfc2217) << 0 << "::1"
                          << 65535 << "rfc2217://[::1]:65535";
}

void tst_PortName::parse()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(int, number);
    QFETCH(QString, host);
    QFETCH(int, tcpPort);
    QFETCH(QString, canonical);
    PortName name;
    QString error;
    QVERIFY2(PortName::Parse(text, name, &error), qPrintable(error));
    QCOMPARE(int(name.Kind), kind);
    if (kind == PortName::pnCom)
        QCOMPARE(name.Number, number);
    QCOMPARE(name.Host, host);
    QCOMPARE(int(name.TcpPort), tcpPort);
    QCOMPARE(name.Text(), canonical);
    // What Text gives reads back as the same name.
    PortName again;
    QVERIFY(PortName::Parse(name.Text(), again));
    QVERIFY(again == name);
}

void tst_PortName::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("says");
    QTest::newRow("COM0") << "COM0" << "from 1 to 100";
    QTest::newRow("COM101") << "COM101" << "from 1 to 100";
    QTest::newRow("unknown scheme") << "udp://h:1" << "tcp://HOST:PORT";
    QTest::newRow("no port") << "tcp://host" << "names no TCP port";
    QTest::newRow("port 0") << "tcp://host:0" << "1 to 65535";
    QTest::newRow("port too high") << "tcp://host:65536" << "1 to 65535";
    QTest::newRow("port not a number") << "tcp://host:40a1" << "1 to 65535";
    QTest::newRow("empty host") << "tcp://:4001" << "not a host name";
    QTest::newRow("blank in host") << "tcp://my host:4001" << "not a host name";
    QTest::newRow("user part") << "tcp://user@host:4001" << "not a host name";
    QTest::newRow("path") << "tcp://host/x:4001" << "not a host name";
    QTest::newRow("hyphen at label start") << "tcp://-host:4001" << "not a host name";
    QTest::newRow("label of 64") << "tcp://" + QString(64, u'a') + ":4001" << "not a host name";
    QTest::newRow("IPv6 unbracketed") << "tcp://::1:4001" << "not a host name";
    QTest::newRow("IPv6 not an address") << "tcp://[zz::1]:4001" << "not an IPv6 address";
    QTest::newRow("IPv4 in brackets") << "tcp://[127.0.0.1]:4001" << "not an IPv6 address";
}

void tst_PortName::refused()
{
    QFETCH(QString, text);
    QFETCH(QString, says);
    PortName name = PortName::Com(7);
    QString error;
    QVERIFY(!PortName::Parse(text, name, &error));
    QVERIFY2(error.contains(says), qPrintable(error));
    QCOMPARE(name.Text(), QStringLiteral("COM7")); // untouched
}

QTEST_APPLESS_MAIN(tst_PortName)
#include "tst_PortName.moc"
