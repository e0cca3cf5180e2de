// One sensor found by the discovery scan, and how a captured frame becomes one.
#pragma once

#include <QMetaType>
#include <QString>
#include <QVector>

#include <array>
#include <cstddef>
#include <cstdint>

#include "ByteReaders.h"

struct NetworkInfoARP {
  QString srcMAC;
  QString dstMAC;
  QString srcIP;
  QString dstIP;
  int dataPort = 0;
  int devPort = 0;
  std::array<unsigned char, 1206> raw{};  // the frame from its first byte, zero-filled
};

Q_DECLARE_METATYPE(NetworkInfoARP)

namespace discovery {

enum class ScanMode { Arp, DevicePacket };

// Our sensors' MAC addresses begin with these three bytes (a locally administered block).
constexpr std::array<unsigned char, 3> kSensorMacPrefix{0x02, 0x4c, 0x56};

// Ethernet II header.
constexpr std::size_t kEthDestinationOffset = 0;
constexpr std::size_t kEthSourceOffset = 6;
constexpr std::size_t kEtherTypeOffset = 12;   // big-endian
constexpr std::uint16_t kEtherTypeArp = 0x0806;
constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;

// ARP for IPv4 over Ethernet.
constexpr std::size_t kArpHardwareSizeOffset = 18;  // 6
constexpr std::size_t kArpProtocolSizeOffset = 19;  // 4
constexpr std::size_t kArpSenderIpOffset = 28;
constexpr std::size_t kArpTargetIpOffset = 38;
// Linux hands loopback and veth frames over unpadded, so 42 bytes rather than 60.
constexpr std::size_t kMinArpFrameBytes = 42;

// IPv4 with a plain 20-byte header, then UDP.
constexpr std::size_t kIpVersionLengthOffset = 14;
constexpr unsigned char kIpv4NoOptions = 0x45;
constexpr std::size_t kIpProtocolOffset = 23;
constexpr unsigned char kIpProtocolUdp = 17;
constexpr std::size_t kIpSourceOffset = 26;
constexpr std::size_t kIpDestinationOffset = 30;
constexpr std::size_t kUdpSourcePortOffset = 34;  // big-endian
constexpr std::uint16_t kSensorSourcePort = 2368;

// Device-information packet behind the 42 header bytes.
constexpr std::size_t kDevicePacketOffset = 42;
constexpr std::size_t kDevicePacketBytes = 1206;
constexpr std::size_t kDeviceFrameBytes = kDevicePacketOffset + kDevicePacketBytes;  // 1248
constexpr std::size_t kDeviceMacOffset = kDevicePacketOffset + 18;
constexpr std::size_t kDeviceDataPortOffset = kDevicePacketOffset + 24;  // big-endian
constexpr std::size_t kDeviceDevPortOffset = kDevicePacketOffset + 26;   // big-endian

using bytes::readBE16;

// "xx-xx-xx-xx-xx-xx", two lower-case hex digits each.
QString macText(const unsigned char* frame, std::size_t offset);
// "a.b.c.d".
QString ipText(const unsigned char* frame, std::size_t offset);

// Whether a captured frame comes from one of our sensors in this mode.
bool isSensorFrame(ScanMode mode, const unsigned char* frame, std::size_t captured,
                   std::size_t wireLength);

// The record of an accepted frame; raw keeps at most its first 1206 bytes.
NetworkInfoARP sensorFromFrame(ScanMode mode, const unsigned char* frame, std::size_t captured);

// Same sensor: the four address strings match.
bool sameSensor(const NetworkInfoARP& a, const NetworkInfoARP& b);

}  // namespace discovery
