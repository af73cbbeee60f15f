#pragma once

#include "base/NotifyEvent.h"

#include <QListWidget>

// A list of check boxes laid out in a fixed number of columns (one row when the list
// holds no more items than columns). OnClickCheck fires when the operator toggles an
// item; SetChecked from code raises nothing.
class TCheckListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TCheckListBox(QWidget *parent = nullptr);

    void AddItem(const QString &text); // unchecked, checkable
    void SetItems(const QStringList &texts);
    QStringList Items() const;
    bool Checked(int index) const;
    void SetChecked(int index, bool on);

    int Columns() const { return FColumns; }
    void SetColumns(int n);

    const TNotifyEvent &OnClickCheck() const { return FOnClickCheck; }
    void SetOnClickCheck(TNotifyEvent handler) { FOnClickCheck = std::move(handler); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void UpdateGrid();

    int FColumns = 1;
    bool FSettingChecks = false;
    TNotifyEvent FOnClickCheck;
};
