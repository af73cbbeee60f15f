#pragma once

// The keys an operator may hold while the program starts: Space asks for the manual
// port choice, Left Shift for demonstration mode.
struct TStartupKeys
{
    bool SpaceHeld = false;
    bool LeftShiftHeld = false;
};

// Which of the two keys are down at this moment. On X11 the X server is asked (through
// the connection of the running QGuiApplication); on Windows the asynchronous key state
// is read. Elsewhere (Wayland, offscreen, no application yet) no key counts as held: the
// command-line switches --pick-port and --demo choose the same paths there.
TStartupKeys ReadStartupKeys();
