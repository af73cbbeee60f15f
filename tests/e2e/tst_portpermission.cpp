// The scan meets serial devices the user may not open: run as an unprivileged user, the
// panel names the refused devices, the group that owns them and the command that adds the
// user to it, before the unchanged "No device found" question.

#include "PtyPeer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

class tst_portpermission : public QObject
{
    Q_OBJECT
private slots:
    void refusedDevicesAreNamed();
};

namespace {
constexpr uid_t Unprivileged = 65534; // nobody / nogroup, in none of the device groups

// The dialogs of the panel run by that user: texts after "INFORMATION" or "WARNING".
QList<QPair<QString, QString>> Dialogs(const QString &output)
{
    QList<QPair<QString, QString>> dialogs;
    const QStringList parts = output.split(QStringLiteral("\nEND\n"), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const qsizetype newline = part.indexOf(u'\n');
        dialogs.append({part.left(newline), part.mid(newline + 1)});
    }
    return dialogs;
}
} // namespace

void tst_portpermission::refusedDevicesAreNamed()
{
    if (::geteuid() != 0)
        QSKIP("the scan runs as another user, which needs root (the tests run as root in CI)");
    const passwd *user = ::getpwuid(Unprivileged);
    if (!user)
        QSKIP("no account with user id 65534 to run the scan as");
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("setpriv (util-linux) is missing");

    QTemporaryDir ports;
    QVERIFY(ports.isValid());
    QVERIFY(::chmod(QFile::encodeName(ports.path()).constData(), 0755) == 0);

    // COM87: the group may open it, the user is not in the group.
    PtyPeer denied(ports.path(), 87);
    QVERIFY(denied.isValid());
    const QByteArray deniedPath = QFile::encodeName(denied.devicePath());
    QVERIFY(::chmod(deniedPath.constData(), 0660) == 0);
    struct stat st;
    QVERIFY(::stat(deniedPath.constData(), &st) == 0);
    const group *owner = ::getgrgid(st.st_gid);
    QVERIFY(owner);
    const QString groupName = QString::fromLocal8Bit(owner->gr_name);

    // COM88: anyone may open it, but this process holds it exclusively.
    PtyPeer held(ports.path(), 88);
    QVERIFY(held.isValid());
    QVERIFY(::chmod(QFile::encodeName(held.devicePath()).constData(), 0666) == 0);
    const int holder =
        ::open(QFile::encodeName(held.devicePath()).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(holder >= 0);
    QVERIFY(::ioctl(holder, TIOCEXCL) == 0);
    const auto release = qScopeGuard([holder] { ::close(holder); });

    // COM89: a link to nothing, a device that is not there: not worth a word.
    QVERIFY(QFile::link(ports.filePath("gone"), ports.filePath("COM89")));

    // A copy the unprivileged user can reach wherever the build folder is.
    const QString program = ports.filePath("scan_as_user");
    QVERIFY(QFile::copy(SCAN_AS_USER_PATH, program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOther |
                                               QFile::ReadOther));

    QProcess panel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KT7310_PORT_DIR", ports.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", ports.path());
    env.remove("XDG_RUNTIME_DIR");
    panel.setProcessEnvironment(env);
    panel.setWorkingDirectory(ports.path());
    panel.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--", program});
    QVERIFY(panel.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(panel.readAllStandardError());
    QVERIFY2(panel.exitStatus() == QProcess::NormalExit && panel.exitCode() == 0, qPrintable(err));
    const auto dialogs = Dialogs(QString::fromLocal8Bit(panel.readAllStandardOutput()));

    QCOMPARE(dialogs.size(), 2);
    QCOMPARE(dialogs[0].first, QString("INFORMATION"));
    const QString told = dialogs[0].second;
    const QString userName = QString::fromLocal8Bit(user->pw_name);
    QVERIFY2(told.contains("COM87 (" + denied.devicePath() +
                           "): permission denied; the device belongs to the group \"" + groupName +
                           "\""),
             qPrintable(told));
    QVERIFY2(told.contains("\n    sudo adduser " + userName + " " + groupName +
                           "\n\nthen log out and log in again."),
             qPrintable(told));
    QVERIFY2(told.contains("COM88 (" + held.devicePath() + "): in use by another program"),
             qPrintable(told));
    QVERIFY2(!told.contains("COM89"), qPrintable(told));

    // The question itself is unchanged, and comes after.
    QCOMPARE(dialogs[1].first, QString("WARNING"));
    QCOMPARE(dialogs[1].second,
             QString("No device found. Try to reconnect?\n\r\n\r"
                     "Make sure unit is fully powered on\n\rbefore selecting Yes"));
}

QTEST_GUILESS_MAIN(tst_portpermission)
#include "tst_portpermission.moc"
