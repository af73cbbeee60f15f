// The digit-spin value model without a window: text, focus, step, limits and reports.

#include "ui/controls/TPlusSpinValue.h"

#include <QtTest>

#include <cmath>

class tst_TPlusSpinValue : public QObject
{
    Q_OBJECT
private slots:
    void formatting_data();
    void formatting();
    void focusAndPlaceholders_data();
    void focusAndPlaceholders();
    void placeholdersVanishWhenFocusMovesRight();
    void incrementExponent_data();
    void incrementExponent();
    void stepNeverBelowAssignedIncrement();
    void incrementBeforeDecimalsFocusesItsDigit();
    void focusBounds_data();
    void focusBounds();
    void newLimitsPullFocusIn();
    void digitCount_data();
    void digitCount();
    void clampingAndReports();
    void limitChangeClampsAndReports();
    void spinDefersReportUntilEnd();
    void longSpinStaysOnTheDecimalGrid();
    void intValueRoundsHalvesToEven_data();
    void intValueRoundsHalvesToEven();
    void parseDigits_data();
    void parseDigits();
    void typedDigit();
    void rightZero_data();
    void rightZero();
    void fewerDecimalsKeepFocusInText();
    void otherBaseAndClampedProperties();
};

void tst_TPlusSpinValue::formatting_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("text");

    const QChar none;
    QTest::newRow("grouped integer") << 1234567.89 << 2 << QChar(u',') << "1,234,567.89";
    QTest::newRow("grouped fraction") << 0.123456789 << 9 << QChar(u',') << "0.123,456,789";
    QTest::newRow("both parts") << 1000.0 << 12 << QChar(u',') << "1,000.000,000,000,000";
    QTest::newRow("fraction tail") << 0.0001 << 4 << QChar(u',') << "0.000,1";
    QTest::newRow("negative short") << -123.5 << 1 << QChar(u',') << "-123.5";
    QTest::newRow("no separator after minus") << -123456.0 << 0 << QChar(u',') << "-123,456";
    QTest::newRow("negative no decimals") << -1234.0 << 0 << QChar(u',') << "-1,234";
    QTest::newRow("short integer") << 25.0 << 0 << QChar(u',') << "25";
    QTest::newRow("no grouping") << 1234567.891 << 3 << none << "1234567.891";
    QTest::newRow("point becomes space") << 1234.5 << 1 << QChar(u'.') << "1 234.5";
    QTest::newRow("digit becomes space") << 1234.5 << 1 << QChar(u'5') << "1 234.5";
    QTest::newRow("other char kept") << 1234.5 << 1 << QChar(u'\'') << "1'234.5";
    QTest::newRow("half away from zero") << 2.5 << 0 << none << "3";
    QTest::newRow("negative half away") << -0.125 << 2 << none << "-0.13";
    QTest::newRow("negative rounding to zero") << -0.001 << 2 << none << "0.00";
    QTest::newRow("delay 250 ps") << 1999.99999999975 << 12 << QChar(u',')
                                  << "1,999.999,999,999,750";
}

void tst_TPlusSpinValue::formatting()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QChar, separator);
    QFETCH(QString, text);

    TPlusSpinValue m;
    m.SetDecimals(decimals);
    m.SetThousandSeparator(separator);
    m.SetValue(value);
    QCOMPARE(m.Text(), text);
}

void tst_TPlusSpinValue::focusAndPlaceholders_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("grouping");
    QTest::addColumn<int>("place");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("focusIndex");

    QTest::newRow("grouped placeholders") << 5.0 << 0 << true << 4 << "__,__5" << 1;
    QTest::newRow("placeholders before point") << 1.5 << 2 << true << 3 << "_,__1.50" << 1;
    QTest::newRow("units") << 123.45 << 2 << false << 0 << "123.45" << 3;
    QTest::newRow("last decimal") << 123.45 << 2 << false << -2 << "123.45" << 6;
    QTest::newRow("leading digit grouped") << 1234567.89 << 2 << true << 6 << "1,234,567.89" << 1;
    QTest::newRow("first decimal grouped") << 1234567.89 << 2 << true << -1 << "1,234,567.89" << 11;
    QTest::newRow("last decimal grouped")
        << 0.123456789 << 9 << true << -9 << "0.123,456,789" << 13;
    QTest::newRow("fourth decimal grouped")
        << 0.123456789 << 9 << true << -4 << "0.123,456,789" << 7;
    QTest::newRow("the sign") << -5.0 << 0 << false << 1 << "-5" << 1;
    QTest::newRow("left of the sign") << -5.0 << 0 << false << 2 << "_-5" << 1;
}

