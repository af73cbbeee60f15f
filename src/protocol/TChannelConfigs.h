#pragma once

#include "protocol/ChannelConfig.h"
#include "protocol/ModelTable.h"

#include <array>

// The mirrors of all channels, indexed by channel number 1 to 36 (the largest channel
// count of any model). The index usually comes from a control's name inside an event
// handler, where an exception would end the program; a number outside the range is
// therefore harmless instead: it gets a spare mirror that starts at zero every time it is
// handed out, so what is written to it is lost and no channel is touched.
class TChannelConfigs
{
public:
    static constexpr bool Contains(int chnum) { return chnum >= 1 && chnum <= MaxChannels; }

    ChannelConfig &operator[](int chnum);
    const ChannelConfig &operator[](int chnum) const;

private:
    std::array<ChannelConfig, MaxChannels> FConfigs{};
    ChannelConfig FSpare{};
};
