#pragma once

#include <QString>

// A text for a message box that may carry what an instrument sent: control characters
// are shown as "\xNN" (line breaks are kept), a run of more than MaxWordLength
// characters without a blank is shortened in its middle with its length given, and the
// whole is cut after MaxLines lines or MaxLength characters. The box then stays the
// size of a message whatever came down the line; the log keeps the reply whole.
QString ReadableText(const QString &text);

namespace ReadableTextLimits {
constexpr int MaxWordLength = 80;
constexpr int MaxLines = 30;
constexpr int MaxLength = 1200;
} // namespace ReadableTextLimits

// Whether every character is a printable one of ISO 8859-1: blank to "~", and U+00A0 to
// U+00FF (no control character of either half, no character Latin-1 lacks).
bool IsPrintableLatin1(const QString &text);
