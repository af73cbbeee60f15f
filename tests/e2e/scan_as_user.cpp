// The panel's start-up on its own, with the operator's dialogs scripted ("No" to the
// question): prints what the operator was told, in order. The permission test runs it as
// another user, so that the scan meets devices that user may not open.
//
// Output: for each dialog a line "INFORMATION" or "WARNING", its text, and a line "END".

#include "ScriptedDialogs.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList told;

    class Recorder : public ScriptedDialogs
    {
    public:
        explicit Recorder(QStringList &told) : Told(told) {}
        Button Warning(const QString &text, const QList<Button> &buttons) override
        {
            Told << QStringLiteral("WARNING\n") + text + QStringLiteral("\nEND\n");
            return ScriptedDialogs::Warning(text, buttons);
        }
        void Information(const QString &text) override
        {
            Told << QStringLiteral("INFORMATION\n") + text + QStringLiteral("\nEND\n");
        }
        QStringList &Told;
    } dialogs(told);
    dialogs.answers = {OperatorDialogs::No};

    {
        TMainForm form;
        TMessageForm messageForm;
        form.MessageForm = &messageForm;
        form.LeftShiftHeld = [] { return false; };
        form.FormCreate();
    }
    for (const QString &text : told)
        std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}
