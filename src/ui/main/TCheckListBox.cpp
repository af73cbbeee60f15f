#include "ui/main/TCheckListBox.h"

TCheckListBox::TCheckListBox(QWidget *parent) : QListWidget(parent)
{
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setSpacing(0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem *) {
        if (!FSettingChecks && FOnClickCheck)
            FOnClickCheck(this);
    });
}

void TCheckListBox::AddItem(const QString &text)
{
    const bool was = FSettingChecks;
    FSettingChecks = true;
    auto *item = new QListWidgetItem(text, this);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    FSettingChecks = was;
    UpdateGrid();
}

void TCheckListBox::SetItems(const QStringList &texts)
{
    clear();
    for (const QString &t : texts)
        AddItem(t);
}

QStringList TCheckListBox::Items() const
{
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts << item(i)->text();
    return texts;
}

bool TCheckListBox::Checked(int index) const
{
    const QListWidgetItem *it = item(index);
    return it && it->checkState() == Qt::Checked;
}

void TCheckListBox::SetChecked(int index, bool on)
{
    QListWidgetItem *it = item(index);
    if (!it)
        return;
    FSettingChecks = true;
    it->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    FSettingChecks = false;
}

void TCheckListBox::SetColumns(int n)
{
    FColumns = qMax(1, n);
    UpdateGrid();
}

void TCheckListBox::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    UpdateGrid();
}

void TCheckListBox::UpdateGrid()
{
    // One cell per column; a pixel to spare so the last column never wraps.
    const int w = (viewport()->width() - 1) / FColumns;
    // A list that fits in one row fills the box's height: no scroll bar for it.
    const int row = fontMetrics().height() + 6;
    const bool oneRow = count() <= FColumns;
    setVerticalScrollBarPolicy(oneRow ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    const int h = oneRow ? qMax(viewport()->height(), 1) : row;
    if (w > 0)
        setGridSize(QSize(w, h));
}
