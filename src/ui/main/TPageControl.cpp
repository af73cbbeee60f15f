#include "ui/main/TPageControl.h"

#include <QButtonGroup>
#include <QEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>

namespace {
constexpr int TabGap = 1;    // between neighbouring tab buttons
constexpr int PageGap = 3;   // between the last row of tabs and the page
constexpr int TabMargin = 8; // caption padding of a tab that fits its caption
} // namespace

TPageControl::TPageControl(QWidget *parent)
    : QWidget(parent), FTabs(new QButtonGroup(this)), FStack(new QStackedWidget(this)),
      FTabFont(font())
{
    FTabs->setExclusive(true);
    FStack->setFrameShape(QFrame::StyledPanel);
    connect(FTabs, &QButtonGroup::idClicked, this, &TPageControl::SelectPageByUser);

    // Ctrl+Tab and Ctrl+Shift+Tab step through the pages while the focus is inside.
    auto step = [this](int by) {
        if (PageCount() > 1)
            SelectPageByUser((ActivePageIndex() + by + PageCount()) % PageCount());
    };
    auto *next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    next->setContext(Qt::WidgetWithChildrenShortcut);
    connect(next, &QShortcut::activated, this, [step] { step(1); });
    auto *prev = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    prev->setContext(Qt::WidgetWithChildrenShortcut);
    connect(prev, &QShortcut::activated, this, [step] { step(-1); });
}

void TPageControl::AddPage(QWidget *sheet, const QString &caption)
{
    auto *tab = new QPushButton(caption, this);
    tab->setCheckable(true);
    tab->setFocusPolicy(Qt::NoFocus);
    tab->setFont(FTabFont);
    tab->setObjectName(QString()); // the sheet carries the page's name
    tab->installEventFilter(this);
    FTabs->addButton(tab, int(FButtons.size()));
    FButtons.append(tab);
    FStack->addWidget(sheet);
    tab->show();
    CheckActiveTab();
    LayoutTabs();
}

int TPageControl::PageCount() const
{
    return FStack->count();
}

QWidget *TPageControl::Page(int index) const
{
    return FStack->widget(index);
}

int TPageControl::IndexOf(const QWidget *sheet) const
{
    return FStack->indexOf(const_cast<QWidget *>(sheet));
}

QString TPageControl::TabCaption(int index) const
{
    return index >= 0 && index < FButtons.size() ? FButtons[index]->text() : QString();
}

QAbstractButton *TPageControl::TabButton(int index) const
{
    return index >= 0 && index < FButtons.size() ? FButtons[index] : nullptr;
}

int TPageControl::ActivePageIndex() const
{
    return FStack->currentIndex();
}

QWidget *TPageControl::ActivePage() const
{
    return FStack->currentWidget();
}

void TPageControl::SetActivePageIndex(int index)
{
    if (index >= 0 && index < PageCount())
        FStack->setCurrentIndex(index);
    CheckActiveTab();
}

void TPageControl::SelectPageByUser(int index)
{
    if (index < 0 || index >= PageCount() || index == ActivePageIndex()) {
        CheckActiveTab();
        return;
    }
    bool allow = true;
    if (FOnChanging)
        FOnChanging(this, allow);
    if (allow)
        FStack->setCurrentIndex(index);
    CheckActiveTab();
    if (allow && FOnChange)
        FOnChange(this);
}

void TPageControl::SetTabWidth(int width)
{
    FTabWidth = width;
    LayoutTabs();
}

void TPageControl::SetMultiLine(bool on)
{
    FMultiLine = on;
    LayoutTabs();
}

void TPageControl::SetTabFont(const QFont &font)
{
    FTabFont = font;
    for (QAbstractButton *b : FButtons)
        b->setFont(font);
    LayoutTabs();
}

void TPageControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayoutTabs();
}

void TPageControl::CheckActiveTab()
{
    const int i = ActivePageIndex();
    if (i >= 0 && i < FButtons.size())
        FButtons[i]->setChecked(true);
}

bool TPageControl::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        auto *tab = qobject_cast<QAbstractButton *>(watched);
        if (tab && tab->isChecked() && FButtons.contains(tab)) {
            PaintActiveTab(tab);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TPageControl::PaintActiveTab(QAbstractButton *tab)
{
    QPainter p(tab);
    const QPalette &pal = tab->palette();
    const QRect r = tab->rect();
    p.fillRect(r, pal.color(QPalette::Highlight));
    p.setPen(pal.color(QPalette::Highlight).darker(160));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    QFont f = tab->font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(pal.color(QPalette::HighlightedText));
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, tab->text());
}

void TPageControl::LayoutTabs()
{
    const QFontMetrics fm(FTabFont);
    // A tab that fits its caption fits it in the bold face of the current tab as well.
    QFont bold = FTabFont;
    bold.setBold(true);
    const QFontMetrics boldFm(bold);
    const int h = fm.height() + 8;
    int x = 0;
    int y = 0;
    int rows = FButtons.isEmpty() ? 0 : 1;
    for (QAbstractButton *b : FButtons) {
        const int w =
            FTabWidth > 0 ? FTabWidth : boldFm.horizontalAdvance(b->text()) + 2 * TabMargin;
        if (FMultiLine && x > 0 && x + w > width()) {
            x = 0;
            y += h + TabGap;
            ++rows;
        }
        b->setGeometry(x, y, w, h);
        x += w + TabGap;
    }
    FTabRows = rows;
    const int top = rows > 0 ? y + h + PageGap : 0;
    FStack->setGeometry(0, top, width(), qMax(0, height() - top));
}
