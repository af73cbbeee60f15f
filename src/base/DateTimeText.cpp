#include "base/DateTimeText.h"

#include <QDateTime>
#include <QLocale>

QString LocalDateTimeText()
{
    const QLocale locale = QLocale::system();
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(u't'); // a time-zone name is no part of a clock time
    const QDateTime now = QDateTime::currentDateTime();
    return locale.toString(now.date(), QLocale::ShortFormat) + u',' +
           now.time().toString(timeFormat.trimmed());
}
