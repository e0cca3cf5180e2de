// Builders for captured sensor traffic: UDP frames (optionally VLAN-tagged), the payloads
// whose bytes the frame-end tests look at, family-4 fragment trains, and a capture writer
// that goes through libpcap's own dump functions.
#pragma once

#include <pcap/pcap.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace capfix {

using Bytes = std::vector<std::uint8_t>;
using Ip = std::array<std::uint8_t, 4>;

constexpr std::size_t kPlainHeaderBytes = 42;  // Ethernet + IPv4 + UDP

// One Ethernet/IPv4/UDP frame around a payload.
struct UdpFrame {
  Bytes payload;
  bool vlan = false;
  std::uint16_t vlanControl = 0x0001;  // priority and VLAN id
  Ip source{192, 168, 1, 200};
  Ip destination{192, 168, 1, 102};
  std::uint16_t destPort = 2368;
  std::uint8_t protocol = 17;
  int udpLengthError = 0;  // added to the UDP length the header claims
  Bytes build() const;
};

// Payloads of 1206 bytes (a 1248-byte plain frame) unless said otherwise.
Bytes zeros(std::size_t length = 1206);
Bytes devicePacket(std::uint8_t first = 0xA5, std::size_t length = 1206);
Bytes configurationPacket();
// Family 0: FF EE, first azimuth at 2, last at 1102 (hundredths of a degree, little-endian).
Bytes azimuthPair(double first, double last);
// Family 5: the listed block angles (degrees) in blocks 0, 1, ... with their flag byte 1.
Bytes blockAngles(const std::vector<double>& angles);
// Marker bytes at an offset; lastByte sets the payload's final byte (the walk's step).
Bytes marker(const Bytes& bytes, std::size_t at, std::uint8_t lastByte = 0);

// One 56280-byte datagram whose 2000 point angles are given (degrees, 1/128 steps) and its
// 41 frames: 1442 bytes, 39 of 1434 and 314.
Bytes datagram(const std::vector<double>& angles);
std::vector<Bytes> fragmentFrames(const Bytes& datagram);

// A .pcap written by libpcap; stored length of a record = the bytes given.
class CaptureWriter {
 public:
  explicit CaptureWriter(const std::string& path);
  ~CaptureWriter();
  void add(const Bytes& frame);
  void close();

 private:
  pcap_t* m_Dead = nullptr;
  pcap_dumper_t* m_Dumper = nullptr;
};

void writeCapture(const std::string& path, const std::vector<Bytes>& frames);

// The bytes libpcap writes for these frames: its 24-byte global header and one record
// (16-byte header + frame) per frame, so damaged files can be put together from real records.
struct WrittenRecords {
  Bytes globalHeader;
  std::vector<Bytes> records;
};
WrittenRecords libpcapRecords(const std::vector<Bytes>& frames);
// Rewrites a record header's included (stored) and wire lengths, little-endian.
void setRecordLengths(Bytes& record, std::uint32_t stored, std::uint32_t wire);
// Hostile filler: a short pattern repeated, or seeded random bytes.
Bytes repeated(const Bytes& pattern, std::size_t length);
Bytes randomBytes(std::size_t length, unsigned seed);
void writeBytes(const std::string& path, const Bytes& bytes);

// A scratch directory removed with its files.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string file(const std::string& name) const { return m_Path + "/" + name; }

 private:
  std::string m_Path;
};

}  // namespace capfix
