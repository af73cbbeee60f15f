// The window's side of the session's status poll: the run state shown, the shot count read
// while its page is shown, the service window opened at the end of a poll, and the question
// when the port is gone.

#include "comm/OperatorDialogs.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TPageControl.h"

#include <QApplication>
#include <QLabel>
#include <QMovie>
#include <QPushButton>

namespace {
constexpr int AdditionalPageIndex = 2; // "Additional Options", with the shot counter
}

void TMainForm::PortLost(const TLinkFault &)
{
    // Never over another dialog (a file dialog, a message box): a key typed there would
    // answer it. The poll goes on and asks once that dialog is closed.
    if (QApplication::activeModalWidget())
        return;
    const auto answer = Dialogs().Question(QStringLiteral("Port no longer available, restart?"),
                                           {OperatorDialogs::Yes, OperatorDialogs::No},
                                           {OperatorDialogs::Yes, OperatorDialogs::No});
    if (answer == OperatorDialogs::Yes)
        RestartApp();
    else
        ExitApp();
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

void TMainForm::CreateStatusParts()
{
    Session->ShotCountShown = [this] {
        return SystemPageControl->ActivePageIndex() == AdditionalPageIndex;
    };
    connect(Session, &InstrumentSession::PortLost, this, &TMainForm::PortLost);
    connect(Session, &InstrumentSession::PollEnded, this, [this] {
        if (ServiceWindowPending) {
            ShowServiceWindow();
            ServiceWindowPending = false;
        }
    });
}
