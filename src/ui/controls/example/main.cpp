// digitspin-example: a few digit-spin fields set up like the panel's delay, count and
// amplitude fields, with a log of their change reports, to try the control by hand.

#include "base/ErrorReport.h"
#include "ui/controls/TPlusSpinEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SetErrorReporter([](const QString &text) { QMessageBox::critical(nullptr, "Error", text); });

    QWidget window;
    window.setWindowTitle("Digit-spin fields");
    auto *form = new QFormLayout;
    auto *log = new QPlainTextEdit;
    log->setReadOnly(true);

    auto report = [log](QObject *sender) {
        auto *field = static_cast<TPlusSpinEdit *>(sender);
        log->appendPlainText(field->objectName() + " = " + field->Text());
    };

    auto *delay = new TPlusSpinEdit;
    delay->setObjectName("ChDelayAdj1");
    delay->SetDecimals(12);
    delay->SetThousandSeparator(u',');
    delay->SetMaxValue(2000);
    delay->SetMinValue(0);
    delay->SetIncrement(2.5e-10);
    delay->SetOnChange(report);
    form->addRow("Delay (s)", delay);

    auto *count = new TPlusSpinEdit;
    count->setObjectName("BurstCountAdj");
    count->SetDecimals(0);
    count->SetThousandSeparator(u',');
    count->SetMaxValue(9999999);
    count->SetMinValue(1);
    count->SetIncrement(1);
    count->SetOnChange(report);
    form->addRow("Burst count", count);

    auto *amplitude = new TPlusSpinEdit;
    amplitude->setObjectName("ChAmplitudeAdj1");
    amplitude->SetDecimals(2);
    amplitude->SetMaxValue(20);
    amplitude->SetMinValue(2);
    amplitude->SetIncrement(0.1);
    amplitude->AssignValue(5);
    amplitude->SetTrackSpin(false);
    amplitude->SetOnChange(report);
    form->addRow("Amplitude (V), reported at the end of a spin", amplitude);

    auto *free = new TPlusSpinEdit;
    free->setObjectName("FreeAdj");
    free->SetDecimals(3);
    free->SetOnChange(report);
    form->addRow("No limits", free);

    auto *enabled = new QCheckBox("Fields enabled");
    enabled->setChecked(true);
    QObject::connect(enabled, &QCheckBox::toggled, [=](bool on) {
        for (TPlusSpinEdit *f : {delay, count, amplitude, free})
            f->SetEnabled(on);
    });

    auto *layout = new QVBoxLayout(&window);
    layout->addLayout(form);
    layout->addWidget(enabled);
    layout->addWidget(new QLabel("Left/Right move the digit, Up/Down or the arrows step, "
                                 "digits type over, Ctrl+0 or a double click zero the rest."));
    layout->addWidget(log);
    window.resize(560, 420);
    window.show();
    return app.exec();
}
