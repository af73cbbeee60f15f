#include "emulator/TPtyLink.h"

#include "emulator/TLineSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

TPtyLink::TPtyLink(TInstrument &instrument, int baud, const TFaults &faults,
                   TTranscript *transcript, QObject *parent)
    : QObject(parent), FInstrument(instrument), FBaud(baud), FFaults(faults),
      FTranscript(transcript)
{
    FTimer.setSingleShot(true);
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &TPtyLink::SendDue);
    FDrainTimer.setInterval(5);
    connect(&FDrainTimer, &QTimer::timeout, this, &TPtyLink::UnplugWhenDrained);
    FClock.start();
}

TPtyLink::~TPtyLink()
{
    Close();
}

bool TPtyLink::Open(const QString &linkPath, QString *error)
{
    const auto fail = [&](const QString &what) {
        *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
        Close();
        return false;
    };
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0)
        return fail(QStringLiteral("cannot create a pseudo-terminal"));
    char name[128];
    if (grantpt(FMaster) != 0 || unlockpt(FMaster) != 0 || ptsname_r(FMaster, name, sizeof name))
        return fail(QStringLiteral("cannot unlock the pseudo-terminal"));
    FDevicePath = QString::fromLocal8Bit(name);
    fcntl(FMaster, F_SETFL, fcntl(FMaster, F_GETFL) | O_NONBLOCK);
    FSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FSlave < 0)
        return fail(QStringLiteral("cannot open %1").arg(FDevicePath));

    // A raw 8N1 line at the instrument's speed until a client sets its own.
    termios t;
    if (tcgetattr(FSlave, &t) != 0)
        return fail(QStringLiteral("cannot read the line settings"));
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSTOPB | CRTSCTS);
    if (tcsetattr(FSlave, TCSANOW, &t) != 0 || !TLineSettings::WriteSpeed(FSlave, FBaud))
        return fail(QStringLiteral("cannot set the line settings"));

    if (!linkPath.isEmpty()) {
        QString refusal;
        if (!ClearStaleLink(linkPath, FDevicePath, &refusal)) {
            *error = refusal;
            Close();
            return false;
        }
        // symlink(2) does not replace: a link made meanwhile by another emulator wins.
        if (!QFile::link(FDevicePath, linkPath)) {
            *error = QStringLiteral("cannot create the link %1").arg(linkPath);
            Close();
            return false;
        }
        FLinkPath = linkPath;
    }

    FNotifier = new QSocketNotifier(FMaster, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TPtyLink::ReadInput);
    return true;
}

bool TPtyLink::ClearStaleLink(const QString &linkPath, const QString &ownDevice, QString *error)
{
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat own;
    if (::lstat(path.constData(), &own) != 0)
        return true; // nothing there
    if (!S_ISLNK(own.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a link").arg(linkPath);
        return false;
    }
    // A link whose device still exists belongs to a running emulator (or names a
    // terminal someone uses): taking it over would put two programs on one port number.
    // The pseudo-terminal just made may have the number of the killed emulator's one:
    // then the link names our own device and is stale all the same.
    struct stat target;
    struct stat mine;
    const bool ours = ::stat(QFile::encodeName(ownDevice).constData(), &mine) == 0 &&
                      ::stat(path.constData(), &target) == 0 && target.st_rdev == mine.st_rdev;
    if (!ours && ::stat(path.constData(), &target) == 0 && S_ISCHR(target.st_mode)) {
        *error = QStringLiteral("%1 links to %2, a device that is in use (another emulator "
                                "on this port?); stop that emulator, choose another --com, "
                                "or remove the link if it is stale")
                     .arg(linkPath, QFile::symLinkTarget(linkPath));
        return false;
    }
    // Left behind by an emulator that was killed: its device is gone.
    if (::unlink(path.constData()) != 0 && errno != ENOENT) {
        *error = QStringLiteral("cannot remove the stale link %1: %2")
                     .arg(linkPath, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return true;
}

void TPtyLink::Close()
{
    FTimer.stop();
    FDrainTimer.stop();
    FPending.clear();
    if (FNotifier) {
        // Close may run inside the notifier's own signal.
        FNotifier->setEnabled(false);
        FNotifier->deleteLater();
        FNotifier = nullptr;
    }
    if (FSlave >= 0)
        ::close(FSlave);
    if (FMaster >= 0)
        ::close(FMaster); // the device node goes with the master
    FSlave = FMaster = -1;
    if (!FLinkPath.isEmpty())
        QFile::remove(FLinkPath);
    FLinkPath.clear();
}

void TPtyLink::Unplug()
{
    if (!IsOpen())
        return;
    Note("line closed: the device is unplugged");
    Close();
    emit Unplugged();
}

// Closing the master discards what the client has not read yet, while a real
// cable delivers the last reply before it is pulled. A write reaches the client's
// queue a moment later (the kernel pushes it from a work queue), so the line
// closes once the reply has been seen waiting and then read, or after 50 ms with
// nothing waiting, or after a second if nobody reads.
void TPtyLink::UnplugWhenDrained()
{
    const qint64 now = FClock.nsecsElapsed();
    if (!FDrainTimer.isActive()) {
        FUnplugStartNs = now;
        FReplySeenWaiting = false;
        FDrainTimer.start();
    }
    int waiting = 0;
    if (ioctl(FSlave, FIONREAD, &waiting) != 0)
        return Unplug();
    if (waiting > 0)
        FReplySeenWaiting = true;
    const qint64 elapsed = now - FUnplugStartNs;
    if ((waiting == 0 && (FReplySeenWaiting || elapsed >= 50000000)) || elapsed >= 1000000000)
        Unplug();
}

void TPtyLink::ReadInput()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n && IsOpen(); ++i) {
            const char c = buffer[i];
            if (c == '\r' || c == '\n') {
                // CR ends a line; the LF of a CR LF pair belongs to the same end.
                const bool secondHalf = c == '\n' && FLastWasCR;
                FLastWasCR = c == '\r';
                if (secondHalf)
                    continue;
                const QByteArray line = FLine;
                const bool overlong = FOverlong;
                FLine.clear();
                FOverlong = false;
                ProcessLine(line, overlong);
            } else {
                FLastWasCR = false;
                if (FLine.size() < MaxLineLength)
                    FLine.append(c);
                else
                    FOverlong = true;
            }
        }
        if (!IsOpen())
            return;
    }
}

