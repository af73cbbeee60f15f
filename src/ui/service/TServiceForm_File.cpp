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
    if (!CalibrationFailure.isEmpty()) {
        ReportError(CalibrationFailure + QStringLiteral(" The calibration was not saved."));
        return;
    }

    QFileDialog dialog(this, QStringLiteral("Save calibration parameters"), QDir::currentPath(),
                       QStringLiteral("Text file (*.txt)"));
    dialog.setObjectName(QStringLiteral("SaveCalsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        Dialogs().Information(QStringLiteral("Save to file was cancelled"));
        return;
    }
    const QString error =
        CommandScript::Write(dialog.selectedFiles().constFirst(), Session.CalibrationList);
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
    if (Main.OpenFile->exec() != QDialog::Accepted || Main.OpenFile->selectedFiles().isEmpty()) {
        FLoadRunning = false;
        Session.CalibrationLoadPending = false;
        return;
    }
    const CommandScript::ReadResult file =
        CommandScript::Read(Main.OpenFile->selectedFiles().constFirst());
    if (!file.Ok()) {
        FLoadRunning = false;
        Session.CalibrationLoadPending = false;
        HideProgress();
        ReportError(file.Error);
        return;
    }

    Session.CalibrationList = file.Lines;
    int sent = 0;
    if (!file.Lines.isEmpty()) {
        if (Main.MessageForm) {
            Main.MessageForm->MessageLabel->setText(QStringLiteral("Loading. Please wait..."));
            Main.MessageForm->show();
        }
        // The replay sends its own copy: a readback started from the window meanwhile
        // may rebuild CalibrationList.
        sent = FReplay.Run(file.Lines);
    } else {
        Dialogs().Information(QStringLiteral("Empty file."));
    }
    FLoadRunning = false;
    if (Abandoned())
        return;

    Session.CalibrationLoadPending = false;
    if (Session.Comm->LinkGone()) {
        // The replay has told how many lines did not go out; there is nothing to read.
        CalibrationFailure = QStringLiteral("the instrument no longer answers");
        HideProgress();
        return;
    }
    ServiceInitialize(false);
    HideProgress();
    if (Abandoned())
        return;
    if (!CalibrationFailure.isEmpty())
        ReportError(CommandScriptReplay::SentText(sent, file.Lines) + QLatin1Char(' ') +
                    CalibrationFailure);
    else
        Dialogs().Information(QStringLiteral("Settings loaded."));
}
