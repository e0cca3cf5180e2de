#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "LidarData.h"
#include "UdpSocket.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

// A port that was free a moment ago (the kernel picks it).
std::uint16_t freePort() {
  lumivar::UdpSocket s;
  EXPECT_TRUE(s.open());
  EXPECT_TRUE(s.bindAny(0));
  return s.localPort();
}

int openDescriptorCount() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (dirent* e = ::readdir(dir))
    if (e->d_name[0] != '.') ++count;
  ::closedir(dir);
  return count;
}

Bytes deviceHeader(unsigned char first, unsigned char last, std::size_t size) {
  Bytes b(size, 0x42);
  const unsigned char header[8] = {first, 0xFF, 0x00, 0x5A, 0x11, 0x11, 0x55, last};
  std::memcpy(b.data(), header, std::min<std::size_t>(size, 8));
  return b;
}

Bytes numbered(std::uint32_t n, std::size_t size = 1206) {
  Bytes b(size, 0);
  std::memcpy(b.data(), &n, sizeof n);
  for (std::size_t i = sizeof n; i < size; ++i) b[i] = static_cast<unsigned char>(i * 7 + n);
  return b;
}

struct Packet {
  _LidarDataType kind;
  Bytes bytes;
};

class RecordingListener : public Listener {
public:
  void onReceiveData(_LidarDataType kind, const unsigned char* bytes, unsigned short length) override {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Packets.push_back({kind, Bytes(bytes, bytes + length)});
    m_Changed.notify_all();
  }
  // Waits (up to a generous bound) until count packets have arrived; returns what is there.
  std::vector<Packet> waitFor(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Changed.wait_for(lock, limit, [&] { return m_Packets.size() >= count; });
    return m_Packets;
  }
  std::vector<Packet> packets() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Packets;
  }

private:
  std::mutex m_Mutex;
  std::condition_variable m_Changed;
  std::vector<Packet> m_Packets;
};

class MessageLog {
public:
  MessageLog() : m_Callback([this](std::string text, int code) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Messages.emplace_back(std::move(text), code);
  }) {}
  LidarData::MessageCallback* callback() { return &m_Callback; }
  std::vector<std::pair<std::string, int>> messages() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Messages;
  }
  int count(const std::string& text, int code) {
    int n = 0;
    for (const auto& m : messages()) n += (m.first == text && m.second == code) ? 1 : 0;
    return n;
  }

private:
  std::mutex m_Mutex;
  std::vector<std::pair<std::string, int>> m_Messages;
  LidarData::MessageCallback m_Callback;
};

class Sender {
public:
  Sender() { EXPECT_TRUE(m_Socket.open()); }
  void send(std::uint16_t port, const Bytes& b) {
    ASSERT_EQ(m_Socket.sendTo("127.0.0.1", port, b.data(), b.size()), static_cast<long>(b.size()));
  }

private:
  lumivar::UdpSocket m_Socket;
};

struct ReceiverFixture : ::testing::Test {
  void SetUp() override {
    dataPort = freePort();
    devPort = freePort();
    receiver.SetCallbackMessage(log.callback());
    receiver.addListener(&listener);
  }
  bool start(const std::string& address = "192.168.1.102") {
    return receiver.start(dataPort, devPort, address);
  }

  std::uint16_t dataPort = 0, devPort = 0;
  MessageLog log;
  RecordingListener listener;
  LidarData receiver;
  Sender sender;
};

