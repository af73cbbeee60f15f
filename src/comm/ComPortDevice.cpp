#include "comm/ComPortDevice.h"

#include <QDir>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <termios.h>
#endif

QString ComPortDevicePath(int n)
{
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\COM") + QString::number(n);
#else
    const QByteArray dir = qgetenv("KT7310_PORT_DIR");
    // A relative folder is the working folder's: the serial library would take a bare
    // name as one under /dev.
    if (!dir.isEmpty())
        return QDir(QString::fromLocal8Bit(dir)).absoluteFilePath(QStringLiteral("COM") + QString::number(n));
    if (n >= 1 && n <= 16)
        return QStringLiteral("/dev/ttyUSB") + QString::number(n - 1);
    if (n >= 17 && n <= 32)
        return QStringLiteral("/dev/ttyACM") + QString::number(n - 17);
    if (n >= 33 && n <= 100)
        return QStringLiteral("/dev/ttyS") + QString::number(n - 33);
    return QString();
#endif
}

bool ComPortLineSettingsReadable(qintptr handle)
{
#ifdef Q_OS_WIN
    DCB dcb;
    dcb.DCBlength = sizeof(dcb);
    return GetCommState(reinterpret_cast<HANDLE>(handle), &dcb) != 0;
#else
    termios tio;
    return handle >= 0 && ::tcgetattr(int(handle), &tio) == 0;
#endif
}
