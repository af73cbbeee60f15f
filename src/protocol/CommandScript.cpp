#include "protocol/CommandScript.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace CommandScript {

namespace {
QString OpenError(const QString &fileName, const QString &reason)
{
    return QStringLiteral("Cannot open file \"%1\". %2")
        .arg(QDir::toNativeSeparators(fileName), reason);
}

QString CreateError(const QString &fileName, const QString &reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2")
        .arg(QDir::toNativeSeparators(fileName), reason);
}

QString DecodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder.decode(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return decoder.decode(QByteArrayView(bytes).sliced(2));
    }
    return QString::fromLatin1(bytes);
}
} // namespace

QStringList Decode(const QByteArray &bytes)
{
    const QString text = DecodeText(bytes);
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

ReadResult Read(const QString &fileName)
{
    ReadResult result;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        result.Error = OpenError(fileName, file.errorString());
        return result;
    }
    // One byte beyond the limit tells a file that is too large, also one whose size is
    // not known beforehand (a device, a pipe).
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        result.Error = OpenError(fileName, file.errorString());
        return result;
    }
    if (bytes.size() > MaxFileSize) {
        result.Error = OpenError(fileName, QStringLiteral("The file is larger than 16 MiB."));
        return result;
    }
    result.Lines = Decode(bytes);
    return result;
}

QString Write(const QString &fileName, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + "\r\n";
    // Unbuffered: a buffered write reports success for bytes that fail later, when the
    // buffer is flushed on commit, and the commit then replaces the file all the same.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return CreateError(fileName, file.errorString());
    // A short write reports no reason; the write of the rest that then fails does.
    for (qint64 done = 0, n = 0; done < bytes.size(); done += n) {
        n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return CreateError(fileName, reason);
        }
    }
    if (!file.commit())
        return CreateError(fileName, file.errorString());
    return QString();
}

bool IsComment(const QString &line)
{
    return line.contains(QLatin1String("//"));
}

int CommandCount(const QStringList &lines)
{
    return int(std::count_if(lines.cbegin(), lines.cend(),
                             [](const QString &line) { return !IsComment(line); }));
}

QByteArray ToWire(const QString &line)
{
    return line.toLatin1();
}

} // namespace CommandScript
