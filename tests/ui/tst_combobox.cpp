// The drop-down lists and the mouse wheel: a turn over a list that has not the keyboard
// focus changes nothing (the pointer merely passes it); with the focus it steps the list.

#include "ui/main/TComboBox.h"

#include <QLineEdit>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

class tst_combobox : public QObject
{
    Q_OBJECT
private slots:
    void wheelChangesOnlyFocusedList_data();
    void wheelChangesOnlyFocusedList();
};

// One wheel notch down over the list's centre, delivered as the window system delivers it.
static void WheelDown(QWidget *w)
{
    const QPointF local = QRectF(w->rect()).center();
    QWheelEvent e(local, w->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&e);
    QApplication::sendEvent(w, &e);
}

void tst_combobox::wheelChangesOnlyFocusedList_data()
{
    QTest::addColumn<bool>("editable");
    QTest::newRow("list") << false;
    QTest::newRow("editable list") << true;
}

void tst_combobox::wheelChangesOnlyFocusedList()
{
    QFETCH(bool, editable);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *other = new QLineEdit;
    auto *list = new TComboBox;
    list->setEditable(editable);
    list->addItems({"Normal", "Single Shot", "Burst", "Duty Cycle"});
    list->setCurrentIndex(0);
    int changes = 0;
    list->SetOnChange([&](QObject *) { ++changes; });
    layout->addWidget(other);
    layout->addWidget(list);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    WheelDown(list);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(changes, 0);
    QVERIFY(other->hasFocus()); // the wheel does not take the focus either

    list->setFocus();
    WheelDown(list);
    QCOMPARE(list->currentIndex(), 1);
    QCOMPARE(changes, 1);
}

QTEST_MAIN(tst_combobox)
#include "tst_combobox.moc"
