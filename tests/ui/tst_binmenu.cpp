#include "ui/main/TBinMenu.h"
#include "ui/main/TMainForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using Columns = QList<QList<int>>;

namespace {
// The bin numbers of a column, taken from the digits of the item names.
QList<int> Bins(const QList<QAction *> &items)
{
    QList<int> bins;
    for (const QAction *item : items)
        bins.append(item->objectName().remove(QRegularExpression("\\D")).toInt());
    return bins;
}

QList<int> Range(int first, int last)
{
    QList<int> bins;
    for (int bin = first; bin <= last; ++bin)
        bins.append(bin);
    return bins;
}

QRect InMenu(const TBinMenu *menu, const QWidget *w)
{
    return QRect(w->mapTo(menu, QPoint(0, 0)), w->size());
}

// The main window with the bin items of a model generated, one bin menu popped up.
struct BinsFixture
{
    TMainForm Form;
    TBinMenu *Menu;

    BinsFixture(int channels, bool restore)
    {
        Form.Session->ChannelCount = channels;
        Form.UpdateStorageBins();
        Menu = restore ? Form.RestoreFromBin : Form.SaveToBin;
    }
    bool Popup()
    {
        Menu->popup(QPoint(10, 10));
        return QTest::qWaitForWindowExposed(Menu);
    }
    QAction *Item(const QString &name) const { return Form.findChild<QAction *>(name); }
    QAbstractButton *Cell(const QString &name) const { return Menu->ItemButton(Item(name)); }
};
} // namespace

class tst_binmenu : public QObject
{
    Q_OBJECT
private slots:
    void columnsPerModel_data();
    void columnsPerModel();
    void choosingAnItem_data();
    void choosingAnItem();
    void disabledAndHiddenItems();
    void keyboardMovesFocus_data();
    void keyboardMovesFocus();
    void openedFromTheKeyboard();
};

void tst_binmenu::columnsPerModel_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<Columns>("columns"); // bins of the save menu, column by column
    QTest::newRow("6") << 6 << Columns{Range(1, 6)};
    QTest::newRow("12") << 12 << Columns{Range(1, 12)};
    QTest::newRow("24") << 24 << Columns{Range(1, 12), Range(13, 24)};
    QTest::newRow("36") << 36 << Columns{Range(1, 12), Range(13, 24), Range(25, 36)};
}

void tst_binmenu::columnsPerModel()
{
    QFETCH(int, channels);
    QFETCH(Columns, columns);
    for (const bool restore : {false, true}) {
        BinsFixture f(channels, restore);
        const QString prefix = restore ? "BinRestore" : "BinSave";
        Columns expected = columns;
        if (restore)
            expected[0].prepend(0); // "Default 0" heads the first restore column

        QList<QList<QAction *>> actual = f.Menu->Columns();
        QCOMPARE(actual.size(), expected.size());
        QList<QAction *> inOrder;
        for (int c = 0; c < actual.size(); ++c) {
            QCOMPARE(Bins(actual[c]), expected[c]);
            inOrder += actual[c];
        }
        QCOMPARE(f.Menu->Items(), inOrder);
        for (QAction *item : inOrder) {
            const QString bin = item->objectName().mid(prefix.size());
            QCOMPARE(item->objectName(), prefix + bin);
            QCOMPARE(item->text(), bin == "0" ? QString("Default 0") : bin);
            QCOMPARE(item->parent(), &f.Form); // the window owns every item
            QCOMPARE(f.Form.findChild<QAction *>(item->objectName()), item);
        }

        // On screen: side by side, each column top-aligned and filled downwards, a
        // vertical bar between two columns, and every cell inside the menu.
        QVERIFY(f.Popup());
        QList<QFrame *> bars;
        for (QFrame *frame : f.Menu->findChildren<QFrame *>())
            if (frame->frameShape() == QFrame::VLine && frame->isVisible())
                bars.append(frame);
        QCOMPARE(bars.size(), actual.size() - 1);
        std::sort(bars.begin(), bars.end(), [&](QFrame *a, QFrame *b) {
            return InMenu(f.Menu, a).x() < InMenu(f.Menu, b).x();
        });
        const QRect first = InMenu(f.Menu, f.Menu->ItemButton(actual[0][0]));
        for (int c = 0; c < actual.size(); ++c) {
            QRect above;
            for (QAction *item : actual[c]) {
                const QRect cell = InMenu(f.Menu, f.Menu->ItemButton(item));
                QVERIFY2(f.Menu->rect().contains(cell), qPrintable(item->objectName()));
                const QFontMetrics fm = f.Menu->ItemButton(item)->fontMetrics();
                QVERIFY(cell.width() > fm.horizontalAdvance(item->text()));
                if (above.isNull()) {
                    QCOMPARE(cell.top(), first.top());
                } else {
                    QCOMPARE(cell.left(), above.left());
                    QCOMPARE(cell.top(), above.bottom() + 1);
                }
                if (c > 0)
                    QVERIFY(cell.left() > InMenu(f.Menu, bars[c - 1]).right());
                if (c < bars.size())
                    QVERIFY(cell.right() < InMenu(f.Menu, bars[c]).left());
                above = cell;
            }
        }
        f.Menu->close();
    }
}

void tst_binmenu::choosingAnItem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key"); // 0: a mouse click
    QTest::newRow("click in the first column") << "BinRestore0" << 0;
    QTest::newRow("click in the last column") << "BinRestore25" << 0;
    QTest::newRow("Return") << "BinRestore14" << int(Qt::Key_Return);
    QTest::newRow("Enter") << "BinRestore36" << int(Qt::Key_Enter);
    QTest::newRow("Space") << "BinRestore7" << int(Qt::Key_Space);
}

