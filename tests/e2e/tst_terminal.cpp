// The command terminal against the emulator: what the operator types reaches the wire
// exactly, the history of the run in SendEdit's list, and the lines and replies in
// ResponseList in their colours.

#include "ControlPanel.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TResponseList.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>

class tst_terminal : public QObject
{
    Q_OBJECT
private slots:
    void sendsAsTypedWithHistory_data();
    void sendsAsTypedWithHistory();
    void ctrlBackspaceRemovesThePickedEntry();
    void linesAndRepliesInTheirColours();
};

namespace {
QStringList History(const TComboBox *edit)
{
    QStringList items;
    for (int i = 0; i < edit->count(); ++i)
        items << edit->itemText(i);
    return items;
}

// Gives SendEdit the focus in the shown, active window: a key press then goes where a
// real one goes, to the focus widget (the combo box, not its edit field).
bool FocusSendEdit(TMainForm &form)
{
    if (!form.isActiveWindow()) {
        form.show();
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form))
            return false;
    }
    form.SendEdit->setFocus();
    return QApplication::focusWidget() != nullptr;
}

QWidget *KeyTarget()
{
    return QApplication::focusWidget();
}

// Types into the focused SendEdit as the operator does; "\n" presses Enter.
void Type(const QString &keys)
{
    for (const QChar c : keys) {
        if (c == u'\n')
            QTest::keyClick(KeyTarget(), Qt::Key_Return);
        else
            QTest::keyClicks(KeyTarget(), QString(c));
    }
}
} // namespace

void tst_terminal::sendsAsTypedWithHistory_data()
{
    QTest::addColumn<QStringList>("steps"); // typed text; "[Send]" clicks the button
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QString>("fieldText");
    QTest::newRow("same command three times")
        << QStringList{"*IDN?\n", "\n", "[Send]"} << QStringList{"*IDN?", "*IDN?", "*IDN?"}
        << QStringList{"*IDN?", "*IDN?", "*IDN?"} << "*IDN?";
    QTest::newRow("Enter in an empty box")
        << QStringList{"\n"} << QStringList{""} << QStringList{""} << "";
    QTest::newRow("blanks and case kept")
        << QStringList{" :puls1:stat? \n"} << QStringList{" :puls1:stat? "}
        << QStringList{" :puls1:stat? "} << " :puls1:stat? ";
    // the history offers no completion: a prefix of an earlier command goes out as typed
    QTest::newRow("no completion")
        << QStringList{":PULS1:STAT?\n", "[clear]", ":PULS\n"}
        << QStringList{":PULS1:STAT?", ":PULS"} << QStringList{":PULS1:STAT?", ":PULS"} << ":PULS";
}

void tst_terminal::sendsAsTypedWithHistory()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, history);
    QFETCH(QString, fieldText);
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    QVERIFY(FocusSendEdit(c.Form));
    const int mark = c.ReceivedCount();
    for (const QString &step : steps) {
        if (step == "[Send]")
            c.Form.SendBtn->click();
        else if (step == "[clear]")
            c.Form.SendEdit->lineEdit()->clear();
        else
            Type(step);
    }
    QVERIFY(c.ReceivedFrom(mark).isEmpty()); // through the queue: nothing before the tick
    c.Form.Session->ProcessTasks();
    QCOMPARE(c.ReceivedFrom(mark), sent);
    QCOMPARE(History(c.Form.SendEdit), history);
    QCOMPARE(c.Form.SendEdit->currentText(), fieldText);
}

void tst_terminal::ctrlBackspaceRemovesThePickedEntry()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    QVERIFY(FocusSendEdit(c.Form));
    const int mark = c.ReceivedCount();
    Type("*IDN?\n");
    c.Form.SendEdit->lineEdit()->clear();
    Type(":PULS0:STAT?\n");

    // nothing picked from the list: nothing changes, not even the text in the field
    Type(" x");
    QTest::keyClick(KeyTarget(), Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(History(c.Form.SendEdit), (QStringList{"*IDN?", ":PULS0:STAT?"}));
    QCOMPARE(c.Form.SendEdit->currentText(), QString(":PULS0:STAT? x"));

    // the operator picks the first entry from the list and removes it
    c.Form.SendEdit->setCurrentIndex(0);
    QCOMPARE(c.Form.SendEdit->currentText(), QString("*IDN?"));
    QTest::keyClick(KeyTarget(), Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(History(c.Form.SendEdit), QStringList{":PULS0:STAT?"});
    QCOMPARE(c.Form.SendEdit->currentText(), QString("*IDN?"));
    // a picked entry edited since is no longer picked
    c.Form.SendEdit->setCurrentIndex(0);
    Type("1");
    QTest::keyClick(KeyTarget(), Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(History(c.Form.SendEdit), QStringList{":PULS0:STAT?"});
    QCOMPARE(c.Form.SendEdit->currentText(), QString(":PULS0:STAT?1"));
    // the character itself (Ctrl+Backspace elsewhere) does the same
    c.Form.SendEdit->setCurrentIndex(0);
    QKeyEvent del(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(127)));
    QApplication::sendEvent(KeyTarget(), &del);
    QCOMPARE(History(c.Form.SendEdit), QStringList());
    c.Form.Session->ProcessTasks();
    // only Enter sent anything
    QCOMPARE(c.ReceivedFrom(mark), (QStringList{"*IDN?", ":PULS0:STAT?"}));
}

void tst_terminal::linesAndRepliesInTheirColours()
{
    ControlPanel c;
    QVERIFY(c.Start());
    c.Form.Session->StatusTimer->stop();
    c.Form.ResponseList->clear();
    QVERIFY(FocusSendEdit(c.Form));
    Type(":PULS1:WIDT?\n");
    c.Form.SendEdit->lineEdit()->clear();
    Type("NONSENSE\n");
    c.Form.Session->ProcessTasks();

    const auto exchanges = c.Emulator->Exchanges();
    QCOMPARE(exchanges.size() >= 2, true);
    const QString widthReply = exchanges[exchanges.size() - 2].second;
    const QString errorReply = exchanges.last().second;
    QVERIFY2(errorReply.startsWith("ERR"), qPrintable(errorReply));

    QTextDocument *doc = c.Form.ResponseList->document();
    QStringList texts;
    QList<QColor> colours;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.text().isEmpty())
            continue;
        texts << b.text().mid(b.text().indexOf(')') + 2);
        QVERIFY2(QRegularExpression(R"(^\(\d\d:\d\d:\d\d\.\d\d\d\) )").match(b.text()).hasMatch(),
                 qPrintable(b.text()));
        colours << b.begin().fragment().charFormat().foreground().color();
    }
    QCOMPARE(texts, (QStringList{":PULS1:WIDT?", widthReply, "NONSENSE", errorReply}));
    QCOMPARE(colours, (QList<QColor>{Qt::black, QColor(0, 128, 0), Qt::black, QColor(0, 128, 0)}));
}

QTEST_MAIN(tst_terminal)
#include "tst_terminal.moc"
