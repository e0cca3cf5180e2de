// Point-data packets of a Kaldor_v4_0 table-driven sub-model sweeping a steady scene, for
// trying the viewer without a sensor and for the end-to-end tests.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace kaldor_sweep {

constexpr std::size_t kPacketBytes = 1212;
constexpr std::size_t kBlockBytes = 100;
constexpr int kBlocksPerPacket = 12;
constexpr int kRecordsPerBlock = 32;
constexpr std::size_t kTimeOffset = 1200;       // 0xFF, then 40-bit big-endian UTC seconds
constexpr std::size_t kNanosecondsOffset = 1206;  // u32 little-endian
constexpr std::size_t kReturnModeOffset = 1210;
constexpr std::size_t kModelOffset = 1211;
constexpr std::uint8_t kSingleReturn = 0x37;    // anything but 0x39/0x40
constexpr std::uint8_t kModelLormet = 32;       // table-driven: map A, angles -16..15 degrees
constexpr double kDistanceUnit = 0.004;         // metres per count

constexpr int kAzimuthStep = 20;                // hundredths of a degree per block
constexpr int kBlocksPerTurn = 36000 / kAzimuthStep;
constexpr int kPacketsPerTurn = kBlocksPerTurn / kBlocksPerPacket;
// The sweep starts just past the split azimuth (90 degrees) of the sub-model, so even the
// first frame is nearly a whole turn and the view's first camera reset frames the scene.
constexpr int kStartAzimuth = 9600;             // hundredths of a degree
static_assert(kBlocksPerTurn % kBlocksPerPacket == 0, "every turn starts a packet at azimuth 0");
// Every turn after the first is one frame of this many points (no distance is zero).
constexpr int kPointsPerFrame = kBlocksPerTurn * kRecordsPerBlock;

inline void writeLE16(std::uint8_t* p, std::size_t offset, std::uint16_t v) {
  p[offset] = static_cast<std::uint8_t>(v & 0xFF);
  p[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void writeLE32(std::uint8_t* p, std::size_t offset, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Scene: a room of radius 12 m whose wall bulges with the azimuth, so the cloud has shape.
inline std::uint16_t distanceCount(int azimuthHundredths, int record) {
  const double azimuth = azimuthHundredths / 100.0 * 3.1415926 / 180.0;
  const double metres = 12.0 + 3.0 * std::cos(3.0 * azimuth) + 0.05 * record;
  return static_cast<std::uint16_t>(metres / kDistanceUnit);
}

// Packet n of the endless sweep; packet 0 starts at kStartAzimuth.
inline std::array<std::uint8_t, kPacketBytes> buildPacket(long n, std::uint64_t utcSeconds,
                                                          std::uint32_t nanoseconds) {
  std::array<std::uint8_t, kPacketBytes> packet{};
  std::uint8_t* p = packet.data();
  for (int b = 0; b < kBlocksPerPacket; ++b) {
    const long block = n * kBlocksPerPacket + b;
    const int azimuth = static_cast<int>((block % kBlocksPerTurn) * kAzimuthStep + kStartAzimuth) % 36000;
    const std::size_t base = kBlockBytes * static_cast<std::size_t>(b);
    p[base] = 0xFF;
    p[base + 1] = 0xEE;
    writeLE16(p, base + 2, static_cast<std::uint16_t>(azimuth));
    for (int k = 0; k < kRecordsPerBlock; ++k) {
      const std::size_t record = base + 4 + 3 * static_cast<std::size_t>(k);
      writeLE16(p, record, distanceCount(azimuth, k));
      p[record + 2] = static_cast<std::uint8_t>(40 + 6 * k);  // intensity
    }
  }
  p[kTimeOffset] = 0xFF;
  for (int i = 0; i < 5; ++i) p[kTimeOffset + 1 + i] = static_cast<std::uint8_t>(utcSeconds >> (8 * (4 - i)));
  writeLE32(p, kNanosecondsOffset, nanoseconds);
  p[kReturnModeOffset] = kSingleReturn;
  p[kModelOffset] = kModelLormet;
  return packet;
}

}  // namespace kaldor_sweep
