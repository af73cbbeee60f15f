#pragma once

#include <functional>

// Starting a fresh instance of this program: the executable the process was started
// from, with no command-line arguments (switches such as "log" are not passed on).
// On Windows the shell's "open" of the executable does this; elsewhere the process is
// started detached, so that it outlives this one.
bool OpenOwnExecutable();

// The launcher in force: OpenOwnExecutable unless another was installed (tests install
// one that records the launch instead of starting a process).
using TInstanceLauncher = std::function<bool()>;
TInstanceLauncher SetInstanceLauncher(TInstanceLauncher launcher); // returns the previous one
bool LaunchNewInstance();
