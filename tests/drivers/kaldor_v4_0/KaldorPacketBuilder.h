// Builds point-data and device-information packets of the family for tests and benchmarks.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kaldor_test {

constexpr std::size_t kDataPacketBytes = 1212;
constexpr std::size_t kDevicePacketBytes = 1206;
constexpr std::uint8_t kSingle = 0x37;      // any value other than the two dual modes
constexpr std::uint8_t kDual = 0x39;
constexpr std::uint8_t kDualCm = 0x40;      // second echo in centimetres

class KaldorPacketBuilder {
public:
  // Twelve valid blocks with azimuths 0.00, 0.20 ... 2.20 degrees, zero records, model 32,
  // single return, seconds-form time 0.
  KaldorPacketBuilder() {
    for (int b = 0; b < 12; ++b) {
      blockFlag(b, 0xFF, 0xEE);
      azimuth(b, static_cast<std::uint16_t>(20 * b));
    }
    model(32).returnMode(kSingle).utcSeconds(0).nanoseconds(0);
  }

  KaldorPacketBuilder& model(std::uint8_t m) { m_Bytes[1211] = m; return *this; }
  KaldorPacketBuilder& returnMode(std::uint8_t r) { m_Bytes[1210] = r; return *this; }
  KaldorPacketBuilder& blockFlag(int block, std::uint8_t a, std::uint8_t b) {
    m_Bytes[100 * block] = a;
    m_Bytes[100 * block + 1] = b;
    return *this;
  }
  // Hundredths of a degree.
  KaldorPacketBuilder& azimuth(int block, std::uint16_t count) {
    putLE16(100 * block + 2, count);
    return *this;
  }
  // Block b at start + b * step (hundredths of a degree, wrapped below 36000).
  KaldorPacketBuilder& azimuths(int start, int step) {
    for (int b = 0; b < 12; ++b) azimuth(b, static_cast<std::uint16_t>(((start + b * step) % 36000 + 36000) % 36000));
    return *this;
  }
  // 20-bit form, thousandths of a degree: FF, E + low nibble, then the upper 16 bits.
  KaldorPacketBuilder& azimuth20(int block, std::uint32_t thousandths) {
    m_Bytes[100 * block] = 0xFF;
    m_Bytes[100 * block + 1] = static_cast<std::uint8_t>(0xE0 | (thousandths & 0xF));
    putLE16(100 * block + 2, static_cast<std::uint16_t>(thousandths >> 4));
    return *this;
  }
  KaldorPacketBuilder& record(int block, int k, std::uint16_t count, std::uint8_t intensity) {
    putLE16(100 * block + 4 + 3 * k, count);
    m_Bytes[100 * block + 6 + 3 * k] = intensity;
    return *this;
  }
  KaldorPacketBuilder& allRecords(std::uint16_t count, std::uint8_t intensity) {
    for (int b = 0; b < 12; ++b)
      for (int k = 0; k < 32; ++k) record(b, k, count, intensity);
    return *this;
  }
  // Dual return: even blocks carry the first echo, odd blocks the second.
  KaldorPacketBuilder& dualRecords(std::uint16_t count1, std::uint8_t i1, std::uint16_t count2, std::uint8_t i2) {
    for (int b = 0; b < 12; ++b)
      for (int k = 0; k < 32; ++k) record(b, k, b % 2 ? count2 : count1, b % 2 ? i2 : i1);
    return *this;
  }
  // Calendar form: year - 2000, month, day, hour, minute, second.
  KaldorPacketBuilder& calendar(int year, int month, int day, int hour, int minute, int second) {
    const int v[6] = {year - 2000, month, day, hour, minute, second};
    for (int i = 0; i < 6; ++i) m_Bytes[1200 + i] = static_cast<std::uint8_t>(v[i]);
    return *this;
  }
  // Seconds form: FF, then 40-bit big-endian UTC seconds.
  KaldorPacketBuilder& utcSeconds(std::uint64_t s) {
    m_Bytes[1200] = 0xFF;
    for (int i = 0; i < 5; ++i) m_Bytes[1205 - i] = static_cast<std::uint8_t>(s >> (8 * i));
    return *this;
  }
  KaldorPacketBuilder& nanoseconds(std::uint32_t ns) {
    for (int i = 0; i < 4; ++i) m_Bytes[1206 + i] = static_cast<std::uint8_t>(ns >> (8 * i));
    return *this;
  }
  // Packet time in seconds since 1970 (seconds form).
  KaldorPacketBuilder& time(double seconds) {
    const auto whole = static_cast<std::uint64_t>(seconds);
    const double frac = seconds - static_cast<double>(whole);
    return utcSeconds(whole).nanoseconds(static_cast<std::uint32_t>(frac * 1e9 + 0.5));
  }
  KaldorPacketBuilder& byte(std::size_t offset, std::uint8_t v) { m_Bytes[offset] = v; return *this; }

  const unsigned char* data() const { return m_Bytes.data(); }
  std::size_t size() const { return m_Bytes.size(); }
  std::vector<unsigned char> bytes() const { return {m_Bytes.begin(), m_Bytes.end()}; }

private:
  void putLE16(std::size_t o, std::uint16_t v) {
    m_Bytes[o] = static_cast<std::uint8_t>(v & 0xFF);
    m_Bytes[o + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  std::array<unsigned char, kDataPacketBytes> m_Bytes{};
};

// A 1206-byte device-information packet with the family's split pair (big-endian, hundredths
// of a degree) and the lidar address at bytes 10-13.
inline std::vector<unsigned char> devicePacket(std::uint16_t splitFirst, std::uint16_t splitSecond,
                                               std::array<std::uint8_t, 4> lidarIp = {192, 168, 1, 100}) {
  std::vector<unsigned char> p(kDevicePacketBytes, 0);
  const std::uint8_t header[8] = {0xA5, 0xFF, 0x00, 0x5A, 0x11, 0x11, 0x55, 0x55};
  std::memcpy(p.data(), header, sizeof header);
  for (int i = 0; i < 4; ++i) p[10 + i] = lidarIp[i];
  p[138] = static_cast<std::uint8_t>(splitFirst >> 8);
  p[139] = static_cast<std::uint8_t>(splitFirst & 0xFF);
  p[140] = static_cast<std::uint8_t>(splitSecond >> 8);
  p[141] = static_cast<std::uint8_t>(splitSecond & 0xFF);
  return p;
}

// A run of packets covering `rotations` turns at `step` hundredths of a degree per block,
// times advancing by `dt` seconds per packet from `t0`.
inline std::vector<std::vector<unsigned char>> rotationPackets(std::uint8_t model, std::uint8_t mode, int packets,
                                                               int step = 20, double t0 = 1000.0,
                                                               double dt = 0.0006, int startAzimuth = 0) {
  std::vector<std::vector<unsigned char>> out;
  const bool dual = mode == kDual || mode == kDualCm;
  const int blocksPerPacket = dual ? 6 : 12;
  for (int n = 0; n < packets; ++n) {
    KaldorPacketBuilder b;
    b.model(model).returnMode(mode).time(t0 + n * dt);
    const int base = startAzimuth + n * blocksPerPacket * step;
    for (int blk = 0; blk < 12; ++blk) {
      const int index = dual ? blk / 2 : blk;
      b.azimuth(blk, static_cast<std::uint16_t>((base + index * step) % 36000));
    }
    if (dual) b.dualRecords(2500, 60, 2600, 70);
    else b.allRecords(2500, 60);
    out.push_back(b.bytes());
  }
  return out;
}

}  // namespace kaldor_test
