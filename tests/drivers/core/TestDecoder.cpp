#include "TestDecoder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

// The shared decode loop, as every model runs it; only the packet walk is the test's.
void TestDecoder::dataProcessThread() {
  ++loopsStarted;
  const int running = ++loopsRunning;
  int seen = maxLoopsRunning.load();
  while (running > seen && !maxLoopsRunning.compare_exchange_weak(seen, running)) {
  }
  std::vector<unsigned char> packet(kPacketBytes);
  runDecodeLoop([&](const unsigned char* bytes, std::size_t length) {
    refreshSettings();
    std::fill(packet.begin(), packet.end(), 0);
    std::memcpy(packet.data(), bytes, std::min(length, kPacketBytes));
    if (isDevicePacketStart(packet.data())) return;
    decodePacket(packet.data());
  });
  --loopsRunning;
}

void TestDecoder::setIntensityColor(PointInfo* point) {
  ++intensityColourCalls;
  LIDAR_Template::setIntensityColor(point);
}

void TestDecoder::decodePacket(const unsigned char* packet) {
  m_Second = packet[kSecondOffset];
  sendTimeMessage();
  const DecoderSettings& s = activeSettings();
  const std::size_t count = std::min<std::size_t>(packet[kCountOffset], kMaxPoints);
  for (std::size_t i = 0; i < count; ++i) {
    PointInfo p{};
    p.Channel = static_cast<std::uint8_t>(i);
    p.H_angle = 10.f * static_cast<float>(i);
    p.Distance = packet[kDistanceOffset + i];
    p.Intensity = packet[kIntensityOffset + i];
    p.x = p.Distance;
    if (s.filterDistanceZero && p.Distance == 0.f) continue;
    if (s.channelSelection[p.Channel] == 0 || !checkFiltrationData(&p)) continue;
    setPointColor(&p, s.rgbType);
    if (p.Distance != 0.f && m_DistanceIsNotZero < 31) ++m_DistanceIsNotZero;
    m_FrameCloud->push_back(p);
    if (s.selectBox.enabled && s.selectBox.contains(p.x, p.y, p.z)) m_SelectedCloud->push_back(p);
  }
  ++framesDecoded;
  publishFrame();
}