void tst_TPlusSpinValue::focusAndPlaceholders()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(bool, grouping);
    QFETCH(int, place);
    QFETCH(QString, text);
    QFETCH(int, focusIndex);

    TPlusSpinValue m;
    m.SetDecimals(decimals);
    if (grouping)
        m.SetThousandSeparator(u',');
    m.SetValue(value);
    m.SetIncExponent(place);
    QCOMPARE(m.IncExponent(), place);
    QCOMPARE(m.Text(), text);
    QCOMPARE(m.FocusIndex(), focusIndex);
}

void tst_TPlusSpinValue::placeholdersVanishWhenFocusMovesRight()
{
    TPlusSpinValue m;
    m.SetDecimals(0);
    m.SetThousandSeparator(u',');
    m.SetValue(5);
    m.SetIncExponent(4);
    QCOMPARE(m.Text(), QString("__,__5"));
    m.SetIncExponent(2);
    QCOMPARE(m.Text(), QString("__5"));
    QCOMPARE(m.FocusIndex(), 1);
    m.SetIncExponent(4);
    m.SetValue(6); // a rebuilt text keeps the placeholders up to the focus
    QCOMPARE(m.Text(), QString("__,__6"));
    m.SetIncExponent(0);
    QCOMPARE(m.Text(), QString("6"));
    QCOMPARE(m.FocusIndex(), 1);
}

void tst_TPlusSpinValue::incrementExponent_data()
{
    QTest::addColumn<double>("increment");
    QTest::addColumn<int>("exponent");
    QTest::addColumn<double>("step");

    QTest::newRow("1e-8") << 1e-8 << -8 << 1e-8;
    QTest::newRow("2.5e-10") << 2.5e-10 << -10 << 2.5e-10;
    QTest::newRow("just below a power") << 0.99995e-6 << -6 << 0.99995e-6;
    QTest::newRow("5") << 5.0 << 0 << 5.0;
    QTest::newRow("1") << 1.0 << 0 << 1.0;
    QTest::newRow("-5") << -5.0 << 0 << 5.0;
    QTest::newRow("1000") << 1000.0 << 3 << 1000.0;
    QTest::newRow("zero: right of the last decimal") << 0.0 << -13 << 0.0;
}

void tst_TPlusSpinValue::incrementExponent()
{
    QFETCH(double, increment);
    QFETCH(int, exponent);
    QFETCH(double, step);

    TPlusSpinValue m;
    m.SetDecimals(12);
    int raised = 0;
    m.OnStepChanged = [&] { ++raised; };
    m.SetIncrement(increment);
    QCOMPARE(m.IncExponent(), exponent);
    QCOMPARE(m.Increment(), step);
    QCOMPARE(m.SavedIncrement(), increment);
    QCOMPARE(raised > 0, std::fabs(increment) != 1.0);    // the initial step is 1
    QCOMPARE(m.FocusExponent(), std::max(exponent, -12)); // shown on the last decimal at most
    QVERIFY(m.FocusIndex() >= 1 && m.FocusIndex() <= m.Text().size());
}

