#include "PtyPeer.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer(const QString &portDir, int n)
{
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        if (master >= 0)
            ::close(master);
        master = -1;
        return;
    }
    slavePath = QString::fromLocal8Bit(::ptsname(master));
    slaveHold = ::open(slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios tio;
    if (slaveHold >= 0 && ::tcgetattr(slaveHold, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slaveHold, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    linkPath = portDir + QStringLiteral("/COM") + QString::number(n);
    QFile::remove(linkPath);
    QFile::link(slavePath, linkPath);
    thread = std::thread([this] { run(); });
}

PtyPeer::~PtyPeer()
{
    stop = true;
    if (thread.joinable())
        thread.join();
    if (master >= 0)
        ::close(master);
    if (slaveHold >= 0)
        ::close(slaveHold);
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
}

void PtyPeer::setResponder(Responder r)
{
    std::lock_guard lock(mutex);
    responder = std::move(r);
}

void PtyPeer::send(const QByteArray &bytes, int delayMs)
{
    std::lock_guard lock(mutex);
    outgoing.append({Clock::now() + std::chrono::milliseconds(delayMs), bytes, false});
}

void PtyPeer::hangUp(int delayMs)
{
    std::lock_guard lock(mutex);
    outgoing.append({Clock::now() + std::chrono::milliseconds(delayMs), {}, true});
}

QByteArray PtyPeer::received() const
{
    std::lock_guard lock(mutex);
    return input;
}

QList<QByteArray> PtyPeer::lines() const
{
    std::lock_guard lock(mutex);
    return gotLines;
}

void PtyPeer::clearReceived()
{
    std::lock_guard lock(mutex);
    input.clear();
    gotLines.clear();
}

bool PtyPeer::waitForLines(int count, int timeoutMs)
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return gotLines.size() >= count; });
}

void PtyPeer::run()
{
    QByteArray partial;
    while (!stop) {
        int fd;
        {
            std::lock_guard lock(mutex);
            fd = master;
        }
        if (fd >= 0) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 2) > 0 && (p.revents & POLLIN)) {
                char buf[4096];
                const ssize_t got = ::read(fd, buf, sizeof buf);
                if (got > 0) {
                    QList<QByteArray> complete;
                    Responder respond;
                    {
                        std::lock_guard lock(mutex);
                        input.append(buf, got);
                        partial.append(buf, got);
                        qsizetype end;
                        while ((end = partial.indexOf("\r\n")) >= 0) {
                            complete.append(partial.left(end));
                            partial.remove(0, end + 2);
                        }
                        respond = responder;
                    }
                    // the responder may call send() or hangUp(): no lock held here
                    for (const QByteArray &line : complete) {
                        const QList<Chunk> chunks = respond ? respond(line) : QList<Chunk>{};
                        std::lock_guard lock(mutex);
                        gotLines.append(line);
                        auto at = Clock::now();
                        for (const Chunk &c : chunks) {
                            at += std::chrono::milliseconds(c.delayMs);
                            outgoing.append({at, c.bytes, false});
                        }
                    }
                    changed.notify_all();
                }
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        std::lock_guard lock(mutex);
        const auto now = Clock::now();
        for (qsizetype i = 0; i < outgoing.size();) {
            if (outgoing[i].at > now) {
                ++i;
                continue;
            }
            const Outgoing o = outgoing.takeAt(i);
            if (o.hangup) {
                // Closing the master removes the device node. The peer's own slave handle
                // stays open until the peer is destroyed, so that the pseudo-terminal's
                // number is not handed to another process (a test running in parallel)
                // while the link still names it.
                if (master >= 0)
                    ::close(master);
                master = -1;
            } else if (master >= 0) {
                qsizetype done = 0;
                while (done < o.bytes.size()) {
                    const ssize_t w =
                        ::write(master, o.bytes.constData() + done, size_t(o.bytes.size() - done));
                    if (w <= 0)
                        break;
                    done += w;
                }
            }
        }
    }
}
