#include "protocol/Conversions.h"

#include "base/ErrorReport.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace {
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Optional sign, then one or more ASCII digits and nothing else.
bool isIntegerText(const QString &text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i]))
            return false;
    }
    return true;
}

// Optional sign, digits with an optional "." and fraction (at least one digit in all),
// then an optional exponent "e" or "E" with an optional sign and at least one digit.
bool isFloatText(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        int expDigits = 0;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == n;
}

// from_chars takes no leading "+"; the texts were checked to be plain ASCII.
QByteArray withoutPlus(const QString &text)
{
    QByteArray bytes = text.toLatin1();
    if (bytes.startsWith('+'))
        bytes.remove(0, 1);
    return bytes;
}

[[noreturn]] void notInteger(const QString &text)
{
    throw EConvertError(QLatin1Char('\'') + text + QLatin1String("' is not a valid integer value"));
}

[[noreturn]] void notFloat(const QString &text)
{
    throw EConvertError(QLatin1Char('\'') + text +
                        QLatin1String("' is not a valid floating point value"));
}
} // namespace

std::optional<qint64> TryStrToInt64(const QString &text)
{
    if (!isIntegerText(text))
        return std::nullopt;
    const QByteArray bytes = withoutPlus(text);
    qint64 value = 0;
    const auto [end, ec] =
        std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    if (ec != std::errc() || end != bytes.constData() + bytes.size())
        return std::nullopt;
    return value;
}

std::optional<qint32> TryStrToInt(const QString &text)
{
    const std::optional<qint64> value = TryStrToInt64(text);
    if (!value || *value < std::numeric_limits<qint32>::min() ||
        *value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(*value);
}

std::optional<double> TryStrToFloat(const QString &text)
{
    if (!isFloatText(text))
        return std::nullopt;
    const QByteArray bytes = withoutPlus(text);
    double value = 0;
    const auto [end, ec] =
        std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    if (ec != std::errc() || end != bytes.constData() + bytes.size())
        return std::nullopt;
    return value;
}

qint32 StrToInt(const QString &text)
{
    const std::optional<qint32> value = TryStrToInt(text);
    if (!value)
        notInteger(text);
    return *value;
}

qint64 StrToInt64(const QString &text)
{
    const std::optional<qint64> value = TryStrToInt64(text);
    if (!value)
        notInteger(text);
    return *value;
}

quint32 StrToCount32(const QString &text)
{
    return static_cast<quint32>(StrToInt64(text));
}

double StrToFloat(const QString &text)
{
    const std::optional<double> value = TryStrToFloat(text);
    if (!value)
        notFloat(text);
    return *value;
}

QString TrimRight(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].unicode() <= 32)
        --end;
    return text.left(end);
}

QString TrimBoth(const QString &text)
{
    qsizetype begin = 0;
    while (begin < text.size() && text[begin].unicode() <= 32)
        ++begin;
    return TrimRight(text.mid(begin));
}
