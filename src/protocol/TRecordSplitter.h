#pragma once

#include <QString>

// Splits a configuration record into its fields. Fields are separated by exactly one
// space: two spaces in a row give an empty field. Once no space is left, every further
// field is empty and the remainder stays for the last field, which is the whole rest of
// the record, untrimmed (so surplus fields end up in it).
class TRecordSplitter
{
public:
    explicit TRecordSplitter(QString record) : FRest(std::move(record)) {}

    // The next field that is not the last: the text before the first space, without its
    // trailing characters of code 32 and below; empty when no space is left.
    QString Next();
    // The last field: everything that remains.
    QString Last() const { return FRest; }

private:
    QString FRest;
};