void tst_TPlusSpinValue::stepNeverBelowAssignedIncrement()
{
    TPlusSpinValue m;
    m.SetDecimals(12);
    m.SetIncrement(1e-8);
    m.SetIncExponent(-10);
    QCOMPARE(m.IncExponent(), -10);
    QCOMPARE(m.Increment(), 1e-8);
    m.SetIncExponent(-9);
    QCOMPARE(m.Increment(), 1e-8);
    m.SetIncExponent(-8);
    QCOMPARE(m.Increment(), 1e-8);
    m.SetIncExponent(-7);
    QCOMPARE(m.Increment(), 1e-7);

    m.SetIncrement(2.5e-10);
    m.SetIncExponent(-12);
    QCOMPARE(m.IncExponent(), -12);
    QCOMPARE(m.Increment(), 2.5e-10);
    m.SetIncExponent(-13); // the last decimal is the finest place
    QCOMPARE(m.IncExponent(), -12);

    // a negative assigned increment never raises the step
    m.SetIncrement(-5);
    m.SetIncExponent(-1);
    QCOMPARE(m.Increment(), 0.1);
}

// A field given its step before its decimals (as a copied field is) must end up with the
// focus on the step's digit: one Up changes the focused digit first.
void tst_TPlusSpinValue::incrementBeforeDecimalsFocusesItsDigit()
{
    TPlusSpinValue m; // 2 decimals
    m.SetThousandSeparator(u',');
    m.SetMaxValue(2000);
    m.SetMinValue(0);
    m.SetIncrement(2.5e-10);
    QCOMPARE(m.FocusIndex(), m.Text().size()); // shown on the last decimal for now
    m.AssignValue(1);
    m.SetDecimals(12);
    m.SetIncrement(2.5e-10); // as the resolution rules assign it again

    QCOMPARE(m.Text(), QString("1.000,000,000,000"));
    QCOMPARE(m.FocusIndex(), 15); // the tenth decimal: 100 ps
    const QString before = m.Text();
    m.Step(+1);
    QCOMPARE(m.Text(), QString("1.000,000,000,250"));
    qsizetype firstChanged = 0;
    while (m.Text()[firstChanged] == before[firstChanged])
        ++firstChanged;
    QCOMPARE(firstChanged + 1, qsizetype(m.FocusIndex()));
}

void tst_TPlusSpinValue::focusBounds_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("highest");

    QTest::newRow("-1000..1000") << -1000.0 << 1000.0 << 4;
    QTest::newRow("2000..5000") << 2000.0 << 5000.0 << 3;
    QTest::newRow("0..50") << 0.0 << 50.0 << 1;
    QTest::newRow("0..2000") << 0.0 << 2000.0 << 3;
    QTest::newRow("no limits") << 0.0 << 0.0 << 9;
}

void tst_TPlusSpinValue::focusBounds()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, highest);

    TPlusSpinValue m;
    m.SetMaxValue(max);
    m.SetMinValue(min);
    m.SetIncExponent(9);
    QCOMPARE(m.IncExponent(), highest);
    m.SetIncExponent(-5);
    QCOMPARE(m.IncExponent(), -2);
}

void tst_TPlusSpinValue::newLimitsPullFocusIn()
{
    TPlusSpinValue m;
    m.SetIncrement(2.5);
    m.SetIncExponent(6);
    QCOMPARE(m.Text(), QString("______0.00"));
    m.SetMaxValue(50);
    QCOMPARE(m.IncExponent(), 1);
    QCOMPARE(m.Text(), QString("_0.00"));
    QCOMPARE(m.Increment(), 10.0);
    m.SetIncExponent(0); // within the limits the assigned step still holds
    QCOMPARE(m.Increment(), 2.5);
    m.SetMinValue(-1000);
    QCOMPARE(m.IncExponent(), 0);
    QCOMPARE(m.Increment(), 2.5);
}

void tst_TPlusSpinValue::digitCount_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("count");
    QTest::newRow("50") << 50.0 << 1;
    QTest::newRow("1000") << 1000.0 << 3;
    QTest::newRow("5000") << 5000.0 << 3;
    QTest::newRow("9999") << 9999.0 << 3;
    QTest::newRow("-1000") << -1000.0 << 4;
    QTest::newRow("0") << 0.0 << 1;
    QTest::newRow("-0.5") << -0.5 << 2;
}

