#pragma once

// A panel filled from the emulator, with its service window, for the service-window and
// calibration-file tests; and the means to answer the modal dialogs they open.

#include "PanelFixture.h"
#include "comm/Communication.h"
#include "comm/TKTComPort.h"
#include "ui/main/TMessageForm.h"
#include "ui/service/TServiceForm.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

// Acts on the next modal dialog of kind D once it is up (a file dialog, the code box).
template <class D> void WhenShown(std::function<void(D *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

// The texts the progress window showed, one per time it was shown or relabelled while
// shown.
class ProgressTexts : public QObject
{
public:
    explicit ProgressTexts(TMessageForm &form) : FForm(form) { form.installEventFilter(this); }
    QStringList Texts;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            Texts << FForm.MessageLabel->text();
        return false;
    }

private:
    TMessageForm &FForm;
};

struct ServicePanel
{
    PanelFixture P;
    std::unique_ptr<TestEmulator> Emulator;
    TMainForm &Form = *P.Form;
    std::unique_ptr<TServiceForm> Service;

    // The emulator on COM1 with these arguments, the panel initialized from it and the
    // service window made hidden, as at start-up.
    bool Start(const QStringList &arguments)
    {
        Emulator = P.Emulator(1, arguments);
        if (!Emulator->IsReady())
            return false;
        Form.FormCreate();
        if (Form.Terminating())
            return false;
        Service = std::make_unique<TServiceForm>(Form);
        Form.ServiceForm = Service.get();
        Form.LaunchTimer->stop();
        Form.Session->ReinitializePending = true;
        Form.Session->Initialize();
        Form.Session->ReinitializePending = false;
        return true;
    }

    // Lines the instrument received since mark, the status poll's questions left out.
    QStringList SentSince(qsizetype mark) const
    {
        QStringList sent;
        const QStringList received = Emulator->Received();
        for (qsizetype i = mark; i < received.size(); ++i)
            if (received[i] != QLatin1String(":PULS0:STAT?") &&
                received[i] != QLatin1String(":COUN:PULS?"))
                sent << received[i];
        return sent;
    }
    qsizetype Mark() const { return Emulator->Received().size(); }

    // The queue is empty and nothing is being sent.
    bool Drained() const
    {
        return Form.Session->QueueCount == 0 && !Form.Session->CommandsQueued && !Form.Session->TaskRunning &&
               !Form.ComPort->InUse();
    }
};

// What a readback of `channels` channels asks, in order.
inline QStringList ReadbackQueries(int channels, bool unlock)
{
    QStringList q;
    if (unlock)
        q << QStringLiteral(":SYST:SEC 48213");
    q << QStringLiteral("*SER?") << QStringLiteral(":SYST:BAD?");
    for (const char *a : {":TRIG1:CAL:GAIN?", ":TRIG1:CAL:OFFS?", ":TRIG2:CAL:GAIN?",
                          ":TRIG2:CAL:OFFS?", ":GATE1:CAL:GAIN?", ":GATE1:CAL:OFFS?"})
        q << QLatin1String(a);
    for (int n = 1; n <= channels; ++n)
        for (const char *f : {":CAL:WIDT?", ":CAL:DEL?", ":CAL:GAIN?", ":CAL:OFFS?"})
            q << QStringLiteral(":PULS%1").arg(n) + QLatin1String(f);
    return q;
}
