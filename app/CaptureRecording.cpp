#include "CaptureRecording.h"

namespace {

constexpr int kSnapLength = 40960000;        // bytes; libpcap keeps at most its own maximum
constexpr int kCaptureBufferBytes = 40960000;  // kernel ring for bursts of a fast sensor
constexpr int kReadTimeoutMs = 0;            // frames are handed over as they arrive
constexpr std::size_t kDrainLimit = 100000;  // frames written after a stop, at most

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
  m_Written = 0;
  return true;
}

std::string RecordingSession::run(const std::atomic<bool>& stop) {
  lumivar::PacketCapture::Frame frame;
  std::string failure;
  const auto writeOne = [&] {
    m_File.write(frame.header, frame.data);
    if (!m_File.flush()) {
      failure = m_File.lastError();
      return false;
    }
    ++m_Written;
    return true;
  };
  while (failure.empty() && !stop.load()) {
    const lumivar::PacketCapture::Next next = m_Capture.next(kStopCheckMs, &frame);
    if (next == lumivar::PacketCapture::Next::Error)
      failure = "Capture ended: " + m_Capture.lastError();
    else if (next == lumivar::PacketCapture::Next::Frame)
      writeOne();
  }
  // What the kernel already holds was captured before the stop.
  for (std::size_t drained = 0; failure.empty() && drained < kDrainLimit; ++drained) {
    if (m_Capture.next(0, &frame) != lumivar::PacketCapture::Next::Frame) break;
    writeOne();
  }
  if (!m_File.close() && failure.empty()) failure = m_File.lastError();
  m_Capture.close();
  return failure;
}
