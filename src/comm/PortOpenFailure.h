#pragma once

// Why a serial device could not be opened, as far as the system tells: the port
// component records it at every failed open, the scan collects it, and both front ends
// tell the operator what to do when the scan found nothing.

#include <QList>
#include <QSerialPort>
#include <QString>

class PortOpenFailure
{
public:
    enum TReason
    {
        pofNone,       // the open succeeded (or was never tried)
        pofPermission, // the user may not open the device
        pofInUse,      // another program holds the device
        pofMissing,    // no such device
        pofOther
    };

    int Port = 0;       // "COM" number
    QString Device;     // the path opened (a link to the device, or the device)
    QString RealDevice; // the device itself, links followed
    TReason Reason = pofNone;
    QString Group;             // the group that owns the device, read from it
    bool GroupMayOpen = false; // the device's mode gives its group read and write access
    QString Detail;            // the system's error text

    // The reason for an error code of open(2) (errno).
    static TReason ReasonOfError(int error);

    // After a failed open of device as port: looks at the device and tries to open it
    // once more to learn why. portError is what the serial library reported.
    static PortOpenFailure Examine(int port, const QString &device,
                                   QSerialPort::SerialPortError portError);

    // A port on the network (Device is its name) that could not be reached: why.
    static PortOpenFailure Network(const QString &name, const QString &why);

    // The one message for the operator when the scan found nothing: the devices that
    // exist but were refused for permission or because they are in use, the group that
    // owns them and the command that adds userName to it. Empty when there is none.
    static QString ScanReport(const QList<PortOpenFailure> &failures, const QString &userName);

    // The account name of the user running the program (not the environment's idea of
    // it: the group command must name the account).
    static QString CurrentUserName();
};
