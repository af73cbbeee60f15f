#include "ui/main/TBinMenu.h"

#include <QActionEvent>
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QStyleOptionMenuItem>
#include <QStylePainter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidgetAction>

TBinMenu::TBinMenu(const QString &title, QWidget *parent) : QMenu(title, parent)
{
    FGrid = new QWidget;
    FGrid->setFocusPolicy(Qt::StrongFocus);
    FGrid->installEventFilter(this);
    FColumnsLayout = new QHBoxLayout(FGrid);
    FColumnsLayout->setContentsMargins(0, 0, 0, 0);
    FColumnsLayout->setSpacing(0);
    FGridAction = new QWidgetAction(this);
    FGridAction->setDefaultWidget(FGrid);
    addAction(FGridAction);
}

QAction *TBinMenu::AddItem(QAction *item, bool startsColumn)
{
    if (FCells.isEmpty() || (startsColumn && !FCells.last().isEmpty())) {
        if (!FCells.isEmpty()) {
            auto *bar = new QFrame(FGrid);
            bar->setFrameShape(QFrame::VLine);
            bar->setFrameShadow(QFrame::Sunken);
            FColumnsLayout->addWidget(bar);
        }
        auto *column = new QVBoxLayout;
        column->setSpacing(0);
        column->addStretch();
        FColumnsLayout->addLayout(column);
        FColumnLayouts.append(column);
        FCells.append(QList<TCell *>());
    }
    auto *cell = new TCell(this, item, FGrid);
    FColumnLayouts.last()->insertWidget(FColumnLayouts.last()->count() - 1, cell);
    FCells.last().append(cell);
    connect(item, &QAction::changed, this, &TBinMenu::LayoutChanged);
    LayoutChanged();
    return item;
}

QList<QList<QAction *>> TBinMenu::Columns() const
{
    QList<QList<QAction *>> columns;
    for (const QList<TCell *> &cells : FCells) {
        QList<QAction *> column;
        for (const TCell *cell : cells)
            if (cell->defaultAction())
                column.append(cell->defaultAction());
        columns.append(column);
    }
    return columns;
}

QList<QAction *> TBinMenu::Items() const
{
    QList<QAction *> items;
    for (const QList<QAction *> &column : Columns())
        items += column;
    return items;
}

QAbstractButton *TBinMenu::ItemButton(const QAction *item) const
{
    for (const QList<TCell *> &cells : FCells)
        for (TCell *cell : cells)
            if (item && cell->defaultAction() == item)
                return cell;
    return nullptr;
}

// QMenu sizes a widget item when it lays out its actions; tell it the grid changed.
void TBinMenu::LayoutChanged()
{
    QActionEvent changed(QEvent::ActionChanged, FGridAction);
    QCoreApplication::sendEvent(this, &changed);
}

bool TBinMenu::eventFilter(QObject *watched, QEvent *event)
{
    // The menu focuses the grid when it makes it the current item: hand the focus to
    // the cell under the mouse, or to the first cell when opened from the keyboard.
    if (watched == FGrid && event->type() == QEvent::FocusIn) {
        TCell *first = nullptr;
        TCell *hovered = nullptr;
        for (const QList<TCell *> &cells : FCells)
            for (TCell *cell : cells)
                if (CanTakeFocus(cell)) {
                    first = first ? first : cell;
                    hovered = cell->underMouse() ? cell : hovered;
                }
        TCell *target = hovered ? hovered : first;
        if (target)
            target->setFocus(static_cast<QFocusEvent *>(event)->reason());
    }
    return QMenu::eventFilter(watched, event);
}

// Opened from the keyboard, the menu makes the grid its current item: start on the first
// cell, as a menu highlights its first item.
void TBinMenu::showEvent(QShowEvent *event)
{
    QMenu::showEvent(event);
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && activeAction() == FGridAction && !FocusedCell())
            FocusEnd(true);
    });
}

// Keys that reach the menu itself come while no cell has the focus.
void TBinMenu::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Tab:
    case Qt::Key_Home:
        if (FocusEnd(true))
            return;
        break;
    case Qt::Key_Up:
    case Qt::Key_Backtab:
    case Qt::Key_End:
        if (FocusEnd(false))
            return;
        break;
    default:
        break;
    }
    QMenu::keyPressEvent(event);
}

TBinMenu::TCell *TBinMenu::FocusedCell() const
{
    for (const QList<TCell *> &cells : FCells)
        for (TCell *cell : cells)
            if (cell->hasFocus())
                return cell;
    return nullptr;
}

