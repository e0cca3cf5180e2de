// Small readers of packet fields at a byte offset; the endianness shows where a field is read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bytes {

inline std::uint16_t readBE16(const unsigned char* p, std::size_t offset) {
  return static_cast<std::uint16_t>((p[offset] << 8) | p[offset + 1]);
}
inline std::int16_t readSignedBE16(const unsigned char* p, std::size_t offset) {
  return static_cast<std::int16_t>(readBE16(p, offset));
}
inline std::uint32_t readBE24(const unsigned char* p, std::size_t offset) {
  return (static_cast<std::uint32_t>(p[offset]) << 16) | (static_cast<std::uint32_t>(p[offset + 1]) << 8) |
         p[offset + 2];
}
inline std::uint32_t readBE32(const unsigned char* p, std::size_t offset) {
  return (static_cast<std::uint32_t>(p[offset]) << 24) | readBE24(p, offset + 1);
}
inline std::uint64_t readBE40(const unsigned char* p, std::size_t offset) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < 5; ++i) v = (v << 8) | p[offset + i];
  return v;
}
inline std::uint16_t readLE16(const unsigned char* p, std::size_t offset) {
  return static_cast<std::uint16_t>(p[offset] | (p[offset + 1] << 8));
}
inline std::uint32_t readLE32(const unsigned char* p, std::size_t offset) {
  return static_cast<std::uint32_t>(p[offset]) | (static_cast<std::uint32_t>(p[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(p[offset + 2]) << 16) | (static_cast<std::uint32_t>(p[offset + 3]) << 24);
}

}  // namespace bytes
