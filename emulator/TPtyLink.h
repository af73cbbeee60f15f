#pragma once

// Serves a TInstrument on a pseudo-terminal, as the instrument's serial line.
// The slave side is what the panel opens (through an optional COM<n> link);
// we keep our own descriptor of it open, so that the line settings the panel
// applies can be read back and the master never sees a hang-up while no client
// is connected. Nothing runs while the line is idle.

#include "emulator/TInstrument.h"
#include "emulator/TTranscript.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>
#include <utility>

class QSocketNotifier;

class TPtyLink : public QObject
{
    Q_OBJECT
public:
    struct TFaults
    {
        int ReplyDelayMs = 0;
        int SlowAfter = 0;                     // the delay holds from the line after this many
        QByteArray SlowPrefix;                 // and only for lines beginning with it (upper case)
        bool LateFirst = false;                // the first answer waits for the next line
        bool Silent = false;
        int SilentAfter = -1;                  // answer this many lines, then none
        bool Split = false;                    // each reply in pieces, with short gaps
        int UnplugAfter = -1;                  // answer this many lines, then the device disappears
        QHash<QByteArray, QByteArray> Replies; // exact incoming line -> forced reply
        QHash<QByteArray, QByteArray> RepliesOnce; // the same, for the line's first receipt only
    };

    static constexpr int SplitGapMs = 15;
    static constexpr int MaxLineLength = 4096;

    TPtyLink(TInstrument &instrument, int baud, const TFaults &faults,
             TTranscript *transcript = nullptr, QObject *parent = nullptr);
    ~TPtyLink() override;

    // Creates the pseudo-terminal and, when linkPath is not empty, the link to it. A link
    // left there is replaced only when its device is gone; one to a live device is
    // refused with a message saying so.
    bool Open(const QString &linkPath, QString *error);
    // Removes a link at linkPath whose device no longer exists (or is ownDevice, made
    // anew under the old number); false, with the reason, when something else is there.
    static bool ClearStaleLink(const QString &linkPath, const QString &ownDevice, QString *error);
    QString DevicePath() const { return FDevicePath; }
    QString LinkPath() const { return FLinkPath; }
    bool IsOpen() const { return FMaster >= 0; }
    // Closes the line as a pulled cable does: the device and its link disappear.
    void Unplug();

signals:
    void Unplugged();

private:
    struct TChunk
    {
        qint64 DueNs = 0;
        QByteArray Data;
        bool Last = false; // the reply is logged when its last piece leaves
        QByteArray Reply;
        bool UnplugAfter = false;
    };

    void ReadInput();
    void ProcessLine(const QByteArray &line, bool overlong);
    void Send(const QByteArray &reply, bool unplugAfter);
    bool FLate = true; // the line being answered is one the delay holds for
    void SendDue();
    void Write(const QByteArray &data);
    void Note(const QByteArray &text);
    void Close();
    void UnplugWhenDrained();

    TInstrument &FInstrument;
    int FBaud;
    TFaults FFaults;
    TTranscript *FTranscript;
    int FMaster = -1;
    int FSlave = -1;
    QString FDevicePath;
    QString FLinkPath;
    QSocketNotifier *FNotifier = nullptr;
    QByteArray FLine;
    bool FOverlong = false;
    bool FLastWasCR = false;
    int FAnswered = 0;
    bool FFirstHeld = false;
    std::optional<std::pair<QByteArray, bool>> FHeld; // the first answer, with its unplug flag
    bool FUnplugPending = false;
    QList<TChunk> FPending;
    QTimer FTimer;
    QTimer FDrainTimer;
    qint64 FUnplugStartNs = 0;
    bool FReplySeenWaiting = false;
    QElapsedTimer FClock;
};
