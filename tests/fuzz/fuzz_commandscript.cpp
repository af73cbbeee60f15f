// Settings and calibration files as the disk gives them.
// Properties: no line holds a line end; a file without a byte-order mark keeps every
// byte (the lines written back with CR LF decode to the same lines); a comment is
// exactly a line holding "//"; each line's wire form has one byte per character.

#include "FuzzCheck.h"

#include "protocol/CommandScript.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = CommandScript::Decode(bytes);
    QByteArray written;
    for (const QString &line : lines) {
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'));
        FUZZ_CHECK(CommandScript::IsComment(line) == line.contains(QLatin1String("//")));
        const QByteArray wire = CommandScript::ToWire(line);
        FUZZ_CHECK(wire.size() == line.size());
        written += wire + "\r\n";
    }
    const bool bom = bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
                     bytes.startsWith("\xFE\xFF");
    if (!bom) {
        FUZZ_CHECK(CommandScript::Decode(written) == lines);
        // every byte that is not a line end survives, in order
        QByteArray kept = bytes;
        kept.replace('\r', QByteArray()).replace('\n', QByteArray());
        QByteArray again = written;
        again.replace('\r', QByteArray()).replace('\n', QByteArray());
        FUZZ_CHECK(kept == again);
    }
    return 0;
}
