// Yorbek: three channels on one base angle, 0.14 degree apart.
#pragma once

#include <array>

#include "TailTimeDecoder.h"

namespace yorbek {

constexpr int kChannels = 3;
constexpr std::array<float, kChannels> kBaseAngles = {0.f, 0.f, 0.f};
constexpr std::array<float, kChannels> kOffsetAngles = {0.f, -0.14f, -0.28f};

}  // namespace yorbek

class LIDAR_Yorbek : public TailTimeDecoder {
public:
  LIDAR_Yorbek()
      : TailTimeDecoder({yorbek::kBaseAngles.begin(), yorbek::kBaseAngles.end()},
                        {yorbek::kOffsetAngles.begin(), yorbek::kOffsetAngles.end()}) {}
};
