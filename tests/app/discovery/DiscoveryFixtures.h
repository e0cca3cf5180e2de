// Builders for sensor traffic and the network plumbing the discovery tests send it through.
#pragma once

#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace fixtures {

using Bytes = std::vector<unsigned char>;
using Mac = std::array<unsigned char, 6>;
using Ip = std::array<unsigned char, 4>;

constexpr Mac kSensorMac{0x02, 0x4c, 0x56, 0x10, 0x20, 0x30};  // our vendor prefix
constexpr Mac kOtherMac{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
constexpr Mac kBroadcastMac{0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

// Device-information packet: header, addresses, MAC and ports where a sensor puts them.
class DevicePacketBuilder {
public:
  DevicePacketBuilder();
  DevicePacketBuilder& mac(const Mac& value);
  DevicePacketBuilder& ports(std::uint16_t data, std::uint16_t dev);
  DevicePacketBuilder& length(std::size_t bytes);
  Bytes build() const;

private:
  Bytes m_Bytes;
  std::size_t m_Length = 1206;
};

// Ethernet ARP reply; padded to 60 bytes or tagged with a VLAN header on request.
class ArpFrameBuilder {
public:
  ArpFrameBuilder& source(const Mac& value) { m_Source = value; return *this; }
  ArpFrameBuilder& senderIp(const Ip& value) { m_SenderIp = value; return *this; }
  ArpFrameBuilder& targetIp(const Ip& value) { m_TargetIp = value; return *this; }
  ArpFrameBuilder& padTo(std::size_t bytes) { m_PadTo = bytes; return *this; }
  ArpFrameBuilder& vlanTag(bool on) { m_Vlan = on; return *this; }
  Bytes build() const;

private:
  Mac m_Source = kSensorMac;
  Mac m_Destination = kBroadcastMac;
  Ip m_SenderIp{10, 77, 0, 1};
  Ip m_TargetIp{10, 77, 0, 254};
  std::size_t m_PadTo = 0;
  bool m_Vlan = false;
};

// A loopback address of this test process alone (127.77.x.y), so parallel runs can each
// send from port 2368.
std::string uniqueLoopbackAddress(int last);

// UDP from <address>:2368 to a receiver of this process on loopback.
class SensorSender {
public:
  explicit SensorSender(const std::string& sourceAddress);
  ~SensorSender();
  bool ok() const { return m_Send >= 0 && m_Receive >= 0; }
  std::string error() const { return m_Error; }
  void sendTo(const std::string& destination, const Bytes& payload) const;

private:
  int m_Send = -1;
  int m_Receive = -1;
  std::uint16_t m_Port = 0;
  bool m_WritesUdpHeader = false;  // raw socket: port 2368 was taken on every address
  std::string m_Error;
};

// What a function run by an unprivileged user in a child process handed back.
struct UnprivilegedRun {
  std::string problem;  // empty when the child ran and exited cleanly, else what went wrong
  std::string report;   // what the function returned
};
// Runs work() in a forked child as user and group 65534, who hold no CAP_NET_RAW. A child
// that has not answered within ten seconds is killed.
UnprivilegedRun runUnprivileged(const std::function<std::string()>& work);

// Runs a sending function every 100 ms on its own thread until destroyed, so frames keep
// coming while a scan opens its capture.
class RepeatingSender {
public:
  template <typename Send>
  explicit RepeatingSender(Send send)
      : m_Thread([this, send] {
          while (!m_Stop) {
            send();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
          }
        }) {}
  ~RepeatingSender() {
    m_Stop = true;
    m_Thread.join();
  }

private:
  std::atomic<bool> m_Stop{false};
  std::thread m_Thread;
};

// A veth pair whose peer lives in a network namespace of its own. Frames written to the
// peer arrive on the local end. ok() is false where namespaces cannot be made.
class NamespacedVeth {
public:
  explicit NamespacedVeth(const std::string& alias);
  ~NamespacedVeth();
  bool ok() const { return m_Ok; }
  const std::string& localName() const { return m_Local; }
  // Sends raw Ethernet frames out of the peer end (from inside the namespace).
  bool sendFromPeer(const std::vector<Bytes>& frames) const;

private:
  std::string m_Namespace, m_Local, m_Peer;
  bool m_Ok = false;
  int m_PeerSocket = -1;
};

}  // namespace fixtures
