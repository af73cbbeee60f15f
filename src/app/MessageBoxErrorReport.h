#pragma once

#include <QString>

// The program's default error report: a modal error box with the error's text and an
// OK button, over the active window. Installed with SetErrorReporter at start.
void ShowErrorMessageBox(const QString &text);
