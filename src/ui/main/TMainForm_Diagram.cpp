// The timing diagram: its menu item and the window, which follows the mirrors.

#include "ui/main/TMainForm.h"

#include "ui/diagram/TTimingDiagramForm.h"

#include <QAction>
#include <QMenu>

void TMainForm::CreateDiagramParts()
{
    TimingDiagram1 = Tools1->addAction(QStringLiteral("Timing Diagram"));
    TimingDiagram1->setObjectName(QStringLiteral("TimingDiagram1"));
    connect(TimingDiagram1, &QAction::triggered, this, &TMainForm::TimingDiagram1Click);
}

void TMainForm::TimingDiagram1Click()
{
    ShowTimingDiagram();
}

TTimingDiagramForm *TMainForm::ShowTimingDiagram()
{
    if (!TimingDiagramForm) {
        TimingDiagramForm = new TTimingDiagramForm(this);
        TimingDiagramForm->SetSource(&Session->Mirrors, &Session->ChannelConfigs,
                                     [session = Session] { return session->ChannelCount; });
        connect(this, &TMainForm::ConfigurationChanged, TimingDiagramForm,
                &TTimingDiagramForm::Refresh);
        TimingDiagramForm->PlaceBeside(this); // later openings keep where the operator put it
    } else {
        TimingDiagramForm->Refresh();
    }
    TimingDiagramForm->show();
    TimingDiagramForm->raise();
    TimingDiagramForm->activateWindow();
    return TimingDiagramForm;
}
