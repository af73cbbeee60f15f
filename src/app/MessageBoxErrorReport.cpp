#include "app/MessageBoxErrorReport.h"

#include "base/ReadableText.h"

#include <QApplication>
#include <QMessageBox>

void ShowErrorMessageBox(const QString &text)
{
    // The text may carry a reply of any length and content; the box shows it bounded.
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), ReadableText(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