bool TBinMenu::FocusEnd(bool first)
{
    QList<TCell *> order;
    for (const QList<TCell *> &cells : FCells)
        order += cells;
    if (!first)
        std::reverse(order.begin(), order.end());
    for (TCell *cell : order) {
        if (CanTakeFocus(cell)) {
            cell->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return false;
}

bool TBinMenu::CanTakeFocus(const TCell *cell) const
{
    return cell->defaultAction() && cell->isEnabled() && cell->isVisibleTo(FGrid);
}

bool TBinMenu::MoveVertically(TCell *from, int step)
{
    for (const QList<TCell *> &cells : FCells) {
        const int row = cells.indexOf(from);
        if (row < 0)
            continue;
        for (int i = 1; i < cells.size(); ++i) {
            TCell *cell = cells[(row + step * i + cells.size() * i) % cells.size()];
            if (CanTakeFocus(cell)) {
                cell->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
        return false;
    }
    return false;
}

bool TBinMenu::MoveToColumn(TCell *from, int step)
{
    int col = 0;
    while (col < FCells.size() && !FCells[col].contains(from))
        ++col;
    if (col == FCells.size())
        return false;
    const int row = FCells[col].indexOf(from);
    for (col += step; col >= 0 && col < FCells.size(); col += step) {
        TCell *nearest = nullptr;
        int distance = 0;
        for (int r = 0; r < FCells[col].size(); ++r) {
            if (CanTakeFocus(FCells[col][r]) && (!nearest || qAbs(r - row) < distance)) {
                nearest = FCells[col][r];
                distance = qAbs(r - row);
            }
        }
        if (nearest) {
            nearest->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return false;
}

bool TBinMenu::MoveInOrder(TCell *from, bool next)
{
    QList<TCell *> order;
    for (const QList<TCell *> &cells : FCells)
        order += cells;
    const int at = order.indexOf(from);
    if (at < 0)
        return false;
    const int step = next ? 1 : -1;
    for (int i = 1; i < order.size(); ++i) {
        TCell *cell = order[(at + step * i + order.size() * i) % order.size()];
        if (CanTakeFocus(cell)) {
            cell->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true; // the only item keeps the focus
}

// ---- One item of the grid -----------------------------------------------------------

TBinMenu::TCell::TCell(TBinMenu *menu, QAction *item, QWidget *parent)
    : QToolButton(parent), FMenu(menu)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setDefaultAction(item);
    setHidden(!item->isVisible());
}

namespace {
QStyleOptionMenuItem MenuItemOption(const QToolButton *cell)
{
    QStyleOptionMenuItem opt;
    opt.initFrom(cell);
    opt.menuItemType = QStyleOptionMenuItem::Normal;
    opt.checkType = QStyleOptionMenuItem::NotCheckable;
    opt.text = cell->defaultAction() ? cell->defaultAction()->text() : cell->text();
    opt.font = cell->font();
    opt.maxIconWidth = 0;
    opt.reservedShortcutWidth = 0;
    opt.menuRect = cell->rect();
    if (cell->isEnabled() && (cell->hasFocus() || cell->isDown()))
        opt.state |= QStyle::State_Selected;
    return opt;
}
} // namespace

QSize TBinMenu::TCell::sizeHint() const
{
    const QStyleOptionMenuItem opt = MenuItemOption(this);
    const QSize text(fontMetrics().horizontalAdvance(opt.text), fontMetrics().height());
    return style()->sizeFromContents(QStyle::CT_MenuItem, &opt, text, this);
}

bool TBinMenu::TCell::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip)
        return true; // menu items show no tool tips
    return QToolButton::event(event);
}

// The button follows its action's caption and enabled state by itself; its visibility
// too, as an item of a menu.
void TBinMenu::TCell::actionEvent(QActionEvent *event)
{
    QToolButton::actionEvent(event);
    if (defaultAction())
        setHidden(!defaultAction()->isVisible());
}

void TBinMenu::TCell::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    painter.drawControl(QStyle::CE_MenuItem, MenuItemOption(this));
}

void TBinMenu::TCell::enterEvent(QEnterEvent *event)
{
    QToolButton::enterEvent(event);
    if (FMenu->CanTakeFocus(this))
        setFocus(Qt::MouseFocusReason);
}

void TBinMenu::TCell::keyPressEvent(QKeyEvent *event)
{
    bool moved = true;
    switch (event->key()) {
    case Qt::Key_Up:
        moved = FMenu->MoveVertically(this, -1);
        break;
    case Qt::Key_Down:
        moved = FMenu->MoveVertically(this, 1);
        break;
    case Qt::Key_Left:
        moved = FMenu->MoveToColumn(this, -1);
        break;
    case Qt::Key_Right:
        moved = FMenu->MoveToColumn(this, 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        click();
        break;
    default:
        QToolButton::keyPressEvent(event);
        return;
    }
    // Up and down stay in the column; left and right past the outer columns go to the
    // menu, which closes the submenu or moves along the menu bar.
    if (moved || event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)
        event->accept();
    else
        event->ignore();
}

void TBinMenu::TCell::mouseReleaseEvent(QMouseEvent *event)
{
    // Pressed on the parent menu and released here chooses the item, as in any menu.
    if (event->button() == Qt::LeftButton && !isDown() && hitButton(event->position().toPoint())) {
        click();
        return;
    }
    QToolButton::mouseReleaseEvent(event);
}

bool TBinMenu::TCell::focusNextPrevChild(bool next)
{
    return FMenu->MoveInOrder(this, next);
}

void TBinMenu::TCell::nextCheckState()
{
    // Close the whole menu chain first, then run the item, as a menu does.
    QWidget *last = nullptr;
    while (auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
        if (popup == last || !popup->close())
            break;
        last = popup;
    }
    QToolButton::nextCheckState();
}
