#include "comm/TelnetCodec.h"

#include <QtTest>

namespace {
constexpr char IAC = char(255), SB = char(250), SE = char(240);
constexpr char WILL = char(251), WONT = char(252), DO = char(253), DONT = char(254);
QByteArray B(std::initializer_list<char> bytes)
{
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}
} // namespace

class tst_TelnetCodec : public QObject
{
    Q_OBJECT
private slots:
    void decodesAtEveryCut_data();
    void decodesAtEveryCut();
    void answersNegotiationOnce_data();
    void answersNegotiationOnce();
    void escape();
    void garbageIsBounded();
};

// A server stream: its data must come out the same wherever TCP cut it, IAC sequences
// and subnegotiations included.
void tst_TelnetCodec::decodesAtEveryCut_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("baudAnswer");

    const QByteArray baud115200 = B({IAC, SB, 44, char(101), 0, 1, char(0xC2), 0, IAC, SE});
    QTest::newRow("reply with 0xFF") << B({'A', IAC, IAC, 'B', '\r'}) << B({'A', IAC, 'B', '\r'})
                                     << QByteArray();
    QTest::newRow("CR NUL and CR LF are data")
        << B({'1', '\r', 0, '2', '\r', '\n'}) << B({'1', '\r', 0, '2', '\r', '\n'}) << QByteArray();
    QTest::newRow("negotiation between data")
        << B({'x', IAC, DO, 44, IAC, WILL, 3, 'y', IAC, char(241), 'z'}) << QByteArray("xyz")
        << QByteArray();
    QTest::newRow("speed answer among data")
        << QByteArray("12") + baud115200 + QByteArray("3\r") << QByteArray("123\r")
        << B({0, 1, char(0xC2), 0});
    QTest::newRow("speed answer with an escaped 0xFF")
        << B({IAC, SB, 44, char(101), 0, 0, IAC, IAC, IAC, IAC, IAC, SE, 'k'}) << QByteArray("k")
        << B({0, 0, IAC, IAC});
}

void tst_TelnetCodec::decodesAtEveryCut()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, baudAnswer);
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        TelnetCodec codec;
        QByteArray out = codec.Decode(stream.left(cut));
        out += codec.Decode(stream.mid(cut));
        QCOMPARE(out, data);
        const auto answer = codec.ComPortAnswer(TelnetCodec::cpSetBaudRate);
        QCOMPARE(answer.has_value(), !baudAnswer.isEmpty());
        if (answer)
            QCOMPARE(*answer, baudAnswer);
    }
    // and byte by byte
    TelnetCodec codec;
    QByteArray out;
    for (char c : stream)
        out += codec.Decode(QByteArray(1, c));
    QCOMPARE(out, data);
}

void tst_TelnetCodec::answersNegotiationOnce_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    // After the greeting: we will do COM-PORT and BINARY, and want BINARY from the server.
    QTest::newRow("DO COM-PORT acknowledges ours") << B({IAC, DO, 44}) << QByteArray();
    QTest::newRow("DO BINARY acknowledges ours") << B({IAC, DO, 0}) << QByteArray();
    QTest::newRow("WILL BINARY acknowledges ours") << B({IAC, WILL, 0}) << QByteArray();
    QTest::newRow("WILL SGA accepted") << B({IAC, WILL, 3}) << B({IAC, DO, 3});
    QTest::newRow("WILL ECHO refused") << B({IAC, WILL, 1}) << B({IAC, DONT, 1});
    QTest::newRow("DO LINEMODE refused") << B({IAC, DO, 34}) << B({IAC, WONT, 34});
    QTest::newRow("DONT BINARY") << B({IAC, DONT, 0}) << B({IAC, WONT, 0});
    QTest::newRow("WONT BINARY") << B({IAC, WONT, 0}) << B({IAC, DONT, 0});
    QTest::newRow("DONT an option never on") << B({IAC, DONT, 5}) << QByteArray();
}

void tst_TelnetCodec::answersNegotiationOnce()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    TelnetCodec codec;
    QCOMPARE(codec.Greeting(), B({IAC, WILL, 44, IAC, WILL, 0, IAC, DO, 0}));
    QCOMPARE(codec.Decode(request), QByteArray());
    QCOMPARE(codec.TakeAnswers(), answer);
    // The same request again changes nothing and is not answered: no loop between peers.
    codec.Decode(request);
    QCOMPARE(codec.TakeAnswers(), QByteArray());
}

void tst_TelnetCodec::escape()
{
    QCOMPARE(TelnetCodec::Escape(B({'a', IAC, 'b', IAC, IAC})),
             B({'a', IAC, IAC, 'b', IAC, IAC, IAC, IAC}));
    QCOMPARE(TelnetCodec::Escape("*IDN?\r\n"), QByteArray("*IDN?\r\n"));
    const QByteArray speed = TelnetCodec::ComPortCommand(TelnetCodec::cpSetBaudRate,
                                                         B({0, 0, IAC, 0}));
    QCOMPARE(speed, B({IAC, SB, 44, 1, 0, 0, IAC, IAC, 0, IAC, SE}));
}

void tst_TelnetCodec::garbageIsBounded()
{
    // An endless subnegotiation is skipped without growing, and the data after its end
    // comes through; a broken one (IAC then neither SE nor IAC) ends at that byte.
    TelnetCodec codec;
    QCOMPARE(codec.Decode(B({IAC, SB, 44, char(101)})), QByteArray());
    for (int i = 0; i < 1000; ++i)
        QCOMPARE(codec.Decode(QByteArray(4096, 'x')), QByteArray());
    QCOMPARE(codec.Decode(B({IAC, SE, 'o', 'k'})), QByteArray("ok"));
    QVERIFY(!codec.ComPortAnswer(TelnetCodec::cpSetBaudRate));
    QCOMPARE(codec.Decode(B({IAC, SB, 44, char(101), 0, IAC, 'q', 'r'})), QByteArray("r"));
    QVERIFY(!codec.ComPortAnswer(TelnetCodec::cpSetBaudRate));
}

QTEST_APPLESS_MAIN(tst_TelnetCodec)
#include "tst_TelnetCodec.moc"
