#pragma once

#include "ConstantParameterWalk.h"

// Model bytes 3, 10: a single-line sensor whose frame-split constants follow the block step.
// Channel 0's cosine and sine and the starting split constants are set by the factory.
class DataDispose_Drelka_v4_0 : public AdaptiveSplitWalk<DataDispose_Drelka_v4_0> {
public:
  static constexpr kaldor::AzimuthForm kAzimuthForm = kaldor::AzimuthForm::Hundredths;
  static constexpr double kMetresPerCount = 0.004;
  static constexpr bool kOpticalCentre = true;
  static constexpr double kR0 = 0.0361;        // metres
  static constexpr double kA0 = 20.25;         // degrees
  static std::uint8_t channelOf(int) { return 0; }
  static float verticalAngleOf(std::uint8_t) { return 0.f; }
};
