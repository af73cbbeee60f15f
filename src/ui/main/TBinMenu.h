#pragma once

// A submenu that shows its items in columns, with a vertical bar between two
// columns. QMenu itself draws one column only, so the items live in a grid widget
// held by a single QWidgetAction; each cell is a button that follows its QAction
// (caption, enabled, visible) and triggers that very action when chosen. The
// actions stay owned by whoever created them; the menu's own actions() list holds
// only the grid's QWidgetAction.

#include <QList>
#include <QMenu>
#include <QToolButton>

class QHBoxLayout;
class QVBoxLayout;
class QWidgetAction;

class TBinMenu : public QMenu
{
    Q_OBJECT
public:
    explicit TBinMenu(const QString &title, QWidget *parent = nullptr);

    // Appends an item; with startsColumn it opens a new column (never for the first
    // item). Returns the item.
    QAction *AddItem(QAction *item, bool startsColumn = false);

    // Read-only view: the items in order, and the items of each column.
    QList<QAction *> Items() const;
    QList<QList<QAction *>> Columns() const;
    // The cell that shows an item (nullptr for an item not in this menu).
    QAbstractButton *ItemButton(const QAction *item) const;

private:
    class TCell : public QToolButton
    {
    public:
        TCell(TBinMenu *menu, QAction *item, QWidget *parent);
        QSize sizeHint() const override;

    protected:
        bool event(QEvent *event) override;
        void actionEvent(QActionEvent *event) override;
        void paintEvent(QPaintEvent *event) override;
        void enterEvent(QEnterEvent *event) override;
        void keyPressEvent(QKeyEvent *event) override;
        void mouseReleaseEvent(QMouseEvent *event) override;
        bool focusNextPrevChild(bool next) override;
        void nextCheckState() override;

    private:
        TBinMenu *FMenu;
    };

    bool CanTakeFocus(const TCell *cell) const;
    TCell *FocusedCell() const;
    bool FocusEnd(bool first);
    bool MoveVertically(TCell *from, int step);
    bool MoveToColumn(TCell *from, int step);
    bool MoveInOrder(TCell *from, bool next);
    void LayoutChanged();

    QWidgetAction *FGridAction = nullptr;
    QWidget *FGrid = nullptr;
    QHBoxLayout *FColumnsLayout = nullptr;
    QList<QVBoxLayout *> FColumnLayouts;
    QList<QList<TCell *>> FCells;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
