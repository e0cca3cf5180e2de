#pragma once

#include "ConstantParameterWalk.h"

namespace kaldor {
// Channel of record k mod 8, and vertical angles of channels 0-7 (degrees).
constexpr std::array<std::uint8_t, 8> kBrisalChannelOrder = {0, 4, 1, 5, 2, 6, 3, 7};
constexpr std::array<float, 8> kBrisalAngles = {-10, -8, -4, 0, 4, 8, 10, 12};
constexpr std::uint8_t kBrisalHorizontalChannel = 3;  // the 0-degree line, delivered as channel 0
}  // namespace kaldor

// Model byte 1: an eight-line sensor of which only the horizontal line is delivered.
// The cosines and sines of channels 0-7 are set by the factory.
class DataDispose_Brisal_v4_0 : public ConstantParameterWalk<DataDispose_Brisal_v4_0> {
public:
  static constexpr kaldor::AzimuthForm kAzimuthForm = kaldor::AzimuthForm::Hundredths;
  static constexpr double kMetresPerCount = 0.004;
  static constexpr double kSplitWindow = 20.0;  // degrees
  static constexpr bool kOpticalCentre = true;
  static constexpr double kR0 = 0.0361;         // metres
  static constexpr double kA0 = 20.25;          // degrees
  static std::uint8_t channelOf(int k) { return kaldor::kBrisalChannelOrder[k % 8]; }
  static float verticalAngleOf(std::uint8_t channel) { return kaldor::kBrisalAngles[channel % 8]; }

  // Other lines stop here; the horizontal one is renumbered 0 (its second echo keeps 3).
  static bool keepPoint(PointInfo* p, PointInfo*) {
    if (p->Channel != kaldor::kBrisalHorizontalChannel) return false;
    p->Channel = 0;
    return true;
  }
};
