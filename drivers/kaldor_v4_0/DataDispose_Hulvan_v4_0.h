#pragma once

#include "KaldorChannelMaps.h"

namespace kaldor {
// (0, 4, 1, 5, 2, 6, 3, 7)[k mod 8]: only channels 0-7 occur.
constexpr ChannelMap kMapH = {0, 4, 1, 5, 2, 6, 3, 7, 0, 4, 1, 5, 2, 6, 3, 7,
                              0, 4, 1, 5, 2, 6, 3, 7, 0, 4, 1, 5, 2, 6, 3, 7};
constexpr AngleTable kAnglesH7 = {-2, 0, 2, 4, 6, 8, 10, 12, -2, 0, 2, 4, 6, 8, 10, 12,
                                  -2, 0, 2, 4, 6, 8, 10, 12, -2, 0, 2, 4, 6, 8, 10, 12};
constexpr AngleTable kAnglesH8 = {-10, -8, -4, 0, 4, 8, 10, 12, -10, -8, -4, 0, 4, 8, 10, 12,
                                  -10, -8, -4, 0, 4, 8, 10, 12, -10, -8, -4, 0, 4, 8, 10, 12};
constexpr AngleTable kAnglesH9 = {-12, -8, -4, 0, 4, 8, 10, 12, -12, -8, -4, 0, 4, 8, 10, 12,
                                  -12, -8, -4, 0, 4, 8, 10, 12, -12, -8, -4, 0, 4, 8, 10, 12};
static_assert(mapFollows(kMapH, [](int k) {
                constexpr std::uint32_t order[8] = {0, 4, 1, 5, 2, 6, 3, 7};
                return order[k % 8];
              }),
              "map H");
static_assert(channelMapInRange(kMapH), "channel map indexes 32-entry tables");
}  // namespace kaldor

// Model bytes 7, 8, 9.
class DataDispose_Hulvan_v4_0 : public DataDispose {
public:
  DataDispose_Hulvan_v4_0();
  void setSubModelType(int modelByte) override;
};
