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
// Anything else is reported on standard error and ignored: desktop shortcuts and file
// associations may pass arguments the program does not know, and it starts anyway.
struct TCommandLine
{
    bool Log = false;
    bool PickPort = false;
    bool Demo = false;
    bool Help = false;
    bool Version = false;
    QStringList Ignored; // what was not understood, one entry per argument, for IgnoredText
};

// arguments as QCoreApplication::arguments() gives them: the program first.
TCommandLine ParseCommandLine(const QStringList &arguments);

// Texts for standard output (help, version) and standard error (ignored arguments;
// empty when there are none).
QString HelpText();
QString VersionText();
QString IgnoredText(const TCommandLine &commandLine);

// The options a restart passes on to the fresh instance besides "-log" (which follows
// the log's state, see TMainForm::RestartArguments): --pick-port and --demo as they
// were given. They are the operator's choice for the whole session (a shortcut, a
// script); a key held at start chose only that one start and is not turned into one.
QStringList RestartOptions(const TCommandLine &commandLine);

// The path the start-up takes (platform/StartupPath.h): a held key or its switch.
// Space (or --pick-port) wins over Left Shift (or --demo), as when both keys are held.
TStartupPath ChooseStartupPath(const TStartupKeys &keys, const TCommandLine &commandLine);
