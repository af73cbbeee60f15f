// The program's default error report, fed with a conversion error that carries a reply.

#include "app/MessageBoxErrorReport.h"
#include "base/ErrorReport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class tst_errorbox : public QObject
{
    Q_OBJECT
private slots:
    void replyInTheBoxIsBounded();
};

void tst_errorbox::replyInTheBoxIsBounded()
{
    const ErrorReporter previous = SetErrorReporter(ShowErrorMessageBox);
    QString shown;
    int width = 0;
    bool plain = false;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown = box->text();
        width = box->width();
        plain = box->textFormat() == Qt::PlainText;
        box->button(QMessageBox::Ok)->click();
    });
    const QString reply = QString("9").repeated(8000) + QChar(0x1b) + "<b>";
    ReportError("'" + reply + "' is not a valid integer value");
    SetErrorReporter(previous);

    QCOMPARE(shown, "'" + QString("9").repeated(31) + QChar(0x2026) + QString("9").repeated(8) +
                        "\\x1B<b>' (8009 characters) is not a valid integer value");
    QVERIFY(plain);
    QVERIFY2(width <= 640, qPrintable(QString::number(width)));
}

QTEST_MAIN(tst_errorbox)
#include "tst_errorbox.moc"
