#include "CaptureRecording.h"

#include <chrono>

#include <pcap/pcap.h>

namespace {

constexpr int kSnapLength = 40960000;        // bytes; libpcap keeps at most its own maximum
constexpr int kCaptureBufferBytes = 40960000;  // kernel ring for bursts of a fast sensor
// Frames come in kernel blocks, handed over at least this often: a burst fills blocks
// densely instead of one snap-length slot per frame.
constexpr int kReadTimeoutMs = 20;
constexpr std::size_t kDrainLimit = 100000;  // frames written after a stop, at most
constexpr int kDrainMs = 500;                // time spent writing them, at most
// Records reach the disk this often, not after each frame: a flush per frame costs a write
// call per datagram and loses datagrams of a fast sensor while it runs.
constexpr auto kFlushInterval = std::chrono::milliseconds(RecordingSession::kFlushIntervalMs);

}  // namespace

std::string recordFilter(int mode, int dataPort, int devPort) {
  if (mode == 10)
    return "udp dst port " + std::to_string(dataPort) + " or udp dst port " +
           std::to_string(devPort) + " ";
  return "udp src port 2368 or udp src port 2369 ";
}

bool RecordingSession::open(const RecordSettings& settings, std::string* error) {
  lumivar::PacketCapture::Options options;
  options.snapLength = kSnapLength;
  options.promiscuous = true;
  options.readTimeoutMs = kReadTimeoutMs;
  options.bufferBytes = kCaptureBufferBytes;
  options.immediate = false;
  if (settings.deviceName.empty()) {
    *error = "No capture adapter was chosen";
    return false;
  }
  if (!m_Capture.open(settings.deviceName, options)) {
    *error = "Unable to open the adapter " + settings.deviceName + ": " + m_Capture.lastError();
    return false;
  }
  const std::string filter = recordFilter(settings.mode, settings.dataPort, settings.devPort);
  bool compiled = false;
  if (!m_Capture.setFilter(filter, &compiled)) {
    *error = std::string(compiled ? "Unable to set filter \"" : "Unable to compile filter \"") +
             filter + "\": " + m_Capture.lastError();
    m_Capture.close();
    return false;
  }
  if (!m_File.open(m_Capture, settings.path)) {
    *error = "Unable to create the capture file: " + m_File.lastError();
    m_Capture.close();
    return false;
  }
  // The header goes to disk at once, so a recording cut short still opens as a capture.
  if (!m_File.flush()) {
    *error = "Unable to write the capture file: " + m_File.lastError();
    m_File.close();
    m_Capture.close();
    return false;
  }
  m_Written = 0;
  return true;
}

std::string RecordingSession::run(const std::atomic<bool>& stop) {
  using Clock = std::chrono::steady_clock;
  lumivar::PacketCapture::Frame frame;
  std::string failure;
  std::size_t unflushed = 0;
  auto lastFlush = Clock::now();
  const auto flush = [&] {
    lastFlush = Clock::now();
    if (!m_File.flush()) {
      failure = m_File.lastError();
      return;
    }
    m_Written += unflushed;
    unflushed = 0;
  };
  const auto flushWhenDue = [&] {
    if (unflushed > 0 && Clock::now() - lastFlush >= kFlushInterval) flush();
  };
  while (failure.empty() && !stop.load()) {
    // The wait ends in time for the next flush, also on a quiet network.
    const lumivar::PacketCapture::Next next = m_Capture.next(kStopCheckMs, &frame);
    if (next == lumivar::PacketCapture::Next::Error) {
      failure = "Capture ended: " + m_Capture.lastError();
    } else if (next == lumivar::PacketCapture::Next::Frame) {
      m_File.write(frame.header, frame.data);
      ++unflushed;
    }
    if (failure.empty()) flushWhenDue();
  }
  // What the kernel already holds was captured before the stop; the last block is handed
  // over within the read time-out. Frames that arrived after the stop are not wanted, and a
  // sensor that keeps sending never leaves a pause: the drain ends at the first later frame.
  const auto stoppedAt = std::chrono::system_clock::now().time_since_epoch();
  const auto drainUntil = Clock::now() + std::chrono::milliseconds(kDrainMs);
  for (std::size_t drained = 0; failure.empty() && drained < kDrainLimit && Clock::now() < drainUntil; ++drained) {
    if (m_Capture.next(2 * kReadTimeoutMs, &frame) != lumivar::PacketCapture::Next::Frame) break;
    const auto stamp = std::chrono::seconds(frame.header->ts.tv_sec) + std::chrono::microseconds(frame.header->ts.tv_usec);
    if (stamp > stoppedAt) break;
    m_File.write(frame.header, frame.data);
    ++unflushed;
  }
  if (failure.empty() && unflushed > 0) flush();
  if (!m_File.close() && failure.empty()) failure = m_File.lastError();
  m_Capture.close();
  return failure;
}
