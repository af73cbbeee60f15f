// The digit-spin widget on the offscreen platform: keys, typing, mouse, wheel, arrow-button
// repeat, the control's own Enabled, sizing and what it paints.

#include "base/ErrorReport.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/controls/TSpinArrowButton.h"

#include <QAction>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSpontaneKeyEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest>

namespace {
// A shown, active window holding one field, with its change reports counted.
struct Field
{
    QWidget host;
    QLineEdit *before = nullptr;
    TPlusSpinEdit *spin = nullptr;
    int reports = 0;

    Field()
    {
        auto *layout = new QHBoxLayout(&host);
        before = new QLineEdit;
        spin = new TPlusSpinEdit;
        layout->addWidget(before);
        layout->addWidget(spin);
        spin->SetOnChange([this](QObject *sender) {
            QCOMPARE(sender, spin);
            ++reports;
        });
    }
    bool Show()
    {
        host.show();
        host.activateWindow();
        return QTest::qWaitForWindowActive(&host);
    }
    // centre of character k (0-based) of the text
    QPoint CharAt(int k) const
    {
        const QFontMetrics fm(spin->font());
        QString t = spin->Text();
        t.replace(u'_', u'0');
        const int x =
            spin->CapXStart() + fm.horizontalAdvance(t.left(k)) + fm.horizontalAdvance(t[k]) / 2;
        return QPoint(x, spin->FocusRect().center().y());
    }
};

void SendKey(QWidget *w, QEvent::Type type, int key, bool autoRepeat)
{
    QKeyEvent e(type, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(w, &e);
}

// A wheel event as the window system delivers it: spontaneous, and through notify() as
// QTest delivers its mouse events (sendEvent would clear the flag), so that an ignored
// one passes on to the parents.
void SendWheel(QWidget *w, QPoint at, int delta)
{
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&e);
    qApp->notify(w, &e);
}

int Blue(const QImage &image, const QRect &r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixelColor(x, y) == QColor(0, 0, 255))
                ++n;
    return n;
}
} // namespace

class tst_TPlusSpinEdit : public QObject
{
    Q_OBJECT
private slots:
    void typedDigit_data();
    void typedDigit();
    void refusedDigitFlashesAndKeepsTheOtherDigits();
    void lettersAndDisabledEditorTypeNothing();
    void typingUnreadableTextReportsError();
    void ctrlZeroAndDoubleClick();
    void upDownStepping_data();
    void upDownStepping();
    void trackSpinOffReportsAtKeyRelease_data();
    void trackSpinOffReportsAtKeyRelease();
    void leftRightStopAtTheEnds();
    void clickFocusesPlace_data();
    void clickFocusesPlace();
    void wheelStepsDigitUnderPointer_data();
    void wheelStepsDigitUnderPointer();
    void wheelOverUnfocusedFieldScrollsThePage();
    void disabledIsInertButFocusable();
    void arrowKeysReachControlInDialogTabPage();
    void onlyUsedKeysAreClaimed_data();
    void onlyUsedKeysAreClaimed();
    void fittingWidthReachesLeadingDigit_data();
    void fittingWidthReachesLeadingDigit();
    void arrowButtonRepeat();
    void buttonSpinWithTrackSpinOff();
    void paintsFocusCellUnderlineAndCaret();
    void autoSizeFitsWidestLimit();
    void glyphSize_data();
    void glyphSize();
};

