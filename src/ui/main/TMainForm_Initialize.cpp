// The window during the session's initialization: the progress window, the identity in the
// caption and System Information, the channel tabs generated once the model is known, and
// the controls handed back to the operator at the end.

#include "base/ErrorReport.h"
#include "protocol/ModelTable.h"
#include "protocol/SettingTable.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"
#include "ui/main/TPageControl.h"

#include <QLabel>

void TMainForm::CreateReadbackParts()
{
    connect(Session, &InstrumentSession::InitializeStarted, this, &TMainForm::InitializeStarted);
    connect(Session, &InstrumentSession::IdentityKnown, this, &TMainForm::IdentityKnown);
    connect(Session, &InstrumentSession::InitializeProgress, this, [this](const QString &text) {
        if (MessageForm)
            MessageForm->MessageLabel->setText(text);
    });
    connect(Session, &InstrumentSession::TimingLimitsChanged, this, &TMainForm::SetResolutionRanges);
    connect(Session, &InstrumentSession::SystemFieldRead, this, &TMainForm::ShowSystemField);
    connect(Session, &InstrumentSession::InputFieldRead, this, &TMainForm::ShowInputField);
    connect(Session, &InstrumentSession::ChannelFieldRead, this, &TMainForm::ShowChannelField);
    connect(Session, &InstrumentSession::ChannelRecordRead, this, &TMainForm::ChModesEnable);
    connect(Session, &InstrumentSession::QueryRead, this, &TMainForm::ShowQueryValue);
    connect(Session, &InstrumentSession::ReadbackStateChanged, this, &TMainForm::ShowReadbackState);
    connect(Session, &InstrumentSession::InitializeEnded, this, &TMainForm::InitializeEnded);
    connect(Session, &InstrumentSession::Failure, this,
            [](const QString &message) { ReportError(message); });
}

void TMainForm::InitializeStarted(bool showProgress)
{
    ShotCountlbl->setText(QStringLiteral("Count: ----"));
    if (Session->DemoMode) {
        setWindowTitle(Session->Caption);
        SerialNumberlbl->setText(QStringLiteral("Serial Number: 1234"));
        FWVersionlbl->setText(QStringLiteral("Firmware Ver: 1.00"));
        FPGAVersionlbl->setText(QStringLiteral("FPGA Ver: 1.25"));
        return;
    }
    if (showProgress && MessageForm) {
        MessageForm->MessageLabel->setText(QStringLiteral("Initializing System"));
        MessageForm->show();
    }
}

void TMainForm::IdentityKnown(const TIdentityTexts &texts)
{
    if (Session->Identity.Company == QLatin1String("KT")) {
        KTBlueBanner->show();
        MRDBanner->hide();
    } else if (Session->Identity.Company == QLatin1String("MRD")) {
        KTBlueBanner->hide();
        MRDBanner->show();
    }
    setWindowTitle(texts.Caption);
    SerialNumberlbl->setText(texts.SerialNumber);
    FWVersionlbl->setText(texts.Firmware);
    FPGAVersionlbl->setText(texts.FPGA);

    // The items a model lacks (the 6-channel models' multiplexer item "4") go from the
    // template before the other tabs are generated from it, once.
    const int muxItems = MuxItemCount(Session->ChannelCount);
    if (ChMuxSelect[1]->count() > muxItems)
        ChMuxSelect[1]->SetItems(ChMuxSelect[1]->Items().mid(0, muxItems));
    if (!ChannelTabsCreated)
        CreateChannelTabs();
    if (!StorageBinsCreated)
        UpdateStorageBins();
}

void TMainForm::InitializeEnded(bool showProgress)
{
    PeriodAdj->SetEnabled(true);
    ChPageControl->SetActivePageIndex(0);
    SystemPageControl->SetActivePageIndex(0);
    SystemModesEnable();
    TriggerModesEnable();
    GateModesEnable();
    if (showProgress && MessageForm)
        MessageForm->close();
    SystemPageControl->setVisible(true);
    ChPageControl->setVisible(true);
}

void TMainForm::ShowReadbackState()
{
    setWindowTitle(Session->CaptionWithReadbackState());
    ReadbackIncompletelbl->setToolTip(Session->ReadbackFailure);
    ReadbackIncompletelbl->setVisible(!Session->ReadbackFailure.isEmpty());
}
