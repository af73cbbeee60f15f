#pragma once

// Operator dialogs for tests: every question is recorded, and answered from a script
// (then by the first button offered).

#include "comm/OperatorDialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

class ScriptedDialogs : public OperatorDialogs
{
public:
    ScriptedDialogs() { previous = SetDialogs(this); }
    ~ScriptedDialogs() override { SetDialogs(previous); }

    struct Question
    {
        QString text;
        QList<Button> buttons;
    };
    QList<Question> warnings;
    QStringList informations;
    QList<Button> answers;           // next answers to warnings, in order
    std::function<void()> onWarning; // runs inside the warning, before it is answered

    QStringList pickEntries;
    QStringList pickToolTips;
    int pickSelected = -2;
    int pickAnswer = -1;

    QStringList fileAnswers; // next files chosen, in order; "" or none left: Cancel
    std::function<void(QObject *dialog)> onChooseFile; // looks at the dialog first
    int fileDialogs = 0;

    Button Warning(const QString &text, const QList<Button> &buttons) override
    {
        warnings.append({text, buttons});
        if (onWarning)
            onWarning();
        return answers.isEmpty() ? buttons.value(0, Ok) : answers.takeFirst();
    }
    void Information(const QString &text) override { informations.append(text); }
    int PickPort(const QStringList &entries, int selected, const QStringList &toolTips) override
    {
        pickEntries = entries;
        pickSelected = selected;
        pickToolTips = toolTips;
        return pickAnswer;
    }
    QString ChooseFile(QObject *dialog) override
    {
        ++fileDialogs;
        if (onChooseFile)
            onChooseFile(dialog);
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }

private:
    OperatorDialogs *previous = nullptr;
};
