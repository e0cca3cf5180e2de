#pragma once

#include "ConstantParameterWalk.h"
#include "KaldorChannelMaps.h"

namespace kaldor {
// Vertical angles by channel, degrees. One read-only table serves every Nimbrel decoder.
constexpr AngleTable kAnglesNimbrel = {-54, -51.5, -49,   -46, -43,   -40,   -37, -34,
                                       -31, -28,   -25,   -22, -18.5, -15,   -12, -10,
                                       -8,  -6.66f, -5.33f, -4, -2.66f, -1.33f, 0, 1.33f,
                                       2.66f, 4,   5.5,   7,   9,     11,    13,  15};
constexpr float kNimbrelAzimuthOffset = 3.89f;  // degrees, for the odd channels 15-29
}  // namespace kaldor

// Model byte 70: a 32-line sensor of which eight channels fire 3.89 degrees ahead of the
// record position.
class DataDispose_Nimbrel_v4_0 : public ConstantParameterWalk<DataDispose_Nimbrel_v4_0> {
public:
  DataDispose_Nimbrel_v4_0();

  static constexpr kaldor::AzimuthForm kAzimuthForm = kaldor::AzimuthForm::Hundredths;
  static constexpr double kMetresPerCount = 0.004;
  static constexpr double kSplitWindow = 5.0;  // degrees
  static constexpr bool kOpticalCentre = true;
  static constexpr double kR0 = 0.03416;       // metres
  static constexpr double kA0 = 20.25;         // degrees
  static std::uint8_t channelOf(int k) { return static_cast<std::uint8_t>(kaldor::kMapA[k]); }
  static float verticalAngleOf(std::uint8_t channel) { return kaldor::kAnglesNimbrel[channel]; }

  double azimuthOffset(std::uint8_t channel) const {
    const bool shifted = channel >= 15 && channel <= 29 && channel % 2 == 1;
    return shifted ? m_AzimuthOffset : 0.0;
  }

  float m_AzimuthOffset = kaldor::kNimbrelAzimuthOffset;  // degrees
};
