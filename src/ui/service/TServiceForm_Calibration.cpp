// The channel pages, generated once from the channel-1 template, and the calibration
// readback that fills the window and CalibrationList from the instrument.

#include "base/DateTimeText.h"
#include "base/ErrorReport.h"
#include "comm/Communication.h"
#include "comm/ConfigurationReader.h"
#include "comm/TKTComPort.h"
#include "protocol/Conversions.h"
#include "protocol/SettingCommands.h"
#include "ui/controls/TPlusSpinEdit.h"
#include "ui/controls/TemplateCopy.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"
#include "ui/main/TPageControl.h"
#include "ui/service/TRadioGroup.h"
#include "ui/service/TServiceForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <iterator>

namespace {

struct TemplateField
{
    const char *Group;
    const char *Field;
    TServiceForm::TChannelTable<TPlusSpinEdit> TServiceForm::*Table;
};
// In the order the generated pages are built.
constexpr TemplateField TemplateFields[] = {
    {"ChDelayCalGrp", "ChDelayCalAdj", &TServiceForm::ChDelayCalAdj},
    {"ChWidthCalGrp", "ChWidthCalAdj", &TServiceForm::ChWidthCalAdj},
    {"ChAmpGainGrp", "ChAmpGainAdj", &TServiceForm::ChAmpGainAdj},
    {"ChAmpOffGrp", "ChAmpOffAdj", &TServiceForm::ChAmpOffAdj},
};

QString Named(const char *prefix, int chnum)
{
    return QLatin1String(prefix) + QString::number(chnum);
}

} // namespace

void TServiceForm::ServiceInitialize(bool report)
{
    if (!CalTabsCreated)
        CreateChannelPages();
    // Reading back does not store: the reminder stays until *STR went out.
    StoreCalReminderLbl->setVisible(FStorePending);
    RetrieveCals(report);
}

void TServiceForm::CreateChannelPages()
{
    for (const TemplateField &f : TemplateFields)
        (this->*f.Table)[1] = findChild<TPlusSpinEdit *>(Named(f.Field, 1));

    // The pages exist only for the channels of the model found at start; a larger count
    // chosen under "Channels" takes effect once the program is restarted.
    const int channels = qBound(1, Session.ChannelCount, MaxChannels);
    for (int n = 2; n <= channels; ++n) {
        auto *sheet = new QWidget;
        sheet->setObjectName(Named("TabCh", n));
        ChPageCalibration->AddPage(sheet, QStringLiteral("Ch ") + QString::number(n));

        auto *box = new QGroupBox(sheet);
        box->setGeometry(ChCalGrp1->geometry());
        box->setObjectName(Named("ChCalGrp", n));
        box->setTitle(QString());

        for (const TemplateField &f : TemplateFields) {
            const auto *tg = findChild<QGroupBox *>(Named(f.Group, 1));
            QGroupBox *g = TemplateCopy::CopyGroup(tg, box, Named(f.Group, n));
            TemplateCopy::CopyNumeric((this->*f.Table)[1], g, Named(f.Field, n));
        }
        for (const TemplateField &f : TemplateFields)
            (this->*f.Table)[n] = findChild<TPlusSpinEdit *>(Named(f.Field, n));
    }
    CalChannels = channels;
    CalTabsCreated = true;
    for (TPlusSpinEdit *edit : FactorFields())
        MarkFactorRead(edit, false);
    FActiveCalControls.fill(nullptr);
    FActiveCalControls.resize(ChPageCalibration->PageCount());
}

QList<TPlusSpinEdit *> TServiceForm::FactorFields() const
{
    QList<TPlusSpinEdit *> fields{Trig1AmpGainAdj,     Trig1AmpOffAdj, TrigGate2AmpGainAdj,
                                  TrigGate2AmpOffAdj, Gate1AmpGainAdj, Gate1AmpOffAdj};
    for (int n = 1; n <= CalChannels; ++n)
        for (const TemplateField &f : TemplateFields)
            fields << (this->*f.Table)[n];
    fields.removeAll(nullptr);
    return fields;
}

void TServiceForm::MarkFactorRead(TPlusSpinEdit *edit, bool read)
{
    edit->SetEnabled(read);
    edit->setToolTip(read ? QString() : QStringLiteral("Not read from the instrument"));
}

bool TServiceForm::Abandoned() const
{
    return Session.Terminating();
}

void TServiceForm::HideProgress()
{
    if (Main.MessageForm)
        Main.MessageForm->close();
}

bool TServiceForm::PortBusy() const
{
    // An initialization (or a drain, or another read-back) under way further up the call
    // stack counts as busy too (see InstrumentSession::RetrieveCals).
    return Session.TransactionsBusy();
}