TEST(ReceiverText, SplitAndMulticastTest) {
  const struct {
    std::string text;
    std::vector<std::string> parts;
    bool multicast;
  } cases[] = {
      {"224.1.1.1", {"224", "1", "1", "1"}, true},
      {"239.255.0.1", {"239", "255", "0", "1"}, true},
      {"223.255.255.255", {"223", "255", "255", "255"}, false},
      {"240.0.0.1", {"240", "0", "0", "1"}, false},
      {"192.168.1.102", {"192", "168", "1", "102"}, false},
      {"230abc.1.", {"230abc", "1"}, true},        // leading digits count; no empty last part
      {".1.2", {"", "1", "2"}, false},              // empty first part is not a number
      {"abc.1", {"abc", "1"}, false},
      {"99999999999.1", {"99999999999", "1"}, false},  // out of the int range
      {"", {}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(splitString(c.text), c.parts) << c.text;
    EXPECT_EQ(isMulticastAddress(c.text), c.multicast) << c.text;
  }
}

TEST_F(ReceiverFixture, DatagramsOnEitherPortArriveWithKindAndBytes) {
  ASSERT_TRUE(start());
  enum Port { Data, Dev };
  const struct {
    const char* name;
    Port port;
    Bytes bytes;
    _LidarDataType kind;
  } cases[] = {
      {"device header A5 on data port", Data, deviceHeader(0xA5, 0x55, 1206), LidarDataType_Device},
      {"device header 00 on data port", Data, deviceHeader(0x00, 0x55, 1206), LidarDataType_Device},
      {"last header byte differs", Data, deviceHeader(0xA5, 0x54, 1206), LidarDataType_Point},
      {"point packet on data port", Data, numbered(1, 1212), LidarDataType_Point},
      {"device header on device port", Dev, deviceHeader(0xA5, 0x55, 1206), LidarDataType_Device},
      {"point packet on device port", Dev, numbered(2), LidarDataType_Point},
      {"header cut to 7 bytes", Data, deviceHeader(0xA5, 0x55, 7), LidarDataType_Point},
      {"exactly the 8 header bytes", Dev, deviceHeader(0x00, 0x55, 8), LidarDataType_Device},
      {"largest datagram, whole", Data, numbered(3, kMaxDatagramBytes), LidarDataType_Point},
  };
  std::size_t expected = 0;
  for (const auto& c : cases) {
    sender.send(c.port == Data ? dataPort : devPort, c.bytes);
    const auto got = listener.waitFor(++expected);
    ASSERT_EQ(got.size(), expected) << c.name;
    EXPECT_EQ(got.back().kind, c.kind) << c.name;
    EXPECT_TRUE(got.back().bytes == c.bytes) << c.name << ": " << got.back().bytes.size() << " bytes";
  }
}

TEST_F(ReceiverFixture, OverSizeDatagramIsDroppedAndReceptionGoesOn) {
  ASSERT_TRUE(start());
  sender.send(dataPort, numbered(7, 60000));
  sender.send(dataPort, numbered(8));
  sender.send(devPort, numbered(9, 60000));
  sender.send(devPort, numbered(10));
  const auto got = listener.waitFor(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[0].bytes == numbered(8) || got[0].bytes == numbered(10));
  EXPECT_TRUE(got[1].bytes == numbered(8) || got[1].bytes == numbered(10));
  EXPECT_NE(got[0].bytes, got[1].bytes);
  EXPECT_TRUE(receiver.isRunning());
}

TEST_F(ReceiverFixture, ListenerSetIgnoresNullAndDuplicatesAndHonoursRemoval) {
  RecordingListener second;
  receiver.addListener(nullptr);
  receiver.addListener(&listener);  // already present
  receiver.addListener(&second);
  ASSERT_TRUE(start());
  sender.send(dataPort, numbered(1));
  EXPECT_EQ(second.waitFor(1).size(), 1u);
  receiver.removeListener(&second);
  receiver.removeListener(nullptr);
  sender.send(dataPort, numbered(2));
  EXPECT_EQ(listener.waitFor(2).size(), 2u);
  EXPECT_EQ(second.packets().size(), 1u);
  EXPECT_EQ(listener.packets().size(), 2u);
}

TEST_F(ReceiverFixture, FailedStartReportsAndReleasesEverySocket) {
  enum Blocked { DataPort, DevPort, None };
  const struct {
    const char* name;
    Blocked blocked;
    std::string address;
    std::vector<std::pair<std::string, int>> messages;
  } cases[] = {
      {"data port taken", DataPort, "192.168.1.102",
       {{"Bind mDataPort failed\n", 10001}, {"Create Sock Fail!\n", 10000}}},
      {"device port taken", DevPort, "192.168.1.102",
       {{"Bind mDevPort failed\n", 10002}, {"Create Sock Fail!\n", 10000}}},
      {"address text of 20 characters", None, "192.168.100.102.1234",
       {{"Address text too long\n", 10000}, {"Create Sock Fail!\n", 10000}}},
  };
  for (const auto& c : cases) {
    MessageLog caseLog;
    receiver.SetCallbackMessage(caseLog.callback());
    lumivar::UdpSocket blocker;
    ASSERT_TRUE(blocker.open());
    if (c.blocked != None) {
      ASSERT_TRUE(blocker.bindAny(c.blocked == DataPort ? dataPort : devPort));
    }
    const int before = openDescriptorCount();
    EXPECT_FALSE(start(c.address)) << c.name;
    EXPECT_EQ(openDescriptorCount(), before) << c.name;
    EXPECT_EQ(caseLog.messages(), c.messages) << c.name;
    EXPECT_FALSE(receiver.isRunning()) << c.name;
  }
  // With the ports free again the same receiver starts and receives.
  receiver.SetCallbackMessage(log.callback());
  ASSERT_TRUE(start());
  sender.send(devPort, numbered(5));
  EXPECT_EQ(listener.waitFor(1).size(), 1u);
}

TEST_F(ReceiverFixture, StopEndsTheThreadPromptlyAndFreesThePorts) {
  ASSERT_TRUE(start());
  ASSERT_TRUE(receiver.isRunning());
  const auto t0 = Clock::now();
  receiver.requestStop();
  receiver.waitStopped();
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(1));
  EXPECT_FALSE(receiver.isRunning());
  lumivar::UdpSocket a, b;
  ASSERT_TRUE(a.open() && b.open());
  EXPECT_TRUE(a.bindAny(dataPort));
  EXPECT_TRUE(b.bindAny(devPort));
  EXPECT_TRUE(log.messages().empty());  // silent while stopping: no time-out, no error
}

