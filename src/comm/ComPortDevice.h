#pragma once

// The platform layer of the serial component: which device stands behind "COM" + n,
// and whether an open device still answers for its line settings.

#include <QString>
#include <QtGlobal>

// The device path of port n.
// Windows: \\.\COMn.
// Elsewhere: $KT7310_PORT_DIR/COMn when that variable is set (a link to any serial
// device, pseudo-terminals included; nothing else is tried). Otherwise a fixed table
// that puts the usual attachment, USB virtual COM ports, first:
//   COM1-COM16 /dev/ttyUSB0-15, COM17-COM32 /dev/ttyACM0-15, COM33-COM100 /dev/ttyS0-67.
// An empty string for a number outside 1 to 100 (outside the table).
QString ComPortDevicePath(int n);

// Whether the line settings of the open device behind handle can be read.
bool ComPortLineSettingsReadable(qintptr handle);
