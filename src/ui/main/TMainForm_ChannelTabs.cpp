// The "Channels" region: the channel-1 tab that doubles as the template, the tabs of
// channels 2 to N generated from it, and the per-channel control tables.

#include "base/ErrorReport.h"
#include "ui/controls/TemplateCopy.h"
#include "ui/main/FormBuilders.h"
#include "ui/main/TCheckListBox.h"
#include "ui/main/TMainForm.h"
#include "protocol/SettingTable.h"
#include "ui/main/TPageControl.h"

using namespace FormBuilders;
using namespace TemplateCopy;

namespace {
constexpr double ChannelCountMax = 10000000;

// The template's captioned groups in the order the tabs are generated, with the name
// prefix of the group, of the generated group, and of the control inside it.
struct TemplateGroup
{
    const char *Group;
    const char *GeneratedGroup;
    const char *Control;
};
constexpr TemplateGroup TemplateGroups[] = {
    {"ChDelayGrp", "ChDelayGrp", "ChDelayAdj"},
    {"ChModeGrp", "ChModeGrp", "ChModeSel"},
    {"ChSyncSourceGrp", "ChSyncSourceGrp", "ChSyncSourceSel"},
    {"ChDutyOnGrp", "ChDutyOnGrp", "ChDutyOnAdj"},
    {"ChDutyOffGrp", "ChDutyOffGrp", "ChDutyOffAdj"},
    {"ChWidthGrp", "ChWidthGrp", "ChWidthAdj"},
    {"ChBurstCountGrp", "ChBurstCountGrp", "ChBurstAdj"},
    {"ChPolarityGrp", "PolarityGrp", "ChPolaritySel"},
    {"ChOutputModeGrp", "ChOutputModeGrp", "ChOutputModeSel"},
    {"ChAmplitudeAdjGrp", "ChAmplitudeAdjGrp", "ChAmplitudeAdj"},
    {"ChWaitCountGrp", "ChWaitCountGrp", "ChWaitCountAdj"},
    {"ChGateModeGrp", "ChGateModeGrp", "ChGateModeSel"},
    {"ChMuxGrp", "ChMuxGrp", "ChMuxSelect"},
    {"ChControlGrp", "ChControlGrp", "ChControlSel"},
    {"ChGateLogicGrp", "ChGateLogicGrp", "ChGateLogicSel"},
};

QString Named(const char *prefix, int chnum)
{
    return QLatin1String(prefix) + QString::number(chnum);
}

// A field too narrow for its widest value would draw its leading digit under the frame,
// out of reach of the Left key: it takes what it needs from its group's side margins.
void FitWidest(TPlusSpinEdit *e, const QGroupBox *g)
{
    constexpr int GroupFrame = 2; // the group's frame line and one pixel clear of it
    const int need = e->FittingWidth();
    if (need <= e->width())
        return;
    const int w = qMin(need, g->width() - 2 * GroupFrame);
    e->setGeometry((g->width() - w) / 2, e->y(), w, e->height());
}

TCheckBox *CopyCheck(const TCheckBox *t, QWidget *parent, const QString &name)
{
    auto *b = new TCheckBox(t->text(), parent);
    b->setGeometry(t->geometry());
    CopyFont(t, b);
    b->setObjectName(name);
    b->setChecked(t->isChecked());
    b->setToolTip(t->toolTip());
    b->SetOnClick(t->OnClick());
    return b;
}

TComboBox *CopyCombo(const TComboBox *t, QWidget *parent, const QString &name)
{
    auto *c = new TComboBox(parent);
    c->setGeometry(t->geometry());
    CopyFont(t, c);
    c->setObjectName(name);
    for (int i = 0; i < t->count(); ++i)
        c->addItem(t->itemText(i));
    c->setCurrentIndex(t->currentIndex());
    c->SetOnChange(t->OnChange());
    if (c->isEditable())
        c->setEditText(t->currentText());
    return c;
}

// Check marks are the channel's state, not the template's: they are not copied.
TCheckListBox *CopyCheckList(const TCheckListBox *t, QWidget *parent, const QString &name)
{
    auto *l = new TCheckListBox(parent);
    l->setGeometry(t->geometry());
    CopyFont(t, l);
    l->setObjectName(name);
    l->SetItems(t->Items());
    l->setCurrentRow(t->currentRow());
    l->SetColumns(t->Columns());
    l->SetOnClickCheck(t->OnClickCheck());
    return l;
}

QWidget *CopyInner(const QWidget *t, QWidget *parent, const QString &name)
{
    if (auto *e = qobject_cast<const TPlusSpinEdit *>(t))
        return CopyNumeric(e, parent, name);
    if (auto *c = qobject_cast<const TComboBox *>(t))
        return CopyCombo(c, parent, name);
    if (auto *l = qobject_cast<const TCheckListBox *>(t))
        return CopyCheckList(l, parent, name);
    return nullptr;
}
} // namespace

