#pragma once

// The instrument for end-to-end tests: kt7310-emulator on a pseudo-terminal, linked as
// COM<n> in a port folder (the panel finds it there through KT7310_PORT_DIR), with a
// transcript of every line it received and every reply it sent.

#include "base/ErrorReport.h"

#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>

class TestEmulator
{
public:
    // Starts the emulator and waits until its link is in place; extra arguments as on
    // its command line ("--model", "7310-36", "--reply", "*CFG?1?=...").
    TestEmulator(const QString &portDir, int com, const QStringList &arguments = {});
    ~TestEmulator();
    TestEmulator(const TestEmulator &) = delete;
    TestEmulator &operator=(const TestEmulator &) = delete;

    bool IsReady() const { return FReady; }
    // Ends the emulator at once, as a crash would (its link stays behind, dangling); the
    // transcript stays readable.
    void Kill();
    QString StartError() const { return FError; }

    // The transcript without its time stamps: "RX line", "TX reply", "-- note".
    QStringList Transcript() const;
    // The lines received, in order.
    QStringList Received() const;
    // Each line received with the reply sent for it (empty when none was sent).
    QList<QPair<QString, QString>> Exchanges() const;
    // The reply to the latest receipt of `command` ("" while it is not yet written). The
    // status poll may have asked something since, so the last exchange may be another's.
    QString LastReplyTo(const QString &command) const;

private:
    QProcess FProcess;
    QString FTranscriptPath;
    bool FReady = false;
    QString FError;
};

// Points the serial component at portDir for as long as it lives.
class PortDirectory
{
public:
    explicit PortDirectory(const QString &dir);
    ~PortDirectory();

private:
    QByteArray FPrevious;
    bool FHadPrevious;
};

// Records the texts of the program's default error report instead of showing them.
class RecordedErrors
{
public:
    RecordedErrors();
    ~RecordedErrors();
    QStringList Texts;

private:
    ErrorReporter FPrevious;
};
