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
    void restartOptions_data();
    void restartOptions();
};

void tst_commandline::parse_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the program name
    QTest::addColumn<QString>("set");           // switches set: l p d h v
    QTest::addColumn<QStringList>("ignored");

    QTest::newRow("none") << QStringList{} << "" << QStringList{};
    QTest::newRow("-log") << QStringList{"-log"} << "l" << QStringList{};
    QTest::newRow("/LOG") << QStringList{"/LOG"} << "l" << QStringList{};
    QTest::newRow("-LoG") << QStringList{"-LoG"} << "l" << QStringList{};
    QTest::newRow("--log") << QStringList{"--log"} << "l" << QStringList{};
    QTest::newRow("log without a dash")
        << QStringList{"log"} << "" << QStringList{"unexpected argument 'log'"};
    QTest::newRow("longer than log")
        << QStringList{"-logs"} << "" << QStringList{"unrecognized option '-logs'"};
    QTest::newRow("pick port") << QStringList{"--pick-port"} << "p" << QStringList{};
    QTest::newRow("demo") << QStringList{"--demo"} << "d" << QStringList{};
    QTest::newRow("long options keep their case")
        << QStringList{"--Demo"} << "" << QStringList{"unrecognized option '--Demo'"};
    QTest::newRow("all three") << QStringList{"--demo", "/log", "--pick-port"} << "lpd"
                               << QStringList{};
    QTest::newRow("help") << QStringList{"--help"} << "h" << QStringList{};
    QTest::newRow("-h") << QStringList{"-h"} << "h" << QStringList{};
    QTest::newRow("version") << QStringList{"--version"} << "v" << QStringList{};
    QTest::newRow("unknown options ignored, the known ones kept")
        << QStringList{"--frobnicate", "-x", "-log", "file.cfg"} << "l"
        << QStringList{"unrecognized option '--frobnicate'", "unrecognized option '-x'",
                       "unexpected argument 'file.cfg'"};
    QTest::newRow("options end at --")
        << QStringList{"--", "-log"} << "" << QStringList{"unexpected argument '-log'"};
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
    QTEST(line.Ignored, "ignored");
}

void tst_commandline::texts()
{
    // Every option the help names is one the parser accepts.
    const QString help = HelpText();
    for (const char *option :
         {"--pick-port", "--demo", "-log", "/log", "-h", "--help", "--version"}) {
        QVERIFY2(help.contains(QLatin1String(option)), option);
        QVERIFY2(ParseCommandLine({"KT7310_GUI", option}).Ignored.isEmpty(), option);
    }
    QVERIFY(help.startsWith(QLatin1String("Usage: KT7310_GUI [OPTION]...\n")));
    QVERIFY(VersionText().contains(QRegularExpression("^KT7310_GUI \\d+\\.\\d+\\.\\d+\\n$")));

    QCOMPARE(IgnoredText(ParseCommandLine({"KT7310_GUI", "-log"})), QString());
    const TCommandLine wrong = ParseCommandLine({"KT7310_GUI", "--bogus", "x"});
    QCOMPARE(IgnoredText(wrong),
             QStringLiteral("KT7310_GUI: ignoring unrecognized option '--bogus'\n"
                            "KT7310_GUI: ignoring unexpected argument 'x'\n"
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

void tst_commandline::restartOptions_data()
{
    QTest::addColumn<QStringList>("arguments"); // after the program name
    QTest::addColumn<QStringList>("options");
    QTest::newRow("none") << QStringList{} << QStringList{};
    QTest::newRow("-log is the window's to pass on") << QStringList{"-log"} << QStringList{};
    QTest::newRow("pick port") << QStringList{"/LOG", "--pick-port"} << QStringList{"--pick-port"};
    QTest::newRow("demo") << QStringList{"--demo"} << QStringList{"--demo"};
    QTest::newRow("both, in a fixed order")
        << QStringList{"--demo", "--pick-port"} << QStringList{"--pick-port", "--demo"};
    QTest::newRow("ignored arguments are not passed on")
        << QStringList{"--bogus", "file.txt", "--", "--demo"} << QStringList{};
}

void tst_commandline::restartOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, options);
    QCOMPARE(RestartOptions(ParseCommandLine(QStringList{"KT7310_GUI"} + arguments)), options);
}

QTEST_APPLESS_MAIN(tst_commandline)
#include "tst_commandline.moc"
