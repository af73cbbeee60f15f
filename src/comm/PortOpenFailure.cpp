#include "comm/PortOpenFailure.h"

#include "base/SystemInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstring>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

PortOpenFailure::TReason PortOpenFailure::ReasonOfError(int error)
{
    switch (error) {
    case 0:
        return pofNone;
    case EACCES:
    case EPERM:
        return pofPermission;
    case EBUSY:
        return pofInUse;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return pofMissing;
    default:
        return pofOther;
    }
}

#ifndef Q_OS_WIN
namespace {
QString GroupName(gid_t gid)
{
    group entry;
    group *found = nullptr;
    char buffer[4096];
    if (::getgrgid_r(gid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->gr_name);
    return QString::number(gid);
}
} // namespace
#endif

PortOpenFailure PortOpenFailure::Examine(int port, const QString &device,
                                         QSerialPort::SerialPortError portError)
{
    PortOpenFailure f;
    f.Port = port;
    f.Device = device;
    f.RealDevice = device;
    if (device.isEmpty()) {
        f.Reason = pofMissing;
        return f;
    }
#ifdef Q_OS_WIN
    // A COM port is opened exclusively: access denied means another program has it.
    f.Reason = portError == QSerialPort::PermissionError       ? pofInUse
               : portError == QSerialPort::DeviceNotFoundError ? pofMissing
                                                               : pofOther;
    return f;
#else
    const QByteArray path = QFile::encodeName(device);
    struct stat st;
    if (::stat(path.constData(), &st) != 0) {
        const int error = errno;
        f.Reason = ReasonOfError(error);
        f.Detail = SystemErrorText(error);
        return f;
    }
    const QString canonical = QFileInfo(device).canonicalFilePath();
    if (!canonical.isEmpty())
        f.RealDevice = canonical;
    f.Group = GroupName(st.st_gid);
    f.GroupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);

    // The library does not keep the system's error apart (permission and a device held
    // exclusively by another program both read "permission"); open(2) tells them apart.
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        f.Reason = ReasonOfError(error);
        f.Detail = SystemErrorText(error);
        return f;
    }
    ::close(fd);
    // The device itself opens: what refused was the lock file of the program using it.
    f.Reason = portError == QSerialPort::PermissionError ? pofInUse : pofOther;
    return f;
#endif
}

PortOpenFailure PortOpenFailure::Network(const QString &name, const QString &why)
{
    PortOpenFailure f;
    f.Device = name;
    f.RealDevice = name;
    f.Reason = pofOther;
    f.Detail = why;
    return f;
}

QString PortOpenFailure::ScanReport(const QList<PortOpenFailure> &failures, const QString &userName)
{
    QStringList lines;
    QStringList groups; // to join, in the order met
    bool inUse = false;
    bool ownerOnly = false;
    for (const PortOpenFailure &f : failures) {
        const QString port = QStringLiteral("COM%1 (%2)").arg(f.Port).arg(f.RealDevice);
        if (f.Reason == pofPermission) {
            if (f.GroupMayOpen) {
                lines << QStringLiteral("%1: permission denied; the device belongs to the "
                                        "group \"%2\"")
                             .arg(port, f.Group);
                if (!groups.contains(f.Group))
                    groups << f.Group;
            } else {
                lines << QStringLiteral("%1: permission denied; the device (group \"%2\") "
                                        "may be opened by its owner only")
                             .arg(port, f.Group);
                ownerOnly = true;
            }
        } else if (f.Reason == pofInUse) {
            lines << QStringLiteral("%1: in use by another program").arg(port);
            inUse = true;
        }
    }
    if (lines.isEmpty())
        return QString();

    // A machine without the group's rights refuses every serial device it has (dozens of
    // /dev/ttyS*): the first few say enough, in scan order (USB adapters first).
    constexpr qsizetype MaxListed = 8;
    QString text = QStringLiteral("These serial ports exist but could not be opened:\n\n");
    text += lines.mid(0, MaxListed).join(u'\n') + u'\n';
    if (lines.size() > MaxListed)
        text += QStringLiteral("and %1 more\n").arg(lines.size() - MaxListed);
    for (const QString &group : groups) {
        text += QStringLiteral("\nTo be allowed to open the devices of the group \"%1\", "
                               "add your account to it:\n\n    sudo adduser %2 %1\n\n"
                               "then log out and log in again.\n")
                    .arg(group, userName);
    }
    if (ownerOnly)
        text += QStringLiteral("\nA device its owner only may open needs its permissions "
                               "changed by the administrator.\n");
    if (inUse)
        text += QStringLiteral("\nA port in use is free again once the program that holds it "
                               "closes it.\n");
    return text;
}

QString PortOpenFailure::CurrentUserName()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("USERNAME");
#else
    QString name = AccountName();
    if (!name.isEmpty())
        return name;
    name = qEnvironmentVariable("USER");
    return name.isEmpty() ? QStringLiteral("$USER") : name;
#endif
}