void tst_TPlusSpinEdit::typedDigit_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("place");
    QTest::addColumn<char>("digit");
    QTest::addColumn<double>("typed"); // the value afterwards
    QTest::addColumn<int>("placeAfter");
    QTest::addColumn<bool>("refused");

    // 0 decimals, limits 0 to 50, as a count
    QTest::newRow("units within limits")
        << 0 << 0.0 << 50.0 << 25.0 << 0 << '7' << 27.0 << 0 << false;
    QTest::newRow("tens past the maximum")
        << 0 << 0.0 << 50.0 << 25.0 << 1 << '9' << 25.0 << 1 << true;
    QTest::newRow("tens onto the maximum")
        << 0 << 0.0 << 50.0 << 20.0 << 1 << '5' << 50.0 << 0 << false;
    // a limit computed a rounding error below the decimal it shows as: typing it is no
    // refusal; a limit between two places of the last decimal is no such error
    QTest::newRow("onto a computed maximum")
        << 1 << 0.0 << 0.7 - 0.4 << 0.1 << -1 << '3' << 0.3 << -1 << false;
    QTest::newRow("below a minimum off the last decimal")
        << 7 << 5e-8 << 1.0 << 1e-6 << -6 << '0' << 1e-6 << -6 << true;
    // the period: 9 decimals, 50 ns to 5000 s, 1 ms with the millisecond digit focused
    QTest::newRow("period below its minimum")
        << 9 << 5e-8 << 5000.0 << 0.001 << -3 << '0' << 0.001 << -3 << true;
    QTest::newRow("period digit within limits")
        << 9 << 5e-8 << 5000.0 << 0.001 << -3 << '2' << 0.002 << -4 << false;
    QTest::newRow("period onto its minimum")
        << 9 << 5e-8 << 5000.0 << 6e-8 << -8 << '5' << 5e-8 << -9 << false;
    QTest::newRow("period past its maximum")
        << 9 << 5e-8 << 5000.0 << 1000.5 << 3 << '6' << 1000.5 << 3 << true;
}

// A typed digit whose text lies outside the limits is refused whole: no value that nobody
// typed, no report, the focus stays on the digit and the field flashes.
void tst_TPlusSpinEdit::typedDigit()
{
    QFETCH(int, decimals);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, value);
    QFETCH(int, place);
    QFETCH(char, digit);
    QFETCH(double, typed);
    QFETCH(int, placeAfter);
    QFETCH(bool, refused);

    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetDecimals(decimals);
    s->SetMaxValue(max);
    s->SetMinValue(min);
    s->AssignValue(value);
    s->SetIncExponent(place);
    QVERIFY(f.Show());
    s->setFocus();
    f.reports = 0;
    const QString text = s->Text();
    const int focusIndex = s->FocusIndex();

    QTest::keyClick(s, digit);
    QCOMPARE(s->Value(), typed);
    QCOMPARE(s->IncExponent(), placeAfter);
    QCOMPARE(s->Flashing(), refused);
    QCOMPARE(f.reports, refused ? 0 : 1);
    if (refused) {
        QCOMPARE(s->Text(), text);
        QCOMPARE(s->FocusIndex(), focusIndex);
    }
}

// What the operator sees of a refusal, and that the field is left as it was for the
// next digit.
void tst_TPlusSpinEdit::refusedDigitFlashesAndKeepsTheOtherDigits()
{
    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetDecimals(9);
    s->SetMaxValue(5000);
    s->SetMinValue(5e-8);
    s->AssignValue(0.001);
    s->SetIncExponent(-3);
    QVERIFY(f.Show());
    s->setFocus();
    f.reports = 0;
    const QPoint background = s->contentsRect().topLeft();
    const QColor normal = s->grab().toImage().pixelColor(background);
    QVERIFY(normal != TPlusSpinEdit::RefusedColor());

    QTest::keyClick(s, Qt::Key_0);
    QCOMPARE(s->grab().toImage().pixelColor(background), TPlusSpinEdit::RefusedColor());
    QCOMPARE(s->Text(), QString("0.001000000"));
    QTRY_VERIFY(!s->Flashing());
    QCOMPARE(s->grab().toImage().pixelColor(background), normal);

    // the next digit types over the same place
    QTest::keyClick(s, Qt::Key_5);
    QCOMPARE(s->Value(), 0.005);
    QCOMPARE(s->IncExponent(), -4);
    QCOMPARE(f.reports, 1);
    QVERIFY(!s->Flashing());
}

void tst_TPlusSpinEdit::lettersAndDisabledEditorTypeNothing()
{
    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetDecimals(0);
    s->SetValue(25);
    s->SetIncExponent(0);
    QVERIFY(f.Show());
    s->setFocus();
    // a letter is no decimal digit and EditorEnabled off ignores digits
    QTest::keyClick(s, Qt::Key_A);
    s->SetEditorEnabled(false);
    QTest::keyClick(s, Qt::Key_1);
    QCOMPARE(s->Value(), 25.0);
    QCOMPARE(f.reports, 0);
    QVERIFY(!s->Flashing());
}

