#pragma once

// Compares a settings file with the settings read back from the instrument, field by
// field: the file's record lines ("*CFG n ...") and single-value setting lines
// (":SYST:AUT 1" ...) against the instrument's lines for the same record or setting.
// Other command lines of the file are not compared, nor are comments: the caller
// leaves out the lines it did not send.

#include <QList>
#include <QString>
#include <QStringList>

struct TSettingsDifference
{
    QString Where;      // "channel 3", "system", "trigger 1", "gate 2"
    QString Field;      // "Delay", "AutoStart"; empty when the whole record is missing
    QString FileValue;  // as the file has it
    QString Instrument; // as the instrument answered it
    // "channel 3 Delay: file 0.000001, instrument 0.000002"
    QString Text() const;
};

// Numbers are equal when they convert to the same value ("0.001" and "1e-3"); all other
// fields are compared exactly. A record or setting the instrument did not report (a
// channel the model lacks) is one difference without a field.
QList<TSettingsDifference> CompareSettings(const QStringList &fileLines,
                                           const QStringList &instrumentLines);

// The field names of a record, in record order: Enabled, Delay, Width ... for a channel.
QStringList RecordFieldNames(int record);
