#pragma once

// The device's side on the session's thread: it finds the instrument (as the panel's scan
// does), owns the session, answers the requests DeviceLink hands over, and mirrors the
// session's state into the snapshot after every change. No question is ever asked: a
// missing reply or a lost port puts the device in FAULT, and from there it looks for the
// instrument again every few seconds, with a fresh session, until one answers; the whole
// configuration is then read again.

#include "tango/DeviceLink.h"
#include "tango/SettingsFolder.h"

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <mutex>

class InstrumentSession;
class QTimer;
struct TLinkFault;

class SessionHost : public QObject
{
    Q_OBJECT
public:
    SessionHost(const TDeviceOptions &options, DeviceSnapshot &snapshot);
    ~SessionHost() override;

    void Begin(); // the first search
    void End();   // the session ends, the timers stop: before the thread quits

    // Hands a request over from any thread; it runs on the session's thread, in the order
    // handed over. The hand-over is a queue under a standard mutex and a wake-up event that
    // carries nothing, so that no object crosses the threads through Qt's event queue.
    void Post(std::function<void()> request);

    // Runs request now, or once nothing is under way on the port further up the call
    // stack (a reply wait, a drain, a poll, a read-back, a replay) and no queued command
    // waits, so that a transaction of its own neither interleaves with them nor overtakes
    // a command queued before it.
    void WhenPortFree(std::function<void()> request);

    TDeviceResult Write(const std::string &name, const TDeviceValue &value);
    TDeviceResult Run(bool on);
    TDeviceResult Refresh();
    TDeviceResult SaveToBin(int bin);
    TDeviceResult RecallBin(int bin);
    TDeviceResult SaveSettings(const std::string &name);
    TDeviceResult LoadSettings(const std::string &name);
    TDeviceResult SendLine(const std::string &line);

protected:
    void customEvent(QEvent *event) override; // the wake-up: runs what was posted

private:
    void Connect();
    QString NotFoundText(const QList<class PortOpenFailure> &failures) const;
    void Fault(const QString &why);
    void UpdateAttributes(); // the list for the model and its limits, then the values
    void Sync();             // the values
    void PublishState();
    // Why a request cannot be served now; Ok when it can.
    TDeviceResult Ready(bool settingsRequest) const;
    TDeviceResult BinReady(int bin) const; // and a bin the model has
    // Whether a request can go on once a transaction of its own has returned.
    TDeviceResult AfterTransaction() const;
    bool PortFree() const;

    const TDeviceOptions FOptions;
    const SettingsFolder FFolder;
    DeviceSnapshot &FSnapshot;
    InstrumentSession *FSession = nullptr;
    QTimer *FRetry = nullptr;
    bool FConnecting = false;
    bool FReading = false;  // a read-back under way
    bool FFaulted = false;
    bool FEnded = false;
    QString FFault;         // why, for Status
    QString FReadbackNote;  // a read-back that did not complete
    QString FWhere;         // "COM1 at 115200 baud"
    std::vector<TDeviceAttribute> FAttributes;
    std::mutex FPostedMutex;
    std::deque<std::function<void()>> FPosted;
};
