#pragma once

#include "protocol/ChannelConfig.h"

#include <array>

// The mirrors of all channels, indexed by channel number 1 to 36 (the largest channel
// count of any model). A channel number outside that range is a programming fault and
// throws std::out_of_range rather than touching a neighbour's memory.
class TChannelConfigs
{
public:
    static constexpr int MaxChannels = 36;

    ChannelConfig &operator[](int chnum);
    const ChannelConfig &operator[](int chnum) const;

private:
    std::array<ChannelConfig, MaxChannels> FConfigs{};
};
