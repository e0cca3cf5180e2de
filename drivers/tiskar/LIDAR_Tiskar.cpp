#include "LIDAR_Tiskar.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "PacketReaders.h"

using namespace single_model;
using namespace tiskar;

struct LIDAR_Tiskar::Block {
  int channel;
  float hAngle, vAngle;  // degrees
  float distance[kReturns];
  std::uint8_t intensity[kReturns];
  double cosV, sinV, cosH, sinH;
};

LIDAR_Tiskar::LIDAR_Tiskar() {
  setHangleRange(-kWindowLimit, kWindowLimit);
  int flags[256];
  std::fill(std::begin(flags), std::end(flags), 1);
  std::fill(flags, flags + kSubFrames, 0);  // channels 0-4 off: sub-frame mode
  setChannelSelection(flags);
}

void LIDAR_Tiskar::decodePacket(const unsigned char* bytes, std::size_t length) {
  unsigned char packet[kPacketBytes] = {};
  std::memcpy(packet, bytes, std::min(length, kPacketBytes));
  if (isDeviceHeader(packet)) {
    m_gpsYearFlag = packet[scan::kDeviceGpsYearFlag] == scan::kGpsYearFlagValue;
    for (std::size_t i = 0; i < m_vAngleBias.size(); ++i)
      m_vAngleBias[i] = static_cast<float>(readSignedBE16(packet, kDeviceBias + 2 * i) * kBiasUnit);
    for (std::size_t i = 0; i < m_channelVAngle.size(); ++i)
      m_channelVAngle[i] = static_cast<float>(readSignedBE16(packet, kDeviceChannelAngles + 2 * i) * kChannelAngleUnit);
    return;
  }
  readTailTime(packet, kTailTime);
  const DecoderSettings& s = activeSettings();
  m_subFrameMode = std::none_of(s.channelSelection.begin(), s.channelSelection.begin() + kSubFrames,
                                [](int flag) { return flag == 1; });
  m_ReturnMode = packet[kEchoByteOffset];
  if (m_ReturnMode == kDualEcho) disposeDoubleEcho(packet);
  else disposeSingleEcho(packet);
  finishPacket();
}

bool LIDAR_Tiskar::frameMarker(const unsigned char* block, bool advanceSubFrame) {
  if (!isFrameMarker(block)) return false;
  if (++m_frameMarkerCount >= m_markersPerFrame) {
    handOver();
    if (advanceSubFrame) m_subFrameIndex = (m_subFrameIndex + 1) % kSubFrames;
  }
  return true;
}

bool LIDAR_Tiskar::readBlock(const unsigned char* block, Block& b) {
  const DecoderSettings& s = activeSettings();
  b.hAngle = static_cast<float>(signExtend(readBE24(block, 0), kAngleBits) * m_hAngleUnit);
  b.channel = block[0] >> kChannelShift;
  if (m_subFrameMode) {
    if (b.channel != m_subFrameIndex) return false;
    b.vAngle = m_channelVAngle[static_cast<std::size_t>(b.channel)];
  } else {
    if (!s.channelSelection[static_cast<std::size_t>(b.channel)]) return false;
    b.vAngle = static_cast<float>(b.channel * kChannelSpacing);
  }
  if (b.hAngle < s.hAngleStart || b.hAngle > s.hAngleEnd) return false;
  for (int r = 0; r < kReturns; ++r) {
    const std::size_t at = kFirstReturn + r * kReturnBytes;
    b.distance[r] = static_cast<float>(readBE24(block, at) * m_distanceUnit);
    b.intensity[r] = block[at + 3];
  }
  const int v = angleIndex(b.vAngle), h = angleIndex(b.hAngle);
  b.cosV = cosTable()[v], b.sinV = sinTable()[v], b.cosH = cosTable()[h], b.sinH = sinTable()[h];
  return true;
}

// Point of return r (0-based) of a block; Distance2 and Intensity2 carry the return number.
PointInfo LIDAR_Tiskar::returnPoint(const Block& b, int r, double time) const {
  const double d = b.distance[r];
  PointInfo p{};
  p.x = static_cast<float>(d * b.cosV * b.sinH);
  p.y = static_cast<float>(d * b.cosV * b.cosH);
  p.z = static_cast<float>(d * b.sinV);
  p.data[3] = 1.f;
  p.Channel = static_cast<std::uint8_t>(b.channel);
  p.H_angle = b.hAngle;
  p.V_angle = b.vAngle;
  p.Distance = b.distance[r];
  p.Intensity = b.intensity[r];
  p.Distance2 = static_cast<float>(r + 1);
  p.Intensity2 = static_cast<std::uint8_t>(r + 1);
  p.Mtimestamp_nsce = time;
  return p;
}

void LIDAR_Tiskar::disposeSingleEcho(const unsigned char* packet) {
  const double step = pointStep(kBlocks);
  const DecoderSettings& s = activeSettings();
  for (int k = 0; k < kBlocks; ++k) {
    const unsigned char* block = packet + k * kBlockBytes;
    if (frameMarker(block, true) || frameFull(kFrameLimit)) continue;
    Block b;
    if (!readBlock(block, b)) continue;
    countDistance(b.distance[0]);
    const double time = m_PacketTime - (kBlocks - 1 - k) * step;
    for (int r = 0; r < kReturns; ++r) {
      PointInfo p = returnPoint(b, r, time);
      colour(p);
      const bool enabled = s.channelSelection[kReturnFlagBase + 1 + r] == 1;
      if (enabled) appendPoint(p);
      const bool chosen = s.calibOpen ? r == 0 && calibrationSelectsSingle(p, false) : enabled && inSelectBox(p);
      if (chosen && checkFiltrationData(&p)) appendSelected(p);
    }
  }
}

void LIDAR_Tiskar::disposeDoubleEcho(const unsigned char* packet) {
  const double step = pointStep(kBlocks);
  const DecoderSettings& s = activeSettings();
  for (int k = 0; k < kBlocks; ++k) {
    const unsigned char* block = packet + k * kBlockBytes;
    if (frameMarker(block, false) || frameFull(kFrameLimit)) continue;
    Block b;
    if (!readBlock(block, b)) continue;
    countDistance(b.distance[0]);
    if (s.filterDistanceZero && b.distance[0] <= 0.f) continue;
    const double time = m_PacketTime - (kBlocks - 1 - k) * step;
    PointInfo first = returnPoint(b, 0, time);
    PointInfo second = returnPoint(b, 1, time);
    first.Distance2 = b.distance[1];
    first.Intensity2 = b.intensity[1];
    colour(first);
    colour(second);
    const bool firstOn = s.channelSelection[kReturnFlagBase + 1] == 1;
    const bool secondOn = s.channelSelection[kReturnFlagBase + 2] == 1;
    if (firstOn) appendPoint(first);
    if (secondOn) appendPoint(second);
    if (s.calibOpen) {
      if (calibrationSelectsDual(first, b.distance[1]) && checkFiltrationData(&first)) appendSelected(first);
    } else {
      if (firstOn && inSelectBox(first) && checkFiltrationData(&first)) appendSelected(first);
      if (secondOn && inSelectBox(second) && checkFiltrationData(&second)) appendSelected(second);
    }
  }
}
