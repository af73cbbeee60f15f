#pragma once

// A panel on a temporary port folder: the main window with its progress window, the
// operator's dialogs scripted and the error reports recorded, never shown.

#include "ScriptedDialogs.h"
#include "TestEmulator.h"
#include "ui/main/TMainForm.h"
#include "ui/main/TMessageForm.h"

#include <QTemporaryDir>
#include <memory>

struct PanelFixture
{
    QTemporaryDir Ports;
    PortDirectory PortDir{Ports.path()};
    ScriptedDialogs Dialogs;
    RecordedErrors Errors;
    std::unique_ptr<TMainForm> Form = std::make_unique<TMainForm>();
    TMessageForm MessageForm;

    PanelFixture() { Form->MessageForm = &MessageForm; }

    // The instrument on COM<com>; arguments as on the emulator's command line.
    std::unique_ptr<TestEmulator> Emulator(int com, const QStringList &arguments = {})
    {
        return std::make_unique<TestEmulator>(Ports.path(), com, arguments);
    }
};