TEST_F(ReceiverFixture, DestroyingARunningReceiverEndsItsThread) {
  auto other = std::make_unique<LidarData>();
  other->addListener(&listener);
  ASSERT_TRUE(other->start(dataPort, devPort, "192.168.1.102"));
  const auto t0 = Clock::now();
  other.reset();
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(1));
  lumivar::UdpSocket a;
  ASSERT_TRUE(a.open());
  EXPECT_TRUE(a.bindAny(dataPort));
}

TEST_F(ReceiverFixture, StopThenStartAtOnceDeliversEachDatagramExactlyOnce) {
  constexpr std::uint32_t kCycles = 20;
  constexpr std::uint32_t kPerCycle = 5;
  for (std::uint32_t cycle = 0; cycle < kCycles; ++cycle) {
    receiver.requestStop();  // no wait: start must end the old thread itself
    ASSERT_TRUE(start()) << "cycle " << cycle;
    for (std::uint32_t i = 0; i < kPerCycle; ++i) sender.send(i % 2 ? devPort : dataPort, numbered(cycle * kPerCycle + i));
    ASSERT_EQ(listener.waitFor((cycle + 1) * kPerCycle).size(), (cycle + 1) * kPerCycle) << "cycle " << cycle;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // room for a stray duplicate
  std::map<std::uint32_t, int> seen;
  for (const auto& p : listener.packets()) {
    std::uint32_t n;
    std::memcpy(&n, p.bytes.data(), sizeof n);
    ++seen[n];
  }
  ASSERT_EQ(seen.size(), kCycles * kPerCycle);
  for (const auto& [n, times] : seen) EXPECT_EQ(times, 1) << "datagram " << n;
}

TEST_F(ReceiverFixture, GroupFollowsAMulticastAddressAndUnicastStillArrives) {
  const struct {
    std::string address;
    std::string group;
  } cases[] = {
      {"192.168.1.102", "224.1.1.1"},
      {"239.255.0.1", "239.255.0.1"},
      {"10.0.0.5", "239.255.0.1"},  // a unicast address leaves the current group
      {"192.168.100.102.123", "239.255.0.1"},  // 19 characters: still accepted
  };
  std::size_t expected = 0;
  for (const auto& c : cases) {
    ASSERT_TRUE(start(c.address)) << c.address;
    EXPECT_EQ(receiver.groupIp(), c.group) << c.address;
    sender.send(dataPort, numbered(static_cast<std::uint32_t>(expected)));
    EXPECT_EQ(listener.waitFor(++expected).size(), expected) << c.address;
  }
  receiver.SetGroupIp("224.5.5.5");
  ASSERT_TRUE(start("192.168.1.102"));
  EXPECT_EQ(receiver.groupIp(), "224.5.5.5");
}

// Sockets joined to group (dotted text) on any interface, from the kernel's table.
int groupMembers(const std::string& group) {
  in_addr addr{};
  if (::inet_pton(AF_INET, group.c_str(), &addr) != 1) return -1;
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", addr.s_addr);
  std::ifstream in("/proc/net/igmp");
  std::string line;
  int users = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string first;
    int count = 0;
    if (fields >> first >> count && first == hex) users += count;
  }
  return users;
}

