// Channel maps shared by several sub-models: the channel of record k of a block.
#pragma once

#include "DataDispose.h"

namespace kaldor {

// Checks a map against the rule it was written from, so a typo in the data fails the build.
template <typename Rule>
constexpr bool mapFollows(const ChannelMap& map, Rule rule) {
  for (int k = 0; k < kChannels; ++k)
    if (map[k] != rule(k)) return false;
  return true;
}

// 8 (k mod 4) + k div 4
constexpr ChannelMap kMapA = {0, 8, 16, 24, 1, 9,  17, 25, 2, 10, 18, 26, 3, 11, 19, 27,
                              4, 12, 20, 28, 5, 13, 21, 29, 6, 14, 22, 30, 7, 15, 23, 31};
// (0, 16, 8, 24)[k mod 4] + k div 4
constexpr ChannelMap kMapB = {0, 16, 8, 24, 1, 17, 9,  25, 2, 18, 10, 26, 3, 19, 11, 27,
                              4, 20, 12, 28, 5, 21, 13, 29, 6, 22, 14, 30, 7, 23, 15, 31};
// 16 (k mod 2) + 4 ((k div 2) mod 4) + (0, 2, 1, 3)[k div 8]
constexpr ChannelMap kMapM = {0, 16, 4, 20, 8, 24, 12, 28, 2, 18, 6, 22, 10, 26, 14, 30,
                              1, 17, 5, 21, 9, 25, 13, 29, 3, 19, 7, 23, 11, 27, 15, 31};

static_assert(mapFollows(kMapA, [](int k) { return std::uint32_t(8 * (k % 4) + k / 4); }), "map A");
static_assert(mapFollows(kMapB, [](int k) {
                constexpr std::uint32_t lead[4] = {0, 16, 8, 24};
                return lead[k % 4] + std::uint32_t(k / 4);
              }),
              "map B");
static_assert(mapFollows(kMapM, [](int k) {
                constexpr std::uint32_t tail[4] = {0, 2, 1, 3};
                return std::uint32_t(16 * (k % 2) + 4 * ((k / 2) % 4)) + tail[k / 8];
              }),
              "map M");
static_assert(channelMapInRange(kMapA) && channelMapInRange(kMapB) && channelMapInRange(kMapM),
              "channel maps index 32-entry tables");

}  // namespace kaldor
