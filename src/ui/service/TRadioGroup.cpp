#include "ui/service/TRadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>

namespace {
constexpr int CaptionHeight = 16;
constexpr int SideMargin = 8;
constexpr int BottomMargin = 4;
} // namespace

TRadioGroup::TRadioGroup(const QString &caption, QWidget *parent)
    : QGroupBox(caption, parent), FGroup(new QButtonGroup(this))
{
    FGroup->setExclusive(true);
    connect(FGroup, &QButtonGroup::idClicked, this, [this](int id) { Select(id); });
}

void TRadioGroup::SetItems(const QStringList &items)
{
    qDeleteAll(FButtons);
    FButtons.clear();
    FItems = items;
    FItemIndex = -1;
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items[i], this);
        b->setObjectName(objectName() + QLatin1String("Item") + QString::number(i));
        FGroup->addButton(b, i);
        FButtons.append(b);
        b->show();
    }
    LayoutButtons();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index < -1 || index >= FButtons.size())
        return;
    if (index == -1) {
        // An exclusive group cannot uncheck its last button.
        FGroup->setExclusive(false);
        for (QRadioButton *b : std::as_const(FButtons))
            b->setChecked(false);
        FGroup->setExclusive(true);
    } else {
        FButtons[index]->setChecked(true);
    }
    Select(index);
}

void TRadioGroup::Select(int index)
{
    if (index == FItemIndex)
        return;
    FItemIndex = index;
    if (FOnClick)
        FOnClick(this);
}

void TRadioGroup::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    LayoutButtons();
}

void TRadioGroup::LayoutButtons()
{
    if (FButtons.isEmpty())
        return;
    const int usable = height() - CaptionHeight - BottomMargin;
    const int rowHeight = usable / int(FButtons.size());
    for (int i = 0; i < FButtons.size(); ++i)
        FButtons[i]->setGeometry(SideMargin, CaptionHeight + i * rowHeight,
                                 width() - 2 * SideMargin, rowHeight);
}
