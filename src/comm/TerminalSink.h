#pragma once

#include <QString>
#include <cstdint>

// Where the transactions echo what goes over the wire: the command terminal of the
// main window (its ResponseList), or a recorder in tests.
class TerminalSink
{
public:
    static constexpr uint32_t CommandColor = 0x000000; // black: a command line sent
    static constexpr uint32_t ReplyColor = 0x008000;   // green (0, 128, 0): a reply read

    virtual ~TerminalSink() = default;
    // Appends one line ("(hh:nn:ss.zzz) text") in the given 0xRRGGBB colour.
    virtual void AppendTerminalLine(const QString &line, uint32_t rgb) = 0;
};
