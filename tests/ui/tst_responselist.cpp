#include "ui/main/TResponseList.h"

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

class tst_responselist : public QObject
{
    Q_OBJECT
private slots:
    void linesKeepTheirColourAndText();
    void newestLineStaysInView();
    void keepsTheNewestLinesOnly();
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
    QCOMPARE(list.lineWrapMode(), QTextEdit::NoWrap);
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

QTEST_MAIN(tst_responselist)
#include "tst_responselist.moc"
