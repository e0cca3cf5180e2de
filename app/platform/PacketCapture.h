// Live capture on one adapter through libpcap, waiting with poll() on the capture's
// selectable descriptor: on Linux the read time-out alone does not fire on a quiet network.
#pragma once

#include <cstddef>
#include <string>

struct pcap;
struct pcap_dumper;
struct pcap_pkthdr;

namespace lumivar {

class PacketCapture {
public:
  struct Options {
    int snapLength = 65535;     // bytes kept of each frame
    bool promiscuous = true;
    int readTimeoutMs = 100;    // how long the kernel may hold frames back
    int bufferBytes = 2 << 20;  // kernel capture buffer
    // Each frame handed over as it arrives. Off, frames are packed into the kernel's blocks
    // (handed over when a block fills or the read time-out passes), so a buffer holds far more
    // small frames: a slot per frame of the snap length is the price of immediate mode.
    bool immediate = true;
  };

  enum class Next { Frame, Timeout, Error };

  struct Frame {
    const unsigned char* data = nullptr;  // valid until the next call
    std::size_t captured = 0;             // bytes in data
    std::size_t wireLength = 0;           // length of the frame on the wire
    const pcap_pkthdr* header = nullptr;  // libpcap's record header, valid with data
  };

  PacketCapture() = default;
  ~PacketCapture() { close(); }
  PacketCapture(const PacketCapture&) = delete;
  PacketCapture& operator=(const PacketCapture&) = delete;

  // Opens and activates the device. On failure lastError() holds libpcap's text; a missing
  // permission gets a text that names root and CAP_NET_RAW.
  bool open(const std::string& device, const Options& options);
  bool isOpen() const { return m_Handle != nullptr; }
  void close();

  // Compiles (not optimised) and installs a filter; compiled tells which step failed.
  bool setFilter(const std::string& expression, bool* compiled = nullptr);

  // Waits up to waitMs for one frame.
  Next next(int waitMs, Frame* frame);

  const std::string& lastError() const { return m_LastError; }

private:
  friend class CaptureDumpFile;
  Next readOne(Frame* frame);

  pcap* m_Handle = nullptr;
  int m_Fd = -1;
  std::string m_LastError;
};

// A .pcap file written through libpcap's dump functions, with the link type and snap length
// of the capture it records.
class CaptureDumpFile {
public:
  CaptureDumpFile() = default;
  ~CaptureDumpFile() { close(); }
  CaptureDumpFile(const CaptureDumpFile&) = delete;
  CaptureDumpFile& operator=(const CaptureDumpFile&) = delete;

  // Creates (truncates) the file; on failure lastError() holds libpcap's text.
  bool open(const PacketCapture& capture, const std::string& path);
  bool isOpen() const { return m_Dumper != nullptr; }
  void write(const pcap_pkthdr* header, const unsigned char* data);
  // Pushes buffered records to the file; false when a write failed since the last flush.
  bool flush();
  // Flushes and closes; false when the last records could not be written.
  bool close();

  const std::string& lastError() const { return m_LastError; }

private:
  pcap_dumper* m_Dumper = nullptr;
  std::string m_LastError;
};

}  // namespace lumivar
