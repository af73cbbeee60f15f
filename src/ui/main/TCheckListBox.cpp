#include "ui/main/TCheckListBox.h"

TCheckListBox::TCheckListBox(QWidget *parent) : QListWidget(parent)
{
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
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
    const int w = viewport()->width() / FColumns;
    const int h = fontMetrics().height() + 6;
    if (w > 0)
        setGridSize(QSize(w, h));
}
