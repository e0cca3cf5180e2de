#include "SembrelFamilyDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "PacketReaders.h"

using namespace single_model;
using namespace sembrel;

SembrelFamilyDecoder::SembrelFamilyDecoder(const ChannelAngles& nominal, const ChannelAngles& groupBase)
    : SevenByteRecordDecoder(kChannels) {
  const double* cosT = cosTable();
  const double* sinT = sinTable();
  for (int c = 0; c < kChannels; ++c) {
    m_cosVAngle[c] = static_cast<float>(cosT[angleIndex(nominal[c])]);
    m_sinVBase[c] = static_cast<float>(sinT[angleIndex(groupBase[c])]);
    m_sinVOffset[c] = static_cast<float>(sinT[kStartOffsetIndices[c % kChannelsPerGroup]]);
  }
}

void SembrelFamilyDecoder::decodePacket(const unsigned char* bytes, std::size_t length) {
  unsigned char packet[kPacketBytes] = {};
  std::memcpy(packet, bytes, std::min(length, kPacketBytes));
  if (isDeviceHeader(packet)) {
    timeRecordFromBytes(packet + kDeviceYearOffset);
    std::vector<int> values(1 + kOffsetAngleCount, 0);
    for (int k = 0; k < kOffsetAngleCount; ++k) values[1 + k] = readSignedBE16(packet, kDeviceOffsetAngles + 2 * k);
    disposeDevicePacket(values);
    return;
  }
  m_SubSecond = readLE32(packet, kFractionOffset) / kMicrosecondsPerSecond;
  m_ReturnMode = packet[kEchoByteOffset];
  disposeByEchoByte(packet, m_ReturnMode);
  finishPacket();
}

void SembrelFamilyDecoder::beforeSingleWalk(const unsigned char* packet) {
  m_Hour = packet[kHourOffset];
  m_Minute = packet[kMinuteOffset];
  m_Second = packet[kSecondOffset];
  m_PacketTime = timeRecordAsUtc() + m_SubSecond;
  sendTimeMessage();
}

void SembrelFamilyDecoder::beforeDualWalk(const unsigned char* packet) {
  // Dual-echo packets carry only the second; the sensor counts it in local time.
  m_Second = packet[kSecondOffset];
  m_PacketTime = timeRecordAsLocal() + m_SubSecond;
  sendTimeMessage();
}

void SembrelFamilyDecoder::disposeDevicePacket(const std::vector<int>& values) {
  if (values.size() < 1 + kOffsetAngleCount) return;
  const bool allZero = std::all_of(values.begin() + 1, values.begin() + 1 + kOffsetAngleCount,
                                   [](int v) { return v == 0; });
  float offsets[kChannelsPerGroup];
  for (int k = 0; k < kChannelsPerGroup; ++k)
    offsets[k] = allZero ? kReportedZeroOffsets[k] : static_cast<float>(values[1 + k] * kOffsetAngleUnit);
  const double* sinT = sinTable();
  float sines[kChannels];
  bool usable = true;
  for (int c = 0; c < kChannels; ++c) {
    sines[c] = static_cast<float>(sinT[angleIndex(offsets[c % kChannelsPerGroup])]);
    // The beam's sine peaks at base + 2 x offset (straight ahead); past one it is no angle.
    if (std::fabs(m_sinVBase[c] + 2.0 * sines[c]) > 1.0) usable = false;
  }
  if (!usable) {
    if (!m_OffsetsRefused) {
      std::string text = "Device-information offset angles out of range (";
      for (int k = 0; k < kOffsetAngleCount; ++k) text += (k ? ", " : "") + std::to_string(values[1 + k]);
      sendMessage(text + " x 0.01 degree): the previous angles stay", kValuesIgnoredCode);
    }
    m_OffsetsRefused = true;
    return;
  }
  m_OffsetsRefused = false;
  std::copy(std::begin(sines), std::end(sines), m_sinVOffset);
}

EchoPositions SembrelFamilyDecoder::computeXYZ(int channel, double hAngle, double& vAngle, double distance1,
                                               double distance2) {
  if (channel < 0 || channel >= kChannels) return {};
  const double* cosT = cosTable();
  const double* sinT = sinTable();
  const int h = angleIndex(hAngle);
  const int h2 = angleIndex(hAngle * 0.5);
  // Sine of the vertical angle: it varies with the horizontal angle inside a group.
  const double s = clampUnit(2.0 * cosT[h2] * m_sinVOffset[channel] + m_sinVBase[channel]);
  vAngle = asinDegrees(s);
  EchoPositions out;
  const double c = m_cosVAngle[channel];
  out.x1 = static_cast<float>(c * distance1 * cosT[h]);
  out.y1 = static_cast<float>(c * distance1 * sinT[h]);
  out.z1 = static_cast<float>(s * distance1);
  if (distance2 > 0.0) {
    out.x2 = static_cast<float>(c * distance2 * cosT[h]);
    out.y2 = static_cast<float>(c * distance2 * sinT[h]);
    out.z2 = static_cast<float>(s * distance2);
  }
  return out;
}

bool SembrelFamilyDecoder::setLidarRotateState(int value) {
  return editConfigPacket({{kRotateStateGuard, 0}, {kRotateState, value}});
}
