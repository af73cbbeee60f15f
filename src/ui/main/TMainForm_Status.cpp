// The status poll and the Run/Stop button: once a second the port is reopened (how an
// unplugged adapter is noticed) and the run state read back; the shot counter is read
// while its page is shown.

#include "comm/Communication.h"
#include "comm/OperatorDialogs.h"
#include "comm/TKTComPort.h"
#include "protocol/SettingCommands.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TPageControl.h"

#include <QApplication>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr int AdditionalPageIndex = 2; // "Additional Options", with the shot counter
}

void TMainForm::StatusTimerTimer()
{
    if (ComPort->InUse())
        return;
    if (DemoMode) {
        StatusTimer->stop();
        return;
    }
    if (CalibrationLoadPending || CalibrationRetrievePending || TaskRunning)
        return;
    StatusTimer->stop();
    StatusPollRunning = true;
    UpdateStatus();
    if (FTerminating) {
        StatusPollRunning = false;
        return;
    }
    if (ServiceWindowPending) {
        ShowServiceWindow();
        ServiceWindowPending = false;
    }
    SetStatusTimerEnabled(true);
    StatusPollRunning = false;
}

void TMainForm::UpdateStatus()
{
    if (!ComPort->Open()) {
        // Never over another dialog (a file dialog, a message box): a key typed there
        // would answer it. The poll goes on and asks once that dialog is closed.
        if (QApplication::activeModalWidget())
            return;
        const auto answer = Dialogs().Warning(QStringLiteral("Port no longer available, restart?"),
                                              {OperatorDialogs::Yes, OperatorDialogs::No});
        if (answer == OperatorDialogs::Yes)
            RestartApp();
        else
            ExitApp();
        return;
    }

    const qint32 running = Comm->QueryPortInt(RunStateQuery().toLatin1());
    if (FTerminating)
        return;
    if (running == 0)
        Session->SetRunState(false);
    else if (!Session->Running())
        Session->SetRunState(true);

    if (SystemPageControl->ActivePageIndex() == AdditionalPageIndex) {
        const quint32 count = Comm->QueryPortInt64(ShotCountQuery().toLatin1());
        if (FTerminating)
            return;
        Session->SetShotCount(count);
    }
}

void TMainForm::RunStopbtnClick()
{
    if (Session->Running())
        SystemStop();
    else
        SystemStart();
}

void TMainForm::SystemStart()
{
    Session->SetRunState(true);
    QueuedCommandToPort(RunCommand(true));
}

void TMainForm::SystemStop()
{
    Session->SetRunState(false);
    QueuedCommandToPort(RunCommand(false));
}

void TMainForm::ShowRunState(bool running)
{
    PulseAnimate->setVisible(running);
    if (running) {
        PulseMovie->start();
        RunStopbtn->setText(QStringLiteral("Stop"));
    } else {
        PulseMovie->stop();
        RunStopbtn->setText(QStringLiteral("Run"));
    }
}
