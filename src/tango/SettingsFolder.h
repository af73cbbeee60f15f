#pragma once

// The settings files of one device: a single folder on the server's host, and files in
// it named by the client, never reached by a path. Whoever can talk to the server names
// the file, so a name is checked before anything is read or written: no path separator,
// no "..", no leading dot, no control character, at most MaxNameLength characters; the
// file it names must lie inside the folder once symbolic links are followed, and only a
// regular file is read (a pipe would hold the device until someone writes to it).

#include "tango/DeviceLink.h"

#include <QString>
#include <QStringList>

class SettingsFolder
{
public:
    static constexpr int MaxNameLength = 100;

    // folder: absolute, or taken from the working folder; made when a file is first saved.
    explicit SettingsFolder(const QString &folder);
    // A folder named after the device ("lab/kt7310/1" gives "lab_kt7310_1") in the
    // working folder.
    static QString DefaultFolder(const std::string &deviceName);

    const QString &Path() const { return FFolder; }

    // Why a client's file name is refused, in a sentence; empty when it is fine.
    static QString NameRefusal(const QString &name);

    // The file's lines (as CommandScript reads them). Fails with KT7310_BadFileName for a
    // refused name, a file outside the folder or one that is no regular file, and with
    // KT7310_FileError for a missing, unreadable or too large file.
    TDeviceResult Read(const QString &name, QStringList &lines) const;
    // The path to write the file of that name to, the folder made first.
    TDeviceResult WritePath(const QString &name, QString &path) const;
    // The names of the folder's files that a client may load, sorted.
    QStringList List() const;

private:
    // The file of an accepted name, symbolic links followed; a refusal when it leads
    // outside the folder.
    TDeviceResult Resolve(const QString &name, QString &path) const;

    QString FFolder;
};
