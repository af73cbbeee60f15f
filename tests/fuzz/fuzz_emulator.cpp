// The emulator's line interpreter: one line as a client would send it.
// Properties: every line gets exactly one reply without CR or LF inside; a refused line
// ("ERR ...") changes nothing in the instrument.

#include "FuzzCheck.h"

#include "emulator/TInstrument.h"

#include <QByteArray>

#include <cstdint>

namespace {

bool SameState(const TInstrument &a, const TInstrument &b)
{
    return a.Settings() == b.Settings() && a.Calibration() == b.Calibration() &&
           a.Secured() == b.Secured() && a.Identity().Badge == b.Identity().Badge &&
           a.Identity().Model == b.Identity().Model &&
           a.Identity().SerialNumber == b.Identity().SerialNumber &&
           a.ShotCount() == b.ShotCount();
}

} // namespace

// Lines are separated by LF in the input; the first ones may unlock or change the
// instrument, each one's property is checked against a copy taken before it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TInstrument::TClock stopped = [] { return qint64(0); };
    TInstrument instrument(TInstrument::TIdentity(), stopped);
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    int lines = 0;
    for (const QByteArray &line : input.split('\n')) {
        if (++lines > 64)
            break;
        const TInstrument before = instrument;
        const QByteArray reply = instrument.Execute(line);
        FUZZ_CHECK(!reply.contains('\r') && !reply.contains('\n'));
        if (reply.startsWith("ERR"))
            FUZZ_CHECK(SameState(before, instrument));
    }
    return 0;
}
