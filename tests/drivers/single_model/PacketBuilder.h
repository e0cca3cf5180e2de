// Packets of the single-model sensors for tests: one byte buffer with named setters for
// each model's records and tail, and device-information packets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace single_model_test {

constexpr std::size_t kShortPacket = 1206;  // Sembrel, Sembrel_WideAngle, Ulmeth, Coravel, Fenwyr
constexpr std::size_t kLongPacket = 1212;   // Hestin, Yorbek, Drovik, Tiskar

class PacketBuilder {
public:
  explicit PacketBuilder(std::size_t size) : m_Bytes(size, 0) {}

  PacketBuilder& u8(std::size_t at, unsigned v) { m_Bytes.at(at) = static_cast<std::uint8_t>(v); return *this; }
  PacketBuilder& be16(std::size_t at, unsigned v) { return u8(at, v >> 8).u8(at + 1, v); }
  PacketBuilder& be24(std::size_t at, std::uint32_t v) { return u8(at, v >> 16).be16(at + 1, v & 0xFFFF); }
  PacketBuilder& be32(std::size_t at, std::uint32_t v) { return be16(at, v >> 16).be16(at + 2, v & 0xFFFF); }
  PacketBuilder& le32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) u8(at + i, (v >> (8 * i)) & 0xFF);
    return *this;
  }
  PacketBuilder& be40(std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 5; ++i) u8(at + i, static_cast<unsigned>((v >> (8 * (4 - i))) & 0xFF));
    return *this;
  }
  PacketBuilder& marker(std::size_t at) {
    return u8(at, 0xFF).u8(at + 1, 0xAA).u8(at + 2, 0xBB).u8(at + 3, 0xCC).u8(at + 4, 0xDD);
  }

  // --- seven-byte records (Sembrel family and the tail-time models) ---
  // Angle in 0.01 degree, distance in 1/256 cm.
  PacketBuilder& record7(int k, unsigned channel, unsigned angle, std::uint32_t distance, unsigned intensity) {
    const std::size_t at = 7 * k;
    return u8(at, channel).be16(at + 1, angle).be24(at + 3, distance).u8(at + 6, intensity);
  }
  PacketBuilder& record11(int k, unsigned channel, unsigned angle, std::uint32_t distance, unsigned intensity,
                          std::uint32_t distance2, unsigned intensity2) {
    const std::size_t at = 11 * k;
    return u8(at, channel).be16(at + 1, angle).be24(at + 3, distance).u8(at + 6, intensity)
        .be24(at + 7, distance2).u8(at + 10, intensity2);
  }
  // Every record's channel byte, so that empty records fall outside a model's channels.
  PacketBuilder& channels7(unsigned channel) {
    for (int k = 0; k < 171; ++k) u8(7 * k, channel);
    return *this;
  }
  PacketBuilder& marker7(int k) { return marker(7 * k); }
  PacketBuilder& marker11(int k) { return marker(11 * k); }
  // Sembrel tail: hour, minute, second, microseconds, echo byte.
  PacketBuilder& sembrelTail(unsigned hour, unsigned minute, unsigned second, std::uint32_t micros, unsigned echo) {
    return u8(1197, hour).u8(1198, minute).u8(1199, second).le32(1200, micros).u8(1205, echo);
  }
  // Tail-time models: second count with big-endian nanoseconds, or a date with little-endian ones.
  PacketBuilder& tailSeconds(std::uint64_t seconds, std::uint32_t nanos) {
    return u8(1200, 0xFF).be40(1201, seconds).be32(1206, nanos);
  }
  PacketBuilder& tailDate(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                          unsigned second, std::uint32_t nanos) {
    return u8(1200, year - 2000).u8(1201, month).u8(1202, day).u8(1203, hour).u8(1204, minute)
        .u8(1205, second).le32(1206, nanos);
  }

  // --- eight-byte records of the mirror models (Ulmeth, Coravel) ---
  // Angles in counts of the decoder's units (the vertical one as 14-bit two's complement).
  PacketBuilder& mirror8(int k, int hCount, unsigned channel, int vCount, std::uint32_t distance,
                         unsigned intensity, std::size_t recordBytes = 8) {
    const std::size_t at = recordBytes * k;
    const unsigned v = static_cast<unsigned>(vCount) & 0x3FFF;
    return be16(at, static_cast<std::uint16_t>(hCount)).u8(at + 2, (channel << 6) | (v >> 8)).u8(at + 3, v & 0xFF)
        .be24(at + 4, distance).u8(at + 7, intensity);
  }
  PacketBuilder& mirror12(int k, int hCount, unsigned channel, int vCount, std::uint32_t distance,
                          unsigned intensity, std::uint32_t distance2, unsigned intensity2) {
    return mirror8(k, hCount, channel, vCount, distance, intensity, 12).be24(12 * k + 8, distance2)
        .u8(12 * k + 11, intensity2);
  }
  // Fenwyr: wedge angles A and B (0.01 degree), channel in bits 7-5 over a 21-bit distance.
  PacketBuilder& wedge8(int k, unsigned a, unsigned b, unsigned channel, std::uint32_t distance, unsigned intensity,
                        std::size_t recordBytes = 8) {
    const std::size_t at = recordBytes * k;
    return be16(at, a).be16(at + 2, b).be24(at + 4, (channel << 21) | (distance & 0x1FFFFF)).u8(at + 7, intensity);
  }
  PacketBuilder& wedge12(int k, unsigned a, unsigned b, unsigned channel, std::uint32_t distance, unsigned intensity,
                         std::uint32_t distance2, unsigned intensity2) {
    return wedge8(k, a, b, channel, distance, intensity, 12).be24(12 * k + 8, distance2).u8(12 * k + 11, intensity2);
  }
  PacketBuilder& marker8(int k, unsigned markerByte = 0, std::size_t recordBytes = 8) {
    return marker(recordBytes * k).u8(recordBytes * k + 7, markerByte);
  }
  // Ten tail bytes at `at`: 0xFF and a 40-bit second count, then big-endian nanoseconds.
  PacketBuilder& scanSeconds(std::size_t at, std::uint64_t seconds, std::uint32_t nanos) {
    return u8(at, 0xFF).be40(at + 1, seconds).be32(at + 6, nanos);
  }

  // --- Tiskar blocks: channel and 21-bit signed angle (0.001 degree), five returns ---
  PacketBuilder& block23(int k, unsigned channel, int angle, std::uint32_t distance, unsigned intensity) {
    const std::size_t at = 23 * k;
    be24(at, (channel << 21) | (static_cast<std::uint32_t>(angle) & 0x1FFFFF));
    for (int r = 0; r < 5; ++r) be24(at + 3 + 4 * r, distance * (r + 1)).u8(at + 6 + 4 * r, intensity + r);
    return *this;
  }
  PacketBuilder& marker23(int k) { return marker(23 * k); }
  // Every block at 1000 degrees, outside any window, so unset blocks give no point.
  PacketBuilder& blocksOutside() {
    for (int k = 0; k < 52; ++k) be24(23 * k, (7u << 21) | 1000000u);
    return *this;
  }

  const unsigned char* data() const { return m_Bytes.data(); }
  std::size_t size() const { return m_Bytes.size(); }
  const std::vector<unsigned char>& bytes() const { return m_Bytes; }

private:
  std::vector<unsigned char> m_Bytes;
};

// A 1206-byte device-information packet (A5 FF 00 5A 11 11 55 55); the first byte may be
// 00 for the scanning models.
inline PacketBuilder devicePacket(unsigned firstByte = 0xA5) {
  PacketBuilder p(1206);
  p.u8(0, firstByte).u8(1, 0xFF).u8(2, 0x00).u8(3, 0x5A).u8(4, 0x11).u8(5, 0x11).u8(6, 0x55).u8(7, 0x55);
  p.u8(10, 127).u8(11, 0).u8(12, 0).u8(13, 1);  // lidar address 127.0.0.1
  return p;
}

}  // namespace single_model_test
