#pragma once

#include "ConstantParameterWalk.h"
#include "DataDispose_Quenry_v4_0.h"

// Model byte 92: a 32-line sensor with the Quenry angles and a 20-bit block azimuth in
// thousandths of a degree.
class DataDispose_Quenry_40K_v4_0 : public ConstantParameterWalk<DataDispose_Quenry_40K_v4_0> {
public:
  DataDispose_Quenry_40K_v4_0();

  static constexpr kaldor::AzimuthForm kAzimuthForm = kaldor::AzimuthForm::Thousandths20;
  static constexpr double kMetresPerCount = 0.004;
  static constexpr double kSplitWindow = 3.0;  // degrees
  static constexpr bool kOpticalCentre = true;
  static constexpr double kR0 = 0.0209;        // metres
  static constexpr double kA0 = 27.26;         // degrees
  static std::uint8_t channelOf(int k) { return static_cast<std::uint8_t>(kaldor::kMapA[k]); }
  static float verticalAngleOf(std::uint8_t channel) { return kaldor::kAnglesQ[channel]; }
};
