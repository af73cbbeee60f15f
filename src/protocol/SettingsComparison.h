#pragma once

// Compares a settings file with the settings read back from the instrument, line by
// line: every line of the file that is not a comment must be confirmed by the read-back.
// A record line ("*CFG n ...") is compared field by field with the instrument's record,
// a single-value setting line (":SYST:AUT 1" ...) with the instrument's value, a setting
// command as the panel sends it (":PULS3:DEL 0.00000200000", see SettingCommandLines)
// with the record field or value it sets. Any other line (a command the read-back does
// not report, a line that is no command at all) cannot be confirmed and is a difference
// of its own. Blank lines set nothing and are not compared.

#include <QList>
#include <QString>
#include <QStringList>

struct TSettingsDifference
{
    int Line = 0;       // the file's line, counted from 1
    QString Where;      // "channel 3", "system", "trigger 1", "gate 2"; empty when the
                        // line cannot be confirmed
    QString Field;      // "Delay", "AutoStart"; empty when the whole record is missing
    QString FileValue;  // as the file has it (the whole line when it cannot be confirmed)
    QString Instrument; // as the instrument answered it
    // "line 12: channel 3 Delay: file 0.000001, instrument 0.000002"
    QString Text() const;
};

// fileLines are all the file's lines, comments included. Numbers are equal when they
// convert to the same value ("0.001" and "1e-3"); tokens are compared exactly. Which
// fields and values are numbers the setting table says (TokenReply).
// A record or setting the instrument did not report (a channel the model lacks) is one
// difference without a field. A value the file sets twice is compared where the file
// last sets it.
QList<TSettingsDifference> CompareSettings(const QStringList &fileLines,
                                           const QStringList &instrumentLines);

// A line or reply as a report quotes it: control characters shown, long texts shortened.
QString ReportQuoted(const QString &text);

// The field names of a record, in record order: Enabled, Delay, Width ... for a channel
// (the rows' ReportName); none for a number that is no record.
QStringList RecordFieldNames(int record);

// The lines (counted from 1) of a settings file that are neither comments nor blank and
// that CompareSettings cannot confirm: no record, single-value or setting command line.
QList<int> UnknownSettingLines(const QStringList &fileLines);
