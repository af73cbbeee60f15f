#pragma once

// The instrument as the program knows it, apart from any window: its identity, the
// mirrors of every setting, the timing limits, the run state and shot count, and the text
// images of its settings and calibration. Front ends (the panel's window, the service
// window, the timing diagram) read the state here and follow its signals.
//
// One session per instrument, living on the thread that talks to the instrument.

#include "protocol/TChannelConfigs.h"
#include "protocol/TIdentityRecord.h"
#include "protocol/TSystemMirrors.h"
#include "protocol/TTimingLimits.h"

#include <QObject>
#include <QString>
#include <QStringList>

class Communication;
class TKTComPort;

class InstrumentSession : public QObject
{
    Q_OBJECT
public:
    explicit InstrumentSession(QObject *parent = nullptr);

    // ---- The link -------------------------------------------------------------------
    // The serial component with its stored settings (115200 baud, no handshaking, no
    // parity, 4000 ms to answer, COM1 until the scan chooses) and the transactions on it.
    // The front end wires the terminal, the operator's side (AppControl) and the
    // time-out handler.
    TKTComPort *const ComPort;
    Communication *const Comm;

    // ---- Identity -------------------------------------------------------------------
    TIdentityRecord Identity; // read once by the scan, never again
    // Channels of the connected model. One until the initialization knows the model, so
    // that every loop over 1..ChannelCount finds its entries.
    int ChannelCount = 1;
    bool SystemUnsecured = false; // the security state read back: 0 = unsecured

    // ---- Settings -------------------------------------------------------------------
    TSystemMirrors Mirrors; // SystemRunning, SystemPeriod, SystemMode, the input modes ...
    TChannelConfigs ChannelConfigs;
    TTimingLimits TimingLimits;
    QStringList SettingsList;    // the instrument's settings as text lines
    QStringList CalibrationList; // the lines of the last calibration readback

    // Why the latest read-back of the configuration did not complete ("The reply to
    // "*CFG?3?" cannot be read: ..."); empty once one completes. Until then the mirrors of
    // the records not read hold template or stale values.
    QString ReadbackFailure;
    QString ReadbackFailedQuery; // "*CFG?3?"; empty when no one query failed

    // ---- Run state and shot count ---------------------------------------------------
    bool Running() const { return Mirrors.SystemRunning; }
    // The run state as learned (poll, read-back) or set (start, stop): RunStateChanged
    // follows every call, so that a view that missed an earlier one catches up.
    void SetRunState(bool running);
    quint32 ShotCount() const { return FShotCount; }
    void SetShotCount(quint32 count);

signals:
    void RunStateChanged(bool running);
    void ShotCountChanged(quint32 count);

private:
    quint32 FShotCount = 0;
};
