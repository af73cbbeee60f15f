#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Command scripts: the settings and calibration files. A script is text, one entry per
// line; a line containing "//" anywhere is a comment, every other line (empty ones
// included) is sent to the instrument unchanged.
//
// 8-bit text is ISO 8859-1 (Latin-1) both ways, byte for byte: every byte is one
// character and goes back to the same byte, so a file moves between Windows and Linux
// (and through the instrument) unchanged whatever the workstation's code page or locale.
// Reading recognises a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark; characters of such
// a file that Latin-1 lacks are sent as "?".
namespace CommandScript {

struct ReadResult
{
    QStringList Lines;
    QString Error; // empty when the file was read; otherwise names the file and the reason
    bool Ok() const { return Error.isEmpty(); }
};

// The largest file read; a larger one is refused ("The file is larger than 16 MiB.").
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

// The file's lines; CR LF, LF and CR all end a line, and a line end after the last line
// adds no empty entry (an empty file has no lines, a file of one CR LF has one empty line).
ReadResult Read(const QString &fileName);

// The same splitting of bytes already in memory.
QStringList Decode(const QByteArray &bytes);

// Writes each line followed by CR LF, as Latin-1. The file is replaced only once it has
// been written completely, every write checked: a failure (a full disk included) leaves
// any earlier file of that name untouched and no partial file beside it.
// Returns an empty text, or the error naming the file and the reason.
QString Write(const QString &fileName, const QStringList &lines);

bool IsComment(const QString &line);
// The lines that are sent: every line that is not a comment.
int CommandCount(const QStringList &lines);

// The line as it goes over the wire (without its CR LF).
QByteArray ToWire(const QString &line);

} // namespace CommandScript
