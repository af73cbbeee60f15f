#pragma once

// The command line of kt7310-emulator.

#include "emulator/TInstrument.h"
#include "emulator/TPtyLink.h"

#include <QString>
#include <QStringList>

struct TEmulatorOptions
{
    TInstrument::TIdentity Identity;
    int Baud = 115200;
    QString PortDir;
    int Com = 0;
    QString TranscriptPath;
    TPtyLink::TFaults Faults;
    bool Unsecured = false;
    quint64 ShotCount = 0;

    enum TResult
    {
        Run,
        ExitOk,
        ExitError
    };
    // Fills the options from the arguments (the program name first). On ExitOk
    // and ExitError, message holds the help text or the error to print.
    static TResult Parse(const QStringList &arguments, TEmulatorOptions &options, QString &message);
    QString LinkPath() const;
};
