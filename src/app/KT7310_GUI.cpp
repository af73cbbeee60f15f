// Program entry: the command line, the application object, the main window (whose
// creation handler finds the instrument), the progress window, the message loop.

#include "app/CommandLine.h"
#include "base/ErrorReport.h"
#include "app/MessageBoxErrorReport.h"
#include "platform/StartupKeys.h"
#include "comm/MessageBoxDialogs.h"
#include "comm/OperatorDialogs.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"
#include "ui/service/TServiceForm.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // --help and --version answer without a display, as command-line programs do.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine early = ParseCommandLine(rawArguments);
    if (early.Help || early.Version) {
        std::fputs(qPrintable(early.Help ? HelpText() : VersionText()), stdout);
        return 0;
    }

    // The application object takes its own options (-platform, -style ...) off the
    // command line; what remains is the program's.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KT7310_GUI"));
    QApplication::setApplicationVersion(QStringLiteral(KT7310_VERSION));
    // The installed desktop entry: lets the desktop match the window to its menu item.
    QGuiApplication::setDesktopFileName(QStringLiteral("kt7310-panel"));
    const TCommandLine commandLine = ParseCommandLine(QCoreApplication::arguments());
    // An argument the program does not know is reported, and the program starts anyway.
    if (!commandLine.Ignored.isEmpty())
        std::fputs(qPrintable(IgnoredText(commandLine)), stderr);
    SetErrorReporter(ShowErrorMessageBox);
    MessageBoxDialogs dialogs;
    SetDialogs(&dialogs);

    int result = 0;
    {
        TMainForm MainForm;
        MainForm.StartupPath = ChooseStartupPath(ReadStartupKeys(), commandLine);
        MainForm.LogSwitch = commandLine.Log;
        MainForm.ProgramOptions = RestartOptions(commandLine);
        MainForm.LeftShiftHeld = [&commandLine] {
            return ReadStartupKeys().LeftShiftHeld || commandLine.Demo;
        };
        MainForm.FormCreate();

        TMessageForm MessageForm;
        MainForm.MessageForm = &MessageForm;
        TServiceForm ServiceForm(MainForm);
        MainForm.ServiceForm = &ServiceForm;

        // Exit or restart decided during start-up: the window is never shown and the
        // message loop never runs.
        if (!MainForm.Terminating()) {
            MainForm.show();
            result = app.exec();
        }
    }
    SetDialogs(nullptr);
    SetErrorReporter(nullptr);
    return result;
}
