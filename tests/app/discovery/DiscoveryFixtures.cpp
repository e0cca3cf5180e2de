#include "DiscoveryFixtures.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace fixtures {
namespace {

void putBE16(Bytes* bytes, std::size_t offset, std::uint16_t value) {
  (*bytes)[offset] = static_cast<unsigned char>(value >> 8);
  (*bytes)[offset + 1] = static_cast<unsigned char>(value & 0xff);
}

template <std::size_t N>
void putBytes(Bytes* bytes, std::size_t offset, const std::array<unsigned char, N>& value) {
  std::copy(value.begin(), value.end(), bytes->begin() + static_cast<long>(offset));
}

bool run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Names carry the owning test's pid: a run cut short (time-out, closed pipe) leaves its
// namespace and veth pair behind, and the next run removes those whose owner is gone.
constexpr const char* kNamespacePrefix = "lvdisc";
constexpr const char* kLocalPrefix = "lvd";

bool ownerGone(const std::string& name, const std::string& prefix) {
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  const std::string digits = name.substr(prefix.size());
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  const long pid = std::strtol(digits.c_str(), nullptr, 10);
  return pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void removeLeftovers() {
  for (const char* dir : {"/var/run/netns", "/sys/class/net"}) {
    DIR* listing = opendir(dir);
    if (!listing) continue;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(listing)) names.emplace_back(entry->d_name);
    closedir(listing);
    for (const std::string& name : names) {
      if (ownerGone(name, kNamespacePrefix)) run("ip netns del " + name);
      else if (ownerGone(name, kLocalPrefix)) run("ip link del " + name);
    }
  }
}

}  // namespace

UnprivilegedRun runUnprivileged(const std::function<std::string()>& work) {
  UnprivilegedRun run;
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    run.problem = "no pipe";
    return run;
  }
  const pid_t child = fork();
  if (child < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    run.problem = "no child process";
    return run;
  }
  if (child == 0) {
    close(pipeFds[0]);
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    const std::string report = work();
    (void)!write(pipeFds[1], report.data(), report.size());
    _exit(0);
  }
  close(pipeFds[1]);
  pollfd reader{pipeFds[0], POLLIN, 0};
  const int ready = poll(&reader, 1, 10000);
  std::string report(1024, '\0');
  const ssize_t length = ready > 0 ? read(pipeFds[0], report.data(), report.size()) : -1;
  close(pipeFds[0]);
  if (ready <= 0) kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  if (ready <= 0)
    run.problem = "the child hung";
  else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    run.problem = "the child could not drop rights";
  report.resize(static_cast<std::size_t>(std::max<ssize_t>(length, 0)));
  run.report = report;
  return run;
}

DevicePacketBuilder::DevicePacketBuilder() : m_Bytes(1206, 0) {
  putBytes(&m_Bytes, 0, std::array<unsigned char, 8>{0xa5, 0xff, 0x00, 0x5a, 0x11, 0x11, 0x55, 0x55});
  putBytes(&m_Bytes, 10, Ip{192, 168, 1, 200});  // lidar IP
  putBytes(&m_Bytes, 14, Ip{192, 168, 1, 102});  // destination IP
  mac(kSensorMac);
  ports(2368, 2369);
}

DevicePacketBuilder& DevicePacketBuilder::mac(const Mac& value) {
  putBytes(&m_Bytes, 18, value);
  return *this;
}

DevicePacketBuilder& DevicePacketBuilder::ports(std::uint16_t data, std::uint16_t dev) {
  putBE16(&m_Bytes, 24, data);
  putBE16(&m_Bytes, 26, dev);
  return *this;
}

DevicePacketBuilder& DevicePacketBuilder::length(std::size_t bytes) {
  m_Length = bytes;
  return *this;
}

Bytes DevicePacketBuilder::build() const {
  Bytes packet = m_Bytes;
  packet.resize(m_Length, 0);
  return packet;
}

Bytes ArpFrameBuilder::build() const {
  Bytes frame;
  frame.insert(frame.end(), m_Destination.begin(), m_Destination.end());
  frame.insert(frame.end(), m_Source.begin(), m_Source.end());
  if (m_Vlan) frame.insert(frame.end(), {0x81, 0x00, 0x00, 0x05});  // 802.1Q, VLAN 5
  frame.insert(frame.end(), {0x08, 0x06});                          // ARP
  frame.insert(frame.end(), {0x00, 0x01, 0x08, 0x00, 6, 4, 0x00, 0x02});  // Ethernet/IPv4 reply
  frame.insert(frame.end(), m_Source.begin(), m_Source.end());
  frame.insert(frame.end(), m_SenderIp.begin(), m_SenderIp.end());
  frame.insert(frame.end(), m_Destination.begin(), m_Destination.end());
  frame.insert(frame.end(), m_TargetIp.begin(), m_TargetIp.end());
  if (frame.size() < m_PadTo) frame.resize(m_PadTo, 0);
  return frame;
}

