#include "ui/main/TResponseList.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <algorithm>
#include <cmath>

class tst_responselist : public QObject
{
    Q_OBJECT
private slots:
    void linesKeepTheirColourAndText();
    void newestLineStaysInView();
    void keepsTheNewestLinesOnly();
    void coloursFollowThePalette_data();
    void coloursFollowThePalette();
};

static QColor LineColour(const QTextBlock &b)
{
    return b.begin().fragment().charFormat().foreground().color();
}

void tst_responselist::linesKeepTheirColourAndText()
{
    TResponseList list;
    TerminalSink &sink = list;
    sink.AppendTerminalLine("(10:00:00.000) :PULS1:DEL 0.00000000100", TerminalSink::CommandColor);
    sink.AppendTerminalLine("(10:00:00.031) ok", TerminalSink::ReplyColor);
    // A reply is text, never markup, and one wire line stays one terminal line.
    sink.AppendTerminalLine("(10:00:00.062) <b>1</b>\r\nx", TerminalSink::ReplyColor);

    QTextDocument *doc = list.document();
    QCOMPARE(doc->blockCount(), 3);
    QCOMPARE(doc->findBlockByNumber(0).text(), QString("(10:00:00.000) :PULS1:DEL 0.00000000100"));
    QCOMPARE(LineColour(doc->findBlockByNumber(0)), QColor(0, 0, 0));
    QCOMPARE(doc->findBlockByNumber(1).text(), QString("(10:00:00.031) ok"));
    QCOMPARE(LineColour(doc->findBlockByNumber(1)), QColor(0, 128, 0));
    QCOMPARE(doc->findBlockByNumber(2).text(), QString("(10:00:00.062) <b>1</b>  x"));
    QCOMPARE(LineColour(doc->findBlockByNumber(2)), QColor(0, 128, 0));

    QVERIFY(list.isReadOnly());
    QCOMPARE(list.lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(list.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void tst_responselist::newestLineStaysInView()
{
    TResponseList list;
    list.resize(472, 70);
    list.show();
    for (int i = 0; i < 50; ++i)
        list.AppendTerminalLine(QString("(10:00:00.000) line %1").arg(i), TerminalSink::ReplyColor);
    QVERIFY(list.verticalScrollBar()->maximum() > 0);
    QCOMPARE(list.verticalScrollBar()->value(), list.verticalScrollBar()->maximum());
}

// A long run must not grow the view without bound: the oldest lines go, nothing is kept
// for undo, and the newest line is still last and still in colour.
void tst_responselist::keepsTheNewestLinesOnly()
{
    TResponseList list;
    const int total = TResponseList::MaxLines + 250;
    for (int i = 0; i < total; ++i)
        list.AppendTerminalLine(QString("(10:00:00.000) line %1").arg(i),
                                i % 2 ? TerminalSink::ReplyColor : TerminalSink::CommandColor);
    QTextDocument *doc = list.document();
    QCOMPARE(doc->blockCount(), TResponseList::MaxLines);
    QCOMPARE(doc->firstBlock().text(),
             QString("(10:00:00.000) line %1").arg(total - TResponseList::MaxLines));
    QCOMPARE(doc->lastBlock().text(), QString("(10:00:00.000) line %1").arg(total - 1));
    QCOMPARE(LineColour(doc->lastBlock()), QColor(0, 128, 0));
    QCOMPARE(doc->availableUndoSteps(), 0);
}

// WCAG contrast ratio of two colours: 1 for equal ones, 21 for black on white.
static double ContrastRatio(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

static QPalette Scheme(const QColor &base, const QColor &text)
{
    QPalette p(text, base);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::WindowText, text);
    return p;
}

void tst_responselist::coloursFollowThePalette_data()
{
    QTest::addColumn<QPalette>("scheme");
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << Scheme(Qt::white, Qt::black) << false;
    QTest::newRow("light grey") << Scheme(QColor(0xF0, 0xF0, 0xF0), QColor(0x20, 0x20, 0x20)) << false;
    QTest::newRow("dark grey") << Scheme(QColor(0x2D, 0x2D, 0x2D), QColor(0xE0, 0xE0, 0xE0)) << true;
    QTest::newRow("black") << Scheme(Qt::black, Qt::white) << true;
}

// On a light base the lines are exactly black and green; on a dark one both must stay
// readable against the base, and a reply still looks unlike a command.
void tst_responselist::coloursFollowThePalette()
{
    QFETCH(QPalette, scheme);
    QFETCH(bool, dark);
    const QPalette old = QApplication::palette();
    QApplication::setPalette(scheme);
    {
        TResponseList list;
        list.AppendTerminalLine("(10:00:00.000) *IDN?", TerminalSink::CommandColor);
        list.AppendTerminalLine("(10:00:00.031) ok", TerminalSink::ReplyColor);
        const QColor base = list.palette().color(QPalette::Base);
        QCOMPARE(base, scheme.color(QPalette::Base));
        const QColor command = LineColour(list.document()->findBlockByNumber(0));
        const QColor reply = LineColour(list.document()->findBlockByNumber(1));
        if (!dark) {
            QCOMPARE(command, QColor(0, 0, 0));
            QCOMPARE(reply, QColor(0, 128, 0));
        } else {
            QVERIFY2(ContrastRatio(command, base) >= 4.5, qPrintable(command.name()));
            QVERIFY2(ContrastRatio(reply, base) >= 4.5, qPrintable(reply.name()));
            QVERIFY2(reply.green() > reply.red() && reply.green() > reply.blue(),
                     qPrintable(reply.name()));
            QVERIFY(command != reply);
        }
    }
    QApplication::setPalette(old);
}

QTEST_MAIN(tst_responselist)
#include "tst_responselist.moc"
