#include "ui/main/TMainForm.h"

#include <QAction>

void TMainForm::ShowServiceWindow()
{
    ServiceWindowMenu->setVisible(true);
    // The service window itself joins here once it exists.
}
