// Sembrel: 32 channels 0.33 degree apart from -6.67 degrees, in groups of four.
#pragma once

#include "SembrelFamilyDecoder.h"

namespace sembrel {

constexpr float kLowestAngle = -6.67f;  // degrees, channel 0
constexpr float kChannelSpacing = 0.33f;

constexpr ChannelAngles kSembrelNominal = channelAngles([](int c) { return c * kChannelSpacing + kLowestAngle; });
constexpr ChannelAngles kSembrelGroupBase = channelAngles(
    [](int c) { return (c / kChannelsPerGroup) * kChannelsPerGroup * kChannelSpacing + kLowestAngle; });

}  // namespace sembrel

class LIDAR_Sembrel : public SembrelFamilyDecoder {
public:
  LIDAR_Sembrel() : SembrelFamilyDecoder(sembrel::kSembrelNominal, sembrel::kSembrelGroupBase) {}
};
