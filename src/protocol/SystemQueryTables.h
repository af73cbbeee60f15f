#pragma once

#include <QString>
#include <QStringList>

// The replies of the four single-value system queries and the list entries they select.
// Replies are compared exactly, letter case included: the sync output answers "Ch1",
// the counter source "CH1".
struct TSystemQueryTable
{
    QStringList Tokens; // reply for entry index 0, 1, ...
    int ItemCount;      // entries of the list that shows it
};

const TSystemQueryTable &InputClockTable();    // ":SYST:ICLOCK" -> ExternalInputClkSel
const TSystemQueryTable &OutputClockTable();   // ":SYST:OCL"    -> ExternalOutputClkSel
const TSystemQueryTable &SyncOutputTable();    // ":SYST:SYNC"   -> SyncOutputSel
const TSystemQueryTable &CounterSourceTable(); // ":COUN:SEL"    -> CounterSourceSel

// What a reply does to its list: a reply outside the table leaves the selection as it
// is (Changes false); a known reply selects its entry, and one whose entry the list does
// not have ("100" for the input clock) leaves the list with no selection (index -1).
struct TListSelection
{
    bool Changes = false;
    int ItemIndex = -1;
};

TListSelection SelectionForReply(const TSystemQueryTable &table, const QString &reply);
