// Number conversions and trimming of instrument text.
// Properties: an integer that converts prints back to the same text's value and
// converts again to itself; 32-bit success implies the same 64-bit value; the count
// form is the 64-bit value's low 32 bits; a number's shortest text converts back to the
// same number; trimming leaves no character of code 32 or below at the trimmed ends.

#include "FuzzCheck.h"

#include "base/ErrorReport.h"
#include "protocol/Conversions.h"

#include <QString>

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));

    const std::optional<qint32> i32 = TryStrToInt(text);
    const std::optional<qint64> i64 = TryStrToInt64(text);
    if (i32) {
        FUZZ_CHECK(i64 && *i64 == *i32);
        FUZZ_CHECK(TryStrToInt(QString::number(*i32)) == i32);
        FUZZ_CHECK(StrToInt(text) == *i32);
    } else {
        bool threw = false;
        try {
            StrToInt(text);
        } catch (const EConvertError &) {
            threw = true;
        }
        FUZZ_CHECK(threw);
    }
    if (i64) {
        FUZZ_CHECK(TryStrToInt64(QString::number(*i64)) == i64);
        FUZZ_CHECK(StrToCount32(text) == quint32(quint64(*i64) & 0xFFFFFFFFu));
    }

    const std::optional<double> f = TryStrToFloat(text);
    if (f && std::isfinite(*f)) {
        const std::optional<double> again = TryStrToFloat(QString::number(*f, 'g', 17));
        FUZZ_CHECK(again && *again == *f);
    }
    if (i64 && f)
        FUZZ_CHECK(std::fabs(*f - double(*i64)) <= std::fabs(double(*i64)) * 1e-15);

    const QString right = TrimRight(text);
    FUZZ_CHECK(right.isEmpty() || right.back().unicode() > 32);
    FUZZ_CHECK(text.startsWith(right));
    const QString both = TrimBoth(text);
    FUZZ_CHECK(both.isEmpty() || (both.front().unicode() > 32 && both.back().unicode() > 32));
    FUZZ_CHECK(right.contains(both));
    return 0;
}