void tst_TPlusSpinValue::digitCount()
{
    QFETCH(double, x);
    QFETCH(int, count);
    QCOMPARE(TPlusSpinValue::DigitCount(10, x), count);
}

void tst_TPlusSpinValue::clampingAndReports()
{
    TPlusSpinValue m;
    int reports = 0;
    m.OnReportChange = [&] { ++reports; };

    m.AssignValue(-1e6); // equal limits: anything goes
    QCOMPARE(m.Value(), -1e6);
    QCOMPARE(reports, 1);

    m.SetMaxValue(50);
    m.SetMinValue(0);
    QCOMPARE(m.Value(), 0.0);
    reports = 0;
    m.AssignValue(80);
    QCOMPARE(m.Value(), 50.0);
    QCOMPARE(reports, 1);
    m.AssignValue(80); // clamps to the present value: nothing to report
    QCOMPARE(reports, 1);
    m.AssignValue(50);
    QCOMPARE(reports, 1);

    m.SetValue(7);
    QCOMPARE(m.Value(), 7.0);
    QCOMPARE(m.Text(), QString("7.00"));
    QCOMPARE(reports, 1);
    m.SetValue(-3);
    QCOMPARE(m.Value(), 0.0);

    m.AssignValue(std::nan(""));
    QCOMPARE(m.Value(), 0.0);
    QCOMPARE(reports, 1);
}

void tst_TPlusSpinValue::limitChangeClampsAndReports()
{
    TPlusSpinValue m;
    int reports = 0;
    m.OnReportChange = [&] { ++reports; };
    m.SetValue(150);
    m.SetMinValue(0); // still equal limits
    QCOMPARE(m.Value(), 150.0);
    m.SetMaxValue(100);
    QCOMPARE(m.Value(), 100.0);
    QCOMPARE(m.Text(), QString("100.00"));
    QCOMPARE(reports, 1);
    m.SetMaxValue(200); // widening changes nothing
    QCOMPARE(reports, 1);
}

void tst_TPlusSpinValue::spinDefersReportUntilEnd()
{
    for (bool track : {false, true}) {
        TPlusSpinValue m;
        m.SetTrackSpin(track);
        int reports = 0;
        m.OnReportChange = [&] { ++reports; };
        m.BeginSpin();
        for (int i = 1; i <= 10; ++i)
            m.AssignValue(i);
        QCOMPARE(reports, track ? 10 : 0);
        QCOMPARE(m.Modified(), !track);
        m.EndSpin();
        QCOMPARE(reports, track ? 10 : 1);
        QVERIFY(!m.Modified());
        m.EndSpin(); // a second end reports nothing
        QCOMPARE(reports, track ? 10 : 1);
    }
}

void tst_TPlusSpinValue::longSpinStaysOnTheDecimalGrid()
{
    // 250 ps steps on a delay near 2000 s: plain double sums drift into the shown decimals
    TPlusSpinValue m;
    m.SetDecimals(12);
    m.SetThousandSeparator(u',');
    m.SetMaxValue(2000);
    m.SetIncrement(2.5e-10);
    m.SetValue(1234.5);
    for (int i = 0; i < 100000; ++i)
        m.Step(+1);
    QCOMPARE(m.Text(), QString("1,234.500,025,000,000"));
    QCOMPARE(m.Value(), 1234.500025);
    for (int i = 0; i < 100000; ++i)
        m.Step(-1);
    QCOMPARE(m.Value(), 1234.5);

    // a step finer than the last decimal still moves the value
    TPlusSpinValue fine;
    fine.SetDecimals(2);
    fine.SetIncrement(0.001);
    fine.Step(+1);
    QCOMPARE(fine.Value(), 0.001);
}

void tst_TPlusSpinValue::intValueRoundsHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("3.5") << 3.5 << 4;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("2.51") << 2.51 << 3;
    QTest::newRow("huge") << 1e12 << INT_MAX;
}

void tst_TPlusSpinValue::intValueRoundsHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(int, rounded);
    TPlusSpinValue m;
    m.SetValue(value);
    QCOMPARE(m.IntValue(), rounded);
}

