// The command terminal: raw command lines typed by the operator, sent through the queue,
// with the history of this run in the drop-down list of SendEdit.

#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr char16_t EnterChar = 13;
constexpr char16_t CtrlBackspaceChar = 127;

// Turns the key presses of SendEdit into the characters the terminal handles, and keeps
// from the field what the handler swallowed. Watches the combo box itself: it is its edit
// field's focus proxy, so a real key press reaches the box, which hands it to the field
// directly, past any filter on the field.
class TSendEditKeys : public QObject
{
public:
    TSendEditKeys(TMainForm *form, QObject *parent) : QObject(parent), FForm(form) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        QChar c;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            c = QChar(EnterChar);
        else if ((key->key() == Qt::Key_Backspace && key->modifiers() & Qt::ControlModifier) ||
                 key->text() == QChar(CtrlBackspaceChar))
            c = QChar(CtrlBackspaceChar);
        else
            return false; // typed normally
        FForm->SendEditKeyPress(FForm->SendEdit, c);
        // Ctrl+Backspace is the terminal's: the field does not delete a word with it.
        Q_UNUSED(watched);
        return true;
    }

private:
    TMainForm *FForm;
};

// The history entry picked from the list and not edited since, or -1.
int SelectedHistoryEntry(const TComboBox *edit)
{
    const int index = edit->currentIndex();
    return index >= 0 && edit->currentText() == edit->itemText(index) ? index : -1;
}

// The list changed under the field: the field keeps the operator's text and no entry is
// picked (a combo box would otherwise show the entry that took the index).
void KeepText(TComboBox *edit, const QString &text)
{
    edit->setCurrentIndex(-1);
    edit->setEditText(text);
}
} // namespace

void TMainForm::CreateTerminalParts()
{
    // The command goes out as typed: no completion from the history.
    SendEdit->setCompleter(nullptr);
    SendEdit->installEventFilter(new TSendEditKeys(this, SendEdit));
    connect(SendBtn, &QPushButton::clicked, this, &TMainForm::SendBtnClick);
}

void TMainForm::SendBtnClick()
{
    const QString text = SendEdit->currentText();
    Session->QueuedCommandToPort(text);
    SendEdit->addItem(text);
    KeepText(SendEdit, text);
}

void TMainForm::SendEditKeyPress(QObject *Sender, QChar &Key)
{
    Q_UNUSED(Sender);
    if (Key == QChar(EnterChar)) {
        Key = QChar(0);
        SendBtnClick();
    } else if (Key == QChar(CtrlBackspaceChar)) {
        const int entry = SelectedHistoryEntry(SendEdit);
        if (entry >= 0) {
            const QString text = SendEdit->currentText();
            SendEdit->removeItem(entry);
            KeepText(SendEdit, text);
        }
    }
}
