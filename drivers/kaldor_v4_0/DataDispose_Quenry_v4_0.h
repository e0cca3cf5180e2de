#pragma once

#include "KaldorChannelMaps.h"

namespace kaldor {
// Vertical angles by channel, degrees.
constexpr AngleTable kAnglesQ = {2.487f,  5.596f,  8.591f,  11.494f, 14.324f, 17.096f, 19.824f,
                                 22.513f, 25.174f, 27.811f, 30.429f, 33.191f, 36.008f, 38.808f,
                                 41.603f, 44.404f, 47.201f, 49.999f, 52.798f, 55.596f, 58.26f,
                                 60.87f,  63.498f, 66.144f, 68.819f, 71.525f, 74.274f, 77.074f,
                                 79.938f, 82.884f, 85.933f, 89.105f};
}  // namespace kaldor

// Model bytes 90, 93.
class DataDispose_Quenry_v4_0 : public DataDispose {
public:
  DataDispose_Quenry_v4_0();
  void setSubModelType(int modelByte) override;
};
