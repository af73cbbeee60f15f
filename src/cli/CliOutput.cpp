#include "cli/CliOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

CliOutput::CliOutput() : FTerminal(isatty(fileno(stderr)) != 0) {}

void CliOutput::Line(const QString &text)
{
    EndProgress();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void CliOutput::Json(const QJsonValue &value)
{
    QJsonDocument doc;
    if (value.isArray())
        doc = QJsonDocument(value.toArray());
    else
        doc = QJsonDocument(value.toObject());
    EndProgress();
    std::fputs(doc.toJson(QJsonDocument::Indented).constData(), stdout);
    std::fflush(stdout);
}

void CliOutput::Error(const QString &text)
{
    EndProgress();
    std::fputs(("kt7310: " + text).toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void CliOutput::Note(const QString &text)
{
    EndProgress();
    std::fputs(text.toLocal8Bit().constData(), stderr);
    if (!text.endsWith(u'\n'))
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

void CliOutput::Progress(const QString &text)
{
    if (!FTerminal)
        return;
    // Back to the line's start and clear it to its end.
    std::fputs(("\r\x1b[K" + text).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    FProgressShown = true;
}

void CliOutput::EndProgress()
{
    if (!FProgressShown)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    FProgressShown = false;
}
