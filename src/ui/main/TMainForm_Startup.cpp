// Start-up and run control: the creation handler, the search for the instrument, its
// identity, demonstration mode, the manual port choice, the launch of the first
// initialization, restart and exit, and the main window's side of the transactions
// (time-out question, logging switch).

#include "platform/OwnExecutable.h"
#include "comm/Communication.h"
#include "comm/InstrumentScanner.h"
#include "comm/OperatorDialogs.h"
#include "comm/TKTComPort.h"
#include "protocol/ModelTable.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"
#include "ui/main/TPageControl.h"
#include "ui/main/TResponseList.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QMovie>
#include <QThread>
#include <QTimer>

namespace {
constexpr int ResponseTimeMs = 4000;
constexpr int RestartPauseMs = 500;

// The question's line breaks are LF CR, in that order.
const QString NoDeviceText = QStringLiteral("No device found. Try to reconnect?\n\r\n\r"
                                            "Make sure unit is fully powered on\n\r"
                                            "before selecting Yes");
} // namespace

void TMainForm::CreateStartupParts()
{
    Comm = Session->Comm;
    connect(Session, &InstrumentSession::TerminalLine, ResponseList,
            [list = ResponseList](const QString &line, uint32_t rgb) {
                list->AppendTerminalLine(line, rgb);
            });
    connect(Session, &InstrumentSession::ReplyMissing, this, &TMainForm::ReplyMissing);
    connect(Session, &InstrumentSession::LinkAbandoned, this, &TMainForm::LinkAbandoned);
    connect(Comm, &Communication::LoggingStateChanged, EnableLoggingMenu, &QAction::setChecked);

    connect(LaunchTimer, &QTimer::timeout, this, &TMainForm::LaunchTimerTimer);
    connect(Exit1, &QAction::triggered, this, &TMainForm::Exit1Click);
    connect(RestartMenu, &QAction::triggered, this, &TMainForm::RestartMenuClick);
    connect(EnableLoggingMenu, &QAction::triggered, this, &TMainForm::EnableLoggingMenuClick);
}

bool TMainForm::Terminating() const
{
    return Session->Terminating();
}

void TMainForm::FormCreate()
{
    // Numbers are always written and read with "." and "," whatever the workstation's
    // regional settings; instrument text never goes through the locale anyway.
    QLocale::setDefault(QLocale::c());
    // The window's constructor has already bound channel 1's controls into the tables,
    // set the pulse animation's speed and sized the focus memory of the system pages;
    // the transactions took the user name when they were created.

    switch (StartupPath) {
    case TStartupPath::PickPort:
        if (!ComPort->Pick()) {
            ExitApp();
            return;
        }
        ComPort->Open();
        ComPort->SetBaud(115200);
        ComPort->SetEndOfResponse(QByteArray("\r"));
        ComPort->SetAllowEvents(false);
        ComPort->SetShowErrors(false);
        ComPort->SetResponseTime(ResponseTimeMs);
        break;
    case TStartupPath::Demo:
        EnterDemoMode();
        break;
    case TStartupPath::Discovery:
        if (!FindInstrument()) {
            // Devices that exist but were refused: why, and what to do, before the question.
            const QString refused = PortOpenFailure::ScanReport(
                ScanOpenFailures, PortOpenFailure::CurrentUserName());
            if (!refused.isEmpty())
                Dialogs().Information(refused);
            const auto answer =
                Dialogs().Question(NoDeviceText, {OperatorDialogs::Yes, OperatorDialogs::No},
                                   {OperatorDialogs::Yes, OperatorDialogs::No});
            if (answer == OperatorDialogs::Yes) {
                RestartApp();
                return;
            }
            if (LeftShiftHeld && LeftShiftHeld()) {
                EnterDemoMode();
            } else {
                ExitApp();
                return;
            }
        }
        break;
    }

    ComPort->SetResponseTime(ResponseTimeMs);
    // The log file is named after this moment, once the scan is over.
    Comm->StampStartTime();
    Session->SettingsList.clear();
    Session->CalibrationList.clear();
    if (LogSwitch)
        ToggleLoggingState();
    FLogSwitchApplied = true;
    LaunchTimer->start();
    Session->Mirrors.SystemRunning = false;
    // From now on every reply wait dispatches window messages and a time-out asks the
    // operator; the component itself shows no message boxes.
    ComPort->SetAllowEvents(true);
}

void TMainForm::EnterDemoMode()
{
    Dialogs().Information(QStringLiteral("Entering Demo Mode"));
    Session->DemoMode = true;
    Session->StatusTimer->stop();
}

bool TMainForm::FindInstrument()
{
    InstrumentScanner scanner(*Comm);
    const bool found = scanner.Find(Session->Identity);
    ScanOpenFailures = scanner.OpenFailures;
    if (!found)
        return false;
    ResponseList->clear();
    return true;
}

void TMainForm::ParseIDN()
{
    InstrumentScanner::ReadIdentity(*Comm, Session->Identity);
}