std::string uniqueLoopbackAddress(int last) {
  const int pid = static_cast<int>(getpid());
  return "127.77." + std::to_string(pid % 250 + 1) + "." + std::to_string((pid / 250) % 200 + last);
}

SensorSender::SensorSender(const std::string& sourceAddress) {
  m_Receive = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  socklen_t length = sizeof any;
  if (m_Receive < 0 || bind(m_Receive, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 ||
      getsockname(m_Receive, reinterpret_cast<sockaddr*>(&any), &length) != 0) {
    m_Error = std::string("receiver: ") + std::strerror(errno);
    return;
  }
  m_Port = ntohs(any.sin_port);

  m_Send = socket(AF_INET, SOCK_DGRAM, 0);
  const int on = 1;
  setsockopt(m_Send, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in source{};
  source.sin_family = AF_INET;
  source.sin_port = htons(2368);
  inet_pton(AF_INET, sourceAddress.c_str(), &source.sin_addr);
  if (bind(m_Send, reinterpret_cast<sockaddr*>(&source), sizeof source) == 0) return;
  const int bindError = errno;
  m_Error = "bind " + sourceAddress + ":2368: " + std::strerror(bindError);
  ::close(m_Send);
  m_Send = -1;
  if (bindError != EADDRINUSE) return;

  // Someone holds port 2368 on every address (a driver test, say): write the UDP header
  // ourselves. On the wire the datagrams are the same.
  m_Send = socket(AF_INET, SOCK_RAW, IPPROTO_UDP);
  source.sin_port = 0;
  if (m_Send >= 0 && bind(m_Send, reinterpret_cast<sockaddr*>(&source), sizeof source) == 0) {
    m_WritesUdpHeader = true;
    m_Error.clear();
    return;
  }
  m_Error += std::string("; raw socket: ") + std::strerror(errno);
  if (m_Send >= 0) ::close(m_Send);
  m_Send = -1;
}

SensorSender::~SensorSender() {
  if (m_Send >= 0) ::close(m_Send);
  if (m_Receive >= 0) ::close(m_Receive);
}

void SensorSender::sendTo(const std::string& destination, const Bytes& payload) const {
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(m_Port);
  inet_pton(AF_INET, destination.c_str(), &target.sin_addr);
  Bytes datagram;
  if (m_WritesUdpHeader) {
    datagram.assign(8, 0);  // source port, destination port, length, no checksum
    putBE16(&datagram, 0, 2368);
    putBE16(&datagram, 2, m_Port);
    putBE16(&datagram, 4, static_cast<std::uint16_t>(8 + payload.size()));
    target.sin_port = 0;
  }
  datagram.insert(datagram.end(), payload.begin(), payload.end());
  sendto(m_Send, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&target),
         sizeof target);
}

NamespacedVeth::NamespacedVeth(const std::string& alias) {
  removeLeftovers();
  const std::string id = std::to_string(getpid());
  m_Namespace = kNamespacePrefix + id;
  m_Local = kLocalPrefix + id;
  m_Peer = "lvp" + id;
  m_Ok = run("ip netns add " + m_Namespace) &&
         run("ip link add " + m_Local + " type veth peer name " + m_Peer) &&
         run("ip link set " + m_Peer + " netns " + m_Namespace) &&
         run("ip link set " + m_Local + " alias '" + alias + "'") &&
         run("ip link set " + m_Local + " up") &&
         run("ip -n " + m_Namespace + " link set " + m_Peer + " up");
  if (!m_Ok) return;

  // Sockets keep the namespace they were made in: make the peer's from a thread that
  // entered the namespace.
  std::thread maker([this] {
    const int ns = open(("/var/run/netns/" + m_Namespace).c_str(), O_RDONLY | O_CLOEXEC);
    if (ns < 0 || setns(ns, CLONE_NEWNET) != 0) {
      if (ns >= 0) ::close(ns);
      return;
    }
    ::close(ns);
    const int fd = socket(AF_PACKET, SOCK_RAW, 0);
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_ifindex = static_cast<int>(if_nametoindex(m_Peer.c_str()));
    if (fd >= 0 && address.sll_ifindex > 0 &&
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
      m_PeerSocket = fd;
    else if (fd >= 0)
      ::close(fd);
  });
  maker.join();
  m_Ok = m_PeerSocket >= 0;
}

NamespacedVeth::~NamespacedVeth() {
  if (m_PeerSocket >= 0) ::close(m_PeerSocket);
  run("ip link del " + m_Local);
  run("ip netns del " + m_Namespace);
}

bool NamespacedVeth::sendFromPeer(const std::vector<Bytes>& frames) const {
  bool all = true;
  for (const Bytes& frame : frames)
    all = send(m_PeerSocket, frame.data(), frame.size(), 0) == static_cast<long>(frame.size()) && all;
  return all;
}

}  // namespace fixtures
