#pragma once

#include "comm/OperatorDialogs.h"

class QWidget;

// The operator's message boxes and the port pick dialog, as modal widgets.
class MessageBoxDialogs : public OperatorDialogs
{
public:
    explicit MessageBoxDialogs(QWidget *parent = nullptr) : FParent(parent) {}

    Button Warning(const QString &text, const QList<Button> &buttons) override;
    Button Question(const QString &text, const QList<Button> &buttons,
                    const QList<Button> &drastic) override;
    static constexpr int QuestionGuardMs = 500;
    void Information(const QString &text) override;
    int PickPort(const QStringList &entries, int selected, const QStringList &toolTips) override;
    QString PickPortName(const QStringList &entries, int selected, const QStringList &toolTips,
                         const QString &address) override;
    QString ChooseFile(QObject *fileDialog) override;

private:
    Button Ask(const QString &text, const QList<Button> &buttons, const QList<Button> &drastic);

    QWidget *FParent;
};