void tst_TPlusSpinEdit::typingUnreadableTextReportsError()
{
    QStringList errors;
    const ErrorReporter previous = SetErrorReporter([&](const QString &text) { errors << text; });
    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetDecimals(0);
    s->SetValue(-5);
    s->SetIncExponent(2); // a placeholder left of the sign
    QCOMPARE(s->Text(), QString("_-5"));
    QVERIFY(f.Show());
    s->setFocus();
    QTest::keyClick(s, Qt::Key_1);
    SetErrorReporter(previous);

    QCOMPARE(errors, QStringList{"Not a valid number"});
    QCOMPARE(s->Value(), -5.0);
    QCOMPARE(s->IncExponent(), 2);
    QCOMPARE(f.reports, 0);
}

void tst_TPlusSpinEdit::ctrlZeroAndDoubleClick()
{
    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetValue(1234.56);
    s->SetIncExponent(1);
    QVERIFY(f.Show());
    s->setFocus();
    QTest::keyClick(s, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(s->Value(), 1230.0);
    QCOMPARE(f.reports, 1);

    s->SetValue(1234.56);
    QTest::keyClick(s, Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(s->Value(), 1230.0);

    // a double click zeroes everything right of the digit under the pointer
    s->SetValue(98765.43);
    // (a real double click: press, release, then the double-click press)
    QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, f.CharAt(2)); // the 7
    QTest::mouseDClick(s, Qt::LeftButton, Qt::NoModifier, f.CharAt(2));
    QCOMPARE(s->IncExponent(), 2);
    QCOMPARE(s->Value(), 98700.0);
}

void tst_TPlusSpinEdit::upDownStepping_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("place");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("reports");

    QTest::newRow("carry") << 9.99 << -2 << 0.0 << int(Qt::Key_Up) << 1 << "10.00" << 1;
    QTest::newRow("borrow") << 10.0 << -2 << 0.0 << int(Qt::Key_Down) << 1 << "9.99" << 1;
    QTest::newRow("tens carry") << 195.5 << 1 << 0.0 << int(Qt::Key_Up) << 2 << "215.50" << 2;
    QTest::newRow("below zero") << 0.5 << 0 << 0.0 << int(Qt::Key_Down) << 1 << "-0.50" << 1;
    QTest::newRow("stops at limit") << 9.5 << 0 << 10.0 << int(Qt::Key_Up) << 3 << "10.00" << 1;
    QTest::newRow("stops at zero") << 0.5 << 0 << 10.0 << int(Qt::Key_Down) << 3 << "0.00" << 1;
}

void tst_TPlusSpinEdit::upDownStepping()
{
    QFETCH(double, value);
    QFETCH(int, place);
    QFETCH(double, max);
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(QString, text);
    QFETCH(int, reports);

    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetMaxValue(max);
    s->SetValue(value);
    s->SetIncExponent(place);
    QVERIFY(f.Show());
    s->setFocus();
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(s, Qt::Key(key));
    QCOMPARE(s->Text(), text);
    QCOMPARE(f.reports, reports);
    QVERIFY(!s->Spinning());
}

void tst_TPlusSpinEdit::trackSpinOffReportsAtKeyRelease_data()
{
    QTest::addColumn<bool>("trackSpin");
    QTest::addColumn<int>("duringSpin");
    QTest::newRow("TrackSpin on") << true << 10;
    QTest::newRow("TrackSpin off") << false << 0;
}

void tst_TPlusSpinEdit::trackSpinOffReportsAtKeyRelease()
{
    QFETCH(bool, trackSpin);
    QFETCH(int, duringSpin);

    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetTrackSpin(trackSpin);
    s->SetIncExponent(0);
    QVERIFY(f.Show());
    s->setFocus();
    // a held key: the first press, then repeats that arrive as release/press pairs
    SendKey(s, QEvent::KeyPress, Qt::Key_Up, false);
    for (int i = 1; i < 10; ++i) {
        SendKey(s, QEvent::KeyRelease, Qt::Key_Up, true);
        SendKey(s, QEvent::KeyPress, Qt::Key_Up, true);
    }
    QCOMPARE(s->Value(), 10.0);
    QVERIFY(s->Spinning());
    QCOMPARE(f.reports, duringSpin);
    SendKey(s, QEvent::KeyRelease, Qt::Key_Up, false);
    QVERIFY(!s->Spinning());
    QCOMPARE(f.reports, trackSpin ? 10 : 1);
}

