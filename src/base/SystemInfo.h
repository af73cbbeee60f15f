#pragma once

// What the system says, asked safely from any thread: a device server runs one session
// per instrument on threads of its own, and the classic calls (strerror, getpwuid) keep
// their answer in one static buffer that the next caller overwrites.

#include <QString>

// The system's text for an errno value ("Permission denied").
QString SystemErrorText(int error);

// The login name of the account the program runs as, from the user database; empty when
// it has none (or on Windows, where the environment names the user).
QString AccountName();
