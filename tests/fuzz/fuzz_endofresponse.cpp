// The port's end-of-response text ("#13#10" and the like).
// Properties: the terminator searched for is never empty when the text is not; codes
// below 128 written as "#<code>" decode to exactly those bytes; a text without "#" is
// taken literally.

#include "FuzzCheck.h"

#include "comm/TKTComPort.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TKTComPort port;
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    port.SetEndOfResponse(text);
    FUZZ_CHECK(port.EndOfResponse() == text);
    FUZZ_CHECK(text.isEmpty() || !port.EndOfResponseRaw().isEmpty());
    if (!text.contains('#'))
        FUZZ_CHECK(port.EndOfResponseRaw() == text);

    QByteArray codes;
    QByteArray expected;
    for (uint8_t b : text) {
        codes += '#' + QByteArray::number(b & 0x7F);
        expected += char(b & 0x7F);
    }
    if (!codes.isEmpty()) {
        port.SetEndOfResponse(codes);
        FUZZ_CHECK(port.EndOfResponseRaw() == expected);
    }
    return 0;
}
