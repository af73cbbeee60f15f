// The identification reply of the start-up scan.
// Properties: a reply below 11 characters clears the record; the fields taken from a
// reply never hold the separator that ended them; a record that parsed completely,
// written back as "badge,model,serial,firmware-fpga", parses to the same record.

#include "FuzzCheck.h"

#include "protocol/Conversions.h"
#include "protocol/TIdentityRecord.h"

#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString reply =
        TrimRight(QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size)));
    TIdentityRecord identity;
    identity.SerialNumber = -1; // marks "not reached"
    identity.ParseReply(reply);
    if (reply.size() < 11) {
        FUZZ_CHECK(identity.Company.isEmpty() && identity.ModelNumber.isEmpty() &&
                   identity.SerialNumber == 0);
        return 0;
    }
    FUZZ_CHECK(!identity.Company.contains(u','));
    FUZZ_CHECK(!identity.ModelNumber.contains(u','));
    FUZZ_CHECK(!identity.FirmwareVersion.contains(u'-'));
    if (identity.SerialNumber == -1 || identity.Company.isEmpty() ||
        identity.ModelNumber.isEmpty())
        return 0;
    // Written back: only when the fields survive a second trip unchanged in shape.
    const QString written = identity.Company + u',' + identity.ModelNumber + u',' +
                            QString::number(identity.SerialNumber) + u',' +
                            identity.FirmwareVersion + u'-' + identity.FPGAVersion;
    if (written.size() < 11 || TrimRight(written) != written)
        return 0;
    TIdentityRecord again;
    again.ParseReply(written);
    FUZZ_CHECK(again.Company == identity.Company);
    FUZZ_CHECK(again.ModelNumber == identity.ModelNumber);
    FUZZ_CHECK(again.SerialNumber == identity.SerialNumber);
    FUZZ_CHECK(again.FirmwareVersion == identity.FirmwareVersion);
    FUZZ_CHECK(again.FPGAVersion == identity.FPGAVersion);
    return 0;
}
