// The tab of the page shown stands out from the other tabs in both tab controls of the
// main window, whichever page is chosen.

#include "ui/main/TMainForm.h"
#include "ui/main/TPageControl.h"

#include <QAbstractButton>
#include <QTest>

#include <cmath>

class tst_pagecontrol : public QObject
{
    Q_OBJECT
private slots:
    void currentTabIsMarked_data();
    void currentTabIsMarked();
};

// Mean colour of a tab as drawn.
static QColor Mean(QAbstractButton *tab)
{
    const QImage image = tab->grab().toImage();
    double r = 0, g = 0, b = 0;
    const int n = image.width() * image.height();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            r += c.red();
            g += c.green();
            b += c.blue();
        }
    return QColor(int(r / n), int(g / n), int(b / n));
}

static double Distance(const QColor &a, const QColor &b)
{
    return std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
}

void tst_pagecontrol::currentTabIsMarked_data()
{
    QTest::addColumn<bool>("channels");
    QTest::addColumn<int>("chosen");
    QTest::newRow("channel tabs") << true << 6;
    QTest::newRow("system options") << false << 2; // the longest caption, last
}

void tst_pagecontrol::currentTabIsMarked()
{
    QFETCH(bool, channels);
    QFETCH(int, chosen);
    TMainForm w;
    w.Session->ChannelCount = 36;
    w.CreateChannelTabs();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TPageControl *pc = channels ? w.ChPageControl : w.SystemPageControl;

    pc->SelectPageByUser(chosen);
    QCOMPARE(pc->ActivePageIndex(), chosen);
    const QColor current = Mean(pc->TabButton(chosen));
    const QColor first = Mean(pc->TabButton(0));
    const int other = (chosen + 1) % pc->PageCount();
    const QColor next = Mean(pc->TabButton(other));
    // the other tabs look alike; the current one is far from them, not a shade apart
    QVERIFY(Distance(first, next) < 10);
    QVERIFY2(Distance(current, next) > 60,
             qPrintable(QString("%1 vs %2").arg(current.name(), next.name())));

    // the bold caption of the current tab stays clear of its edges
    QAbstractButton *tab = pc->TabButton(chosen);
    QFont bold = tab->font();
    bold.setBold(true);
    QVERIFY(QFontMetrics(bold).horizontalAdvance(tab->text()) + 8 <= tab->width());

    pc->SelectPageByUser(0);
    QVERIFY(Distance(Mean(pc->TabButton(0)), current) < 10);
    QVERIFY(Distance(Mean(pc->TabButton(chosen)), next) < 10);
}

QTEST_MAIN(tst_pagecontrol)
#include "tst_pagecontrol.moc"
