#include "protocol/TChannelConfigs.h"

ChannelConfig &TChannelConfigs::operator[](int chnum)
{
    return FConfigs.at(static_cast<std::size_t>(chnum - 1));
}

const ChannelConfig &TChannelConfigs::operator[](int chnum) const
{
    return FConfigs.at(static_cast<std::size_t>(chnum - 1));
}
