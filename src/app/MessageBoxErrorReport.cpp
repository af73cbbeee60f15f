#include "app/MessageBoxErrorReport.h"

#include <QApplication>
#include <QMessageBox>

void ShowErrorMessageBox(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
