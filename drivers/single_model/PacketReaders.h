// Byte readers and the angle index shared by the single-model decoders.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "ByteReaders.h"
#include "LidarData.h"

namespace single_model {

using bytes::readBE16;
using bytes::readBE24;
using bytes::readBE32;
using bytes::readBE40;
using bytes::readLE32;
using bytes::readSignedBE16;

// Two's-complement value of the low `bits` bits.
inline std::int32_t signExtend(std::uint32_t value, int bits) {
  const std::uint32_t sign = 1u << (bits - 1);
  value &= (sign << 1) - 1;
  return static_cast<std::int32_t>(value ^ sign) - static_cast<std::int32_t>(sign);
}

// Device-information packets start A5 (or 00) FF 00 5A, for every model alike.
inline bool isDeviceHeader(const unsigned char* p) { return isDevicePacketStart(p); }

// A record starting FF AA BB CC DD marks the end of a frame.
inline bool isFrameMarker(const unsigned char* record) {
  return record[0] == 0xFF && record[1] == 0xAA && record[2] == 0xBB && record[3] == 0xCC && record[4] == 0xDD;
}

constexpr int kAngleSteps = 360000;  // entries of the core's trigonometry tables (0.001 degree)

// Index into the core's 0.001-degree tables: truncated thousandths, wrapped into one turn.
inline int angleIndex(double degrees) {
  const float f = static_cast<float>(degrees);
  if (!std::isfinite(f) || std::fabs(f) > 1e9f) return 0;
  const long long i = static_cast<long long>(f * 1000.0f);
  return static_cast<int>(((i % kAngleSteps) + kAngleSteps) % kAngleSteps);
}

}  // namespace single_model
