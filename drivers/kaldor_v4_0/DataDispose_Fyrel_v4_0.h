#pragma once

#include "ConstantParameterWalk.h"

// Model byte 2: a single-line sensor with a 20-bit block azimuth in thousandths of a degree.
// Channel 0's cosine and sine are set by the factory.
class DataDispose_Fyrel_v4_0 : public ConstantParameterWalk<DataDispose_Fyrel_v4_0> {
public:
  static constexpr kaldor::AzimuthForm kAzimuthForm = kaldor::AzimuthForm::Thousandths20;
  static constexpr double kMetresPerCount = 0.004;
  static constexpr double kSplitWindow = 20.0;  // degrees
  static constexpr bool kOpticalCentre = true;
  static constexpr double kR0 = 0.0361;         // metres
  static constexpr double kA0 = 20.25;          // degrees
  static std::uint8_t channelOf(int) { return 0; }
  static float verticalAngleOf(std::uint8_t) { return 0.f; }
};