void tst_TPlusSpinEdit::leftRightStopAtTheEnds()
{
    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetAutoSize(false);
    s->setMinimumWidth(160);
    s->SetValue(5);
    QVERIFY(f.Show());
    s->setFocus();
    s->SetIncExponent(-2);
    QTest::keyClick(s, Qt::Key_Right);
    QCOMPARE(s->IncExponent(), -2);

    // without limits Left stops when the focused cell reaches the left edge
    for (int i = 0; i < 60; ++i)
        QTest::keyClick(s, Qt::Key_Left);
    const int top = s->IncExponent();
    QVERIFY2(top > 3 && top < 60, qPrintable(QString::number(top)));
    QVERIFY(s->FocusRect().left() >= 0);
    QVERIFY(s->FocusRect().left() - 1 <= s->DigitWidth() - 2);
    QCOMPARE(s->Text().count(u'_'), top);

    // with limits the focus stops at the widest limit's leading digit
    s->SetMaxValue(50);
    s->SetMinValue(0);
    s->SetIncExponent(0);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(s, Qt::Key_Left);
    QCOMPARE(s->IncExponent(), 1);
    QCOMPARE(s->Text(), QString("_5.00"));
}

void tst_TPlusSpinEdit::clickFocusesPlace_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("grouping");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("charIndex"); // -1: left of the text, 99: right of it
    QTest::addColumn<int>("place");

    QTest::newRow("a decimal") << 2 << false << 123.45 << 4 << -1;
    QTest::newRow("the point") << 2 << false << 123.45 << 3 << 0;
    QTest::newRow("the units") << 2 << false << 123.45 << 2 << 0;
    QTest::newRow("leading digit") << 2 << false << 123.45 << 0 << 2;
    QTest::newRow("left of the text") << 2 << false << 123.45 << -1 << 3;
    QTest::newRow("right of the text") << 2 << false << 123.45 << 99 << -2;
    QTest::newRow("integer separator") << 1 << true << 1234.5 << 1 << 2;
    QTest::newRow("fraction separator") << 6 << true << 0.123456 << 5 << -4;
    QTest::newRow("no decimals") << 0 << false << 4321.0 << 1 << 2;
}

void tst_TPlusSpinEdit::clickFocusesPlace()
{
    QFETCH(int, decimals);
    QFETCH(bool, grouping);
    QFETCH(double, value);
    QFETCH(int, charIndex);
    QFETCH(int, place);

    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetAutoSize(false);
    s->setMinimumWidth(200);
    s->SetDecimals(decimals);
    if (grouping)
        s->SetThousandSeparator(u',');
    s->SetValue(value);
    s->SetIncExponent(-decimals);
    QVERIFY(f.Show());
    f.before->setFocus();

    QPoint at;
    if (charIndex < 0)
        at = QPoint(s->CapXStart() - 3, s->FocusRect().center().y());
    else if (charIndex == 99)
        at = QPoint(s->CapXStop() + 1, s->FocusRect().center().y());
    else
        at = f.CharAt(charIndex);
    QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(s->IncExponent(), place);
    QVERIFY(s->hasFocus());
    if (charIndex < 0) // the new leading place shows as a zero
        QVERIFY(s->Text().startsWith(u'_'));
}

void tst_TPlusSpinEdit::wheelStepsDigitUnderPointer_data()
{
    QTest::addColumn<QList<int>>("deltas"); // angleDelta().y() of each wheel event
    QTest::addColumn<int>("charIndex");     // under the pointer in "123.45"; -1: the up arrow
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("place");

    QTest::newRow("notch up over the tens") << QList<int>{120} << 1 << 133.45 << 1 << 1;
    QTest::newRow("notch down over a decimal") << QList<int>{-120} << 4 << 123.35 << 1 << -1;
    QTest::newRow("two notches") << QList<int>{120, 120} << 2 << 125.45 << 2 << 0;
    QTest::newRow("two notches in one event") << QList<int>{240} << 2 << 125.45 << 2 << 0;
    QTest::newRow("fine wheel short of a notch") << QList<int>(7, 15) << 2 << 123.45 << 0 << 0;
    QTest::newRow("fine wheel, a notch") << QList<int>(8, 15) << 2 << 124.45 << 1 << 0;
    QTest::newRow("40s, a notch and a remainder") << QList<int>(5, 40) << 2 << 124.45 << 1 << 0;
    QTest::newRow("a turn back starts afresh") << QList<int>{60, -60, -60} << 2 << 122.45 << 1 << 0;
    QTest::newRow("over the arrows, the focused digit")
        << QList<int>{120} << -1 << 123.46 << 1 << -2;
}

