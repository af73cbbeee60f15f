// Shows the main window without an instrument, for looking at its layout:
//   kt7310_mainform_viewer [channels] [--mrd] [--running] [--page N] [--tab N] [--grab file.png]
// With --grab the window is saved to the file and the program ends.

#include "ui/main/TCheckListBox.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TPageControl.h"

#include <QApplication>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TMainForm form;
    QString grab;
    int page = 0;
    int tab = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--mrd") {
            form.MRDBanner->show();
        } else if (args[i] == "--running") {
            form.PulseAnimate->show();
            form.PulseMovie->start();
            form.RunStopbtn->setText("Stop");
        } else if (args[i] == "--page" && i + 1 < args.size()) {
            page = args[++i].toInt();
        } else if (args[i] == "--tab" && i + 1 < args.size()) {
            tab = args[++i].toInt() - 1;
        } else if (args[i] == "--grab" && i + 1 < args.size()) {
            grab = args[++i];
        } else if (args[i].toInt() > 0) {
            form.Session->ChannelCount = args[i].toInt();
        }
    }
    if (!form.MRDBanner->isVisible())
        form.KTBlueBanner->show();
    if (form.Session->ChannelCount < 12)
        delete form.ChMuxSelect[1]->takeItem(4);
    form.CreateChannelTabs();
    form.SystemPageControl->SetActivePageIndex(page);
    form.ChPageControl->SetActivePageIndex(tab);
    form.show();
    if (!grab.isEmpty()) {
        QTimer::singleShot(800, &form, [&] {
            form.grab().save(grab);
            app.quit();
        });
    }
    return app.exec();
}
