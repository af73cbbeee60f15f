#include "base/ErrorReport.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TCheckBox.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TComboBox.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TPageControl.h"

#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

class tst_channeltabs : public QObject
{
    Q_OBJECT
private slots:
    void generatedTabs_data();
    void generatedTabs();
    void generatedControlsCopyTheTemplate();
    void generatedFieldsFocusAndStepLikeTemplate_data();
    void generatedFieldsFocusAndStepLikeTemplate();
    void fieldsShowAndReachTheirRange_data();
    void fieldsShowAndReachTheirRange();
    void secondCallAddsNothing();
    void tableRefusesControlOfWrongKind();
};

// The names a generated channel's controls carry, by prefix.
static const char *const GeneratedNames[] = {
    "TabCh",           "ChFunctGrp",        "ChEnablebox",     "ChDelayGrp",      "ChDelayAdj",
    "ChModeGrp",       "ChModeSel",         "ChSyncSourceGrp", "ChSyncSourceSel", "ChDutyOnGrp",
    "ChDutyOnAdj",     "ChDutyOffGrp",      "ChDutyOffAdj",    "ChWidthGrp",      "ChWidthAdj",
    "ChBurstCountGrp", "ChBurstAdj",        "PolarityGrp",     "ChPolaritySel",   "ChOutputModeGrp",
    "ChOutputModeSel", "ChAmplitudeAdjGrp", "ChAmplitudeAdj",  "ChWaitCountGrp",  "ChWaitCountAdj",
    "ChGateModeGrp",   "ChGateModeSel",     "ChMuxGrp",        "ChMuxSelect",     "ChControlGrp",
    "ChControlSel",    "ChGateLogicGrp",    "ChGateLogicSel"};

// Every per-channel table as (name prefix, entry n).
static QList<QPair<QString, std::function<QObject *(int)>>> Tables(TMainForm &w)
{
    return {
        {"ChEnablebox", [&w](int n) { return (QObject *)w.ChEnablebox[n]; }},
        {"ChDelayAdj", [&w](int n) { return (QObject *)w.ChDelayAdj[n]; }},
        {"ChWidthAdj", [&w](int n) { return (QObject *)w.ChWidthAdj[n]; }},
        {"ChModeSel", [&w](int n) { return (QObject *)w.ChModeSel[n]; }},
        {"ChAmplitudeAdj", [&w](int n) { return (QObject *)w.ChAmplitudeAdj[n]; }},
        {"ChOutputModeSel", [&w](int n) { return (QObject *)w.ChOutputModeSel[n]; }},
        {"ChAmplitudeAdjGrp", [&w](int n) { return (QObject *)w.ChAmplitudeAdjGrp[n]; }},
        {"ChBurstAdj", [&w](int n) { return (QObject *)w.ChBurstAdj[n]; }},
        {"ChBurstCountGrp", [&w](int n) { return (QObject *)w.ChBurstCountGrp[n]; }},
        {"ChWaitCountAdj", [&w](int n) { return (QObject *)w.ChWaitCountAdj[n]; }},
        {"ChSyncSourceSel", [&w](int n) { return (QObject *)w.ChSyncSourceSel[n]; }},
        {"ChPolaritySel", [&w](int n) { return (QObject *)w.ChPolaritySel[n]; }},
        {"ChDutyOnAdj", [&w](int n) { return (QObject *)w.ChDutyOnAdj[n]; }},
        {"ChDutyOnGrp", [&w](int n) { return (QObject *)w.ChDutyOnGrp[n]; }},
        {"ChDutyOffAdj", [&w](int n) { return (QObject *)w.ChDutyOffAdj[n]; }},
        {"ChDutyOffGrp", [&w](int n) { return (QObject *)w.ChDutyOffGrp[n]; }},
        {"ChGateModeSel", [&w](int n) { return (QObject *)w.ChGateModeSel[n]; }},
        {"ChMuxSelect", [&w](int n) { return (QObject *)w.ChMuxSelect[n]; }},
        {"ChControlSel", [&w](int n) { return (QObject *)w.ChControlSel[n]; }},
        {"ChGateLogicSel", [&w](int n) { return (QObject *)w.ChGateLogicSel[n]; }},
    };
}

// As the initialization does for a model below 12 channels.
static void RemoveMuxItemFour(TMainForm &w)
{
    delete w.ChMuxSelect[1]->takeItem(4);
}