// The chosen item's own action fires, once, after the whole menu chain has closed.
void tst_binmenu::choosingAnItem()
{
    QFETCH(QString, name);
    QFETCH(int, key);
    BinsFixture f(36, true);
    f.Form.Storage1->popup(QPoint(0, 0));
    QVERIFY(QTest::qWaitForWindowExposed(f.Form.Storage1));
    QVERIFY(f.Popup());

    QAction *chosen = f.Item(name);
    QSignalSpy chosenSpy(chosen, &QAction::triggered);
    int othersFired = 0;
    for (QAction *item : f.Menu->Items())
        if (item != chosen)
            connect(item, &QAction::triggered, this, [&] { ++othersFired; });
    bool menusOpenWhenFired = true;
    connect(chosen, &QAction::triggered, this,
            [&] { menusOpenWhenFired = f.Menu->isVisible() || f.Form.Storage1->isVisible(); });

    QAbstractButton *cell = f.Cell(name);
    if (key == 0) {
        QTest::mouseClick(cell, Qt::LeftButton);
    } else {
        cell->setFocus();
        QTest::keyClick(cell, Qt::Key(key));
    }
    QCOMPARE(chosenSpy.size(), 1);
    QCOMPARE(othersFired, 0);
    QVERIFY(!menusOpenWhenFired);
    QVERIFY(!f.Menu->isVisible());
    QVERIFY(!f.Form.Storage1->isVisible());
    QVERIFY(!QApplication::activePopupWidget());
}

void tst_binmenu::disabledAndHiddenItems()
{
    BinsFixture f(24, false);
    QVERIFY(f.Popup());
    QAction *disabled = f.Item("BinSave3");
    QAction *hidden = f.Item("BinSave20");
    disabled->setEnabled(false);
    hidden->setVisible(false);
    QSignalSpy spy(disabled, &QAction::triggered);

    QVERIFY(!f.Cell("BinSave3")->isEnabled());
    QVERIFY(!f.Cell("BinSave20")->isVisible());
    QTest::mouseClick(f.Cell("BinSave3"), Qt::LeftButton);
    QCOMPARE(spy.size(), 0);
    QVERIFY(f.Menu->isVisible());
    // Still in the view and back on screen once shown again.
    QVERIFY(f.Menu->Columns()[1].contains(hidden));
    hidden->setVisible(true);
    QVERIFY(f.Cell("BinSave20")->isVisible());
    QVERIFY(f.Menu->rect().contains(InMenu(f.Menu, f.Cell("BinSave20"))));
}

void tst_binmenu::keyboardMovesFocus_data()
{
    // In the 36-channel restore menu: 0-12 | 13-24 | 25-36, with bin 5 disabled.
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("to");
    QTest::newRow("down") << "BinRestore1" << int(Qt::Key_Down) << "BinRestore2";
    QTest::newRow("down skips a disabled item")
        << "BinRestore4" << int(Qt::Key_Down) << "BinRestore6";
    QTest::newRow("down wraps in its column")
        << "BinRestore12" << int(Qt::Key_Down) << "BinRestore0";
    QTest::newRow("up wraps in its column") << "BinRestore13" << int(Qt::Key_Up) << "BinRestore24";
    QTest::newRow("right keeps the row") << "BinRestore1" << int(Qt::Key_Right) << "BinRestore14";
    QTest::newRow("left keeps the row") << "BinRestore26" << int(Qt::Key_Left) << "BinRestore14";
    QTest::newRow("right from below the next column's end")
        << "BinRestore12" << int(Qt::Key_Right) << "BinRestore24";
    QTest::newRow("tab crosses a column") << "BinRestore12" << int(Qt::Key_Tab) << "BinRestore13";
    QTest::newRow("backtab wraps") << "BinRestore0" << int(Qt::Key_Backtab) << "BinRestore36";
}

void tst_binmenu::keyboardMovesFocus()
{
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, to);
    BinsFixture f(36, true);
    f.Item("BinRestore5")->setEnabled(false);
    QVERIFY(f.Popup());
    f.Cell(from)->setFocus();
    QVERIFY(f.Cell(from)->hasFocus());
    QTest::keyClick(f.Cell(from), Qt::Key(key));
    auto *focused = qobject_cast<QToolButton *>(QApplication::focusWidget());
    QCOMPARE(focused && focused->defaultAction() ? focused->defaultAction()->objectName()
                                                 : QString(),
             to);
    QVERIFY(f.Menu->isVisible());
}

// Right on "Restore From Bin" opens the submenu on its first enabled item; Left goes back.
void tst_binmenu::openedFromTheKeyboard()
{
    BinsFixture f(24, true);
    f.Item("BinRestore0")->setEnabled(false);
    QMenu *storage = f.Form.Storage1;
    storage->popup(QPoint(0, 0));
    QVERIFY(QTest::qWaitForWindowExposed(storage));
    storage->setActiveAction(f.Menu->menuAction());
    QTest::keyClick(storage, Qt::Key_Right);
    QTRY_VERIFY(f.Menu->isVisible());
    QTRY_VERIFY(f.Cell("BinRestore1")->hasFocus());

    QTest::keyClick(f.Cell("BinRestore1"), Qt::Key_Left);
    QTRY_VERIFY(!f.Menu->isVisible());
    QVERIFY(storage->isVisible());
    QCOMPARE(storage->activeAction(), f.Menu->menuAction());
}

QTEST_MAIN(tst_binmenu)
#include "tst_binmenu.moc"
