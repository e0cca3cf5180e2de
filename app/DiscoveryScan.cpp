#include "DiscoveryScan.h"

#include "PacketCapture.h"

#include <QDebug>

#include <algorithm>
#include <chrono>

namespace {

constexpr int kReadTimeoutMs = 100;         // longest the kernel holds a frame back
constexpr int kStopCheckMs = 100;           // longest wait between looks at the stop flag
constexpr int kCaptureBufferBytes = 2 << 20;  // room for many sensors answering at once

}  // namespace

DiscoveryModeParams discoveryModeParams(discovery::ScanMode mode) {
  if (mode == discovery::ScanMode::Arp) return {"arp", 120, 10000};
  return {"udp src port 2368", 1248, 5000};
}

DiscoveryScanResult scanDevices(const DiscoveryScanSettings& settings,
                                const std::atomic<bool>& stop) {
  using Clock = std::chrono::steady_clock;
  const DiscoveryModeParams params = discoveryModeParams(settings.mode);
  const int windowMs = settings.windowMs >= 0 ? settings.windowMs : params.windowMs;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(windowMs);

  DiscoveryScanResult result;
  lumivar::PacketCapture capture;
  lumivar::PacketCapture::Options options;
  options.snapLength = params.snapLength;
  options.promiscuous = true;
  options.readTimeoutMs = kReadTimeoutMs;
  options.bufferBytes = kCaptureBufferBytes;
  if (!capture.open(settings.deviceName, options)) {
    result.error = QString::fromStdString(capture.lastError());
    qWarning().noquote() << "Unable to open the adapter" << QString::fromStdString(settings.deviceName)
                         << ":" << result.error;
    return result;
  }
  bool compiled = false;
  if (!capture.setFilter(params.filter, &compiled))
    qDebug() << (compiled ? "Unable to set filter" : "Unable to compile filter")
             << QString::fromStdString(capture.lastError());

  lumivar::PacketCapture::Frame frame;
  while (!stop.load()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    const int waitMs = static_cast<int>(std::min<long long>(left.count(), kStopCheckMs));
    const lumivar::PacketCapture::Next next = capture.next(waitMs, &frame);
    if (next == lumivar::PacketCapture::Next::Error) {
      qWarning().noquote() << "Capture ended:" << QString::fromStdString(capture.lastError());
      break;
    }
    if (next != lumivar::PacketCapture::Next::Frame) continue;
    if (!discovery::isSensorFrame(settings.mode, frame.data, frame.captured, frame.wireLength))
      continue;
    qDebug() << "1111111";
    NetworkInfoARP sensor = discovery::sensorFromFrame(settings.mode, frame.data, frame.captured);
    const bool known = std::any_of(result.sensors.begin(), result.sensors.end(),
                                   [&](const NetworkInfoARP& seen) {
                                     return discovery::sameSensor(seen, sensor);
                                   });
    if (!known) result.sensors.append(sensor);
  }
  qDebug() << "99999999";
  return result;
}