void tst_channeltabs::generatedTabs_data()
{
    QTest::addColumn<int>("channelCount");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("muxItems");
    QTest::newRow("6 channels") << 6 << 6 << 4;
    QTest::newRow("12 channels") << 12 << 12 << 5;
    QTest::newRow("24 channels") << 24 << 24 << 5;
    QTest::newRow("36 channels") << 36 << 36 << 5;
    QTest::newRow("one channel") << 1 << 1 << 4;
    QTest::newRow("beyond the tables") << 40 << 36 << 5;
}

void tst_channeltabs::generatedTabs()
{
    QFETCH(int, channelCount);
    QFETCH(int, pages);
    QFETCH(int, muxItems);
    TMainForm w;
    w.Session->ChannelCount = channelCount;
    if (channelCount < 12)
        RemoveMuxItemFour(w);
    w.CreateChannelTabs();

    QVERIFY(w.ChannelTabsCreated);
    QCOMPARE(w.ChPageControl->PageCount(), pages);
    QCOMPARE(w.FActiveChControls.size(), pages);
    for (int i = 0; i < pages; ++i) {
        QCOMPARE(w.ChPageControl->TabCaption(i), QString("Ch %1").arg(i + 1));
        QCOMPARE(w.ChPageControl->Page(i)->objectName(), QString("TabCh%1").arg(i + 1));
        QCOMPARE(w.ChPageControl->TabButton(i)->width(), 55);
    }

    // Tables: filled with the control of that channel's name up to N, empty above.
    for (const auto &[prefix, entry] : Tables(w)) {
        for (int n = 1; n <= MaxChannels; ++n) {
            QObject *o = entry(n);
            if (n <= pages) {
                QVERIFY2(o, qPrintable(prefix + QString::number(n)));
                QCOMPARE(o->objectName(), prefix + QString::number(n));
            } else {
                QVERIFY2(!o, qPrintable(prefix + QString::number(n)));
            }
        }
    }
    for (int n = 1; n <= pages; ++n)
        QCOMPARE(w.ChMuxSelect[n]->count(), muxItems);

    // The last generated channel's controls: each name found once, with the channel
    // number as its only run of digits (handlers read the channel from it).
    static const QRegularExpression digits("\\d+");
    for (const char *prefix : GeneratedNames) {
        if (pages == 1)
            break; // nothing generated
        const QString name = prefix + QString::number(pages);
        QCOMPARE(w.findChildren<QWidget *>(name).size(), 1);
        QStringList runs;
        for (const auto &m : digits.globalMatch(name))
            runs << m.captured();
        QCOMPARE(runs, QStringList{QString::number(pages)});
    }

    // Only the page shown is visible: the generated ones wait under their tabs.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int i = 0; i < pages; ++i)
        QCOMPARE(w.ChPageControl->Page(i)->isVisible(), i == 0);

    // 36 tabs of 55 pixels wrap into rows inside the 740-pixel control.
    if (pages == 36) {
        QVERIFY(w.ChPageControl->TabRows() >= 3);
        for (int i = 0; i < pages; ++i)
            QVERIFY(w.ChPageControl->rect().contains(w.ChPageControl->TabButton(i)->geometry()));
        QVERIFY(w.ChPageControl->Page(0)->height() >=
                w.findChild<QGroupBox *>("ChFunctGrp1")->geometry().bottom());
    }
}

