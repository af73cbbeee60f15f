#include "emulator/TTranscript.h"

#include <QTime>

bool TTranscript::Open(const QString &path, QString *error)
{
    FFile.setFileName(path);
    if (!FFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error =
            QStringLiteral("cannot write the transcript %1: %2").arg(path, FFile.errorString());
        return false;
    }
    return true;
}

void TTranscript::Write(const char *mark, const QByteArray &text)
{
    if (!FFile.isOpen())
        return;
    QByteArray line = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")).toLatin1();
    line += ' ';
    line += mark;
    // Control characters would break the one-line-per-event layout.
    for (char c : text)
        line += (uchar(c) < 32 || c == 127)
                    ? QByteArray("\\x") + QByteArray::number(uchar(c), 16).rightJustified(2, '0')
                    : QByteArray(1, c);
    line += '\n';
    FFile.write(line);
    FFile.flush();
}
