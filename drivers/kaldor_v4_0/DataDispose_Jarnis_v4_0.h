#pragma once

#include "KaldorChannelMaps.h"

namespace kaldor {
// Only channels 0-15 occur; the second half of each table repeats the first.
constexpr ChannelMap kMapJ16 = {0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15,
                                0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15};
constexpr ChannelMap kMapJ18 = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,
                                0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
// Vertical angles by channel, degrees.
constexpr AngleTable kAnglesJ16 = {-16, -14, -12, -10, -8, -6, -4, -2, 0, 2, 4, 6, 8, 10, 12, 14,
                                   -16, -14, -12, -10, -8, -6, -4, -2, 0, 2, 4, 6, 8, 10, 12, 14};
constexpr AngleTable kAnglesJ91 = {2.487f,  5.596f,  8.591f,  11.494f, 14.324f, 17.096f, 19.824f, 22.513f,
                                   25.174f, 27.811f, 30.429f, 33.191f, 36.008f, 41.603f, 47.201f, 52.798f,
                                   2.487f,  5.596f,  8.591f,  11.494f, 14.324f, 17.096f, 19.824f, 22.513f,
                                   25.174f, 27.811f, 30.429f, 33.191f, 36.008f, 41.603f, 47.201f, 52.798f};
static_assert(mapFollows(kMapJ16, [](int k) { return std::uint32_t((k % 16) / 2 + 8 * (k % 2)); }), "map J16");
static_assert(mapFollows(kMapJ18, [](int k) { return std::uint32_t((k % 16) / 4 + 4 * (k % 4)); }), "map J18");
static_assert(channelMapInRange(kMapJ16) && channelMapInRange(kMapJ18), "channel maps index 32-entry tables");

// Device-information packet fields of the calibration (model byte 17).
constexpr std::size_t kJarnisVerticalOffset = 680;    // 16 x s16 BE, 0.01 degree
constexpr std::size_t kJarnisHorizontalOffset = 712;  // 16 x s16 BE, 0.01 degree
constexpr std::size_t kJarnisCheckByte1 = 1198;       // high nibble 7
constexpr std::size_t kJarnisCheckByte2 = 1202;       // high nibble 7
constexpr int kJarnisLines = 16;
constexpr double kJarnisAngleTolerance = 1.5;         // degrees from the nominal angle
}  // namespace kaldor

// Model bytes 16, 17, 18, 91: a 16-line sensor on the base walk; model 17 takes its vertical
// angles and horizontal offsets from the device-information packets.
class DataDispose_Jarnis_v4_0 : public DataDispose {
public:
  DataDispose_Jarnis_v4_0();
  void setSubModelType(int modelByte) override;
  void disposeDevicePacket(const unsigned char* packet) override;

  std::uint32_t m_ModelByte = 0;
};