// One notch of the wheel over a focused field: one step of the digit under the pointer,
// one report, whatever the system's lines per notch.
void tst_TPlusSpinEdit::wheelStepsDigitUnderPointer()
{
    QFETCH(QList<int>, deltas);
    QFETCH(int, charIndex);
    QFETCH(double, value);
    QFETCH(int, reports);
    QFETCH(int, place);

    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetValue(123.45);
    s->SetIncExponent(-2);
    QVERIFY(f.Show());
    s->setFocus();
    QWidget *target = s;
    QPoint at;
    if (charIndex < 0) {
        target = s->UpButton(); // the button passes the wheel on to the field
        at = target->rect().center();
    } else {
        at = f.CharAt(charIndex);
    }
    for (int delta : deltas)
        SendWheel(target, at, delta);
    QCOMPARE(s->Value(), value);
    QCOMPARE(f.reports, reports);
    QCOMPARE(s->IncExponent(), place);
}

// Over a field without the focus the wheel changes nothing and scrolls the page around
// it; the focused field takes it and the page stays.
void tst_TPlusSpinEdit::wheelOverUnfocusedFieldScrollsThePage()
{
    QScrollArea area;
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *before = new QLineEdit;
    auto *spin = new TPlusSpinEdit;
    int reports = 0;
    spin->SetOnChange([&](QObject *) { ++reports; });
    layout->addWidget(before);
    layout->addWidget(spin);
    layout->addSpacing(2000);
    area.setWidget(page);
    area.resize(300, 200);
    spin->SetValue(5);
    spin->SetIncExponent(0);
    area.show();
    area.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&area));
    before->setFocus();
    QScrollBar *bar = area.verticalScrollBar();
    QCOMPARE(bar->value(), 0);

    const QPoint at = spin->FocusRect().center();
    SendWheel(spin, at, -120);
    QCOMPARE(spin->Value(), 5.0);
    QCOMPARE(reports, 0);
    QVERIFY(bar->value() > 0);
    QVERIFY(before->hasFocus()); // the wheel does not take the focus either

    bar->setValue(0);
    spin->setFocus();
    SendWheel(spin, spin->FocusRect().center(), -120);
    QCOMPARE(spin->Value(), 4.0);
    QCOMPARE(reports, 1);
    QCOMPARE(bar->value(), 0);

    // focused but with its own Enabled off: inert, and the page stays
    spin->SetEnabled(false);
    SendWheel(spin, spin->FocusRect().center(), -120);
    QCOMPARE(spin->Value(), 4.0);
    QCOMPARE(bar->value(), 0);
}

