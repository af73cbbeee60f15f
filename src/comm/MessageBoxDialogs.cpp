#include "comm/MessageBoxDialogs.h"

#include "base/ReadableText.h"
#include "comm/TformPickPort.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QSet>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include <memory>

namespace {
QMessageBox::StandardButton Standard(OperatorDialogs::Button b)
{
    switch (b) {
    case OperatorDialogs::Ok:
        return QMessageBox::Ok;
    case OperatorDialogs::Abort:
        return QMessageBox::Abort;
    case OperatorDialogs::Retry:
        return QMessageBox::Retry;
    case OperatorDialogs::Yes:
        return QMessageBox::Yes;
    case OperatorDialogs::No:
        return QMessageBox::No;
    case OperatorDialogs::Ignore:
        return QMessageBox::Ignore;
    case OperatorDialogs::Cancel:
        return QMessageBox::Cancel;
    }
    return QMessageBox::NoButton;
}

QString Caption()
{
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QApplication::applicationName() : name;
}
} // namespace

namespace {
// Keeps keys meant for something else from answering a question (see
// OperatorDialogs::Question) while it is installed on the application.
class QuestionGuard : public QObject
{
public:
    QuestionGuard(QMessageBox *box, QList<QAbstractButton *> drastic)
        : FBox(box), FDrastic(std::move(drastic))
    {
        FShown.start();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !FBox || (widget != FBox && !FBox->isAncestorOf(widget)))
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride: {
            if (FShown.elapsed() < MessageBoxDialogs::QuestionGuardMs)
                return true;
            if (event->type() != QEvent::KeyPress)
                return false;
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)
                return false;
            // Return goes to the focused button, else to the default one.
            auto *focused = qobject_cast<QAbstractButton *>(QApplication::focusWidget());
            if (!focused || !FBox->isAncestorOf(focused))
                focused = FBox->defaultButton();
            return !focused || (FDrastic.contains(focused) && !FChosen.contains(focused));
        }
        case QEvent::FocusIn: {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            auto *button = qobject_cast<QAbstractButton *>(widget);
            if (button && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                           reason == Qt::MouseFocusReason))
                FChosen.insert(button);
            return false;
        }
        default:
            return false;
        }
    }

private:
    QPointer<QMessageBox> FBox;
    QList<QAbstractButton *> FDrastic;
    QSet<QAbstractButton *> FChosen; // given the focus by the operator
    QElapsedTimer FShown;
};
} // namespace

OperatorDialogs::Button MessageBoxDialogs::Warning(const QString &text,
                                                   const QList<Button> &buttons)
{
    return Ask(text, buttons, {});
}

OperatorDialogs::Button MessageBoxDialogs::Question(const QString &text,
                                                    const QList<Button> &buttons,
                                                    const QList<Button> &drastic)
{
    return Ask(text, buttons, drastic);
}

OperatorDialogs::Button MessageBoxDialogs::Ask(const QString &text, const QList<Button> &buttons,
                                               const QList<Button> &drastic)
{
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Warning, Caption(), ReadableText(text),
                                                QMessageBox::NoButton, FParent);
    // Escape, the title bar's close and the program ending all give the answer that
    // changes least: Abort gives up one attempt, Ignore keeps the program running (a
    // stray Escape on "Communications lost. Restart?" must not end the session), and
    // only then No.
    box->setTextFormat(Qt::PlainText); // a reply is never taken for markup
    Button safe = buttons.isEmpty() ? Ok : buttons.last();
    for (Button b : {Abort, Ignore, Cancel, No}) {
        if (buttons.contains(b)) {
            safe = b;
            break;
        }
    }
    for (Button b : buttons)
        box->addButton(Standard(b));
    QList<QAbstractButton *> drasticButtons;
    for (Button b : drastic)
        if (QAbstractButton *button = box->button(Standard(b)))
            drasticButtons << button;
    if (!buttons.isEmpty()) {
        // The default is the first button that is not drastic; none when all are.
        for (Button b : buttons) {
            if (!drastic.contains(b)) {
                box->setDefaultButton(Standard(b));
                break;
            }
        }
        box->setEscapeButton(box->button(Standard(safe)));
    }
    std::unique_ptr<QuestionGuard> guard;
    if (!drastic.isEmpty()) {
        // The focus starts on the answer that changes least, where there is one.
        if (box->defaultButton())
            box->defaultButton()->setFocus();
        guard = std::make_unique<QuestionGuard>(box, drasticButtons);
        qApp->installEventFilter(guard.get());
    }
    const int pressed = box->exec();
    guard.reset();
    if (box)
        box->deleteLater();
    for (Button b : buttons)
        if (pressed == Standard(b))
            return b;
    return safe;
}

void MessageBoxDialogs::Information(const QString &text)
{
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Information, Caption(),
                                                ReadableText(text), QMessageBox::Ok, FParent);
    box->setTextFormat(Qt::PlainText);
    box->exec();
    if (box)
        box->deleteLater();
}

int MessageBoxDialogs::PickPort(const QStringList &entries, int selected,
                                const QStringList &toolTips)
{
    const QString chosen = PickPortName(entries, selected, toolTips, QString());
    return chosen.isEmpty() ? -1 : int(entries.indexOf(chosen));
}

QString MessageBoxDialogs::PickPortName(const QStringList &entries, int selected,
                                        const QStringList &toolTips, const QString &address)
{
    QPointer<TformPickPort> dialog = new TformPickPort(FParent);
    for (int i = 0; i < entries.size(); ++i) {
        dialog->listPorts->addItem(entries.at(i));
        if (i < toolTips.size())
            dialog->listPorts->setItemData(i, toolTips.at(i), Qt::ToolTipRole);
    }
    dialog->listPorts->setCurrentIndex(selected >= 0 && selected < entries.size() ? selected : -1);
    dialog->editAddress->setText(address);
    if (QScreen *screen = dialog->screen()) {
        dialog->adjustSize();
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
    }
    dialog->OKBtn->setFocus();
    const int result = dialog->exec();
    if (!dialog)
        return QString();
    QString chosen;
    if (result == QDialog::Accepted)
        chosen = dialog->ChosenName();
    dialog->deleteLater();
    return chosen;
}

QString MessageBoxDialogs::ChooseFile(QObject *fileDialog)
{
    QPointer<QFileDialog> dialog = qobject_cast<QFileDialog *>(fileDialog);
    if (!dialog || dialog->exec() != QDialog::Accepted || !dialog ||
        dialog->selectedFiles().isEmpty())
        return QString();
    return dialog->selectedFiles().constFirst();
}
