#pragma once

// What the transaction layer needs from the application when the instrument stops
// answering: the status poll is paused while the operator is asked, and the answer
// may restart or end the program. The main window implements it; tests record it.
//
// RestartApp and ExitApp may be called from inside a reply wait: they must only ask
// the application to end, never destroy what the interrupted call chain still uses.
class AppControl
{
public:
    virtual ~AppControl() = default;
    virtual void RestartApp() = 0;
    virtual void ExitApp() = 0;
    virtual void SetStatusTimerEnabled(bool enabled) = 0;
};
