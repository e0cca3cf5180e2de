#pragma once

#include "KaldorChannelMaps.h"

namespace kaldor {
// Vertical angles by channel, degrees. L32: channel i at i - 16.
constexpr AngleTable kAnglesL32 = defaultVerticalAngles();
// L35: -20.8 + 1.3 i, to one decimal.
constexpr AngleTable kAnglesL35 = {-20.8f, -19.5f, -18.2f, -16.9f, -15.6f, -14.3f, -13.0f, -11.7f,
                                   -10.4f, -9.1f,  -7.8f,  -6.5f,  -5.2f,  -3.9f,  -2.6f,  -1.3f,
                                   0.0f,   1.3f,   2.6f,   3.9f,   5.2f,   6.5f,   7.8f,   9.1f,
                                   10.4f,  11.7f,  13.0f,  14.3f,  15.6f,  16.9f,  18.2f,  19.5f};
}  // namespace kaldor

// Model bytes 32, 33, 34, 35.
class DataDispose_Lormet_v4_0 : public DataDispose {
public:
  DataDispose_Lormet_v4_0();
  void setSubModelType(int modelByte) override;
};
