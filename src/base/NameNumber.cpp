#include "base/NameNumber.h"

#include <QObject>
#include <QRegularExpression>

int NameNumber(const QObject *object)
{
    if (!object)
        return 0;
    static const QRegularExpression nonDigits(QStringLiteral("\\D"));
    return QString(object->objectName()).remove(nonDigits).toInt();
}
