#include "RecordingFixtures.h"

#include <pcap/pcap.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace recording {
namespace {

constexpr std::size_t kPayloadBytes = 1212;
constexpr char kMarker[] = "LVREC";
constexpr std::size_t kMarkerBytes = 5;

void putBE32(Bytes* bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    (*bytes)[offset + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (24 - 8 * i));
}
std::uint32_t readBE32(const unsigned char* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
int readBE16(const unsigned char* p) { return (p[0] << 8) | p[1]; }

}  // namespace

Bytes taggedPayload(int tag) {
  Bytes payload(kPayloadBytes);
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<unsigned char>(i * 7);
  std::memcpy(payload.data(), kMarker, kMarkerBytes);
  putBE32(&payload, kMarkerBytes, static_cast<std::uint32_t>(getpid()));
  putBE32(&payload, kMarkerBytes + 4, static_cast<std::uint32_t>(tag));
  return payload;
}

int tagOf(const Bytes& payload) {
  if (payload.size() != kPayloadBytes || std::memcmp(payload.data(), kMarker, kMarkerBytes) != 0 ||
      readBE32(payload.data() + kMarkerBytes) != static_cast<std::uint32_t>(getpid()))
    return -1;
  return static_cast<int>(readBE32(payload.data() + kMarkerBytes + 4));
}

LoopbackSocket::LoopbackSocket() {
  m_Fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const int buffer = 4 << 20;
  if (m_Fd >= 0) setsockopt(m_Fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  if (m_Fd < 0 || bind(m_Fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(m_Fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (m_Fd >= 0) ::close(m_Fd);
    m_Fd = -1;
    return;
  }
  m_Port = ntohs(address.sin_port);
}

LoopbackSocket::~LoopbackSocket() {
  if (m_Fd >= 0) ::close(m_Fd);
}

void LoopbackSocket::sendTo(int port, const Bytes& payload) const {
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(static_cast<std::uint16_t>(port));
  target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sendto(m_Fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target);
}

bool LoopbackSocket::receive(int count, int timeoutMs) const {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  Bytes buffer(65536);
  for (int got = 0; got < count;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd waiter{m_Fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&waiter, 1, static_cast<int>(left.count())) <= 0) return false;
    if (recv(m_Fd, buffer.data(), buffer.size(), 0) >= 0) ++got;
  }
  return true;
}

CaptureContents readCapture(const std::string& path) {
  CaptureContents contents;
  char errorText[PCAP_ERRBUF_SIZE] = {};
  pcap_t* file = pcap_open_offline(path.c_str(), errorText);
  if (!file) {
    contents.error = errorText;
    return contents;
  }
  contents.opened = true;
  contents.linkType = pcap_datalink(file);
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  int status = 0;
  while ((status = pcap_next_ex(file, &header, &data)) == 1) {
    // Ethernet (loopback frames carry zero MACs), IPv4 without options, UDP.
    constexpr std::size_t kIpStart = 14, kUdpStart = 34, kPayloadStart = 42;
    const std::size_t length = header->caplen;
    if (length < kPayloadStart || readBE16(data + 12) != 0x0800 || data[kIpStart] != 0x45 ||
        data[kIpStart + 9] != 17) {
      ++contents.otherRecords;
      continue;
    }
    CapturedPacket packet;
    packet.sourcePort = readBE16(data + kUdpStart);
    packet.destPort = readBE16(data + kUdpStart + 2);
    packet.recordBytes = length;
    packet.payload.assign(data + kPayloadStart, data + length);
    contents.packets.push_back(std::move(packet));
  }
  if (status == PCAP_ERROR) contents.error = pcap_geterr(file);
  pcap_close(file);
  return contents;
}

std::vector<int> ourTags(const CaptureContents& contents) {
  std::vector<int> tags;
  for (const CapturedPacket& packet : contents.packets)
    if (const int tag = tagOf(packet.payload); tag >= 0) tags.push_back(tag);
  return tags;
}

}  // namespace recording
