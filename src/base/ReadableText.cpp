#include "base/ReadableText.h"

#include <algorithm>

#include <QStringList>

namespace {
using namespace ReadableTextLimits;

constexpr int WordHead = 32;
constexpr int WordTail = 16;
const QString Ellipsis = QStringLiteral("\u2026");

bool IsLineBreak(const QString &text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c == u'\n')
        return true;
    // CR belongs to a line break when it stands next to an LF ("\r\n" or "\n\r").
    return c == u'\r' &&
           ((i + 1 < text.size() && text.at(i + 1) == u'\n') || (i > 0 && text.at(i - 1) == u'\n'));
}

QString Hex(ushort code, int digits)
{
    return QStringLiteral("%1").arg(code, digits, 16, QLatin1Char('0')).toUpper();
}

QString Visible(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (IsLineBreak(text, i) || c == u' ' || (c.isPrint() && c.unicode() >= 0xA0) ||
            (c.unicode() > 0x20 && c.unicode() < 0x7F))
            out += c;
        else if (c.unicode() <= 0xFF)
            out += QStringLiteral("\\x") + Hex(c.unicode(), 2);
        else
            out += QStringLiteral("\\u") + Hex(c.unicode(), 4);
    }
    return out;
}

// Long runs without a blank cannot be wrapped by the box: shorten them in the middle.
QString ShortWords(const QString &line)
{
    QString out;
    qsizetype start = 0;
    while (start < line.size()) {
        qsizetype end = start;
        const bool blank = line.at(start) == u' ';
        while (end < line.size() && (line.at(end) == u' ') == blank)
            ++end;
        const QString run = line.mid(start, end - start);
        if (!blank && run.size() > MaxWordLength)
            out += run.left(WordHead) + Ellipsis + run.right(WordTail) +
                   QStringLiteral(" (%1 characters)").arg(run.size());
        else
            out += run;
        start = end;
    }
    return out;
}
} // namespace

QString ReadableText(const QString &text)
{
    const QString visible = Visible(text);
    // Split at LF only: a CR of a line break stays with its line, as the text had it.
    const QStringList lines = visible.split(u'\n');
    QString out;
    bool cut = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i == MaxLines) {
            cut = true;
            break;
        }
        if (i > 0)
            out += u'\n';
        out += ShortWords(lines.at(i));
    }
    if (out.size() > MaxLength) {
        out.truncate(MaxLength);
        cut = true;
    }
    if (cut)
        out += Ellipsis;
    return out;
}

bool IsPrintableLatin1(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x20 && u <= 0x7E) || (u >= 0xA0 && u <= 0xFF);
    });
}
