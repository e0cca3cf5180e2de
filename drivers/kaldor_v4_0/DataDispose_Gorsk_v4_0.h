#pragma once

#include "KaldorChannelMaps.h"

namespace kaldor {
// (0, 2, 1, 3)[k mod 4]: only channels 0-3 occur.
constexpr ChannelMap kMapG = {0, 2, 1, 3, 0, 2, 1, 3, 0, 2, 1, 3, 0, 2, 1, 3,
                              0, 2, 1, 3, 0, 2, 1, 3, 0, 2, 1, 3, 0, 2, 1, 3};
constexpr AngleTable kAnglesG = {-12, 0, 8, 12, -12, 0, 8, 12, -12, 0, 8, 12, -12, 0, 8, 12,
                                 -12, 0, 8, 12, -12, 0, 8, 12, -12, 0, 8, 12, -12, 0, 8, 12};
static_assert(mapFollows(kMapG, [](int k) {
                constexpr std::uint32_t order[4] = {0, 2, 1, 3};
                return order[k % 4];
              }),
              "map G");
static_assert(channelMapInRange(kMapG), "channel map indexes 32-entry tables");
}  // namespace kaldor

// Model byte 4.
class DataDispose_Gorsk_v4_0 : public DataDispose {
public:
  DataDispose_Gorsk_v4_0();
};
