#include "protocol/SystemQueryTables.h"

#include "protocol/Tokens.h"

const TSystemQueryTable &InputClockTable()
{
    // The instrument may report an external 100 MHz input clock, which the list has no
    // entry for.
    static const TSystemQueryTable table{
        {"INT", "10", "20", "25", "30", "40", "50", "60", "80", "100"}, 9};
    return table;
}

const TSystemQueryTable &OutputClockTable()
{
    static const TSystemQueryTable table{
        {"T0", "10", "20", "25", "30", "40", "50", "60", "80", "100"}, 10};
    return table;
}

const TSystemQueryTable &SyncOutputTable()
{
    static const TSystemQueryTable table{{"T0", "Ch1", "Ch2", "Ch4", "Ch6", "TRIG", "GATE"}, 7};
    return table;
}

const TSystemQueryTable &CounterSourceTable()
{
    static const TSystemQueryTable table{{"T0", "CH1", "CH6", "CH8", "CH10"}, 5};
    return table;
}

TListSelection SelectionForReply(const TSystemQueryTable &table, const QString &reply)
{
    const int index = TokenIndex(table.Tokens, reply);
    if (index < 0)
        return {};
    return {true, index < table.ItemCount ? index : -1};
}
