#include "comm/MessageBoxDialogs.h"

#include "base/ReadableText.h"
#include "comm/TformPickPort.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

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

OperatorDialogs::Button MessageBoxDialogs::Warning(const QString &text,
                                                   const QList<Button> &buttons)
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
    if (!buttons.isEmpty()) {
        box->setDefaultButton(Standard(buttons.first()));
        box->setEscapeButton(box->button(Standard(safe)));
    }
    const int pressed = box->exec();
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
