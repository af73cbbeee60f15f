#pragma once

// A session on its own, without any window: the emulated instrument on COM1 of a
// temporary port folder, found by the scan as the command-line tool finds it, and
// optionally read back once as the panel's start does. Nobody is asked anything: the
// component shows no message boxes, and the session's signals are the only reports.

#include "TestEmulator.h"
#include "comm/Communication.h"
#include "comm/InstrumentScanner.h"
#include "comm/TKTComPort.h"
#include "session/InstrumentSession.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

struct SessionRig
{
    QTemporaryDir Ports;
    PortDirectory PortDir{Ports.path()};
    RecordedErrors Errors;
    std::unique_ptr<TestEmulator> Emulator;
    InstrumentSession Session;

    // Starts the emulator (its command-line arguments), finds it and, with readBack, reads
    // the whole configuration; the status poll is left stopped, so that every line on the
    // wire is the test's own. False if any of it failed.
    bool Start(const QStringList &arguments = {"--model", "462K-6"}, bool readBack = true)
    {
        Emulator = std::make_unique<TestEmulator>(Ports.path(), 1, arguments);
        if (!Emulator->IsReady()) {
            qWarning("emulator: %s", qPrintable(Emulator->StartError()));
            return false;
        }
        Session.ComPort->SetShowErrors(false);
        InstrumentScanner scanner(*Session.Comm);
        if (!scanner.Find(Session.Identity, {1}, {115200}))
            return false;
        Session.ComPort->SetResponseTime(4000);
        Session.ComPort->SetAllowEvents(true);
        if (readBack && !Session.Initialize())
            return false;
        Session.StatusTimer->stop();
        return true;
    }

    // The lines the emulator received from index `from` on.
    QStringList ReceivedFrom(int from) const { return Emulator->Received().mid(from); }
    int ReceivedCount() const { return int(Emulator->Received().size()); }
    QString LinkPath() const { return Ports.filePath(QStringLiteral("COM1")); }
};

// Whether Qt Widgets was loaded into this process: the session and its tests must run
// without it.
inline bool WidgetsLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    const QByteArray mapped = maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
    // Qt Core must show, or the list cannot tell: say loaded rather than pass.
    return !mapped.contains("libQt6Core") || mapped.contains("libQt6Widgets");
}

// What the session reported about its link, as a front end would hear it. ReplyMissing
// is answered with Answer when one is set, else the session's default stands.
struct LinkReports
{
    QList<TLinkFault> Missing; // ReplyMissing
    QList<TLinkFault> Lost;    // PortLost
    QList<bool> Abandoned;     // LinkAbandoned(restart)
    QList<int> NotSent;        // CommandsNotSent
    std::optional<InstrumentSession::TReplyMissingAnswer> Answer;

    explicit LinkReports(InstrumentSession &session)
    {
        QObject::connect(
            &session, &InstrumentSession::ReplyMissing,
            [this](const TLinkFault &fault, InstrumentSession::TReplyMissingAnswer &answer) {
                Missing << fault;
                if (Answer)
                    answer = *Answer;
            });
        QObject::connect(&session, &InstrumentSession::PortLost,
                         [this](const TLinkFault &fault) { Lost << fault; });
        QObject::connect(&session, &InstrumentSession::LinkAbandoned,
                         [this](bool restart) { Abandoned << restart; });
        QObject::connect(&session, &InstrumentSession::CommandsNotSent,
                         [this](int count) { NotSent << count; });
    }
};
