#include "TailTimeDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PacketReaders.h"

using namespace single_model;
using namespace tail_time;

TailTimeDecoder::TailTimeDecoder(std::vector<float> baseAngles, std::vector<float> offsetAngles,
                                 std::size_t dualFrameLimit)
    : SevenByteRecordDecoder(static_cast<int>(baseAngles.size()), dualFrameLimit),
      m_BaseAngles(std::move(baseAngles)),
      m_StartOffsets(std::move(offsetAngles)) {
  rebuildTables(0.0, m_StartOffsets);
}

void TailTimeDecoder::rebuildTables(double correction, const std::vector<float>& offsets) {
  const double* cosT = cosTable();
  const double* sinT = sinTable();
  const std::size_t n = m_BaseAngles.size();
  m_sinVBase.assign(n, 0.0);
  m_sinVOffset.assign(n, 0.0);
  m_cosVBase.assign(n, 0.0);
  m_cosVOffset.assign(n, 0.0);
  for (std::size_t c = 0; c < n; ++c) {
    const bool corrected = (c & kCorrectedGroupMask) == 0;
    const int base = angleIndex(m_BaseAngles[c] + (corrected ? correction : 0.0));
    const int offset = angleIndex(offsets[c % offsets.size()]);
    m_sinVBase[c] = sinT[base];
    m_cosVBase[c] = cosT[base];
    m_sinVOffset[c] = sinT[offset];
    m_cosVOffset[c] = cosT[offset];
  }
}

void TailTimeDecoder::disposeDevicePacket(const std::vector<int>& values) {
  const std::size_t offsetCount = m_StartOffsets.size();
  if (values.size() < 1 + offsetCount) return;
  // A correction or offset past a quarter turn is no vertical angle: keep the tables.
  const bool usable = std::all_of(values.begin(), values.begin() + 1 + static_cast<std::ptrdiff_t>(offsetCount),
                                  [](int v) { return std::abs(v) <= kMaxDeviceAngle; });
  if (!usable) {
    if (!m_AnglesRefused) {
      std::string text = "Device-information vertical angles out of range (";
      for (std::size_t k = 0; k <= offsetCount; ++k) text += (k ? ", " : "") + std::to_string(values[k]);
      sendMessage(text + " x 0.01 degree): the previous angles stay", kValuesIgnoredCode);
    }
    m_AnglesRefused = true;
    return;
  }
  m_AnglesRefused = false;
  const double correction = values[0] * kDeviceAngleUnit;
  const bool allZero =
      std::all_of(values.begin() + 1, values.begin() + 1 + static_cast<std::ptrdiff_t>(offsetCount),
                  [](int v) { return v == 0; });
  std::vector<float> offsets = m_StartOffsets;
  if (!allZero)
    for (std::size_t k = 0; k < offsetCount; ++k) offsets[k] = static_cast<float>(values[1 + k] * kDeviceAngleUnit);
  rebuildTables(correction, offsets);
}

void TailTimeDecoder::decodePacket(const unsigned char* bytes, std::size_t length) {
  // Device-information packets are 1206 bytes: the rest stays zero.
  unsigned char packet[kPacketBytes] = {};
  std::memcpy(packet, bytes, std::min(length, kPacketBytes));
  if (isDeviceHeader(packet)) {
    std::vector<int> values(kDeviceAngleCount);
    for (int k = 0; k < kDeviceAngleCount; ++k) values[k] = readSignedBE16(packet, kDeviceAngles + 2 * k);
    disposeDevicePacket(values);
    return;
  }
  if (packet[kTimeFormOffset] == kSecondsForm) {
    const std::uint64_t seconds = readBE40(packet, kSecondsOffset);
    m_SubSecond = readBE32(packet, kNanosecondsOffset) / 1e9;
    timeRecordFromUtc(seconds, false);
    m_PacketTime = static_cast<double>(seconds) + m_SubSecond;
  } else {
    timeRecordFromBytes(packet + kTimeFormOffset);
    m_SubSecond = readLE32(packet, kNanosecondsOffset) / 1e9;
    m_PacketTime = timeRecordAsUtc() + m_SubSecond;
  }
  sendTimeMessage();
  m_ReturnMode = packet[kEchoByteOffset];
  disposeByEchoByte(packet, m_ReturnMode);
  finishPacket();
}

bool TailTimeDecoder::verticalTerms(int channel, double hAngle, double& k, double& s) const {
  if (channel < 0 || static_cast<std::size_t>(channel) >= m_BaseAngles.size()) return false;
  const std::size_t c = static_cast<std::size_t>(channel);
  const double halfCos = cosTable()[angleIndex(hAngle * 0.5)];
  k = m_cosVOffset[c] * m_cosVBase[c] * halfCos - m_sinVBase[c] * m_sinVOffset[c];
  s = 2.0 * k * m_sinVOffset[c] + m_sinVBase[c];
  return true;
}

EchoPositions TailTimeDecoder::computeXYZ(int channel, double hAngle, double& vAngle, double distance1,
                                          double distance2) {
  double k = 0.0, s = 0.0;
  // A record without a first distance has no direction: it stays at the origin.
  if (!(distance1 > 0.0) || !verticalTerms(channel, hAngle, k, s)) return {};
  const double cV = complementOf(s);
  vAngle = asinDegrees(s);
  const int h = angleIndex(hAngle);
  return fromVerticalTerms(cV, s, cosTable()[h], sinTable()[h], distance1, distance2);
}

bool TailTimeDecoder::setLidarRotateState(int value) {
  return editConfigPacket({{kRotateStateGuard, 0}, {kRotateState, value}});
}

bool TailTimeDecoder::setLidarSoureSelection(int value) { return editConfigPacket({{kSourceSelection, value}}); }

bool TailTimeDecoder::setLidarWorkState(int value) { return editConfigPacket({{kWorkState, value}}); }