void TMainForm::LaunchTimerTimer()
{
    LaunchTimer->stop();
    Session->ReinitializePending = true;
    Session->Initialize();
    Session->ReinitializePending = false;
    if (Terminating())
        return;
    Session->StatusTimer->start();
    Session->Mirrors.SystemRunning = false;
}

void TMainForm::EndRun()
{
    // Given up for good: a reply wait under way ends at once, and the transactions the
    // interrupted call chain still starts return at once without touching the line.
    Session->Terminate();
    LaunchTimer->stop();
    if (MessageForm)
        MessageForm->close();
    // Never shown when the end was decided during start-up.
    hide();
    // Ends the message loop and every reply wait's local loop once it runs; before it
    // runs this does nothing, and the program entry sees Terminating() instead.
    QCoreApplication::quit();
}

void TMainForm::RestartApp()
{
    if (Terminating() || Session->Finishing())
        return;
    // As at the exit: changes still queued go out first, and the new instance starts
    // once they have; the ones that cannot go out are counted.
    FRestartWhenFinished = true;
    if (!SendQueueFirst())
        EndProgram(Session->DemoMode ? 0 : int(Session->CommandQueue.size()));
}

QStringList TMainForm::RestartArguments() const
{
    QStringList arguments = ProgramOptions;
    // A restart is asked for when the instrument is lost, which is when a log is wanted:
    // it goes on if it is on now. The switch itself counts until the start-up applied it
    // ("No device found. Try to reconnect?" comes before that).
    if (FLogSwitchApplied ? Comm->LoggingEnabled() : LogSwitch)
        arguments << QStringLiteral("-log");
    return arguments;
}

void TMainForm::ExitApp()
{
    if (Terminating() || Session->Finishing())
        return;
    // Changes still queued go out before the program ends; the task tick that sends
    // them ends it (a reply wait, a drain or a poll may be under way further up the
    // call stack). An instrument that stops answering then is given up at its first
    // time-out without a question. Nothing is sent once the port was given up (a "No"
    // to the lost-communication question) or is gone, nor in demonstration mode.
    if (!SendQueueFirst())
        EndProgram(Session->DemoMode ? 0 : int(Session->CommandQueue.size()));
}

bool TMainForm::SendQueueFirst()
{
    if (!Session->FinishQueue())
        return false;
    if (MessageForm) {
        MessageForm->MessageLabel->setText(QStringLiteral("Sending queued commands"));
        MessageForm->show();
    }
    return true;
}

void TMainForm::EndProgram(int notSent)
{
    Session->TaskTimer->stop();
    Session->StatusTimer->stop();
    if (MessageForm)
        MessageForm->close();
    if (notSent > 0)
        Dialogs().Information(Communication::NotSentText(notSent));
    if (Terminating())
        return;
    if (FRestartWhenFinished) {
        // The new instance opens the port again: it must be free before that one starts.
        ComPort->Close();
        ComPort->Abandon();
        QThread::msleep(RestartPauseMs);
        LaunchNewInstance(RestartArguments());
        EndRun();
        return;
    }
    ComPort->SetAllowEvents(false);
    ComPort->SetShowErrors(false);
    ComPort->Close();
    if (Comm->LoggingEnabled())
        Comm->ToggleLoggingState();
    EndRun();
    QCoreApplication::processEvents();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    // While queued commands are sent before the end, the window stays.
    if (Terminating())
        event->accept();
    else
        event->ignore();
}

void TMainForm::FormClose()
{
    ExitApp();
}

void TMainForm::Exit1Click()
{
    ExitApp();
}

void TMainForm::RestartMenuClick()
{
    RestartApp();
}

void TMainForm::ReplyMissing(const TLinkFault &,
                             InstrumentSession::TReplyMissingAnswer &answer)
{
    // A poll's question never comes over another dialog either (see PortLost): the poll
    // takes the missing reply as unread, and a later poll asks once the dialog is closed.
    if (Session->StatusPollRunning && QApplication::activeModalWidget()) {
        answer = InstrumentSession::AskLater;
        return;
    }
    const auto button =
        Dialogs().Question(QStringLiteral("Communications lost. Restart?"),
                           {OperatorDialogs::Yes, OperatorDialogs::No, OperatorDialogs::Ignore},
                           {OperatorDialogs::Yes, OperatorDialogs::No});
    switch (button) {
    case OperatorDialogs::Ignore:
        answer = InstrumentSession::IgnoreMissingReply;
        break;
    case OperatorDialogs::Yes:
        answer = InstrumentSession::RestartProgram;
        break;
    default:
        answer = InstrumentSession::EndProgram;
        break;
    }
}

void TMainForm::LinkAbandoned(bool restart)
{
    if (restart)
        RestartApp();
    else
        ExitApp();
}

void TMainForm::ToggleLoggingState()
{
    // The menu item follows the log's state through Communication::LoggingStateChanged.
    Comm->ToggleLoggingState();
}

void TMainForm::EnableLoggingMenuClick()
{
    ToggleLoggingState();
    EnableLoggingMenu->setChecked(Comm->LoggingEnabled());
}