void tst_TPlusSpinValue::parseDigits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("base");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");

    QTest::newRow("negative") << "-12.5" << 10 << true << -12.5;
    QTest::newRow("decimal exact") << "0.3" << 10 << true << 0.3;
    QTest::newRow("long fraction") << "1999.999999999750" << 10 << true << 1999.99999999975;
    QTest::newRow("base 16") << "1a" << 16 << true << 26.0;
    QTest::newRow("base 2 fraction") << "-10.1" << 2 << true << -2.5;
    QTest::newRow("two points") << "12.3.4" << 10 << false << 0.0;
    QTest::newRow("minus inside") << "1-5" << 10 << false << 0.0;
    QTest::newRow("lone minus") << "-" << 10 << false << 0.0;
    QTest::newRow("digit beyond base") << "1a" << 10 << false << 0.0;
    QTest::newRow("placeholder") << "_-5" << 10 << false << 0.0;
}

void tst_TPlusSpinValue::parseDigits()
{
    QFETCH(QString, text);
    QFETCH(int, base);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const std::optional<double> v = TPlusSpinValue::ParseDigits(text, base);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(*v, value);
}

void tst_TPlusSpinValue::typedDigit()
{
    TPlusSpinValue m;
    m.SetDecimals(0);
    m.SetMaxValue(50);
    m.SetValue(25);
    int reports = 0;
    m.OnReportChange = [&] { ++reports; };

    // on the units: 27, the focus stays on the units (the last place)
    std::optional<double> v = m.TypedValue(u'7');
    QVERIFY(v);
    QVERIFY(m.ApplyTyped(*v));
    QCOMPARE(m.Value(), 27.0);
    QCOMPARE(m.IncExponent(), 0);
    QCOMPARE(reports, 1);

    // on the tens: 97 lies past the maximum and is refused whole, the focus stays
    m.SetIncExponent(1);
    v = m.TypedValue(u'9');
    QVERIFY(v);
    QVERIFY(!m.ApplyTyped(*v));
    QCOMPARE(m.Value(), 27.0);
    QCOMPARE(m.Text(), QString("27"));
    QCOMPARE(m.IncExponent(), 1);
    QCOMPARE(reports, 1);

    // placeholders right of the typed digit read as zeros, separators are skipped
    TPlusSpinValue g;
    g.SetDecimals(0);
    g.SetThousandSeparator(u',');
    g.SetValue(5);
    g.SetIncExponent(4);
    v = g.TypedValue(u'3');
    QVERIFY(v);
    QCOMPARE(*v, 30005.0);

    // typing over the sign makes the value positive; left of the sign is no number
    TPlusSpinValue n;
    n.SetDecimals(0);
    n.SetValue(-5);
    n.SetIncExponent(1);
    QCOMPARE(*n.TypedValue(u'7'), 75.0);
    n.SetIncExponent(2);
    QVERIFY(!n.TypedValue(u'1'));

    // A limit a hair off its shown decimal: 9999.999999999 shows as 10,000.000. Typing
    // there reads 10000, just past the tolerance although limit + tolerance rounds up to
    // it; taking it would clamp the value further from 10000 than the tolerance allows.
    TPlusSpinValue r;
    r.SetThousandSeparator(u',');
    r.SetDecimals(3);
    r.SetMaxValue(std::pow(10.0, 4) - std::pow(10.0, -9));
    r.SetValue(r.MaxValue());
    r.SetIncExponent(-3);
    QCOMPARE(r.Text(), QString("10,000.000"));
    v = r.TypedValue(u'0');
    QCOMPARE(*v, 10000.0);
    QVERIFY(!r.ApplyTyped(*v));
    QCOMPARE(r.Value(), r.MaxValue());
    // a limit within the tolerance of the typed decimal is that decimal
    r.SetMaxValue(10000.0 - 1e-10);
    QVERIFY(r.ApplyTyped(*r.TypedValue(u'0')));
    QCOMPARE(r.Value(), r.MaxValue());
}

