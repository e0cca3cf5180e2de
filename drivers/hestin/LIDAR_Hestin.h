// Hestin: 128 channels in 32 groups of four; offsets of -0.17 degree inside a group.
#pragma once

#include <array>

#include "TailTimeDecoder.h"

namespace hestin {

constexpr int kChannels = 128;
constexpr int kChannelsPerGroup = 4;
constexpr std::array<float, kChannels / kChannelsPerGroup> kGroupAngles = {
    -12.f, -11.f, -10.f, -9.f,   -8.f, -7.f,   -6.f, -5.f,   -4.125f, -4.f, -3.125f,
    -3.f,  -2.125f, -2.f, -1.125f, -1.f, -0.125f, 0.f,  0.875f, 1.f,     1.875f, 2.f,
    3.f,   4.f,   5.f,   6.f,    7.f,  8.f,    9.f,  10.f,   11.f,    12.f};
constexpr float kOffsetStep = -0.17f;  // degrees per channel inside a group

constexpr std::array<float, kChannels> kBaseAngles =
    tail_time::groupedBaseAngles<kChannels, kChannelsPerGroup>([](int g) { return kGroupAngles[g]; });
constexpr std::array<float, kChannelsPerGroup> kOffsetAngles = tail_time::groupOffsetAngles<kChannelsPerGroup>(kOffsetStep);

}  // namespace hestin

class LIDAR_Hestin : public TailTimeDecoder {
public:
  LIDAR_Hestin()
      : TailTimeDecoder({hestin::kBaseAngles.begin(), hestin::kBaseAngles.end()},
                        {hestin::kOffsetAngles.begin(), hestin::kOffsetAngles.end()}) {}
};