TEST_F(ReceiverFixture, BothSocketsJoinTheGroupUntilStopped) {
  const unsigned pid = static_cast<unsigned>(::getpid());
  const std::string own = "239.254." + std::to_string((pid >> 8) & 0xFF) + "." + std::to_string(pid & 0xFF);
  const std::string set = "224.3." + std::to_string((pid >> 8) & 0xFF) + "." + std::to_string(pid & 0xFF);
  {
    lumivar::UdpSocket probe;
    ASSERT_TRUE(probe.open());
    if (!probe.joinMulticast(own) || groupMembers(own) != 1)
      GTEST_SKIP() << "no multicast-capable interface here";
  }
  const struct {
    const char* name;
    std::string setGroup;  // SetGroupIp before start, if any
    std::string address;
    std::string joined;
  } cases[] = {
      {"multicast address given to start", "", own, own},
      {"unicast address: the group set before", set, "192.168.1.102", set},
  };
  for (const auto& c : cases) {
    if (!c.setGroup.empty()) receiver.SetGroupIp(c.setGroup);
    ASSERT_TRUE(start(c.address)) << c.name;
    EXPECT_EQ(groupMembers(c.joined), 2) << c.name;
    receiver.requestStop();
    receiver.waitStopped();
    EXPECT_EQ(groupMembers(c.joined), 0) << c.name;
  }
}

// Bytes in the receive queue of the IPv4 UDP socket bound to port, from the kernel's table.
long receiveQueueBytes(std::uint16_t port) {
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, ":%04X", port);
  std::ifstream in("/proc/net/udp");
  std::string line;
  std::getline(in, line);  // the column names
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues;
    if (!(fields >> slot >> local >> remote >> state >> queues)) continue;
    if (local.size() < 5 || local.compare(local.size() - 5, 5, suffix) != 0) continue;
    return std::stol(queues.substr(queues.find(':') + 1), nullptr, 16);
  }
  return -1;
}

// Keeps the order of what arrives and holds the receive thread in the first data packet
// until released; it stops the receiver before it goes, so no thread is left inside it.
class HoldingListener : public Listener {
public:
  explicit HoldingListener(LidarData& receiver) : m_Receiver(receiver) { m_Receiver.addListener(this); }
  ~HoldingListener() override {
    release();
    m_Receiver.requestStop();
    m_Receiver.waitStopped();
    m_Receiver.removeListener(this);
  }
  void onReceiveData(_LidarDataType kind, const unsigned char*, unsigned short) override {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Kinds.push_back(kind);
    m_Changed.notify_all();
    if (kind == LidarDataType_Point && m_Kinds.size() == 1) m_Changed.wait(lock, [&] { return m_Released; });
  }
  std::vector<_LidarDataType> waitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_Kinds.size() >= count; });
    return m_Kinds;
  }
  void release() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Released = true;
    m_Changed.notify_all();
  }

private:
  LidarData& m_Receiver;
  std::mutex m_Mutex;
  std::condition_variable m_Changed;
  std::vector<_LidarDataType> m_Kinds;
  bool m_Released = false;
};

// While the receive thread is held, a data backlog and a device packet queue up; once both
// sockets are ready, the device packet must not wait for the whole backlog.
TEST_F(ReceiverFixture, DevicePacketsArriveWhileDataKeepsTheDataSocketBusy) {
  receiver.removeListener(&listener);
  HoldingListener holding(receiver);
  ASSERT_TRUE(start());
  sender.send(dataPort, numbered(0));
  ASSERT_EQ(holding.waitFor(1).size(), 1u);
  // Sent, and seen waiting in the receiver's socket.
  auto sendQueued = [&](std::uint16_t port, const Bytes& bytes) {
    const long before = receiveQueueBytes(port);
    sender.send(port, bytes);
    const auto limit = Clock::now() + std::chrono::seconds(10);
    while (receiveQueueBytes(port) <= before && Clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return receiveQueueBytes(port) > before;
  };
  constexpr int kBacklog = 5;
  for (std::uint32_t n = 1; n <= kBacklog; ++n) ASSERT_TRUE(sendQueued(dataPort, numbered(n)));
  ASSERT_TRUE(sendQueued(devPort, deviceHeader(0xA5, 0x55, 1206)));
  holding.release();
  const auto kinds = holding.waitFor(kBacklog + 2);
  ASSERT_EQ(kinds.size(), kBacklog + 2u);
  const auto device = std::find(kinds.begin(), kinds.end(), LidarDataType_Device);
  ASSERT_NE(device, kinds.end());
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), LidarDataType_Device), 1);
  // Every ready socket is read on each pass: one backlog datagram at most comes before it.
  EXPECT_LE(device - kinds.begin(), 2);
}

TEST_F(ReceiverFixture, IdleReceiverReportsOneTimeoutPerWait) {
  ASSERT_TRUE(start());
  std::this_thread::sleep_for(std::chrono::seconds(7));
  const int timeouts = log.count("timeout\n", 10004);
  EXPECT_GE(timeouts, 1);
  EXPECT_LE(timeouts, 3);
  EXPECT_EQ(static_cast<std::size_t>(timeouts), log.messages().size());
}

}  // namespace
