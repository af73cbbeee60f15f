// The window's side of the session's command queue: the Run/Stop button, and the report
// of commands a drain could not send.

#include "comm/Communication.h"
#include "comm/OperatorDialogs.h"
#include "ui/main/TMainForm.h"

#include <QPushButton>

void TMainForm::CreateQueueParts()
{
    connect(RunStopbtn, &QPushButton::clicked, this, &TMainForm::RunStopbtnClick);
    connect(Session, &InstrumentSession::CommandsNotSent, this,
            [](int count) { Dialogs().Information(Communication::NotSentText(count)); });
    connect(Session, &InstrumentSession::QueueFinished, this, &TMainForm::EndProgram);
    connect(Session, &InstrumentSession::Notice, this,
            [](const QString &text) { Dialogs().Information(text); });
}

void TMainForm::RunStopbtnClick()
{
    if (Session->Running())
        Session->SystemStop();
    else
        Session->SystemStart();
}
