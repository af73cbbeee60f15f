#include "comm/OperatorDialogs.h"

#include <cstdio>

namespace {

// Answers as an absent operator would: the safe way out of every question.
class SilentDialogs : public OperatorDialogs
{
public:
    Button Warning(const QString &text, const QList<Button> &buttons) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        for (Button b : {Abort, No, Cancel})
            if (buttons.contains(b))
                return b;
        return buttons.isEmpty() ? Ok : buttons.first();
    }
    void Information(const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    int PickPort(const QStringList &, int, const QStringList &) override { return -1; }
    QString ChooseFile(QObject *) override { return QString(); }
};

SilentDialogs &silentDialogs()
{
    static SilentDialogs dialogs;
    return dialogs;
}

OperatorDialogs *&installedDialogs()
{
    static OperatorDialogs *dialogs = nullptr;
    return dialogs;
}

} // namespace

OperatorDialogs &Dialogs()
{
    OperatorDialogs *dialogs = installedDialogs();
    return dialogs ? *dialogs : silentDialogs();
}

OperatorDialogs *SetDialogs(OperatorDialogs *dialogs)
{
    OperatorDialogs *previous = installedDialogs();
    installedDialogs() = dialogs;
    return previous ? previous : &silentDialogs();
}

QString OperatorDialogs::PickPortName(const QStringList &entries, int selected,
                                     const QStringList &toolTips, const QString &)
{
    const int chosen = PickPort(entries, selected, toolTips);
    return chosen >= 0 && chosen < entries.size() ? entries.at(chosen) : QString();
}
