// The settings file: the instrument's present settings saved as a command script, and
// such a script replayed to the instrument before the whole configuration is read back.

#include "base/ErrorReport.h"
#include "comm/Communication.h"
#include "comm/OperatorDialogs.h"
#include "comm/TKTComPort.h"
#include "protocol/CommandScript.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>

namespace {
constexpr int RetryMs = 100;
const QString LoadingText = QStringLiteral("Loading. Please wait...");
} // namespace

bool TMainForm::FileOperationMustWait(void (TMainForm::*operation)())
{
    // A menu item can be chosen inside a reply wait or inside an initialization's event
    // processing: it starts again once that is over.
    const bool busy = Session->PortBusy();
    if (busy && !Terminating())
        QTimer::singleShot(RetryMs, this, operation);
    return busy;
}

void TMainForm::SaveToFile1Click()
{
    if (FileOperationMustWait(&TMainForm::SaveToFile1Click))
        return;
    // The file describes the instrument as it is now, all of it or not at all: a
    // read-back that did not complete ends the save before the dialog.
    if (!Session->Initialize(false)) {
        if (!Terminating())
            ReportError(Session->ReadbackFailure + QStringLiteral(" The settings were not saved."));
        return;
    }
    if (Terminating())
        return;

    QFileDialog dialog(this, QStringLiteral("Save system parameters"), QDir::currentPath(),
                       QStringLiteral("Text file (*.txt)"));
    dialog.setObjectName(QStringLiteral("SaveSettingsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString fileName = Dialogs().ChooseFile(&dialog);
    if (fileName.isEmpty()) {
        Dialogs().Information(QStringLiteral("Save to file was cancelled"));
        return;
    }
    const QString error = Session->WriteSettings(fileName);
    if (!error.isEmpty())
        ReportError(error);
}

void TMainForm::RestoreSettingsFromFile1Click()
{
    if (FileOperationMustWait(&TMainForm::RestoreSettingsFromFile1Click))
        return;
    OpenFile->setDefaultSuffix(QStringLiteral("txt"));
    const QString fileName = Dialogs().ChooseFile(OpenFile);
    if (fileName.isEmpty() || Terminating())
        return;
    const CommandScript::ReadResult file = CommandScript::Read(fileName);
    if (!file.Ok()) {
        ReportError(file.Error);
        return;
    }

    const auto showLoading = [this] {
        // A Refresh or recall during the replay closes the progress window with its own
        // initialization: the replay shows it again.
        if (MessageForm &&
            (!MessageForm->isVisible() || MessageForm->MessageLabel->text() != LoadingText)) {
            MessageForm->MessageLabel->setText(LoadingText);
            MessageForm->show();
        }
    };
    // A long file (hours at 30 ms a line) shows how far it is and can be cancelled: the
    // lines sent stay sent and the read-back still follows.
    QMetaObject::Connection cancel;
    QMetaObject::Connection progress;
    QMetaObject::Connection replayEnded;
    if (CommandScript::CommandCount(file.Lines) > 0) {
        if (MessageForm) {
            MessageForm->OfferCancel(true);
            cancel = connect(MessageForm, &TMessageForm::Cancelled, Session,
                             &InstrumentSession::CancelLoad);
            replayEnded = connect(Session, &InstrumentSession::LoadReplayEnded, MessageForm,
                                  [form = MessageForm] { form->OfferCancel(false); });
        }
        showLoading();
        progress = connect(Session, &InstrumentSession::LoadProgress, this,
                           [this, showLoading](int done, int count) {
                               showLoading();
                               if (MessageForm)
                                   MessageForm->ShowProgress(
                                       QStringLiteral("line %1 of %2").arg(done).arg(count));
                           });
    }
    const TLoadResult result = Session->LoadSettings(file.Lines, fileName);
    disconnect(progress);
    disconnect(cancel);
    disconnect(replayEnded);
    if (Terminating())
        return;
    if (MessageForm)
        MessageForm->close();
    if (result.Message.isEmpty())
        return;
    if (result.Failed)
        ReportError(result.Message);
    else
        Dialogs().Information(result.Message);
}
