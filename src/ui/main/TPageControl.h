#pragma once

#include <QList>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QButtonGroup;
class QStackedWidget;

// A tab control with button-style tabs. Tabs either fit their captions or all share a
// fixed width; with MultiLine on they wrap into as many rows as the width needs, so
// 36 channel tabs stay visible at once.
//
// A page change by the operator (a click on a tab, Ctrl+Tab, Ctrl+Shift+Tab) raises OnChanging
// before the page is left, which may refuse it, and OnChange after the new page is shown. Changing
// the page from code (SetActivePageIndex) raises neither.
class TPageControl : public QWidget
{
    Q_OBJECT
public:
    using TTabChangingEvent = std::function<void(QObject *Sender, bool &AllowChange)>;
    using TTabChangeEvent = std::function<void(QObject *Sender)>;

    explicit TPageControl(QWidget *parent = nullptr);

    // Appends sheet as the last page; the control becomes its parent.
    void AddPage(QWidget *sheet, const QString &caption);
    int PageCount() const;
    QWidget *Page(int index) const;
    int IndexOf(const QWidget *sheet) const;
    QString TabCaption(int index) const;
    QAbstractButton *TabButton(int index) const;

    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    QWidget *ActivePage() const;

    // The path of a tab click: OnChanging, the change if allowed, OnChange.
    void SelectPageByUser(int index);

    int TabWidth() const { return FTabWidth; } // 0: each tab fits its caption
    void SetTabWidth(int width);
    bool MultiLine() const { return FMultiLine; }
    void SetMultiLine(bool on);
    void SetTabFont(const QFont &font);
    int TabRows() const { return FTabRows; }

    void SetOnChanging(TTabChangingEvent handler) { FOnChanging = std::move(handler); }
    void SetOnChange(TTabChangeEvent handler) { FOnChange = std::move(handler); }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void LayoutTabs();
    void CheckActiveTab();
    void PaintActiveTab(QAbstractButton *tab);

    QButtonGroup *FTabs;
    QStackedWidget *FStack;
    QList<QAbstractButton *> FButtons;
    QFont FTabFont;
    int FTabWidth = 0;
    int FTabRows = 1;
    bool FMultiLine = false;
    TTabChangingEvent FOnChanging;
    TTabChangeEvent FOnChange;
};
