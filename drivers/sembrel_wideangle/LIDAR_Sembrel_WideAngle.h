// Sembrel_WideAngle: the Sembrel decoder over a wider fan of eight groups.
#pragma once

#include "SembrelFamilyDecoder.h"

namespace sembrel {

constexpr std::array<float, kChannels / kChannelsPerGroup> kWideGroupAngles = {-14.f, -11.f, -8.f, -5.f,
                                                                              -2.f,  0.f,   2.f,  5.f};
constexpr float kWideChannelSpacing = 0.33f;  // degrees inside a group

constexpr ChannelAngles kWideNominal = channelAngles(
    [](int c) { return kWideGroupAngles[c / kChannelsPerGroup] + (c % kChannelsPerGroup) * kWideChannelSpacing; });
constexpr ChannelAngles kWideGroupBase = channelAngles([](int c) { return kWideGroupAngles[c / kChannelsPerGroup]; });

}  // namespace sembrel

class LIDAR_Sembrel_WideAngle : public SembrelFamilyDecoder {
public:
  LIDAR_Sembrel_WideAngle() : SembrelFamilyDecoder(sembrel::kWideNominal, sembrel::kWideGroupBase) {}
};