void tst_TPlusSpinEdit::disabledIsInertButFocusable()
{
    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetValue(12.34);
    s->SetIncExponent(-1);
    s->SetEnabled(false);
    QVERIFY(f.Show());
    QVERIFY(s->isEnabled()); // the QWidget itself stays enabled

    f.before->setFocus();
    QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, f.CharAt(0));
    QVERIFY(!s->hasFocus());
    QCOMPARE(s->IncExponent(), -1);

    // gray text, no focus cell
    QImage image = s->grab().toImage();
    const QRect textRows(s->CapXStart(), s->FocusRect().top(), s->CapXStop() - s->CapXStart(),
                         s->FocusRect().height() - 1);
    int darkest = 255;
    for (int y = textRows.top(); y <= textRows.bottom(); ++y)
        for (int x = textRows.left(); x <= textRows.right(); ++x)
            darkest = std::min(darkest, image.pixelColor(x, y).red());
    QVERIFY2(darkest >= 120 && darkest < 200, qPrintable(QString::number(darkest)));

    QTest::keyClick(f.before, Qt::Key_Tab);
    QVERIFY(s->hasFocus());
    image = s->grab().toImage();
    QVERIFY(Blue(image, s->FocusRect()) > 0);

    QTest::keyClick(s, Qt::Key_Up);
    QTest::keyClick(s, Qt::Key_Down);
    QTest::keyClick(s, Qt::Key_Left);
    QTest::keyClick(s, Qt::Key_7);
    QTest::keyClick(s, Qt::Key_0, Qt::ControlModifier);
    QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, f.CharAt(0));
    QTest::mouseDClick(s, Qt::LeftButton, Qt::NoModifier, f.CharAt(0));
    QTest::mousePress(s->UpButton(), Qt::LeftButton);
    QVERIFY(!s->UpButton()->isDown());
    QVERIFY(!s->RepeatTimer()->isActive());
    QTest::mouseRelease(s->UpButton(), Qt::LeftButton);
    QCOMPARE(s->Value(), 12.34);
    QCOMPARE(s->IncExponent(), -1);
    QCOMPARE(f.reports, 0);

    s->SetEnabled(true);
    QTest::keyClick(s, Qt::Key_Up);
    QCOMPARE(s->Text(), QString("12.44"));
}

void tst_TPlusSpinEdit::arrowKeysReachControlInDialogTabPage()
{
    QDialog dialog;
    auto *tabs = new QTabWidget;
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    auto *spin = new TPlusSpinEdit;
    auto *button = new QPushButton("OK");
    pageLayout->addWidget(spin);
    pageLayout->addWidget(button);
    tabs->addTab(page, "One");
    tabs->addTab(new QWidget, "Two");
    (new QVBoxLayout(&dialog))->addWidget(tabs);
    // shortcuts on the arrow keys elsewhere in the dialog must not take them from the field
    int stolen = 0;
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_5}) {
        auto *action = new QAction(&dialog);
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, [&] { ++stolen; });
        dialog.addAction(action);
    }
    spin->SetValue(1);
    spin->SetIncExponent(0);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    spin->setFocus();
    QVERIFY(spin->hasFocus());

    QWindow *window = dialog.windowHandle();
    QTest::keyClick(window, Qt::Key_Up);
    QTest::keyClick(window, Qt::Key_Up);
    QTest::keyClick(window, Qt::Key_Down);
    QCOMPARE(spin->Value(), 2.0);
    QTest::keyClick(window, Qt::Key_Left);
    QCOMPARE(spin->IncExponent(), 1);
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_Right);
    QCOMPARE(spin->IncExponent(), -1);
    QTest::keyClick(window, Qt::Key_5);
    QCOMPARE(spin->Value(), 2.5);
    QCOMPARE(stolen, 0);
    QVERIFY(spin->hasFocus());
    QCOMPARE(tabs->currentIndex(), 0);
}

void tst_TPlusSpinEdit::onlyUsedKeysAreClaimed_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("base");
    QTest::addColumn<bool>("editor");
    QTest::addColumn<bool>("shortcutFires");
    QTest::addColumn<double>("value");

    QTest::newRow("letter") << int(Qt::Key_Y) << 10 << true << true << 5.0;
    QTest::newRow("letter a") << int(Qt::Key_A) << 10 << true << true << 5.0;
    QTest::newRow("digit") << int(Qt::Key_7) << 10 << true << false << 7.0;
    QTest::newRow("letter that is a digit of the base")
        << int(Qt::Key_B) << 16 << true << false << 11.0;
    QTest::newRow("digit while typing is off") << int(Qt::Key_7) << 10 << false << true << 5.0;
}

// A plain-key shortcut of the window around a focused field (a dialog's letter keys) still
// fires for every key the field does not use.
void tst_TPlusSpinEdit::onlyUsedKeysAreClaimed()
{
    QFETCH(int, key);
    QFETCH(int, base);
    QFETCH(bool, editor);
    QFETCH(bool, shortcutFires);
    QFETCH(double, value);

    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetDecimals(0);
    s->SetBase(base);
    s->SetEditorEnabled(editor);
    s->SetValue(5);
    s->SetIncExponent(0);
    int fired = 0;
    auto *shortcut = new QShortcut(QKeySequence(key), &f.host);
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++fired; });
    QVERIFY(f.Show());
    s->setFocus();

    QTest::keyClick(f.host.windowHandle(), Qt::Key(key));
    QCOMPARE(fired, shortcutFires ? 1 : 0);
    QCOMPARE(s->Value(), value);
    QVERIFY(s->hasFocus());
}