void tst_TPlusSpinValue::rightZero_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("place");
    QTest::addColumn<QString>("text");

    QTest::newRow("tens") << 1234.56 << 2 << 1 << "1,230.00";
    QTest::newRow("units") << 1234.56 << 2 << 0 << "1,234.00";
    QTest::newRow("first decimal") << 1234.56 << 2 << -1 << "1,234.50";
    QTest::newRow("last decimal changes nothing")
        << 1.234567890123456 << 15 << -15 << "1.234,567,890,123,456";
    QTest::newRow("negative hundreds") << -1234.56 << 2 << 2 << "-1,200.00";
    QTest::newRow("delay picoseconds") << 1.00000000025 << 12 << -9 << "1.000,000,000,000";
    QTest::newRow("above the text") << 12.0 << 0 << 4 << "__,__0";
    // Digits left of the focus are kept even beyond twelve significant ones.
    QTest::newRow("250 ps digit of 1,999.999,999,999,750")
        << 1999.99999999975 << 12 << -10 << "1,999.999,999,999,700";
    QTest::newRow("last decimal of 1,234.567,890,123,250")
        << 1234.56789012325 << 12 << -12 << "1,234.567,890,123,250";
    QTest::newRow("10.000,000,000,250 keeps its 250 ps")
        << 10.00000000025 << 12 << -11 << "10.000,000,000,250";
    QTest::newRow("10.000,000,000,250 on the 100 ps digit")
        << 10.00000000025 << 12 << -10 << "10.000,000,000,200";
}

void tst_TPlusSpinValue::rightZero()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(int, place);
    QFETCH(QString, text);

    TPlusSpinValue m;
    m.SetDecimals(decimals);
    m.SetThousandSeparator(u',');
    m.SetValue(value);
    m.SetIncExponent(place);
    const QString before = m.Text();
    int reports = 0;
    m.OnReportChange = [&] { ++reports; };
    m.RightZero();
    QCOMPARE(m.Text(), text);
    QCOMPARE(reports, text == before ? 0 : 1);
    // the value is exactly the text read back
    QString digits = text;
    digits.remove(u',').replace(u'_', u'0');
    QVERIFY2(m.Value() == digits.toDouble(), qPrintable(QString::number(m.Value(), 'g', 17)));
}

void tst_TPlusSpinValue::fewerDecimalsKeepFocusInText()
{
    TPlusSpinValue m;
    m.SetDecimals(4);
    m.SetValue(1.2345);
    m.SetIncExponent(-4);
    QCOMPARE(m.FocusIndex(), 6);
    m.SetDecimals(1);
    QCOMPARE(m.Text(), QString("1.2"));
    QCOMPARE(m.IncExponent(), -1);
    QCOMPARE(m.FocusIndex(), 3);
    QCOMPARE(m.Increment(), 0.1);
}

void tst_TPlusSpinValue::otherBaseAndClampedProperties()
{
    TPlusSpinValue m;
    m.SetDecimals(0);
    m.SetThousandSeparator(u',');
    m.SetValue(12345);
    m.SetBase(16);
    QCOMPARE(m.Text(), QString("1,2345")); // decimal text, groups of four
    m.SetIncExponent(1);
    QCOMPARE(m.Increment(), 16.0);
    m.SetValue(16);
    m.SetIncExponent(0);
    QCOMPARE(*m.TypedValue(u'f'), 31.0); // "1f" read in base 16
    m.SetBase(8);
    QVERIFY(!m.TypedValue(u'9'));

    m.SetDecimals(25);
    QCOMPARE(m.Decimals(), 18);
    m.SetDecimals(-1);
    QCOMPARE(m.Decimals(), 0);
    m.SetLeadingDigits(40);
    QCOMPARE(m.LeadingDigits(), 18);
    m.SetBase(1);
    QCOMPARE(m.Base(), 2);
}

QTEST_APPLESS_MAIN(tst_TPlusSpinValue)
#include "tst_tplusspinvalue.moc"
