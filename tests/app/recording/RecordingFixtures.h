// Loopback traffic with chosen ports and the reading of recorded captures through libpcap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace recording {

using Bytes = std::vector<unsigned char>;

// 1212 bytes (a point-data packet's length) carrying a marker of this process and a tag.
Bytes taggedPayload(int tag);
// The tag of a payload of this process, -1 for anyone else's.
int tagOf(const Bytes& payload);

// A UDP socket on 127.0.0.1 with a free port of its own.
class LoopbackSocket {
public:
  LoopbackSocket();
  ~LoopbackSocket();
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;
  bool ok() const { return m_Fd >= 0; }
  int port() const { return m_Port; }
  void sendTo(int port, const Bytes& payload) const;
  // Waits until count datagrams arrived (they have then passed every capture tap).
  bool receive(int count, int timeoutMs) const;

private:
  int m_Fd = -1;
  int m_Port = 0;
};

struct CapturedPacket {
  int sourcePort = 0;
  int destPort = 0;
  std::size_t recordBytes = 0;  // stored frame length
  Bytes payload;                // UDP payload
};

struct CaptureContents {
  bool opened = false;
  std::string error;
  int linkType = -1;
  std::vector<CapturedPacket> packets;  // IPv4 UDP records, in file order
  int otherRecords = 0;                 // records of anything else
};
CaptureContents readCapture(const std::string& path);

// Tags of this process's packets, in file order.
std::vector<int> ourTags(const CaptureContents& contents);

}  // namespace recording
