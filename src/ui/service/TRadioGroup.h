#pragma once

#include "base/NotifyEvent.h"

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

// A captioned group of radio buttons, one per item, stacked from the top. No item is
// selected until one is clicked or chosen from code. OnClick follows every change of
// the selection, whether the operator clicked an item or code set ItemIndex; clicking
// the item already selected changes nothing and raises nothing.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    explicit TRadioGroup(const QString &caption, QWidget *parent = nullptr);

    void SetItems(const QStringList &items);
    QStringList Items() const { return FItems; }
    QRadioButton *Button(int index) const { return FButtons.value(index); }

    int ItemIndex() const { return FItemIndex; } // -1: nothing selected
    void SetItemIndex(int index);

    const TNotifyEvent &OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void LayoutButtons();
    void Select(int index);

    QButtonGroup *FGroup;
    QList<QRadioButton *> FButtons;
    QStringList FItems;
    int FItemIndex = -1;
    TNotifyEvent FOnClick;
};
