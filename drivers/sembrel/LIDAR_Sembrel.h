// Sembrel: 32 channels 0.33 degree apart from -6.67 degrees, in groups of four.
#pragma once

#include "SembrelFamilyDecoder.h"

namespace sembrel {

constexpr float kLowestAngle = -6.67f;  // degrees, channel 0
constexpr float kChannelSpacing = 0.33f;

constexpr ChannelAngles sembrelNominalAngles() {
  ChannelAngles a{};
  for (int c = 0; c < kChannels; ++c) a[c] = c * kChannelSpacing + kLowestAngle;
  return a;
}
constexpr ChannelAngles sembrelGroupBaseAngles() {
  ChannelAngles a{};
  for (int c = 0; c < kChannels; ++c) a[c] = (c / kChannelsPerGroup) * kChannelsPerGroup * kChannelSpacing + kLowestAngle;
  return a;
}
constexpr ChannelAngles kSembrelNominal = sembrelNominalAngles();
constexpr ChannelAngles kSembrelGroupBase = sembrelGroupBaseAngles();

}  // namespace sembrel

class LIDAR_Sembrel : public SembrelFamilyDecoder {
public:
  LIDAR_Sembrel() : SembrelFamilyDecoder(sembrel::kSembrelNominal, sembrel::kSembrelGroupBase) {}
};
