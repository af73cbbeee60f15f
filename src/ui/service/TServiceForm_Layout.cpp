// Construction of the service window: the fixed controls, the channel-1 template page
// and the timers.

#include "ui/controls/TPlusSpinEdit.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TPageControl.h"
#include "ui/main/TScreenFit.h"
#include "ui/main/UiFont.h"
#include "ui/service/TRadioGroup.h"
#include "ui/service/TServiceForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int WindowPx = 12;  // 9 points
constexpr int NumericPx = 15; // the numeric fields
constexpr int TabPx = 16;     // 12 points, the channel tabs

QGroupBox *Group(QWidget *parent, const char *name, const QString &caption, QRect r)
{
    auto *g = new QGroupBox(caption, parent);
    g->setObjectName(QLatin1String(name));
    g->setGeometry(r);
    return g;
}

// A calibration factor: an integer field without border, step 1.
TPlusSpinEdit *Factor(QWidget *parent, const char *name, QRect r, int min, int max, int initial,
                      QChar separator, TNotifyEvent onChange)
{
    auto *e = new TPlusSpinEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setFont(UiFont(NumericPx));
    e->SetAutoSize(false);
    e->SetDecimals(0);
    e->SetMaxValue(max);
    e->SetMinValue(min);
    e->SetIncrement(1);
    e->SetThousandSeparator(separator);
    e->AssignValue(initial);
    e->SetBorderStyle(TPlusSpinEdit::bsNone);
    e->setGeometry(r);
    e->SetOnChange(std::move(onChange));
    return e;
}

QPushButton *Button(QWidget *parent, const char *name, const QString &caption, QRect r)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(r);
    b->setAutoDefault(false);
    return b;
}
} // namespace

TServiceForm::TServiceForm(TMainForm &mainForm, QWidget *parent)
    : QWidget(parent, Qt::Window), Main(mainForm), Session(*mainForm.Session)
{
    setObjectName(QStringLiteral("ServiceForm"));
    setWindowTitle(QStringLiteral("Service"));
    setFont(UiFont(WindowPx));
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("ServiceClient"));
    Client->setFixedSize(ClientWidth, ClientHeight);
    auto *frame = new QVBoxLayout(this);
    frame->setContentsMargins(QMargins());
    frame->addWidget(Client);
    frame->setSizeConstraint(QLayout::SetFixedSize);
    CreateScreenFit();

    CreateAmplifierGroups();
    CreateIdentityControls();
    CreateChannelTemplate();

    CalTimer = new QTimer(this);
    CalTimer->setObjectName(QStringLiteral("CalTimer"));
    CalTimer->setInterval(100);
    connect(CalTimer, &QTimer::timeout, this, &TServiceForm::CalTimerTimer);

    FOptimizeTimer = new QTimer(this);
    FOptimizeTimer->setInterval(5);
    connect(FOptimizeTimer, &QTimer::timeout, this, &TServiceForm::WaitForOptimize);
    CreateCalibrationParts();
}

TServiceForm::~TServiceForm() = default;

void TServiceForm::CreateScreenFit()
{
    auto setScrolls = [this](bool scrolls) {
        auto *frame = static_cast<QBoxLayout *>(layout());
        auto *scroll =
            findChild<QScrollArea *>(QStringLiteral("ServiceScroll"), Qt::FindDirectChildrenOnly);
        if (scrolls == (scroll != nullptr))
            return;
        if (scrolls) {
            frame->removeWidget(Client);
            scroll = new QScrollArea(this);
            scroll->setObjectName(QStringLiteral("ServiceScroll"));
            scroll->setFrameShape(QFrame::NoFrame);
            scroll->setWidget(Client);
            Client->show();
            frame->addWidget(scroll);
            frame->setSizeConstraint(QLayout::SetDefaultConstraint);
        } else {
            scroll->takeWidget();
            delete scroll;
            Client->setParent(this);
            Client->setAutoFillBackground(false);
            frame->addWidget(Client);
            Client->show();
            frame->setSizeConstraint(QLayout::SetFixedSize);
            frame->activate();
        }
    };
    const auto natural = [] { return QSize(ClientWidth, ClientHeight); };
    new TScreenFit(this, natural, setScrolls);
}