void tst_TPlusSpinEdit::fittingWidthReachesLeadingDigit_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("max");
    QTest::addColumn<QString>("typed");

    QTest::newRow("count") << 0 << 10000000.0 << "10000000";
    QTest::newRow("delay") << 12 << 2000.0 << "2";
}

// A field as wide as FittingWidth shows its widest value inside the frame, the Left key
// reaches its leading digit, and the maximum can be typed from there.
void tst_TPlusSpinEdit::fittingWidthReachesLeadingDigit()
{
    QFETCH(int, decimals);
    QFETCH(double, max);
    QFETCH(QString, typed);

    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetAutoSize(false);
    s->SetDecimals(decimals);
    s->SetThousandSeparator(u',');
    s->SetMaxValue(max);
    s->SetMinValue(0);
    s->setFixedWidth(s->FittingWidth());
    QVERIFY(f.Show());
    s->setFocus();
    s->AssignValue(max);
    QVERIFY(s->CapXStart() >= s->contentsRect().left());
    QVERIFY(s->CapXStop() <= s->UpButton()->x());

    const int top = TPlusSpinValue::DigitCount(10, max);
    s->SetIncExponent(0);
    for (int i = 0; i < top + 3; ++i)
        QTest::keyClick(s, Qt::Key_Left);
    QCOMPARE(s->IncExponent(), top);
    QCOMPARE(s->FocusIndex(), 1);

    s->AssignValue(0);
    QCOMPARE(s->IncExponent(), top);
    for (QChar ch : typed)
        QTest::keyClick(s, ch.toLatin1());
    QCOMPARE(s->Value(), max);
}

void tst_TPlusSpinEdit::arrowButtonRepeat()
{
    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetDecimals(0);
    QVERIFY(f.Show());
    f.before->setFocus();
    const QTimer *timer = s->RepeatTimer();
    QAbstractButton *up = s->UpButton();

    QTest::mousePress(up, Qt::LeftButton);
    QVERIFY(s->hasFocus());
    QVERIFY(s->Spinning());
    QCOMPARE(s->Value(), 1.0); // one step at the press
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), TPlusSpinEdit::SpinStartDelay);
    QTRY_COMPARE_WITH_TIMEOUT(s->Value(), 2.0, 5000);
    QCOMPARE(timer->interval(), TPlusSpinEdit::SpinRepeatInterval);
    QTRY_VERIFY_WITH_TIMEOUT(s->Value() >= 4.0, 5000);

    // the pointer off the held button: the timer keeps running but nothing steps
    up->setDown(false);
    const double paused = s->Value();
    QTest::qWait(3 * TPlusSpinEdit::SpinRepeatInterval);
    QVERIFY(timer->isActive());
    QVERIFY(s->Value() <= paused + 1); // at most a tick that was already under way
    const double held = s->Value();
    QTest::qWait(3 * TPlusSpinEdit::SpinRepeatInterval);
    QCOMPARE(s->Value(), held);
    up->setDown(true);
    QTRY_VERIFY_WITH_TIMEOUT(s->Value() > held, 5000);

    QTest::mouseRelease(up, Qt::LeftButton);
    QVERIFY(!timer->isActive());
    QVERIFY(!s->Spinning());
    const double released = s->Value();
    QTest::qWait(2 * TPlusSpinEdit::SpinRepeatInterval);
    QCOMPARE(s->Value(), released);
    QCOMPARE(f.reports, int(released));

    // the down button steps down
    QTest::mouseClick(s->DownButton(), Qt::LeftButton);
    QCOMPARE(s->Value(), released - 1);
}