void TServiceForm::CreateCalibrationParts()
{
    connect(&Session, &InstrumentSession::CalibrationReadStarted, this, [this] {
        if (Main.MessageForm) {
            Main.MessageForm->MessageLabel->setText(QStringLiteral("Initializing System Cals"));
            Main.MessageForm->show();
        }
        FReadingBack = true;
        for (TPlusSpinEdit *edit : FactorFields())
            MarkFactorRead(edit, false);
    });
    connect(&Session, &InstrumentSession::CalibrationProgress, this, [this](const QString &text) {
        if (Main.MessageForm)
            Main.MessageForm->MessageLabel->setText(text);
    });
    connect(&Session, &InstrumentSession::SerialNumberRead, this, [this] {
        SerialNumEdit->setText(QString::number(Session.Identity.SerialNumber));
    });
    connect(&Session, &InstrumentSession::BadgeRead, this, [this] {
        CompanySel->SetItemIndex(Session.Calibration.BadgeIndex);
        // The count the instrument holds, which a choice made since may have changed
        // before the panel follows it; another count leaves the selection alone.
        const int channels = Session.Calibration.BadgeChannels > 0
                                 ? Session.Calibration.BadgeChannels
                                 : Session.ChannelCount;
        const auto *choice =
            std::find(std::begin(ChannelChoices), std::end(ChannelChoices), channels);
        if (choice != std::end(ChannelChoices))
            NumChSelect->SetItemIndex(int(choice - std::begin(ChannelChoices)));
    });
    connect(&Session, &InstrumentSession::InputCalibrationRead, this,
            [this](TCalInput input, TCalFactor factor) {
                struct Field
                {
                    TCalInput Input;
                    TCalFactor Factor;
                    TPlusSpinEdit *Edit;
                };
                const Field fields[] = {
                    {TCalInput::Trigger1, TCalFactor::Gain, Trig1AmpGainAdj},
                    {TCalInput::Trigger1, TCalFactor::Offset, Trig1AmpOffAdj},
                    {TCalInput::Trigger2, TCalFactor::Gain, TrigGate2AmpGainAdj},
                    {TCalInput::Trigger2, TCalFactor::Offset, TrigGate2AmpOffAdj},
                    {TCalInput::Gate1, TCalFactor::Gain, Gate1AmpGainAdj},
                    {TCalInput::Gate1, TCalFactor::Offset, Gate1AmpOffAdj},
                };
                for (const Field &f : fields) {
                    if (f.Input == input && f.Factor == factor) {
                        f.Edit->AssignValue(Session.Calibration.Input(input, factor));
                        MarkFactorRead(f.Edit, true);
                    }
                }
            });
    connect(&Session, &InstrumentSession::ChannelCalibrationRead, this,
            [this](int n, TCalFactor factor) {
                const ChannelConfig &c = Session.ChannelConfigs[n];
                TPlusSpinEdit *edit = nullptr;
                switch (factor) {
                case TCalFactor::Width:
                    edit = ChWidthCalAdj[n];
                    edit->AssignValue(c.WidthCal);
                    break;
                case TCalFactor::Delay:
                    edit = ChDelayCalAdj[n];
                    edit->AssignValue(c.DelayCal);
                    break;
                case TCalFactor::Gain:
                    edit = ChAmpGainAdj[n];
                    edit->AssignValue(c.AmpGainCal);
                    break;
                case TCalFactor::Offset:
                    edit = ChAmpOffAdj[n];
                    edit->AssignValue(c.AmpOffsetCal);
                    break;
                }
                MarkFactorRead(edit, true);
            });
    // The read-back's end, whether complete or not: the change handlers send again, the
    // progress window closes.
    connect(&Session, &InstrumentSession::CalibrationReadEnded, this, [this] {
        FReadingBack = false;
        HideProgress();
    });
}

void TServiceForm::RetrieveCals(bool report)
{
    // Only the channels whose pages exist: "Channels" may name more than were found.
    if (Session.RetrieveCals(report, CalChannels) == InstrumentSession::CalibrationDeferred)
        CalTimer->start();
}

void TServiceForm::CalTimerTimer()
{
    CalTimer->stop();
    if (Session.CalibrationLoadPending && !FLoadRunning)
        LoadCalibrations();
    if (Session.CalibrationRetrievePending)
        RetrieveCals();
}

void TServiceForm::OptimizeCalsClick()
{
    Session.QueuedCommandToPort(OptimizeCalibrationCommand());
    FOptimizeTimer->start();
}

// "*OPT" has gone out once the queue holds nothing and no drain is sending; only then
// do the fields read the optimized factors.
void TServiceForm::WaitForOptimize()
{
    if (Session.CommandsQueued || Session.TaskRunning)
        return;
    FOptimizeTimer->stop();
    RetrieveCals();
}
