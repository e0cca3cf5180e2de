// Drovik: 256 channels in 64 groups 0.625 degree apart from -20 degrees; its mirror turns
// the horizontal angle into the point's direction through the half-angle alone.
#pragma once

#include <array>

#include "TailTimeDecoder.h"

namespace drovik {

constexpr int kChannels = 256;
constexpr int kChannelsPerGroup = 4;
constexpr float kLowestAngle = -20.f;   // degrees, group 0
constexpr float kGroupSpacing = 0.625f;
constexpr float kOffsetStep = 0.11f;    // degrees per channel inside a group
constexpr std::size_t kDualFrameLimit = 1300000;  // points

constexpr std::array<float, kChannels> kBaseAngles =
    tail_time::groupedBaseAngles<kChannels, kChannelsPerGroup>([](int g) { return g * kGroupSpacing + kLowestAngle; });
constexpr std::array<float, kChannelsPerGroup> kOffsetAngles = tail_time::groupOffsetAngles<kChannelsPerGroup>(kOffsetStep);

}  // namespace drovik

class LIDAR_Drovik : public TailTimeDecoder {
public:
  LIDAR_Drovik();
  EchoPositions computeXYZ(int channel, double hAngle, double& vAngle, double distance1,
                           double distance2) override;
};
