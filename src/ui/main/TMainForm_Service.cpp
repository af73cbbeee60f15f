// The way to the service window: the service code, the "Service Window" item, and the
// status tick's opening of the window once the code was accepted.

#include "base/ErrorReport.h"
#include "comm/OperatorDialogs.h"
#include "ui/main/TMainForm.h"
#include "ui/service/TServiceForm.h"

#include <QAction>
#include <QInputDialog>

namespace {
const QByteArray ServiceCode = QByteArrayLiteral("48213");
} // namespace

void TMainForm::CreateServiceParts()
{
    connect(ServiceMenu, &QAction::triggered, this, &TMainForm::ServiceMenuClick);
    connect(ServiceWindowMenu, &QAction::triggered, this, &TMainForm::ServiceWindowMenuClick);
}

void TMainForm::ServiceMenuClick()
{
    QInputDialog box(this);
    box.setObjectName(QStringLiteral("UnsecureForm"));
    box.setWindowTitle(QStringLiteral("Unsecure Form"));
    box.setLabelText(QStringLiteral("Enter Code:"));
    box.setTextValue(QString());
    const QString code = box.exec() == QDialog::Accepted ? box.textValue() : QString();

    // The next poll unlocks the instrument and opens the window once it is unsecured.
    // Without an instrument there is nothing to unlock, and no poll.
    if (code.toLatin1() == ServiceCode) {
        if (Session->DemoMode)
            Dialogs().Information(QStringLiteral("System Unsecured"));
        ServiceWindowPending = true;
        return;
    }
    Dialogs().Information(QStringLiteral("Incorrect Code"));
    Session->SystemUnsecured = false;
    ServiceWindowMenu->setVisible(false);
    if (ServiceForm)
        ServiceForm->close();
}

void TMainForm::ServiceWindowMenuClick()
{
    if (!ServiceForm)
        return;
    ServiceForm->ServiceInitialize();
    if (!Terminating())
        ServiceForm->show();
}

void TMainForm::ShowServiceWindow()
{
    // The instrument decides: "System Unsecured" and the window only once it reports
    // itself unsecured after the unlock line.
    if (!Session->Unlock()) {
        if (!Terminating())
            ReportError(Session->UnlockFailure);
        return;
    }
    Dialogs().Information(QStringLiteral("System Unsecured"));
    if (Terminating())
        return;
    ServiceWindowMenu->setVisible(true);
    // Reached inside the poll: the window shows its previous values at once, and its
    // readback follows once the poll is over.
    if (!ServiceForm)
        return;
    ServiceForm->ServiceInitialize();
    ServiceForm->show();
}