void TPtyLink::ProcessLine(const QByteArray &line, bool overlong)
{
    if (FTranscript)
        FTranscript->Received(line);
    // A held first answer leaves as soon as the next line arrives, ahead of that line's own.
    if (FHeld) {
        const auto [reply, unplugAfter] = *FHeld;
        FHeld.reset();
        Send(reply, unplugAfter);
    }
    if (FUnplugPending)
        return Note("no reply: the line is closing");

    // The instrument hears only what arrives at its own speed and framing.
    TLineSettings settings;
    if (!TLineSettings::Read(FSlave, settings))
        return Note("no reply: the line settings cannot be read");
    if (settings.Baud != FBaud || settings.DataBits != 8 || settings.Parity) {
        return Note("no reply: line at " + QByteArray::number(settings.Baud) + " baud, " +
                    QByteArray::number(settings.DataBits) + " data bits, " +
                    (settings.Parity ? "parity" : "no parity"));
    }
    if (FFaults.Silent || (FFaults.SilentAfter >= 0 && FAnswered >= FFaults.SilentAfter))
        return Note("no reply: silent");

    ++FAnswered;
    FLate = FFaults.SlowPrefix.isEmpty() || line.toUpper().startsWith(FFaults.SlowPrefix);
    QByteArray reply;
    if (FFaults.RepliesOnce.contains(line))
        reply = FFaults.RepliesOnce.take(line);
    else if (FFaults.Replies.contains(line))
        reply = FFaults.Replies.value(line);
    else if (overlong)
        reply = "ERR 2: line too long";
    else
        reply = FInstrument.Execute(line);
    const bool unplug = FFaults.UnplugAfter >= 0 && FAnswered >= FFaults.UnplugAfter;
    FUnplugPending = unplug;
    Send(reply, unplug);
}

void TPtyLink::Send(const QByteArray &reply, bool unplugAfter)
{
    if (FFaults.LateFirst && !FFirstHeld) {
        FFirstHeld = true;
        FHeld.emplace(reply, unplugAfter);
        return Note("reply held until the next line");
    }
    const QByteArray data = reply + '\r';
    const int delayMs = FAnswered > FFaults.SlowAfter && FLate ? FFaults.ReplyDelayMs : 0;
    if (delayMs <= 0 && !FFaults.Split && FPending.isEmpty()) {
        // The usual path: the reply leaves at once. The transcript notes it first, so
        // that whoever has read the reply finds it in the transcript too.
        if (FTranscript)
            FTranscript->Sent(reply);
        Write(data);
        if (unplugAfter)
            UnplugWhenDrained();
        return;
    }
    // Replies keep their order, whatever their delays.
    const qint64 now = FClock.nsecsElapsed();
    qint64 due = now + qint64(delayMs) * 1000000;
    if (!FPending.isEmpty())
        due = std::max(due, FPending.last().DueNs);
    const int pieces = FFaults.Split ? int(std::min<qsizetype>(3, data.size())) : 1;
    qsizetype start = 0;
    for (int i = 0; i < pieces; ++i) {
        const qsizetype end = data.size() * (i + 1) / pieces;
        TChunk chunk;
        chunk.DueNs = due + qint64(i) * SplitGapMs * 1000000;
        chunk.Data = data.mid(start, end - start);
        if (i == pieces - 1) {
            chunk.Last = true;
            chunk.Reply = reply;
            chunk.UnplugAfter = unplugAfter;
        }
        FPending.append(chunk);
        start = end;
    }
    SendDue();
}

void TPtyLink::SendDue()
{
    while (!FPending.isEmpty() && IsOpen()) {
        const qint64 wait = FPending.first().DueNs - FClock.nsecsElapsed();
        if (wait > 200000) { // more than 0.2 ms to go
            FTimer.start(int((wait + 999999) / 1000000));
            return;
        }
        const TChunk chunk = FPending.takeFirst();
        if (chunk.Last && FTranscript)
            FTranscript->Sent(chunk.Reply);
        Write(chunk.Data);
        if (chunk.Last && chunk.UnplugAfter)
            UnplugWhenDrained();
    }
}

void TPtyLink::Write(const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(FMaster, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Nobody reads the line and its buffer is full: like a real line, the
            // bytes are lost.
            Note("output lost: the line's buffer is full");
            return;
        }
        done += n;
    }
}

void TPtyLink::Note(const QByteArray &text)
{
    if (FTranscript)
        FTranscript->Note(text);
}
