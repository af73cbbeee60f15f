#pragma once

// What a settings file's load came to, as it is: the lines the instrument refused or did
// not answer, and the settings of the file that the read-back does not confirm.

#include "protocol/SettingsComparison.h"

#include <QList>
#include <QString>
#include <QStringList>

// One line of the file that went out, and the instrument's reply to it.
struct TLineReply
{
    int Line = 0;  // the file's line, counted from 1
    QString Reply; // empty when no reply came
};

// A reply that reports an error ("ERR 4: no such channel").
bool IsErrorReply(const QString &reply);

class TLoadOutcome
{
public:
    TLoadOutcome() = default;
    // The file's lines, comments included, and the replies to the lines sent.
    TLoadOutcome(const QStringList &fileLines, const QList<TLineReply> &replies);

    // The read-back compared with the file (see CompareSettings). A line the instrument
    // refused is reported as refused, not again as a difference; with settingsOnly, a
    // line the read-back cannot confirm at all (a command it does not report, accepted
    // by the instrument) is no difference.
    void Compare(const QStringList &instrumentLines, bool settingsOnly);

    int CommandLines() const { return FCommandLines; }
    const QList<TLineReply> &Refused() const { return FRefused; }
    const QList<TLineReply> &Unanswered() const { return FUnanswered; }
    const QList<TSettingsDifference> &Differences() const { return FDifferences; }
    // Every line sent was accepted, and the comparison (if made) found nothing.
    bool Clean() const;

    // "line 7: ":PULS40:DEL 1" refused: ERR 4: no such channel"
    QString RefusedText(const TLineReply &refused) const;
    // The report: the refusals (the first MaxListed listed), the lines without reply and
    // the differences (the first MaxListed listed). Empty when Clean.
    QString Text() const;
    static constexpr int MaxListed = 5;

private:
    QStringList FFileLines;
    int FCommandLines = 0;
    QList<TLineReply> FRefused;
    QList<TLineReply> FUnanswered;
    QList<TSettingsDifference> FDifferences;
};
