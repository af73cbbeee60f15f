#include "protocol/TChannelConfigs.h"

#include <QtGlobal>

namespace {
void ReportOutOfRange(int chnum)
{
    qWarning("channel %d is outside 1 to %d: ignored", chnum, MaxChannels);
}
} // namespace

ChannelConfig &TChannelConfigs::operator[](int chnum)
{
    if (Contains(chnum))
        return FConfigs[static_cast<std::size_t>(chnum - 1)];
    ReportOutOfRange(chnum);
    FSpare = ChannelConfig{};
    return FSpare;
}

const ChannelConfig &TChannelConfigs::operator[](int chnum) const
{
    if (Contains(chnum))
        return FConfigs[static_cast<std::size_t>(chnum - 1)];
    ReportOutOfRange(chnum);
    static const ChannelConfig empty{};
    return empty;
}
