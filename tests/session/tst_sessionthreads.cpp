#include "SessionRig.h"

#include "base/SystemInfo.h"

#include <QThread>
#include <atomic>

// Sessions on threads of their own, as the device server runs one per instrument: two
// found and read back at the same time share nothing. Built with ThreadSanitizer
// (scripts/test --tsan), any state they do share is reported.
class tst_sessionthreads : public QObject
{
    Q_OBJECT
private slots:
    void twoSessionsAtOnce();
};

namespace {
struct Outcome
{
    bool Found = false;
    bool ReadBack = false;
    QString Model;
    QString UserName;
    int Channels = 0;
};

// On its thread: the session is made there, finds its instrument, reads it back, ends.
class SessionWork : public QThread
{
public:
    SessionWork(int com, std::atomic<int> &ready) : FCom(com), FReady(ready) {}
    Outcome Result;

protected:
    void run() override
    {
        // Both begin together, so that their sessions' making, scans and read-backs
        // overlap.
        ++FReady;
        while (FReady.load() < 2)
            QThread::yieldCurrentThread();
        InstrumentSession session;
        session.ComPort->SetShowErrors(false);
        InstrumentScanner scanner(*session.Comm);
        Result.Found = scanner.Find(session.Identity, {FCom}, {115200});
        if (!Result.Found)
            return;
        session.ComPort->SetResponseTime(4000);
        session.ComPort->SetAllowEvents(true);
        Result.ReadBack = session.Initialize(false);
        Result.Model = session.Identity.ModelNumber;
        Result.Channels = session.ChannelCount;
        Result.UserName = session.Comm->UserName;
        session.Terminate();
    }

private:
    const int FCom;
    std::atomic<int> &FReady;
};
} // namespace

void tst_sessionthreads::twoSessionsAtOnce()
{
    // A service started without them: the account's name comes from the user database.
    for (const char *name : {"USERNAME", "USER", "LOGNAME"})
        qunsetenv(name);
    QTemporaryDir ports;
    const PortDirectory portDir(ports.path());
    const TestEmulator twelve(ports.path(), 1, {"--model", "7310-12"});
    const TestEmulator six(ports.path(), 2, {"--model", "462K-6"});
    QVERIFY2(twelve.IsReady() && six.IsReady(), "the emulators did not start");

    std::atomic<int> ready{0};
    SessionWork first(1, ready), second(2, ready);
    first.start();
    second.start();
    QVERIFY(first.wait(60000));
    QVERIFY(second.wait(60000));

    const struct
    {
        const Outcome &Got;
        const char *Model;
        int Channels;
    } expected[] = {{first.Result, "7310-12", 12}, {second.Result, "462K-6", 6}};
    for (const auto &e : expected) {
        QVERIFY(e.Got.Found);
        QVERIFY(e.Got.ReadBack);
        QCOMPARE(e.Got.Model, QString::fromLatin1(e.Model));
        QCOMPARE(e.Got.Channels, e.Channels);
        QCOMPARE(e.Got.UserName, AccountName());
    }
    QVERIFY(!AccountName().isEmpty());
    QVERIFY(!WidgetsLoaded());
}

QTEST_GUILESS_MAIN(tst_sessionthreads)
#include "tst_sessionthreads.moc"