void TServiceForm::CreateAmplifierGroups()
{
    struct Amplifier
    {
        QGroupBox *&Box;
        const char *BoxName;
        const char *Caption;
        QRect Rect;
        QGroupBox *&GainGrp;
        const char *GainGrpName;
        TPlusSpinEdit *&Gain;
        const char *GainName;
        void (TServiceForm::*GainChange)(QObject *);
        QGroupBox *&OffGrp;
        const char *OffGrpName;
        TPlusSpinEdit *&Off;
        const char *OffName;
        void (TServiceForm::*OffChange)(QObject *);
    };
    const Amplifier amplifiers[] = {
        {Trig1CalGrp, "Trig1CalGrp", "Trig 1 Calibration", QRect(5, 5, 105, 137), Trig1AmpGainGrp,
         "Trig1AmpGainGrp", Trig1AmpGainAdj, "Trig1AmpGainAdj",
         &TServiceForm::Trig1AmpGainAdjChange, Trig1AmpOffGrp, "Trig1AmpOffGrp", Trig1AmpOffAdj,
         "Trig1AmpOffAdj", &TServiceForm::Trig1AmpOffAdjChange},
        {Gate1CalGrp, "Gate1CalGrp", "Gate 1 Calibration", QRect(116, 5, 105, 137), Gate1AmpGainGrp,
         "Gate1AmpGainGrp", Gate1AmpGainAdj, "Gate1AmpGainAdj",
         &TServiceForm::Gate1AmpGainAdjChange, Gate1AmpOffGrp, "Gate1AmpOffGrp", Gate1AmpOffAdj,
         "Gate1AmpOffAdj", &TServiceForm::Gate1AmpOffAdjChange},
        {TrigGate2CalGrp, "TrigGate2CalGrp", "Trig/Gate 2 Calibration", QRect(227, 5, 141, 137),
         TrigGate2AmpGainGrp, "TrigGate2AmpGainGrp", TrigGate2AmpGainAdj, "TrigGate2AmpGainAdj",
         &TServiceForm::TrigGate2AmpGainAdjChange, TrigGate2AmpOffGrp, "TrigGate2AmpOffGrp",
         TrigGate2AmpOffAdj, "TrigGate2AmpOffAdj", &TServiceForm::TrigGate2AmpOffAdjChange},
    };
    for (const Amplifier &a : amplifiers) {
        a.Box = Group(Client, a.BoxName, QLatin1String(a.Caption), a.Rect);
        const int w = a.Rect.width() - 16;
        a.GainGrp = Group(a.Box, a.GainGrpName, QStringLiteral("Amp Gain"), QRect(8, 20, w, 54));
        a.Gain = Factor(a.GainGrp, a.GainName, QRect(10, 20, w - 20, 25), 1000, 5000, 1000, QChar(),
                        [this, f = a.GainChange](QObject *s) { (this->*f)(s); });
        a.OffGrp = Group(a.Box, a.OffGrpName, QStringLiteral("Amp Off"), QRect(8, 78, w, 54));
        a.Off = Factor(a.OffGrp, a.OffName, QRect(10, 20, w - 20, 25), 0, 1000, 100, QChar(),
                       [this, f = a.OffChange](QObject *s) { (this->*f)(s); });
    }
}

