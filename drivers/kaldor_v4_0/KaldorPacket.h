// Layout of the family's 1212-byte point-data packet and small readers over it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ByteReaders.h"
#include "LidarData.h"

namespace kaldor {

constexpr std::size_t kPacketBytes = 1212;
constexpr int kBlocks = 12;
constexpr int kRecordsPerBlock = 32;
constexpr std::size_t kBlockBytes = 100;
constexpr std::size_t kBlockFlagOffset = 0;       // FF EE
constexpr std::size_t kBlockAzimuthOffset = 2;    // u16 LE, hundredths of a degree
constexpr std::size_t kFirstRecordOffset = 4;
constexpr std::size_t kRecordBytes = 3;           // u16 LE distance count, u8 intensity
constexpr std::uint8_t kBlockFlag0 = 0xFF;
constexpr std::uint8_t kBlockFlag1 = 0xEE;
constexpr double kAzimuthUnit = 0.01;             // degrees per azimuth count
constexpr double kAzimuthCountsPerDegree = 100.0;

// Tail.
constexpr std::size_t kYearOffset = 1200;         // year - 2000, or kSecondsFormMarker
constexpr std::size_t kMonthOffset = 1201;
constexpr std::size_t kDayOffset = 1202;
constexpr std::size_t kHourOffset = 1203;
constexpr std::size_t kMinuteOffset = 1204;
constexpr std::size_t kSecondOffset = 1205;
constexpr std::size_t kSecondsOffset = 1201;      // 40-bit BE UTC seconds in the seconds form
constexpr std::size_t kNanosecondsOffset = 1206;  // u32 LE, nanoseconds within the second
constexpr std::size_t kReturnModeOffset = 1210;
constexpr std::size_t kModelByteOffset = 1211;
constexpr std::uint8_t kSecondsFormMarker = 0xFF;
constexpr std::uint8_t kDualReturn = 0x39;
constexpr std::uint8_t kDualReturnCentimetre = 0x40;  // second echo counted in 0.01 m

// Device-information packet as this family reads it.
constexpr std::size_t kDeviceSplitFirstOffset = 138;   // u16 BE, hundredths of a degree
constexpr std::size_t kDeviceSplitSecondOffset = 140;  // u16 BE

using bytes::readBE16;
using bytes::readBE40;
using bytes::readLE16;
using bytes::readLE32;

inline bool isDualReturnMode(int mode) { return mode == kDualReturn || mode == kDualReturnCentimetre; }

// Device-information packets start A5 (or 00) FF 00 5A, as for every model.
inline bool isDevicePacket(const unsigned char* p) { return isDevicePacketStart(p); }

// A view of one full-size (kPacketBytes) point-data packet.
class PacketView {
public:
  explicit PacketView(const unsigned char* bytes) : m_Bytes(bytes) {}

  const unsigned char* bytes() const { return m_Bytes; }
  bool blockFlagValid(int block) const {
    const std::size_t o = block * kBlockBytes + kBlockFlagOffset;
    return m_Bytes[o] == kBlockFlag0 && m_Bytes[o + 1] == kBlockFlag1;
  }
  std::uint16_t azimuthCount(int block) const {
    return readLE16(m_Bytes, block * kBlockBytes + kBlockAzimuthOffset);
  }
  std::uint16_t distanceCount(int block, int record) const {
    return readLE16(m_Bytes, recordOffset(block, record));
  }
  std::uint8_t intensity(int block, int record) const {
    return m_Bytes[recordOffset(block, record) + 2];
  }
  std::uint8_t returnMode() const { return m_Bytes[kReturnModeOffset]; }
  std::uint8_t modelByte() const { return m_Bytes[kModelByteOffset]; }
  std::uint32_t nanoseconds() const { return readLE32(m_Bytes, kNanosecondsOffset); }
  bool secondsForm() const { return m_Bytes[kYearOffset] == kSecondsFormMarker; }
  std::uint64_t utcSeconds() const { return readBE40(m_Bytes, kSecondsOffset); }
  std::uint8_t tailByte(std::size_t offset) const { return m_Bytes[offset]; }

private:
  static std::size_t recordOffset(int block, int record) {
    return block * kBlockBytes + kFirstRecordOffset + record * kRecordBytes;
  }
  const unsigned char* m_Bytes;
};

}  // namespace kaldor