namespace {
// A channel list shows the setting table's labels, item for item.
QStringList Labels(const char *setting)
{
    return SettingRow(TSettingScope::Channel, QString::fromLatin1(setting)).Labels;
}
} // namespace

void TMainForm::CreateChannelsRegion(QWidget *client)
{
    ChannelGrp =
        Group(client, "ChannelGrp", QStringLiteral("Channels"), QRect(0, 330, 749, 340), TabPx);
    ChPageControl = new TPageControl(ChannelGrp);
    ChPageControl->setObjectName(QStringLiteral("ChPageControl"));
    ChPageControl->SetTabFont(UiFont(TabPx));
    ChPageControl->SetTabWidth(55);
    ChPageControl->SetMultiLine(true);
    ChPageControl->setGeometry(4, 24, 740, 312);

    TabCh1 = new QWidget;
    TabCh1->setObjectName(QStringLiteral("TabCh1"));
    ChPageControl->AddPage(TabCh1, QStringLiteral("Ch 1"));
    CreateChannelTemplate();

    ChPageControl->SetOnChanging(
        [this](QObject *s, bool &allow) { ChPageControlChanging(s, allow); });
    ChPageControl->SetOnChange([this](QObject *s) { ChPageControlChange(s); });
}

void TMainForm::CreateChannelTemplate()
{
    auto *funct = Group(TabCh1, "ChFunctGrp1", QString(), QRect(2, 0, 728, 206));

    auto *enable = Check(funct, "ChEnablebox1", QStringLiteral("Enabled"), QRect(7, 3, 100, 20));
    enable->setFont(UiFont(GroupCaptionPx));
    enable->setChecked(true);
    enable->setToolTip(QStringLiteral("Enables or disables channel "));

    // Five columns by three rows of 55-pixel groups.
    const int x[5] = {7, 212, 332, 482, 603};
    const int y[3] = {25, 85, 145};
    const int h = 55;
    auto group = [&](const char *name, const char *caption, int col, int row, int w,
                     const char *tip = nullptr) {
        QGroupBox *g =
            Group(funct, name, QString::fromLatin1(caption), QRect(x[col], y[row], w, h));
        if (tip)
            g->setToolTip(QString::fromLatin1(tip));
        return g;
    };
    auto numeric = [&](QGroupBox *g, const char *name, int decimals, double step, double min,
                       double max, bool grouped = true) {
        TPlusSpinEdit *e = Numeric(g, name, Inner(g, 26), decimals, step, min, max, grouped);
        FitWidest(e, g);
        return e;
    };
    auto combo = [&](QGroupBox *g, const char *name, const QStringList &items, bool first = false) {
        return Combo(g, name, Inner(g), items, first);
    };

    // Row 1
    auto *delay =
        group("ChDelayGrp1", "Delay", 0, 0, 200, "Sets channel delay from selected sync source");
    numeric(delay, "ChDelayAdj1", 12, 2.5e-10, 0, 2000);
    combo(group("ChModeGrp1", "Channel Mode", 1, 0, 115), "ChModeSel1",
          Labels("Mode"), true);
    combo(group("ChSyncSourceGrp1", "Sync Source", 2, 0, 145), "ChSyncSourceSel1",
          Labels("SyncSource"));
    numeric(group("ChDutyOnGrp1", "Duty Cycle On", 3, 0, 116), "ChDutyOnAdj1", 0, 1, 1,
            ChannelCountMax);
    combo(group("ChGateModeGrp1", "Gate Mode", 4, 0, 118), "ChGateModeSel1",
          Labels("GateMode"));

    // Row 2
    numeric(group("ChWidthGrp1", "Width", 0, 1, 200, "Sets channel pulse width"), "ChWidthAdj1", 12,
            2.5e-10, 1e-8, 2000);
    numeric(group("ChBurstCountGrp1", "Burst Count", 1, 1, 115,
                  "Sets channel burst count when in channel burst mode"),
            "ChBurstAdj1", 0, 1, 1, ChannelCountMax);
    combo(group("ChPolarityGrp1", "Polarity", 2, 1, 145), "ChPolaritySel1", Labels("Polarity"));
    numeric(group("ChDutyOffGrp1", "Duty Cycle Off", 3, 1, 116), "ChDutyOffAdj1", 0, 1, 1,
            ChannelCountMax);
    combo(group("ChGateLogicGrp1", "Gate Logic", 4, 1, 118), "ChGateLogicSel1",
          Labels("GateLogic"));

    // Row 3: output mode and amplitude share the first column.
    combo(group("ChOutputModeGrp1", "Output Mode", 0, 2, 102), "ChOutputModeSel1",
          Labels("OutputMode"));
    QGroupBox *amplitude = Group(funct, "ChAmplitudeAdjGrp1", QStringLiteral("Amplitude (V)"),
                                 QRect(x[0] + 105, y[2], 92, h));
    amplitude->setToolTip(QStringLiteral("Sets channel output amplitude"));
    numeric(amplitude, "ChAmplitudeAdj1", 2, 0.01, 2, 20, false);
    numeric(group("ChWaitCountGrp1", "Wait Count", 1, 2, 115,
                  "Sets number of pulses to wait until outputs start"),
            "ChWaitCountAdj1", 0, 1, 0, ChannelCountMax);
    combo(group("ChControlGrp1", "Channel Control", 2, 2, 143), "ChControlSel1",
          Labels("ChannelControl"));
    QGroupBox *mux = group("ChMuxGrp1", "Multiplexer", 3, 2, 235);
    auto *muxList = new TCheckListBox(mux);
    muxList->setObjectName(QStringLiteral("ChMuxSelect1"));
    muxList->setFont(UiFont(GroupCaptionPx));
    muxList->setGeometry(Inner(mux, 26));
    muxList->SetColumns(5);
    muxList->SetItems({"0", "1", "2", "3", "4"});
}

