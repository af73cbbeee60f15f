#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Number conversions for instrument text. They never look at the user's locale: the
// decimal separator is always "." and no thousands separator is accepted.
// The throwing forms raise EConvertError (app/ErrorReport.h) with the program's texts
// "'<text>' is not a valid integer value" and "'<text>' is not a valid floating point
// value"; the Try forms give no value instead.

// Decimal integer: an optional sign and digits, nothing else (no blanks).
std::optional<qint32> TryStrToInt(const QString &text);
std::optional<qint64> TryStrToInt64(const QString &text);
// Decimal number: optional sign, digits with an optional "." fraction, optional exponent.
std::optional<double> TryStrToFloat(const QString &text);

qint32 StrToInt(const QString &text);
qint64 StrToInt64(const QString &text);
// A count read as a 64-bit integer and reduced to its low 32 bits, taken as unsigned:
// "4000000000" gives 4000000000, "4294967296" gives 0.
quint32 StrToCount32(const QString &text);
double StrToFloat(const QString &text);

// The text without its trailing characters of code 32 and below (blanks, CR, LF ...).
QString TrimRight(const QString &text);
// The text without leading and trailing characters of code 32 and below.
QString TrimBoth(const QString &text);
