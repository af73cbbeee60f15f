#include "ui/main/TMessageForm.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QTest>

class tst_messageform : public QObject
{
    Q_OBJECT
private slots:
    void showsCentredAndNotModal();
};

void tst_messageform::showsCentredAndNotModal()
{
    QMainWindow main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    TMessageForm form;
    QCOMPARE(form.windowTitle(), QString("Initializing"));
    QCOMPARE(form.MessageLabel->objectName(), QString("MessageLabel"));
    QCOMPARE(form.MessageLabel->text(), QString("Loading. Please wait..."));
    QCOMPARE(form.MessageLabel->font().pixelSize(), 29);
    QCOMPARE(form.MessageLabel->alignment(), Qt::AlignCenter);

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // The label fits the longest line the initialization shows.
    const QFontMetrics fm(form.MessageLabel->font());
    for (const char *text :
         {"Loading. Please wait...", "Initializing System", "Initializing Ch 36"})
        QVERIFY2(fm.horizontalAdvance(text) <= form.MessageLabel->width(), text);
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((form.frameGeometry().center() - screenCentre).manhattanLength() <= 2);
    // Not modal and not taking input: the main window behind it stays usable.
    QVERIFY(!form.isModal());
    QVERIFY(!form.isEnabled());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(main.isEnabled());
}

QTEST_MAIN(tst_messageform)
#include "tst_messageform.moc"
