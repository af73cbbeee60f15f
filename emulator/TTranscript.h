#pragma once

// The emulator's transcript: every line received and every reply sent, one per
// line, time-stamped to the millisecond and flushed at once, so that a test can
// read it while the emulator runs.
//   12:00:01.234 RX *IDN?
//   12:00:01.234 TX KT,7310-12,10234,2.04-1.12
//   12:00:01.500 -- no reply: line at 57600 baud, 8 data bits, no parity

#include <QByteArray>
#include <QFile>
#include <QString>

class TTranscript
{
public:
    bool Open(const QString &path, QString *error);
    void Received(const QByteArray &line) { Write("RX ", line); }
    void Sent(const QByteArray &reply) { Write("TX ", reply); }
    void Note(const QByteArray &text) { Write("-- ", text); }

private:
    void Write(const char *mark, const QByteArray &text);
    QFile FFile;
};
