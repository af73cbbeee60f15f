#include "tango/SettingsFolder.h"

#include "base/SystemInfo.h"
#include "protocol/CommandScript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
TDeviceResult Refused(const char *reason, const QString &text)
{
    return {false, reason, text.toStdString(), {}};
}

TDeviceResult BadName(const QString &why)
{
    return Refused("KT7310_BadFileName", why + QStringLiteral(" Nothing was read or sent."));
}

QString Quoted(const QString &name)
{
    return u'"' + name + u'"';
}

#ifdef Q_OS_UNIX
// Opened without waiting (a pipe with no writer would block the open itself) and not
// through a link swapped in since the name was resolved; read only when it is a regular
// file of at most the reader's limit.
TDeviceResult ReadRegularFile(const QString &path, const QString &name, QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP)
            return BadName(Quoted(name) + QStringLiteral(" is a link that changed."));
        return Refused("KT7310_FileError", QStringLiteral("The settings file %1 cannot be read: %2.")
                                               .arg(Quoted(name), SystemErrorText(error)));
    }
    struct stat info = {};
    TDeviceResult result;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result = BadName(Quoted(name) + QStringLiteral(" is no regular file."));
    } else if (info.st_size > CommandScript::MaxFileSize) {
        result = Refused("KT7310_FileError",
                         QStringLiteral("The settings file %1 is larger than 16 MiB; nothing was sent.")
                             .arg(Quoted(name)));
    } else {
        bytes.resize(qsizetype(info.st_size));
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += n;
        }
        bytes.truncate(done); // a file that shrank meanwhile
    }
    ::close(fd);
    return result;
}
#else
TDeviceResult ReadRegularFile(const QString &path, const QString &name, QByteArray &bytes)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        return BadName(Quoted(name) + QStringLiteral(" is no regular file."));
    if (!file.open(QIODevice::ReadOnly))
        return Refused("KT7310_FileError", QStringLiteral("The settings file %1 cannot be read: %2.")
                                               .arg(Quoted(name), file.errorString()));
    bytes = file.read(CommandScript::MaxFileSize + 1);
    if (bytes.size() > CommandScript::MaxFileSize)
        return Refused("KT7310_FileError",
                       QStringLiteral("The settings file %1 is larger than 16 MiB; nothing was sent.")
                           .arg(Quoted(name)));
    return {};
}
#endif
} // namespace

SettingsFolder::SettingsFolder(const QString &folder)
    : FFolder(QDir::cleanPath(QDir::current().absoluteFilePath(folder)))
{
}

QString SettingsFolder::DefaultFolder(const std::string &deviceName)
{
    QString name = QString::fromStdString(deviceName).toLower();
    name.replace(u'/', u'_');
    return QDir::current().absoluteFilePath(name);
}

QString SettingsFolder::NameRefusal(const QString &name)
{
    const QString rule = QStringLiteral(
        " A settings file is named without a folder: no path separator, no \"..\", no leading "
        "dot, no control character, at most %1 characters.").arg(MaxNameLength);
    if (name.isEmpty())
        return QStringLiteral("No file name was given.") + rule;
    if (name.size() > MaxNameLength)
        return QStringLiteral("The file name has %1 characters.").arg(name.size()) + rule;
    for (const QChar c : name) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format ||
            category == QChar::Other_Surrogate || category == QChar::Other_NotAssigned ||
            c == QChar::ReplacementCharacter)
            return QStringLiteral("The file name holds a control character.") + rule;
    }
    // ":" names a drive on Windows ("C:settings.txt" is a path there).
    if (name.contains(u'/') || name.contains(u'\\') || name.contains(u':'))
        return QStringLiteral("The file name holds a path separator.") + rule;
    if (name.contains(QStringLiteral("..")))
        return QStringLiteral("The file name holds \"..\".") + rule;
    if (name.startsWith(u'.'))
        return QStringLiteral("The file name begins with a dot.") + rule;
    return {};
}

TDeviceResult SettingsFolder::Resolve(const QString &name, QString &path) const
{
    const QString refusal = NameRefusal(name);
    if (!refusal.isEmpty())
        return BadName(refusal);
    const QString folder = QFileInfo(FFolder).canonicalFilePath();
    if (folder.isEmpty())
        return Refused("KT7310_FileError",
                       QStringLiteral("There is no settings file %1: the settings folder does not exist yet.")
                           .arg(Quoted(name)));
    path = folder + u'/' + name;
    const QFileInfo file(path);
    if (file.isSymLink() || file.exists()) {
        const QString target = file.canonicalFilePath(); // empty for a dangling link
        if (target.isEmpty() || !target.startsWith(folder + u'/'))
            return BadName(Quoted(name) + QStringLiteral(" leads outside the settings folder."));
        path = target;
    }
    return {};
}

TDeviceResult SettingsFolder::Read(const QString &name, QStringList &lines) const
{
    QString path;
    const TDeviceResult resolved = Resolve(name, path);
    if (!resolved.Ok)
        return resolved;
    if (!QFileInfo::exists(path))
        return Refused("KT7310_FileError",
                       QStringLiteral("There is no settings file %1.").arg(Quoted(name)));
    QByteArray bytes;
    const TDeviceResult read = ReadRegularFile(path, name, bytes);
    if (read.Ok)
        lines = CommandScript::Decode(bytes);
    return read;
}

TDeviceResult SettingsFolder::WritePath(const QString &name, QString &path) const
{
    const QString refusal = NameRefusal(name);
    if (!refusal.isEmpty())
        return BadName(refusal);
    if (!QDir().mkpath(FFolder))
        return Refused("KT7310_SaveFailed",
                       QStringLiteral("The settings folder cannot be made; nothing was saved."));
    const TDeviceResult resolved = Resolve(name, path);
    if (!resolved.Ok)
        return resolved;
    const QFileInfo file(path);
    if (file.exists() && !file.isFile())
        return BadName(Quoted(name) + QStringLiteral(" is no regular file."));
    return {};
}

QStringList SettingsFolder::List() const
{
    QStringList names;
    const QString folder = QFileInfo(FFolder).canonicalFilePath();
    if (folder.isEmpty())
        return names;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
        const QString name = file.fileName();
        QString path;
        // Only what LoadSettings would take, in names a client can send back.
        if (QString::fromLatin1(name.toLatin1()) != name || !Resolve(name, path).Ok ||
            !QFileInfo(path).isFile())
            continue;
        names << name;
    }
    return names;
}
