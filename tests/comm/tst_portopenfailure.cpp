// Why a serial device could not be opened, and what the operator is told about it.

#include "PtyPeer.h"
#include "comm/PortOpenFailure.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>

Q_DECLARE_METATYPE(PortOpenFailure)
Q_DECLARE_METATYPE(PortOpenFailure::TReason)

class tst_portopenfailure : public QObject
{
    Q_OBJECT
private slots:
    void reasonOfError_data();
    void reasonOfError();
    void examine_data();
    void examine();
    void scanReport_data();
    void scanReport();
};

using F = PortOpenFailure;

void tst_portopenfailure::reasonOfError_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<F::TReason>("reason");
    QTest::newRow("EACCES") << EACCES << F::pofPermission;
    QTest::newRow("EPERM") << EPERM << F::pofPermission;
    QTest::newRow("EBUSY") << EBUSY << F::pofInUse;
    QTest::newRow("ENOENT") << ENOENT << F::pofMissing;
    QTest::newRow("ENODEV") << ENODEV << F::pofMissing;
    QTest::newRow("ENXIO") << ENXIO << F::pofMissing;
    QTest::newRow("EIO") << EIO << F::pofOther;
    QTest::newRow("EINVAL") << EINVAL << F::pofOther;
}

void tst_portopenfailure::reasonOfError()
{
    QFETCH(int, error);
    QTEST(F::ReasonOfError(error), "reason");
}

// Real devices and paths; what the library reported is given, the rest is looked up.
void tst_portopenfailure::examine_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("portError");
    QTest::addColumn<F::TReason>("reason");
    QTest::addColumn<bool>("groupMayOpen");
    using S = QSerialPort;
    QTest::newRow("no name") << "empty" << int(S::DeviceNotFoundError) << F::pofMissing << false;
    QTest::newRow("link to nothing")
        << "dangling" << int(S::DeviceNotFoundError) << F::pofMissing << false;
    QTest::newRow("opens: a lock file held by another program")
        << "pty 0660" << int(S::PermissionError) << F::pofInUse << true;
    QTest::newRow("opens: something else failed")
        << "pty 0620" << int(S::UnsupportedOperationError) << F::pofOther << false;
}

void tst_portopenfailure::examine()
{
    QFETCH(QString, what);
    QFETCH(int, portError);
    QFETCH(bool, groupMayOpen);
    QTemporaryDir dir;
    PtyPeer pty(dir.path(), 5);
    QVERIFY(pty.isValid());
    QString device;
    if (what == "dangling") {
        device = dir.filePath("COM6");
        QVERIFY(QFile::link(dir.filePath("gone"), device));
    } else if (what.startsWith("pty")) {
        device = dir.filePath("COM5");
        const QByteArray path = QFile::encodeName(pty.devicePath());
        QVERIFY(::chmod(path.constData(), what.endsWith("0660") ? 0660 : 0620) == 0);
    }

    const F f = F::Examine(5, device, QSerialPort::SerialPortError(portError));

    QCOMPARE(f.Port, 5);
    QCOMPARE(f.Device, device);
    QTEST(f.Reason, "reason");
    QCOMPARE(f.GroupMayOpen, groupMayOpen);
    if (what.startsWith("pty")) {
        // The group is read from the device behind the link.
        QCOMPARE(f.RealDevice, pty.devicePath());
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(pty.devicePath()).constData(), &st) == 0);
        QCOMPARE(f.Group, QString::fromLocal8Bit(::getgrgid(st.st_gid)->gr_name));
    } else if (what == "dangling") {
        QCOMPARE(f.Detail, QString::fromLocal8Bit(strerror(ENOENT)));
    }
}

void tst_portopenfailure::scanReport_data()
{
    QTest::addColumn<QList<F>>("failures");
    QTest::addColumn<QString>("text");
    auto failure = [](int port, const QString &device, F::TReason reason, const QString &group,
                      bool groupMayOpen) {
        F f;
        f.Port = port;
        f.Device = f.RealDevice = device;
        f.Reason = reason;
        f.Group = group;
        f.GroupMayOpen = groupMayOpen;
        return f;
    };
    const F usb0 = failure(1, "/dev/ttyUSB0", F::pofPermission, "dialout", true);
    const F usb1 = failure(2, "/dev/ttyUSB1", F::pofPermission, "dialout", true);
    const F acm0 = failure(17, "/dev/ttyACM0", F::pofInUse, "dialout", true);
    const F s0 = failure(33, "/dev/ttyS0", F::pofPermission, "root", false);
    const F gone = failure(3, "/dev/ttyUSB2", F::pofMissing, "", false);
    const F other = failure(34, "/dev/ttyS1", F::pofOther, "dialout", true);

    QTest::newRow("nothing refused") << QList<F>{} << "";
    QTest::newRow("missing and other devices are not worth a word") << QList<F>{gone, other} << "";
    QTest::newRow("one group, one command; a port in use")
        << QList<F>{usb0, gone, usb1, acm0}
        << "These serial ports exist but could not be opened:\n\n"
           "COM1 (/dev/ttyUSB0): permission denied; the device belongs to the group "
           "\"dialout\"\n"
           "COM2 (/dev/ttyUSB1): permission denied; the device belongs to the group "
           "\"dialout\"\n"
           "COM17 (/dev/ttyACM0): in use by another program\n"
           "\nTo be allowed to open the devices of the group \"dialout\", add your account to "
           "it:\n\n    sudo adduser jsmith dialout\n\nthen log out and log in again.\n"
           "\nA port in use is free again once the program that holds it closes it.\n";
    QList<F> many;
    for (int n = 0; n < 10; ++n)
        many << failure(33 + n, "/dev/ttyS" + QString::number(n), F::pofPermission, "dialout",
                        true);
    QTest::newRow("many devices: the first eight")
        << many
        << "These serial ports exist but could not be opened:\n\n"
           "COM33 (/dev/ttyS0): permission denied; the device belongs to the group \"dialout\"\n"
           "COM34 (/dev/ttyS1): permission denied; the device belongs to the group \"dialout\"\n"
           "COM35 (/dev/ttyS2): permission denied; the device belongs to the group \"dialout\"\n"
           "COM36 (/dev/ttyS3): permission denied; the device belongs to the group \"dialout\"\n"
           "COM37 (/dev/ttyS4): permission denied; the device belongs to the group \"dialout\"\n"
           "COM38 (/dev/ttyS5): permission denied; the device belongs to the group \"dialout\"\n"
           "COM39 (/dev/ttyS6): permission denied; the device belongs to the group \"dialout\"\n"
           "COM40 (/dev/ttyS7): permission denied; the device belongs to the group \"dialout\"\n"
           "and 2 more\n"
           "\nTo be allowed to open the devices of the group \"dialout\", add your account to "
           "it:\n\n    sudo adduser jsmith dialout\n\nthen log out and log in again.\n";
    QTest::newRow("a device only its owner may open: no group command")
        << QList<F>{s0}
        << "These serial ports exist but could not be opened:\n\n"
           "COM33 (/dev/ttyS0): permission denied; the device (group \"root\") may be opened "
           "by its owner only\n"
           "\nA device its owner only may open needs its permissions changed by the "
           "administrator.\n";
}

void tst_portopenfailure::scanReport()
{
    QFETCH(QList<F>, failures);
    QTEST(F::ScanReport(failures, "jsmith"), "text");
}

QTEST_GUILESS_MAIN(tst_portopenfailure)
#include "tst_portopenfailure.moc"
