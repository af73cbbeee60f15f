#include "app/CommandLine.h"

#include <QtTest>

Q_DECLARE_METATYPE(TStartupPath)

class tst_commandline : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void texts();
    void startupPath_data();
    void startupPath();
};

void tst_commandline::parse_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the program name
    QTest::addColumn<QString>("set");           // switches set: l p d h v
    QTest::addColumn<QString>("error");

    QTest::newRow("none") << QStringList{} << ""
                          << "";
    QTest::newRow("-log") << QStringList{"-log"} << "l"
                          << "";
    QTest::newRow("/LOG") << QStringList{"/LOG"} << "l"
                          << "";
    QTest::newRow("-LoG") << QStringList{"-LoG"} << "l"
                          << "";
    QTest::newRow("--log") << QStringList{"--log"} << "l"
                           << "";
    QTest::newRow("log without a dash") << QStringList{"log"} << ""
                                        << "unexpected argument 'log'";
    QTest::newRow("longer than log") << QStringList{"-logs"} << ""
                                     << "unrecognized option '-logs'";
    QTest::newRow("pick port") << QStringList{"--pick-port"} << "p"
                               << "";
    QTest::newRow("demo") << QStringList{"--demo"} << "d"
                          << "";
    QTest::newRow("long options keep their case") << QStringList{"--Demo"} << ""
                                                  << "unrecognized option '--Demo'";
    QTest::newRow("all three") << QStringList{"--demo", "/log", "--pick-port"} << "lpd"
                               << "";
    QTest::newRow("help") << QStringList{"--help"} << "h"
                          << "";
    QTest::newRow("-h") << QStringList{"-h"} << "h"
                        << "";
    QTest::newRow("version") << QStringList{"--version"} << "v"
                             << "";
    QTest::newRow("unknown option, first error kept")
        << QStringList{"--frobnicate", "-x", "-log"} << "l"
        << "unrecognized option '--frobnicate'";
    QTest::newRow("options end at --") << QStringList{"--", "-log"} << ""
                                       << "unexpected argument '-log'";
}

void tst_commandline::parse()
{
    QFETCH(QStringList, arguments);
    arguments.prepend(QStringLiteral("/opt/kt7310/KT7310_GUI"));
    const TCommandLine line = ParseCommandLine(arguments);
    QString set;
    if (line.Log)
        set += 'l';
    if (line.PickPort)
        set += 'p';
    if (line.Demo)
        set += 'd';
    if (line.Help)
        set += 'h';
    if (line.Version)
        set += 'v';
    QTEST(set, "set");
    QTEST(line.Error, "error");
}

void tst_commandline::texts()
{
    // Every option the help names is one the parser accepts.
    const QString help = HelpText();
    for (const char *option :
         {"--pick-port", "--demo", "-log", "/log", "-h", "--help", "--version"}) {
        QVERIFY2(help.contains(QLatin1String(option)), option);
        QVERIFY2(ParseCommandLine({"KT7310_GUI", option}).Error.isEmpty(), option);
    }
    QVERIFY(help.startsWith(QLatin1String("Usage: KT7310_GUI [OPTION]...\n")));
    QVERIFY(VersionText().contains(QRegularExpression("^KT7310_GUI \\d+\\.\\d+\\.\\d+\\n$")));

    const TCommandLine wrong = ParseCommandLine({"KT7310_GUI", "--bogus"});
    QCOMPARE(UsageErrorText(wrong),
             QStringLiteral("KT7310_GUI: unrecognized option '--bogus'\n"
                            "Try 'KT7310_GUI --help' for more information.\n"));
}

void tst_commandline::startupPath_data()
{
    QTest::addColumn<bool>("space");
    QTest::addColumn<bool>("leftShift");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<TStartupPath>("path");
    using P = TStartupPath;
    QTest::newRow("nothing") << false << false << QStringList{} << P::Discovery;
    QTest::newRow("space") << true << false << QStringList{} << P::PickPort;
    QTest::newRow("left shift") << false << true << QStringList{} << P::Demo;
    QTest::newRow("both keys: manual choice") << true << true << QStringList{} << P::PickPort;
    QTest::newRow("--pick-port") << false << false << QStringList{"--pick-port"} << P::PickPort;
    QTest::newRow("--demo") << false << false << QStringList{"--demo"} << P::Demo;
    QTest::newRow("--pick-port beats left shift")
        << false << true << QStringList{"--pick-port"} << P::PickPort;
    QTest::newRow("space beats --demo") << true << false << QStringList{"--demo"} << P::PickPort;
    QTest::newRow("log changes no path") << false << false << QStringList{"-log"} << P::Discovery;
}

void tst_commandline::startupPath()
{
    QFETCH(bool, space);
    QFETCH(bool, leftShift);
    QFETCH(QStringList, arguments);
    arguments.prepend(QStringLiteral("KT7310_GUI"));
    QTEST(ChooseStartupPath({space, leftShift}, ParseCommandLine(arguments)), "path");
}

QTEST_APPLESS_MAIN(tst_commandline)
#include "tst_commandline.moc"
