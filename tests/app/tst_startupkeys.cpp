#include "platform/StartupKeys.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QtTest>

// Runs under a real X server: xdotool presses keys through the server, and the program
// must see them held when it asks.
class tst_startupkeys : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void heldKeys_data();
    void heldKeys();
    void cleanup();

private:
    static void xdotool(const QString &action, const QStringList &keys);
};

void tst_startupkeys::xdotool(const QString &action, const QStringList &keys)
{
    if (keys.isEmpty())
        return;
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), QStringList{action} + keys), 0);
}

void tst_startupkeys::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
}

void tst_startupkeys::heldKeys_data()
{
    QTest::addColumn<QStringList>("pressed");
    QTest::addColumn<bool>("space");
    QTest::addColumn<bool>("leftShift");
    QTest::newRow("nothing") << QStringList{} << false << false;
    QTest::newRow("space") << QStringList{"space"} << true << false;
    QTest::newRow("left shift") << QStringList{"Shift_L"} << false << true;
    QTest::newRow("both") << QStringList{"space", "Shift_L"} << true << true;
    // xdotool presses Shift_R together with the shift modifier's first key (Shift_L), so
    // the right Shift key goes by its keycode in the X server's default keymap.
    QTest::newRow("right shift is not left") << QStringList{"62"} << false << false;
    QTest::newRow("other keys") << QStringList{"a", "Control_L"} << false << false;
}

void tst_startupkeys::heldKeys()
{
    QFETCH(QStringList, pressed);
    QFETCH(bool, space);
    QFETCH(bool, leftShift);
    xdotool(QStringLiteral("keydown"), pressed);

    // xdotool has returned, but give the server a moment to show the new state.
    TStartupKeys keys = ReadStartupKeys();
    QDeadlineTimer deadline(3000);
    while ((keys.SpaceHeld != space || keys.LeftShiftHeld != leftShift) && !deadline.hasExpired()) {
        QTest::qWait(20);
        keys = ReadStartupKeys();
    }
    QCOMPARE(keys.SpaceHeld, space);
    QCOMPARE(keys.LeftShiftHeld, leftShift);
}

void tst_startupkeys::cleanup()
{
    xdotool(QStringLiteral("keyup"), {"space", "Shift_L", "62", "a", "Control_L"});
    QTest::qWait(50);
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    tst_startupkeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startupkeys.moc"
