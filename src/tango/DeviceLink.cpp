#include "tango/DeviceLink.h"

#include "tango/SessionHost.h"
#include "tango/SettingsFolder.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <future>

namespace {
// The session's thread. What lives on it ends on it: once its event loop has ended, the
// host and the session are deleted there, and only then is the end told to the device's
// thread through a promise, so that nothing of theirs is touched from two threads, and
// the hand-over is one the standard library makes (and a race detector sees).
class SessionThread : public QThread
{
public:
    SessionHost *Host = nullptr;
    std::promise<void> Gone;

protected:
    void run() override
    {
        exec();
        delete Host; // the session with it, if still there
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Gone.set_value();
    }
};
} // namespace

class DeviceLink::Private
{
public:
    explicit Private(const TDeviceOptions &options)
        : Folder(QString::fromStdString(options.SettingsFolder))
    {
    }

    const SettingsFolder Folder;
    DeviceSnapshot Snapshot;
    SessionThread Thread;
    SessionHost *Host = nullptr;

    // The request runs on the session's thread (once the port is free, when asked to),
    // and the caller waits for its result there.
    template <class Request>
    TDeviceResult Ask(Request request, bool portFree = false)
    {
        auto promise = std::make_shared<std::promise<TDeviceResult>>();
        std::future<TDeviceResult> future = promise->get_future();
        SessionHost *host = Host;
        std::function<void()> run = [host, promise, request] { promise->set_value(request(*host)); };
        host->Post([host, run, portFree] { portFree ? host->WhenPortFree(run) : run(); });
        // A load of a long file at a low speed takes minutes; a session thread that
        // never answers is a fault of its own.
        if (future.wait_for(std::chrono::minutes(30)) != std::future_status::ready)
            return {false, "KT7310_NoAnswer", "The instrument's session did not answer.", {}};
        try {
            return future.get();
        } catch (const std::future_error &) {
            return {false, "KT7310_Ended", "The device is shutting down.", {}};
        }
    }
};

DeviceLink::DeviceLink(const TDeviceOptions &options) : d(std::make_unique<Private>(options))
{
    d->Host = new SessionHost(options, d->Snapshot);
    d->Host->moveToThread(&d->Thread);
    d->Thread.Host = d->Host;
    QObject::connect(&d->Thread, &QThread::started, d->Host, &SessionHost::Begin);
    d->Thread.setObjectName(QStringLiteral("kt7310 session"));
    d->Thread.start();
}

DeviceLink::~DeviceLink()
{
    // The session ends where it runs, possibly inside one of its reply waits (a load or a
    // drain under way): that wait returns at once, and the thread's event loop ends.
    SessionHost *host = d->Host;
    auto ended = std::make_shared<std::promise<void>>();
    // The thread quits its own loop: nothing else wakes it from here on.
    host->Post([host, ended] {
        host->End();
        QThread::currentThread()->quit();
        ended->set_value();
    });
    std::future<void> gone = d->Thread.Gone.get_future();
    ended->get_future().wait();
    gone.wait();
    d->Thread.wait();
    d->Snapshot.Close();
}

DeviceSnapshot &DeviceLink::Snapshot()
{
    return d->Snapshot;
}

TDeviceResult DeviceLink::Write(const std::string &name, const TDeviceValue &value)
{
    // Refused at once while the instrument is looked for or read: the session's thread
    // may be busy with the scan for a while.
    const TDeviceState state = d->Snapshot.State();
    if (state == TDeviceState::Fault)
        return {false, "KT7310_Fault", d->Snapshot.Status(), {}};
    if (state == TDeviceState::Init)
        return {false, "KT7310_NotReady",
                d->Snapshot.Status() + " Try again once the state is ON or RUNNING.", {}};
    return d->Ask([name, value](SessionHost &h) { return h.Write(name, value); });
}

TDeviceResult DeviceLink::Run(bool on)
{
    return d->Ask([on](SessionHost &h) { return h.Run(on); });
}

TDeviceResult DeviceLink::Refresh()
{
    return d->Ask([](SessionHost &h) { return h.Refresh(); });
}

TDeviceResult DeviceLink::SaveToBin(int bin)
{
    return d->Ask([bin](SessionHost &h) { return h.SaveToBin(bin); });
}

TDeviceResult DeviceLink::RecallBin(int bin)
{
    return d->Ask([bin](SessionHost &h) { return h.RecallBin(bin); });
}

TDeviceResult DeviceLink::SaveSettings(const std::string &name)
{
    return d->Ask([name](SessionHost &h) { return h.SaveSettings(name); }, true);
}

TDeviceResult DeviceLink::LoadSettings(const std::string &name)
{
    return d->Ask([name](SessionHost &h) { return h.LoadSettings(name); }, true);
}

TDeviceResult DeviceLink::ListSettings()
{
    // Files only: no need to wait for the session's thread.
    TDeviceResult result;
    for (const QString &name : d->Folder.List())
        result.List.push_back(name.toLatin1().toStdString());
    return result;
}

TDeviceResult DeviceLink::SendLine(const std::string &line)
{
    return d->Ask([line](SessionHost &h) { return h.SendLine(line); }, true);
}
