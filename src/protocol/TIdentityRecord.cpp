#include "protocol/TIdentityRecord.h"

#include "protocol/Conversions.h"

namespace {
// The text before the first occurrence of separator, and what follows it. Without the
// separator the field is empty and the rest is left whole.
QString takeField(QString &rest, QChar separator)
{
    const qsizetype at = rest.indexOf(separator);
    if (at < 0)
        return QString();
    QString field = rest.left(at);
    rest.remove(0, at + 1);
    return field;
}
} // namespace

void TIdentityRecord::Clear()
{
    Company.clear();
    ModelNumber.clear();
    SerialNumber = 0;
    FirmwareVersion.clear();
    FPGAVersion.clear();
}

void TIdentityRecord::ParseReply(const QString &reply)
{
    if (reply.size() < 11) {
        Clear();
        return;
    }
    QString rest = reply;
    Company = TrimRight(takeField(rest, QLatin1Char(',')));
    ModelNumber = TrimRight(takeField(rest, QLatin1Char(',')));
    const std::optional<qint32> serial = TryStrToInt(TrimRight(takeField(rest, QLatin1Char(','))));
    if (!serial)
        return;
    SerialNumber = *serial;
    FirmwareVersion = TrimRight(takeField(rest, QLatin1Char('-')));
    FPGAVersion = rest;
}
