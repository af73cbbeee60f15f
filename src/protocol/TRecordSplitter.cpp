#include "protocol/TRecordSplitter.h"

#include "protocol/Conversions.h"

QString TRecordSplitter::Next()
{
    const qsizetype at = FRest.indexOf(QLatin1Char(' '));
    if (at < 0)
        return QString();
    QString field = TrimRight(FRest.left(at));
    FRest.remove(0, at + 1);
    return field;
}
