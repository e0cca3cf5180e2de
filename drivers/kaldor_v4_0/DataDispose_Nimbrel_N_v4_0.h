#pragma once

#include "KaldorChannelMaps.h"

namespace kaldor {
// Vertical angles by channel, degrees.
constexpr AngleTable kAnglesN69 = {-51,  -48.5, -46,  -43.5, -41,  -38.5, -36, -33,
                                   -31,  -28,   -25,  -22,   -18.5, -15,  -12, -10.5,
                                   -9,   -7.5,  -6,   -4.5,  -3,   -1.5,  0,   1.5,
                                   3,    4.5,   6,    7.5,   9,    11,    13,  15};
constexpr AngleTable kAnglesN71 = {-54.7, -51.5, -49,  -46,  -43,  -40,  -37, -34,
                                   -31,   -28,   -25,  -22,  -18.5, -15, -12, -10.5,
                                   -9,    -7.5,  -6,   -4.5, -3,   -1.5, 0,   1.5,
                                   3,     4.5,   6,    7.5,  9,    11,   13,  15};
}  // namespace kaldor

// Model bytes 69, 71, 72.
class DataDispose_Nimbrel_N_v4_0 : public DataDispose {
public:
  DataDispose_Nimbrel_N_v4_0();
  void setSubModelType(int modelByte) override;
};