void TMainForm::CreateChannelTabs()
{
    // Once per run: a later initialization reuses the tabs it finds.
    if (ChannelTabsCreated)
        return;

    const auto *funct1 = TabCh1->findChild<QGroupBox *>(QStringLiteral("ChFunctGrp1"));
    const auto *enable1 = funct1->findChild<TCheckBox *>(QStringLiteral("ChEnablebox1"));
    const int last = qMin(Session->ChannelCount, int(MaxChannels));
    for (int n = 2; n <= last; ++n) {
        auto *sheet = new QWidget;
        sheet->setObjectName(Named("TabCh", n));
        ChPageControl->AddPage(sheet, QStringLiteral("Ch ") + QString::number(n));

        QGroupBox *funct = CopyGroup(funct1, sheet, Named("ChFunctGrp", n));
        CopyCheck(enable1, funct, Named("ChEnablebox", n));

        for (const TemplateGroup &tg : TemplateGroups) {
            const auto *group = funct1->findChild<QGroupBox *>(Named(tg.Group, 1));
            const auto *inner = group->findChild<QWidget *>(Named(tg.Control, 1));
            QGroupBox *copy = CopyGroup(group, funct, Named(tg.GeneratedGroup, n));
            CopyInner(inner, copy, Named(tg.Control, n));
        }
        BindChannelControls(n);
    }
    ChannelTabsCreated = true;
    FActiveChControls.fill(nullptr, ChPageControl->PageCount());
}

namespace {
// Entry chnum of one table: the control of that name, if it is of the table's kind.
template <class T>
bool Bind(const QObject *window, std::array<T *, MaxChannels + 1> &table,
          const char *prefix, int chnum)
{
    const QString name = Named(prefix, chnum);
    T *control = qobject_cast<T *>(window->findChild<QObject *>(name));
    table[chnum] = control;
    if (!control)
        ReportError(QStringLiteral("Channel control %1 is missing or of the wrong kind").arg(name));
    return control != nullptr;
}
} // namespace

bool TMainForm::BindChannelControls(int chnum)
{
    if (chnum < 1 || chnum > MaxChannels)
        return false;
    bool ok = true;
    ok &= Bind(this, ChEnablebox, "ChEnablebox", chnum);
    ok &= Bind(this, ChDelayAdj, "ChDelayAdj", chnum);
    ok &= Bind(this, ChWidthAdj, "ChWidthAdj", chnum);
    ok &= Bind(this, ChModeSel, "ChModeSel", chnum);
    ok &= Bind(this, ChAmplitudeAdj, "ChAmplitudeAdj", chnum);
    ok &= Bind(this, ChOutputModeSel, "ChOutputModeSel", chnum);
    ok &= Bind(this, ChAmplitudeAdjGrp, "ChAmplitudeAdjGrp", chnum);
    ok &= Bind(this, ChBurstAdj, "ChBurstAdj", chnum);
    ok &= Bind(this, ChBurstCountGrp, "ChBurstCountGrp", chnum);
    ok &= Bind(this, ChWaitCountAdj, "ChWaitCountAdj", chnum);
    ok &= Bind(this, ChSyncSourceSel, "ChSyncSourceSel", chnum);
    ok &= Bind(this, ChPolaritySel, "ChPolaritySel", chnum);
    ok &= Bind(this, ChDutyOnAdj, "ChDutyOnAdj", chnum);
    ok &= Bind(this, ChDutyOnGrp, "ChDutyOnGrp", chnum);
    ok &= Bind(this, ChDutyOffAdj, "ChDutyOffAdj", chnum);
    ok &= Bind(this, ChDutyOffGrp, "ChDutyOffGrp", chnum);
    ok &= Bind(this, ChGateModeSel, "ChGateModeSel", chnum);
    ok &= Bind(this, ChMuxSelect, "ChMuxSelect", chnum);
    ok &= Bind(this, ChControlSel, "ChControlSel", chnum);
    ok &= Bind(this, ChGateLogicSel, "ChGateLogicSel", chnum);
    return ok;
}
