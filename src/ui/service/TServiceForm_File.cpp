// The calibration file: saving the lines of a fresh readback, and replaying a file's
// command lines to the instrument before reading everything back.

#include "base/ErrorReport.h"
#include "comm/Communication.h"
#include "comm/OperatorDialogs.h"
#include "comm/TKTComPort.h"
#include "protocol/CommandScript.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"
#include "ui/service/TServiceForm.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>

void TServiceForm::SaveCalsBtnClick()
{
    // Clicked inside a poll or a drain's reply wait, the read-back would only be
    // scheduled and the file would get the previous one's values: wait for the port.
    if (PortBusy()) {
        if (!Abandoned())
            QTimer::singleShot(100, this, &TServiceForm::SaveCalsBtnClick);
        return;
    }
    // The file describes the instrument as it is now, all of it or not at all.
    ServiceInitialize(false);
    if (Abandoned())
        return;
    if (!Session.CalibrationFailure.isEmpty()) {
        ReportError(Session.CalibrationFailure + QStringLiteral(" The calibration was not saved."));
        return;
    }

    QFileDialog dialog(this, QStringLiteral("Save calibration parameters"), QDir::currentPath(),
                       QStringLiteral("Text file (*.txt)"));
    dialog.setObjectName(QStringLiteral("SaveCalsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString fileName = Dialogs().ChooseFile(&dialog);
    if (fileName.isEmpty()) {
        Dialogs().Information(QStringLiteral("Save to file was cancelled"));
        return;
    }
    const QString error = CommandScript::Write(fileName, Session.CalibrationList);
    if (!error.isEmpty())
        ReportError(error);
}

void TServiceForm::LoadCalsBtnClick()
{
    LoadCalibrations();
}

void TServiceForm::LoadCalibrations()
{
    // One load at a time: a second one would replay into the first.
    if (FLoadRunning)
        return;
    Session.CalibrationLoadPending = true;
    if (Session.StatusPollRunning || Session.ComPort->InUse()) {
        CalTimer->start();
        return;
    }
    CalTimer->stop();
    FLoadRunning = true;

    Main.OpenFile->setDefaultSuffix(QStringLiteral("txt"));
    const QString fileName = Dialogs().ChooseFile(Main.OpenFile);
    if (fileName.isEmpty() || Abandoned()) {
        FLoadRunning = false;
        Session.CalibrationLoadPending = false;
        return;
    }
    const CommandScript::ReadResult file = CommandScript::Read(fileName);
    if (!file.Ok()) {
        FLoadRunning = false;
        Session.CalibrationLoadPending = false;
        HideProgress();
        ReportError(file.Error);
        return;
    }

    if (!file.Lines.isEmpty()) {
        if (Main.MessageForm) {
            Main.MessageForm->MessageLabel->setText(QStringLiteral("Loading. Please wait..."));
            Main.MessageForm->show();
        }
    } else {
        Dialogs().Information(QStringLiteral("Empty file."));
    }
    // The read-back that follows fills the pages, which must exist; reading back does
    // not store: the reminder stays until *STR went out.
    if (!CalTabsCreated)
        CreateChannelPages();
    StoreCalReminderLbl->setVisible(FStorePending);
    const TLoadResult result = Session.LoadCalibrations(file.Lines, CalChannels);
    FLoadRunning = false;
    HideProgress();
    if (Session.CalibrationRetrievePending && !Abandoned())
        CalTimer->start(); // the read-back found the port busy: it follows later
    if (Abandoned() || result.Message.isEmpty())
        return;
    if (result.Failed)
        ReportError(result.Message);
    else
        Dialogs().Information(result.Message);
}
