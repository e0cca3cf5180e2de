#pragma once

#include "ConstantParameterWalk.h"

// Model bytes 5, 6: a single-line sensor reporting millimetres, with no optical-centre offset
// and frame-split constants that follow the block step. Channel 0's cosine and sine are set
// by the factory.
class DataDispose_Ostrik : public AdaptiveSplitWalk<DataDispose_Ostrik> {
public:
  static constexpr kaldor::AzimuthForm kAzimuthForm = kaldor::AzimuthForm::Hundredths;
  static constexpr double kMetresPerCount = 0.001;
  static constexpr bool kOpticalCentre = false;
  static constexpr double kR0 = 0.0;
  static constexpr double kA0 = 0.0;
  static std::uint8_t channelOf(int) { return 0; }
  static float verticalAngleOf(std::uint8_t) { return 0.f; }
  static double distance(std::uint16_t count) { return count / 1000.0; }  // millimetres
};