void tst_channeltabs::generatedControlsCopyTheTemplate()
{
    TMainForm w;
    // Template state at generation time, including handlers and a check mark.
    QStringList raisedBy;
    auto record = [&raisedBy](QObject *sender) { raisedBy << sender->objectName(); };
    w.ChModeSel[1]->SetOnChange(record);
    w.ChDelayAdj[1]->SetOnChange(record);
    w.ChEnablebox[1]->SetOnClick(record);
    w.ChMuxSelect[1]->SetOnClickCheck(record);
    w.ChMuxSelect[1]->SetChecked(2, true);
    w.ChPolaritySel[1]->setCurrentIndex(1);
    w.Session->ChannelCount = 12;
    w.CreateChannelTabs();

    const int n = 7;
    QCOMPARE(w.ChModeSel[n]->currentIndex(), 0);
    QCOMPARE(w.ChPolaritySel[n]->currentIndex(), 1);
    QCOMPARE(w.ChSyncSourceSel[n]->currentIndex(), -1);
    QCOMPARE(w.ChGateLogicSel[n]->itemText(1), QString("Active High"));
    QVERIFY(w.ChEnablebox[n]->isChecked());
    QCOMPARE(w.ChEnablebox[n]->text(), QString("Enabled"));
    QCOMPARE(w.ChEnablebox[n]->toolTip(), QString("Enables or disables channel "));
    QCOMPARE(w.ChBurstCountGrp[n]->title(), QString("Burst Count"));
    QCOMPARE(w.ChBurstCountGrp[n]->toolTip(),
             QString("Sets channel burst count when in channel burst mode"));
    QVERIFY(!w.ChMuxSelect[n]->Checked(2)); // check marks belong to the channel
    QCOMPARE(w.ChMuxSelect[n]->Columns(), 5);
    QCOMPARE(w.ChAmplitudeAdj[n]->Decimals(), 2);
    QCOMPARE(w.ChAmplitudeAdj[n]->MaxValue(), 20.0);
    QCOMPARE(w.ChAmplitudeAdj[n]->ThousandSeparator(), QChar());
    QCOMPARE(w.ChDelayAdj[n]->Decimals(), w.ChDelayAdj[1]->Decimals());
    QCOMPARE(w.ChDelayAdj[n]->Increment(), w.ChDelayAdj[1]->Increment());
    // Same place on its tab as the template on the first.
    QCOMPARE(w.ChAmplitudeAdjGrp[n]->geometry(), w.ChAmplitudeAdjGrp[1]->geometry());
    QCOMPARE(w.ChDelayAdj[n]->geometry(), w.ChDelayAdj[1]->geometry());
    QCOMPARE(w.ChDelayAdj[n]->font().pixelSize(), w.ChDelayAdj[1]->font().pixelSize());

    // The template's handlers, raised by the generated controls as their sender.
    emit w.ChModeSel[n]->activated(2);
    w.ChDelayAdj[n]->AssignValue(1e-6);
    w.ChEnablebox[n]->click();
    w.ChMuxSelect[n]->item(1)->setCheckState(Qt::Checked);
    QCOMPARE(raisedBy, (QStringList{"ChModeSel7", "ChDelayAdj7", "ChEnablebox7", "ChMuxSelect7"}));
}

// A 12-channel window as the initialization leaves it: tabs generated, then the timing
// limits applied; shown, with the page of channel n in front.
struct ChannelWindow
{
    TMainForm w;
    ChannelWindow()
    {
        w.Session->ChannelCount = 12;
        w.CreateChannelTabs();
        w.SetResolutionRanges();
        w.show();
    }
    bool Show(int n)
    {
        w.ChPageControl->SetActivePageIndex(n - 1);
        w.activateWindow();
        return QTest::qWaitForWindowActive(&w);
    }
};

// What the operator sees of a focused field: the character drawn in the blue focus cell
// (0-based, in the text as drawn) and the text after one Up.
struct FocusAndStep
{
    int highlighted = -1;
    QString before, after;
};

static FocusAndStep UpOnFocusedField(TPlusSpinEdit *field)
{
    FocusAndStep r;
    field->setFocus();
    QImage image = field->grab().toImage();
    int left = INT_MAX, right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == QColor(0, 0, 255)) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
    const QFontMetrics fm(field->font());
    QString t = field->Text();
    t.replace(u'_', u'0');
    const int centre = (left + right) / 2;
    for (int k = 0; k < t.size(); ++k)
        if (centre >= field->CapXStart() + fm.horizontalAdvance(t.left(k)) &&
            centre < field->CapXStart() + fm.horizontalAdvance(t.left(k + 1)))
            r.highlighted = k;
    r.before = field->Text();
    QTest::keyClick(field, Qt::Key_Up);
    r.after = field->Text();
    return r;
}

void tst_channeltabs::generatedFieldsFocusAndStepLikeTemplate_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("delay") << "ChDelayAdj";
    QTest::newRow("width") << "ChWidthAdj";
}

// On every tab the delay and width fields highlight the digit that Up changes: 1 s plus
// one 250 ps step, with the 100 ps digit (the tenth decimal) highlighted.
void tst_channeltabs::generatedFieldsFocusAndStepLikeTemplate()
{
    QFETCH(QString, field);
    ChannelWindow cw;
    QList<FocusAndStep> seen;
    for (int n : {1, 7}) {
        QVERIFY(cw.Show(n));
        auto *e = cw.w.findChild<TPlusSpinEdit *>(field + QString::number(n));
        QVERIFY(e);
        e->AssignValue(1.0);
        const FocusAndStep r = UpOnFocusedField(e);
        QCOMPARE(r.before, QString("1.000,000,000,000"));
        QCOMPARE(r.after, QString("1.000,000,000,250"));
        QCOMPARE(r.highlighted, 14);
        int firstChanged = 0;
        while (r.after[firstChanged] == r.before[firstChanged])
            ++firstChanged;
        QCOMPARE(firstChanged, r.highlighted);
        seen << r;
    }
    QCOMPARE(seen[1].highlighted, seen[0].highlighted);
}