void tst_TPlusSpinEdit::buttonSpinWithTrackSpinOff()
{
    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetTrackSpin(false);
    QVERIFY(f.Show());
    QTest::mousePress(s->UpButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(s->Value() >= 3.0, 5000);
    QCOMPARE(f.reports, 0);
    QTest::mouseRelease(s->UpButton(), Qt::LeftButton);
    QCOMPARE(f.reports, 1);

    // a spin cut short by leaving the field still reports what it changed
    QTest::mousePress(s->UpButton(), Qt::LeftButton);
    QCOMPARE(f.reports, 1);
    f.before->setFocus();
    QCOMPARE(f.reports, 2);
    QVERIFY(!s->Spinning());
    QVERIFY(!s->RepeatTimer()->isActive());
    QTest::mouseRelease(s->UpButton(), Qt::LeftButton);
}

void tst_TPlusSpinEdit::paintsFocusCellUnderlineAndCaret()
{
    Field f;
    TPlusSpinEdit *s = f.spin;
    s->SetValue(123.45);
    s->SetIncExponent(0);
    QVERIFY(f.Show());
    f.before->setFocus();

    QImage image = s->grab().toImage();
    const QRect cell = s->FocusRect();
    QCOMPARE(Blue(image, image.rect()), 0);
    QCOMPARE(image.pixelColor(cell.left(), cell.bottom()), QColor(Qt::black)); // underline
    QCOMPARE(image.pixelColor(cell.left(), cell.bottom() + 1), QColor(Qt::white));

    s->setFocus();
    image = s->grab().toImage();
    QVERIFY(Blue(image, cell) > cell.width() * cell.height() / 2);
    QCOMPARE(Blue(image, image.rect()), Blue(image, cell)); // only the focused cell
    QCOMPARE(image.pixelColor(cell.left(), cell.bottom() + 1), QColor(Qt::black)); // caret

    // the caret hides during a spin and comes back at its end
    SendKey(s, QEvent::KeyPress, Qt::Key_Up, false);
    image = s->grab().toImage();
    QCOMPARE(image.pixelColor(cell.left(), cell.bottom() + 1), QColor(Qt::white));
    SendKey(s, QEvent::KeyRelease, Qt::Key_Up, false);
    image = s->grab().toImage();
    QCOMPARE(image.pixelColor(cell.left(), cell.bottom() + 1), QColor(Qt::black));
}

void tst_TPlusSpinEdit::autoSizeFitsWidestLimit()
{
    TPlusSpinEdit s;
    s.SetDecimals(12);
    s.SetThousandSeparator(u',');
    s.SetMaxValue(2000);
    s.SetMinValue(0);
    QCOMPARE(s.height() % 2, 1);
    QCOMPARE(s.sizeHint(), s.size());
    s.SetValue(1999.99999999975);
    s.SetIncExponent(3);
    QVERIFY(s.CapXStart() > 0);
    QVERIFY(s.CapXStop() < s.UpButton()->x());
    QCOMPARE(s.CapXStop(), s.UpButton()->x() - s.DigitWidth() / 2);
    const int narrow = s.width();
    s.SetMinValue(-10000); // the wider limit decides
    QVERIFY(s.width() > narrow);
    // the arrows stack at the right edge
    QCOMPARE(s.UpButton()->geometry().bottom() + 1, s.DownButton()->y());
    QCOMPARE(s.UpButton()->geometry().right(), s.width() - 2);
}

void tst_TPlusSpinEdit::glyphSize_data()
{
    QTest::addColumn<int>("buttonWidth");
    QTest::addColumn<int>("glyph");
    QTest::newRow("digit width 8") << 20 << 10;
    QTest::newRow("narrowest") << 10 << 4;
    QTest::newRow("large") << 40 << 18;
}

void tst_TPlusSpinEdit::glyphSize()
{
    QFETCH(int, buttonWidth);
    QFETCH(int, glyph);
    QCOMPARE(TSpinArrowButton::GlyphSize(buttonWidth), glyph);
    TSpinArrowButton b(TSpinArrowButton::sdUp, nullptr);
    b.SetGlyph(buttonWidth, true);
    QCOMPARE(b.Glyph().size(), QSize(glyph + 1, glyph / 2 + 2));
    QCOMPARE(b.Glyph().pixelColor(glyph / 2, glyph / 2), QColor(Qt::black)); // filled
    QCOMPARE(b.Glyph().pixelColor(0, 0).alpha(), 0);                         // transparent
}

QTEST_MAIN(tst_TPlusSpinEdit)
#include "tst_tplusspinedit.moc"
