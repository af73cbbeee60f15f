#pragma once

#include "platform/StartupKeys.h"
#include "platform/StartupPath.h"

#include <QString>
#include <QStringList>

// The program's command line.
//   -log, /log (any letter case; --log too)  switch the communication log on
//   --pick-port   choose the serial port by hand, as holding Space at start
//   --demo        demonstration mode, as holding Left Shift at start
//   -h, --help    print the usage and exit
//   --version     print the version and exit
// Anything else is refused with a usage error, as command-line programs do.
struct TCommandLine
{
    bool Log = false;
    bool PickPort = false;
    bool Demo = false;
    bool Help = false;
    bool Version = false;
    QString Error; // set when the line was refused: what was wrong, for UsageErrorText
};

// arguments as QCoreApplication::arguments() gives them: the program first.
TCommandLine ParseCommandLine(const QStringList &arguments);

// Texts for standard output (help, version) and standard error (usage error).
QString HelpText();
QString VersionText();
QString UsageErrorText(const TCommandLine &commandLine);
// The exit status after a usage error.
constexpr int UsageErrorExitCode = 2;

// The path the start-up takes (platform/StartupPath.h): a held key or its switch.
// Space (or --pick-port) wins over Left Shift (or --demo), as when both keys are held.
TStartupPath ChooseStartupPath(const TStartupKeys &keys, const TCommandLine &commandLine);
