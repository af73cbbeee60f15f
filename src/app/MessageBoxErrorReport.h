#pragma once

#include <QString>

// The program's default error report: a modal error box with the error's text and an
// OK button, over the active window; the text is shown as plain text, bounded and
// readable. Installed with SetErrorReporter at start.
void ShowErrorMessageBox(const QString &text);
