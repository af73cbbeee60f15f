#pragma once

#include <QString>

// The moment a log or a settings list was started, as the workstation writes it: the
// date in its short format, a comma (no blank) and the time in its long format.
QString LocalDateTimeText();
