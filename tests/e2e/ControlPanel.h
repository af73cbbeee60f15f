#pragma once

// A panel filled from the emulator and handed to the operator, as after the launch
// timer's first initialization: the command queue and the status poll are live.

#include "PanelFixture.h"
#include "platform/OwnExecutable.h"

#include <QTimer>
#include <QtTest>

struct ControlPanel
{
    PanelFixture P;
    std::unique_ptr<TestEmulator> Emulator;
    TMainForm &Form = *P.Form;
    int Launches = 0; // new instances the panel asked for (restart), none started
    TInstanceLauncher PreviousLauncher;

    ControlPanel()
    {
        PreviousLauncher = SetInstanceLauncher([this](const QStringList &) {
            ++Launches;
            return true;
        });
    }
    ~ControlPanel() { SetInstanceLauncher(PreviousLauncher); }

    // Starts the emulator (its command-line arguments) and runs the start-up and the
    // first initialization; false if either failed.
    bool Start(const QStringList &arguments = {"--model", "462K-6"})
    {
        Emulator = P.Emulator(1, arguments);
        if (!Emulator->IsReady())
            return false;
        Form.FormCreate();
        if (Form.Terminating())
            return false;
        Form.LaunchTimerTimer();
        return !Form.Terminating();
    }

    // The lines the emulator received from index `from` on.
    QStringList ReceivedFrom(int from) const { return Emulator->Received().mid(from); }
    int ReceivedCount() const { return int(Emulator->Received().size()); }
};
