#include "ui/main/TOpenFileDialog.h"

#include <QFileInfo>
#include <QLineEdit>

TOpenFileDialog::TOpenFileDialog(QWidget *parent) : QFileDialog(parent)
{
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
}

void TOpenFileDialog::showEvent(QShowEvent *event)
{
    // The caller sets the suffix before each opening; the dialog itself never adds it.
    if (!defaultSuffix().isEmpty()) {
        FSuffix = defaultSuffix();
        setDefaultSuffix(QString());
    }
    QFileDialog::showEvent(event);
}

void TOpenFileDialog::accept()
{
    auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (!FSuffix.isEmpty() && edit) {
        const QString typed = edit->text();
        if (!typed.isEmpty() && !typed.contains(QLatin1Char('"')) &&
            !QFileInfo(typed).fileName().contains(QLatin1Char('.')) &&
            !QFileInfo(directory(), typed).exists())
            edit->setText(typed + QLatin1Char('.') + FSuffix);
    }
    QFileDialog::accept();
}
