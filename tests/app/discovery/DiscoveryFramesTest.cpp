// Which captured frames count as a sensor, and the record made from one.
#include "NetworkInfoARP.h"

#include "DiscoveryFixtures.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

using fixtures::Bytes;

// Ethernet + IPv4 + UDP headers in front of a payload, as captured.
Bytes udpFrame(const Bytes& payload, std::uint16_t sourcePort = 2368, unsigned char protocol = 17) {
  Bytes frame(42 + payload.size(), 0);
  const fixtures::Mac destination{0x00, 0x1b, 0x21, 0x0a, 0x0b, 0x0c};
  std::copy(destination.begin(), destination.end(), frame.begin());
  std::copy(fixtures::kSensorMac.begin(), fixtures::kSensorMac.end(), frame.begin() + 6);
  frame[12] = 0x08;  // IPv4
  frame[14] = 0x45;
  frame[23] = protocol;
  const unsigned char addresses[8] = {192, 168, 1, 200, 192, 168, 1, 102};
  std::copy(addresses, addresses + 8, frame.begin() + 26);
  frame[34] = static_cast<unsigned char>(sourcePort >> 8);
  frame[35] = static_cast<unsigned char>(sourcePort & 0xff);
  std::copy(payload.begin(), payload.end(), frame.begin() + 42);
  return frame;
}

TEST(DiscoveryFrames, AcceptsOnlySensorFramesOfTheExpectedShape) {
  using discovery::ScanMode;
  fixtures::ArpFrameBuilder arp;
  fixtures::DevicePacketBuilder device;
  const Bytes unpadded = arp.build();
  const Bytes tagged = fixtures::ArpFrameBuilder().vlanTag(true).padTo(64).build();
  struct Case {
    const char* name;
    ScanMode mode;
    Bytes frame;
    bool accepted;
  } cases[] = {
      {"unpadded ARP", ScanMode::Arp, unpadded, true},
      {"ARP padded to 60", ScanMode::Arp, fixtures::ArpFrameBuilder().padTo(60).build(), true},
      {"ARP cut to 41", ScanMode::Arp, Bytes(unpadded.begin(), unpadded.begin() + 41), false},
      {"ARP from another maker", ScanMode::Arp,
       fixtures::ArpFrameBuilder().source(fixtures::kOtherMac).build(), false},
      {"VLAN-tagged ARP, 64 bytes", ScanMode::Arp, tagged, false},
      {"device packet", ScanMode::DevicePacket, udpFrame(device.build()), true},
      {"device packet of 1205", ScanMode::DevicePacket,
       udpFrame(fixtures::DevicePacketBuilder().length(1205).build()), false},
      {"device packet of 1207", ScanMode::DevicePacket,
       udpFrame(fixtures::DevicePacketBuilder().length(1207).build()), false},
      {"device packet without prefix", ScanMode::DevicePacket,
       udpFrame(fixtures::DevicePacketBuilder().mac(fixtures::kOtherMac).build()), false},
      {"device packet from port 2369", ScanMode::DevicePacket, udpFrame(device.build(), 2369),
       false},
      {"TCP segment of that size", ScanMode::DevicePacket, udpFrame(device.build(), 2368, 6), false},
      {"device packet in ARP mode", ScanMode::Arp, udpFrame(device.build()), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(discovery::isSensorFrame(c.mode, c.frame.data(), c.frame.size(), c.frame.size()),
              c.accepted)
        << c.name;
}

TEST(DiscoveryFrames, CapturedBytesShorterThanTheWireAreNotRead) {
  const Bytes frame = udpFrame(fixtures::DevicePacketBuilder().build());
  EXPECT_FALSE(discovery::isSensorFrame(discovery::ScanMode::DevicePacket, frame.data(), 100,
                                        frame.size()));
  EXPECT_TRUE(discovery::sensorFromFrame(discovery::ScanMode::DevicePacket, frame.data(), 100)
                  .srcIP.isEmpty());
}

TEST(DiscoveryFrames, RecordsTakeAddressesPortsAndRawBytes) {
  const Bytes device = udpFrame(fixtures::DevicePacketBuilder().ports(2370, 2371).build());
  const NetworkInfoARP fromDevice =
      discovery::sensorFromFrame(discovery::ScanMode::DevicePacket, device.data(), device.size());
  EXPECT_EQ(fromDevice.srcMAC, "02-4c-56-10-20-30");
  EXPECT_EQ(fromDevice.dstMAC, "00-1b-21-0a-0b-0c");
  EXPECT_EQ(fromDevice.srcIP, "192.168.1.200");
  EXPECT_EQ(fromDevice.dstIP, "192.168.1.102");
  EXPECT_EQ(fromDevice.dataPort, 2370);
  EXPECT_EQ(fromDevice.devPort, 2371);
  EXPECT_TRUE(std::equal(fromDevice.raw.begin(), fromDevice.raw.end(), device.begin()));

  const Bytes arp = fixtures::ArpFrameBuilder().senderIp({10, 1, 2, 3}).targetIp({10, 1, 2, 9}).build();
  const NetworkInfoARP fromArp =
      discovery::sensorFromFrame(discovery::ScanMode::Arp, arp.data(), arp.size());
  EXPECT_EQ(fromArp.srcMAC, "02-4c-56-10-20-30");
  EXPECT_EQ(fromArp.dstMAC, "ff-ff-ff-ff-ff-ff");
  EXPECT_EQ(fromArp.srcIP, "10.1.2.3");
  EXPECT_EQ(fromArp.dstIP, "10.1.2.9");
  EXPECT_EQ(fromArp.dataPort, 0);
  EXPECT_EQ(fromArp.devPort, 0);
  EXPECT_TRUE(std::equal(arp.begin(), arp.end(), fromArp.raw.begin()));
  EXPECT_TRUE(std::all_of(fromArp.raw.begin() + 42, fromArp.raw.end(),
                          [](unsigned char b) { return b == 0; }));
}

}  // namespace
