#pragma once

// The line settings a client has applied to the pseudo-terminal, read from our
// side of it. The line speed is read and written as a number of bits per
// second, so that any speed works, not only the classic ones.

struct TLineSettings
{
    int Baud = 0;
    int DataBits = 0;
    bool Parity = false;
    int StopBits = 1;

    static bool Read(int fd, TLineSettings &settings);
    static bool WriteSpeed(int fd, int baud);
};
