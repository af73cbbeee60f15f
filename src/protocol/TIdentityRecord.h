#pragma once

#include <QString>
#include <QtGlobal>

// The instrument's identity, read once by the scan and never again.
struct TIdentityRecord
{
    QString Company;     // the badge, "KT" or "MRD"
    QString ModelNumber; // for example "7310-12"
    qint32 SerialNumber = 0;
    QString FirmwareVersion;
    QString FPGAVersion;

    // Takes the reply to "*IDN?" (trailing blanks and control characters already
    // removed): "badge,model,serial,firmware-fpga". A reply shorter than 11 characters
    // clears the record. Fields lose their trailing blanks but keep leading ones. A serial
    // number that is not a decimal integer stops the parsing there: the badge and model
    // are new, the serial number and both versions keep their previous values.
    void ParseReply(const QString &reply);
    void Clear();
};