void tst_channeltabs::fieldsShowAndReachTheirRange_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("max");
    QTest::addColumn<QString>("typed");
    for (const char *count : {"ChBurstAdj", "ChDutyOnAdj", "ChDutyOffAdj", "ChWaitCountAdj"})
        QTest::newRow(count) << count << 10000000.0 << "10000000";
    QTest::newRow("ChDelayAdj") << "ChDelayAdj" << 2000.0 << "2";
    QTest::newRow("ChWidthAdj") << "ChWidthAdj" << 2000.0 << "2";
}

// At its maximum every per-channel field draws all its digits inside its frame and clear
// of its arrows, Left reaches the leading digit, and the maximum can be typed there.
void tst_channeltabs::fieldsShowAndReachTheirRange()
{
    QFETCH(QString, field);
    QFETCH(double, max);
    QFETCH(QString, typed);
    ChannelWindow cw;
    for (int n : {1, 7}) {
        QVERIFY(cw.Show(n));
        auto *e = cw.w.findChild<TPlusSpinEdit *>(field + QString::number(n));
        QVERIFY(e);
        QCOMPARE(e->MaxValue(), max);
        QVERIFY(e->parentWidget()->rect().contains(e->geometry()));
        e->setFocus();
        e->AssignValue(max);
        e->SetIncExponent(0);
        // half a digit clear of the frame, as the text ends half a digit before the arrows
        QVERIFY2(e->CapXStart() - e->contentsRect().left() >= e->DigitWidth() / 2,
                 qPrintable(e->Text()));
        QVERIFY(e->CapXStop() <= e->UpButton()->x());

        const int top = TPlusSpinValue::DigitCount(10, max);
        for (int i = 0; i < top + 3; ++i)
            QTest::keyClick(e, Qt::Key_Left);
        QCOMPARE(e->IncExponent(), top);
        QCOMPARE(e->FocusIndex(), 1);
        QVERIFY(e->FocusRect().left() >= e->contentsRect().left());

        // zeros right of the leading digit, so that the typed digits alone make the value
        // (a digit whose result would leave the range is refused, not clamped)
        e->AssignValue(std::pow(10.0, top));
        QCOMPARE(e->IncExponent(), top);
        for (QChar ch : typed)
            QTest::keyClick(e, ch.toLatin1());
        QCOMPARE(e->Value(), max);
    }
}

void tst_channeltabs::secondCallAddsNothing()
{
    TMainForm w;
    w.Session->ChannelCount = 6;
    w.CreateChannelTabs();
    const int widgets = w.findChildren<QWidget *>().size();
    QObject *delay6 = w.ChDelayAdj[6];

    w.Session->ChannelCount = 12; // a later initialization with a model read differently
    w.CreateChannelTabs();
    QCOMPARE(w.ChPageControl->PageCount(), 6);
    QCOMPARE(w.findChildren<QWidget *>().size(), widgets);
    QCOMPARE((QObject *)w.ChDelayAdj[6], delay6);
    QVERIFY(!w.ChDelayAdj[7]);
}

void tst_channeltabs::tableRefusesControlOfWrongKind()
{
    QStringList reported;
    ErrorReporter previous = SetErrorReporter([&](const QString &t) { reported << t; });
    TMainForm w;
    w.findChild<QWidget *>("ChWidthAdj1")->setObjectName("ChWidthAdjOld");
    auto *impostor = new QLabel(w.centralWidget());
    impostor->setObjectName("ChWidthAdj1");

    QVERIFY(!w.BindChannelControls(1));
    QVERIFY(!w.ChWidthAdj[1]);
    QVERIFY(w.ChDelayAdj[1]); // the other tables are still filled
    QCOMPARE(reported.size(), 1);
    QVERIFY(reported[0].contains("ChWidthAdj1"));
    SetErrorReporter(previous);
}

QTEST_MAIN(tst_channeltabs)
#include "tst_channeltabs.moc"
