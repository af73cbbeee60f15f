#pragma once

#include <QStringList>

#include <functional>

// Starting a fresh instance of this program: the executable the process was started
// from, with the given command-line arguments. On Windows the shell's "open" of the
// executable does this; elsewhere the process is started detached, so that it outlives
// this one.
bool OpenOwnExecutable(const QStringList &arguments);

// The launcher in force: OpenOwnExecutable unless another was installed (tests install
// one that records the launch instead of starting a process).
using TInstanceLauncher = std::function<bool(const QStringList &arguments)>;
TInstanceLauncher SetInstanceLauncher(TInstanceLauncher launcher); // returns the previous one
bool LaunchNewInstance(const QStringList &arguments);
