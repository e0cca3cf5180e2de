#include "TestDecoder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

void TestDecoder::dataProcessThread() {
  ++loopsStarted;
  const int running = ++loopsRunning;
  int seen = maxLoopsRunning.load();
  while (running > seen && !maxLoopsRunning.compare_exchange_weak(seen, running)) {
  }
  std::vector<unsigned char> packet(kPacketBytes);
  while (!m_Stop.load()) {
    std::unique_ptr<unsigned char[]> data;
    std::size_t length = 0;
    if (!popPacket(data, length)) {
      // The end flag counts only once every packet queued before it has been decoded.
      if (m_EndOfData.load() && queueEmpty()) {
        m_EndOfData.store(false);
        endOfData();
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      continue;
    }
    refreshSettings();
    std::fill(packet.begin(), packet.end(), 0);
    std::memcpy(packet.data(), data.get(), std::min(length, kPacketBytes));
    if (isDeviceInfoHeader(packet.data(), packet.size())) continue;
    decodePacket(packet.data());
  }
  clearQueue();
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

void TestDecoder::endOfData() {
  framesAtEndOfData.store(framesDecoded.load());
  TwoCloudCallback* callback = m_TwoCloudCallback.load();
  if (callback != nullptr && *callback && m_LastFrameCloud)
    (*callback)(m_LastFrameCloud, m_LastSelectedCloud, 2, m_ReturnMode, m_ModelValue, m_Active.lineParam);
}
