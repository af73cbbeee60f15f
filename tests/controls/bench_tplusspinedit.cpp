// Benchmark, not a test: the cost of one value change of a 12-decimal delay field, that is
// one format of the text and one paint, as every auto-repeat tick pays it.
// Run it with QT_QPA_PLATFORM=offscreen; it prints microseconds per change.

#include "ui/controls/TPlusSpinEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {
void SetUpDelay(TPlusSpinEdit &field)
{
    field.SetDecimals(12);
    field.SetThousandSeparator(u',');
    field.SetMaxValue(2000);
    field.SetMinValue(0);
    field.SetIncrement(2.5e-10);
    field.SetValue(1234.5);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int changes = 20000;
    const int rounds = 5;

    // the model alone: step, clamp, format, focus
    std::vector<double> model;
    for (int r = 0; r < rounds; ++r) {
        TPlusSpinValue m;
        m.SetDecimals(12);
        m.SetThousandSeparator(u',');
        m.SetMaxValue(2000);
        m.SetIncrement(2.5e-10);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < changes; ++i)
            m.Step(+1);
        model.push_back(t.nsecsElapsed() / 1000.0 / changes);
    }

    // a shown, focused field: format and an immediate repaint per change
    TPlusSpinEdit field;
    SetUpDelay(field);
    field.show();
    field.activateWindow();
    field.setFocus();
    QApplication::processEvents();
    std::vector<double> widget;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < changes; ++i) {
            field.StepUp();
            field.repaint();
        }
        widget.push_back(t.nsecsElapsed() / 1000.0 / changes);
    }

    out << "delay field, 12 decimals, grouped, " << changes << " changes x " << rounds
        << " rounds (median)\n";
    out << "  format only:      " << Median(model) << " us per change\n";
    out << "  format + repaint: " << Median(widget) << " us per change\n";
    out << "  last text: " << field.Text() << "\n";
    return 0;
}