void TServiceForm::CreateIdentityControls()
{
    CompanySel = new TRadioGroup(QStringLiteral("Company"), Client);
    CompanySel->setObjectName(QStringLiteral("CompanySel"));
    CompanySel->setGeometry(374, 5, 69, 90);
    CompanySel->SetItems({QStringLiteral("MRD"), QStringLiteral("KT")});
    CompanySel->SetOnClick([this](QObject *s) { CompanySelClick(s); });

    NumChSelect = new TRadioGroup(QStringLiteral("Channels"), Client);
    NumChSelect->setObjectName(QStringLiteral("NumChSelect"));
    NumChSelect->setGeometry(449, 5, 65, 90);
    NumChSelect->SetItems(
        {QStringLiteral("6"), QStringLiteral("12"), QStringLiteral("24"), QStringLiteral("36")});
    NumChSelect->SetOnClick([this](QObject *s) { NumChSelectClick(s); });

    SerialNumGrp =
        Group(Client, "SerialNumGrp", QStringLiteral("Serial Number"), QRect(374, 100, 140, 46));
    SerialNumEdit = new QLineEdit(QStringLiteral("00000"), SerialNumGrp);
    SerialNumEdit->setObjectName(QStringLiteral("SerialNumEdit"));
    SerialNumEdit->setGeometry(8, 18, 72, 22);
    SerialNumSetBtn =
        Button(SerialNumGrp, "SerialNumSetBtn", QStringLiteral("Set"), QRect(86, 17, 46, 24));
    connect(SerialNumSetBtn, &QPushButton::clicked, this, &TServiceForm::SerialNumSetBtnClick);

    SaveCalsBtn =
        Button(Client, "SaveCalsBtn", QStringLiteral("Save Cals To File"), QRect(520, 8, 145, 25));
    connect(SaveCalsBtn, &QPushButton::clicked, this, &TServiceForm::SaveCalsBtnClick);
    LoadCalsBtn = Button(Client, "LoadCalsBtn", QStringLiteral("Load Cals From File"),
                         QRect(520, 39, 145, 25));
    connect(LoadCalsBtn, &QPushButton::clicked, this, &TServiceForm::LoadCalsBtnClick);
    OptimizeCals = Button(Client, "OptimizeCals", QStringLiteral("Optimize Cal Factors"),
                          QRect(520, 69, 145, 25));
    connect(OptimizeCals, &QPushButton::clicked, this, &TServiceForm::OptimizeCalsClick);
    StoreCalsBtn =
        Button(Client, "StoreCalsBtn", QStringLiteral("Store Cals"), QRect(520, 97, 145, 25));
    connect(StoreCalsBtn, &QPushButton::clicked, this, &TServiceForm::StoreCalsBtnClick);

    StoreCalReminderLbl = new QLabel(QStringLiteral("Dont Forget to Store!!"), Client);
    StoreCalReminderLbl->setObjectName(QStringLiteral("StoreCalReminderLbl"));
    QFont bold = font();
    bold.setBold(true);
    StoreCalReminderLbl->setFont(bold);
    StoreCalReminderLbl->setStyleSheet(QStringLiteral("color: red"));
    StoreCalReminderLbl->setGeometry(520, 128, 150, 16);
    StoreCalReminderLbl->hide();
}

void TServiceForm::CreateChannelTemplate()
{
    ChPageCalibration = new TPageControl(Client);
    ChPageCalibration->setObjectName(QStringLiteral("ChPageCalibration"));
    ChPageCalibration->SetTabFont(UiFont(TabPx));
    ChPageCalibration->SetTabWidth(50);
    ChPageCalibration->SetMultiLine(true);
    ChPageCalibration->setGeometry(8, 148, 641, 173);
    ChPageCalibration->SetOnChanging(
        [this](QObject *s, bool &allow) { ChPageCalibrationChanging(s, allow); });
    ChPageCalibration->SetOnChange([this](QObject *s) { ChPageCalibrationChange(s); });

    ChCal1 = new QWidget;
    ChCal1->setObjectName(QStringLiteral("ChCal1"));
    ChPageCalibration->AddPage(ChCal1, QStringLiteral("Ch 1"));
    ChCalGrp1 = Group(ChCal1, "ChCalGrp1", QString(), QRect(4, 4, 380, 64));

    struct Field
    {
        const char *GroupName;
        const char *Caption;
        const char *FieldName;
        int Min, Max, Initial;
        QChar Separator;
        void (TServiceForm::*Change)(QObject *);
    };
    const Field fields[] = {
        {"ChDelayCalGrp1", "Delay Cal", "ChDelayCalAdj1", 0, 50, 25, QChar(u','),
         &TServiceForm::SetChDelayCal},
        {"ChWidthCalGrp1", "Width Cal", "ChWidthCalAdj1", 0, 50, 25, QChar(u','),
         &TServiceForm::SetChWidthCal},
        {"ChAmpGainGrp1", "Amp Gain", "ChAmpGainAdj1", 2000, 5000, 2000, QChar(),
         &TServiceForm::SetChAmpGainCal},
        {"ChAmpOffGrp1", "Amp Off", "ChAmpOffAdj1", -100, 200, 100, QChar(),
         &TServiceForm::SetChAmpOffCal},
    };
    int left = 6;
    for (const Field &f : fields) {
        QGroupBox *g =
            Group(ChCalGrp1, f.GroupName, QLatin1String(f.Caption), QRect(left, 4, 88, 54));
        Factor(g, f.FieldName, QRect(10, 20, 63, 25), f.Min, f.Max, f.Initial, f.Separator,
               [this, c = f.Change](QObject *s) { (this->*c)(s); });
        left += 93;
    }
    FActiveCalControls.resize(ChPageCalibration->PageCount());
}
