#include "NetworkInfoARP.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

namespace discovery {

QString macText(const unsigned char* frame, std::size_t offset) {
  QStringList parts;
  for (std::size_t i = 0; i < 6; ++i)
    parts << QString("%1").arg(frame[offset + i], 2, 16, QChar('0'));
  return parts.join('-');
}

QString ipText(const unsigned char* frame, std::size_t offset) {
  return QString("%1.%2.%3.%4")
      .arg(frame[offset])
      .arg(frame[offset + 1])
      .arg(frame[offset + 2])
      .arg(frame[offset + 3]);
}

namespace {

bool hasPrefixAt(const unsigned char* frame, std::size_t offset) {
  return std::equal(kSensorMacPrefix.begin(), kSensorMacPrefix.end(), frame + offset);
}

bool isSensorArp(const unsigned char* frame, std::size_t captured, std::size_t wireLength) {
  if (wireLength < kMinArpFrameBytes || captured < kMinArpFrameBytes) return false;
  // A VLAN tag or another protocol would move every field below.
  return readBE16(frame, kEtherTypeOffset) == kEtherTypeArp &&
         frame[kArpHardwareSizeOffset] == 6 && frame[kArpProtocolSizeOffset] == 4 &&
         hasPrefixAt(frame, kEthSourceOffset);
}

bool isSensorDevicePacket(const unsigned char* frame, std::size_t captured,
                          std::size_t wireLength) {
  if (wireLength != kDeviceFrameBytes || captured < kDeviceFrameBytes) return false;
  return readBE16(frame, kEtherTypeOffset) == kEtherTypeIpv4 &&
         frame[kIpVersionLengthOffset] == kIpv4NoOptions &&
         frame[kIpProtocolOffset] == kIpProtocolUdp &&
         readBE16(frame, kUdpSourcePortOffset) == kSensorSourcePort &&
         hasPrefixAt(frame, kDeviceMacOffset);
}

}  // namespace

bool isSensorFrame(ScanMode mode, const unsigned char* frame, std::size_t captured,
                   std::size_t wireLength) {
  if (!frame) return false;
  return mode == ScanMode::Arp ? isSensorArp(frame, captured, wireLength)
                               : isSensorDevicePacket(frame, captured, wireLength);
}

NetworkInfoARP sensorFromFrame(ScanMode mode, const unsigned char* frame, std::size_t captured) {
  NetworkInfoARP sensor;
  const std::size_t needed = mode == ScanMode::Arp ? kMinArpFrameBytes : kDeviceFrameBytes;
  if (!frame || captured < needed) return sensor;
  sensor.srcMAC = macText(frame, kEthSourceOffset);
  sensor.dstMAC = macText(frame, kEthDestinationOffset);
  if (mode == ScanMode::Arp) {
    sensor.srcIP = ipText(frame, kArpSenderIpOffset);
    sensor.dstIP = ipText(frame, kArpTargetIpOffset);
  } else {
    sensor.srcIP = ipText(frame, kIpSourceOffset);
    sensor.dstIP = ipText(frame, kIpDestinationOffset);
    sensor.dataPort = readBE16(frame, kDeviceDataPortOffset);
    sensor.devPort = readBE16(frame, kDeviceDevPortOffset);
  }
  std::memcpy(sensor.raw.data(), frame, std::min(captured, sensor.raw.size()));
  return sensor;
}

bool sameSensor(const NetworkInfoARP& a, const NetworkInfoARP& b) {
  return a.srcMAC == b.srcMAC && a.dstMAC == b.dstMAC && a.srcIP == b.srcIP && a.dstIP == b.dstIP;
}

}  // namespace discovery
