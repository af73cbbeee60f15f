#include "protocol/LoadOutcome.h"

#include "protocol/CommandScript.h"

#include <QSet>

bool IsErrorReply(const QString &reply)
{
    return reply.trimmed().startsWith(QLatin1String("ERR"));
}

TLoadOutcome::TLoadOutcome(const QStringList &fileLines, const QList<TLineReply> &replies)
    : FFileLines(fileLines), FCommandLines(CommandScript::CommandCount(fileLines))
{
    for (const TLineReply &reply : replies) {
        if (reply.Reply.isEmpty())
            FUnanswered << reply;
        else if (IsErrorReply(reply.Reply))
            FRefused << reply;
    }
}

void TLoadOutcome::Compare(const QStringList &instrumentLines, bool settingsOnly)
{
    QSet<int> refused;
    for (const TLineReply &r : FRefused)
        refused.insert(r.Line);
    FDifferences.clear();
    for (const TSettingsDifference &d : CompareSettings(FFileLines, instrumentLines)) {
        if (refused.contains(d.Line) || (settingsOnly && d.Where.isEmpty()))
            continue;
        FDifferences << d;
    }
}

bool TLoadOutcome::Clean() const
{
    return FRefused.isEmpty() && FUnanswered.isEmpty() && FDifferences.isEmpty();
}

QString TLoadOutcome::RefusedText(const TLineReply &refused) const
{
    const QString line = refused.Line >= 1 && refused.Line <= FFileLines.size()
                             ? FFileLines.at(refused.Line - 1)
                             : QString();
    return QStringLiteral("line %1: %2 answered %3")
        .arg(refused.Line)
        .arg(ReportQuoted(line), ReportQuoted(refused.Reply));
}

namespace {
QString Plural(qsizetype n, const QString &one, const QString &many)
{
    return n == 1 ? one : many;
}

QString More(qsizetype listed, qsizetype all)
{
    return all > listed ? QStringLiteral("\n... and %1 more.").arg(all - listed) : QString();
}
} // namespace

QString TLoadOutcome::Text() const
{
    QStringList parts;
    if (!FRefused.isEmpty()) {
        QString part = QStringLiteral("The instrument refused %1 of the file's %2 command %3:")
                           .arg(FRefused.size())
                           .arg(FCommandLines)
                           .arg(Plural(FCommandLines, QStringLiteral("line"),
                                       QStringLiteral("lines")));
        const qsizetype listed = qMin<qsizetype>(FRefused.size(), MaxListed);
        for (qsizetype i = 0; i < listed; ++i)
            part += u'\n' + RefusedText(FRefused.at(i));
        parts << part + More(listed, FRefused.size());
    }
    if (!FUnanswered.isEmpty())
        parts << QStringLiteral("%1 of the file's %2 command lines got no reply.")
                     .arg(FUnanswered.size())
                     .arg(FCommandLines);
    if (!FDifferences.isEmpty()) {
        QString part = QStringLiteral("The read-back does not confirm the file in %1 %2:")
                           .arg(FDifferences.size())
                           .arg(Plural(FDifferences.size(), QStringLiteral("place"),
                                       QStringLiteral("places")));
        const qsizetype listed = qMin<qsizetype>(FDifferences.size(), MaxListed);
        for (qsizetype i = 0; i < listed; ++i)
            part += u'\n' + FDifferences.at(i).Text();
        parts << part + More(listed, FDifferences.size());
    }
    return parts.join(u'\n');
}
