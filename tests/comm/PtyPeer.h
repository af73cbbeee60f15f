#pragma once

// The far end of a serial line for tests: a pseudo-terminal whose slave side is what
// the component opens (as $KT7310_PORT_DIR/COM<n>), driven from its own thread so it
// can answer while the component waits, with or without an event loop.

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

class PtyPeer
{
public:
    // A piece of a reply: sent this many milliseconds after the previous piece (the
    // first after the line that asked for it).
    struct Chunk
    {
        int delayMs;
        QByteArray bytes;
    };
    // Called on the peer's thread for every complete line received (without CR LF).
    using Responder = std::function<QList<Chunk>(const QByteArray &line)>;

    // Links COM<n> in portDir (which must exist) to a new pseudo-terminal.
    PtyPeer(const QString &portDir, int n);
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    bool isValid() const { return master >= 0; }
    QString devicePath() const { return slavePath; }

    void setResponder(Responder r);
    void send(const QByteArray &bytes, int delayMs = 0);
    // Closes the master: the device node vanishes under whoever has it open.
    void hangUp(int delayMs = 0);

    QByteArray received() const;
    QList<QByteArray> lines() const;
    void clearReceived();
    // Waits (blocking, no event loop) until at least count complete lines arrived.
    bool waitForLines(int count, int timeoutMs);

private:
    void run();

    using Clock = std::chrono::steady_clock;
    struct Outgoing
    {
        Clock::time_point at;
        QByteArray bytes; // empty with hangup set: close the master
        bool hangup;
    };

    int master = -1;
    int slaveHold = -1; // keeps the slave side existing and raw between opens
    QString slavePath;
    QString linkPath;
    mutable std::mutex mutex;
    std::condition_variable changed;
    QByteArray input;
    QList<QByteArray> gotLines;
    QList<Outgoing> outgoing;
    Responder responder;
    std::atomic<bool> stop{false};
    std::thread thread;
};
