#include "MirrorDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "PacketReaders.h"

using namespace single_model;
using namespace eight_byte;
using namespace mirror;

namespace {

constexpr int kMirrorIncidence = 30000;   // 30 degrees, 0.001-degree index
constexpr int kMirrorComplement = 60000;  // 60 degrees

}  // namespace

MirrorDecoder::MirrorDecoder() {
  m_vAngleUnit = kFineVAngleUnit;
  std::copy(kStatusLead.begin(), kStatusLead.end(), m_status.begin());
  setHangleRange(-kWindowLimit, kWindowLimit);
}

void MirrorDecoder::decodePacket(const unsigned char* bytes, std::size_t length) {
  unsigned char packet[kPacketBytes] = {};
  std::memcpy(packet, bytes, std::min(length, kPacketBytes));
  if (isDeviceHeader(packet)) {
    m_gpsYearFlag = packet[scan::kDeviceGpsYearFlag] == scan::kGpsYearFlagValue;
    m_ModelValue = packet[kDeviceMode];
    const int major = packet[kDeviceVersionMajor], minor = packet[kDeviceVersionMinor];
    m_vAngleUnit = (major > 1 || (major == 1 && (minor & 0xF0) > 0x10)) ? kFineVAngleUnit : kCoarseVAngleUnit;
    for (int c = 0; c < kChannels; ++c)
      m_vAngleBias[c] = static_cast<float>(readSignedBE16(packet, kDeviceBias + 2 * c) * kBiasUnit);
    deviceModeChanged(packet);
    return;
  }
  readTailTime(packet, kTailTime);
  beforeEchoDispatch(packet);
  m_ReturnMode = packet[kEchoByteOffset];
  const int echo = activeSettings().echo;
  if (m_ReturnMode == kDualEcho || m_ReturnMode == kDualEchoPlain) {
    if (config().isUserNewShowLidarParamStatus) sendStatus(packet);
    if (echo != 3) disposeDoubleEcho(packet);
  } else if (echo == 0 || echo == 1) {
    disposeSingleEcho(packet);
  }
  finishPacket();
}

void MirrorDecoder::sendStatus(const unsigned char* packet) {
  for (int i = 0; i < 4; ++i) m_status[kStatusLead.size() + i] = packet[kStatusOffset + i];
  if (std::equal(m_status.begin() + kStatusLead.size(), m_status.end(), m_statusSent.begin() + kStatusLead.size()))
    return;
  std::string text;
  for (int i = 0; i < kStatusFields; ++i) text += (i ? "," : "") + std::to_string(m_status[i]);
  sendMessage(text, kStatusCode);
  m_statusSent = m_status;
}

ScanRecord MirrorDecoder::readRecord(const unsigned char* record) const {
  ScanRecord r;
  r.channel = record[kChannelVAngleOffset] >> 6;
  r.rawDistance = readBE24(record, kDistanceOffset);
  r.distance = static_cast<float>(r.rawDistance * m_distanceUnit);
  r.hAngle = static_cast<float>(readSignedBE16(record, kHAngleOffset) * m_hAngleUnit);
  r.vAngle = static_cast<float>(signExtend(readBE16(record, kChannelVAngleOffset), kVAngleBits) * m_vAngleUnit);
  return r;
}

EchoPositions MirrorDecoder::pointPosition(int channel, float& hAngle, float& vAngle, double distance1,
                                           double distance2) {
  const double* cosT = cosTable();
  const double* sinT = sinTable();
  const int hi = angleIndex(hAngle);
  if (m_ReturnMode == kSingleEchoPlain || m_ReturnMode == kDualEchoPlain) {
    const int vi = angleIndex(vAngle);
    return alongDirection(cosT[vi] * sinT[hi], cosT[vi] * cosT[hi], sinT[vi], distance1, distance2);
  }
  const int m = angleIndex(m_mirrorAngle[static_cast<std::size_t>(channel)]);
  const int e = angleIndex(vAngle + mirrorTilt());
  const double k = cosT[m] * cosT[kMirrorIncidence] * cosT[e] - sinT[m] * sinT[e];
  const double s = 2.0 * k * sinT[e] + sinT[m];
  const double a = complementOf(s);
  const double u =
      a > 0.0 ? clampUnit((2.0 * k * cosT[e] * sinT[kMirrorIncidence] - cosT[m] * sinT[kMirrorComplement]) / a)
              : 0.0;
  const double w = complementOf(u);
  const double p = u * cosT[hi] + w * sinT[hi];
  const double q = w * cosT[hi] - u * sinT[hi];
  EchoPositions out = alongDirection(a * p, a * q, s, distance1, distance2);
  const DecoderSettings& set = activeSettings();
  if (config().OriginalAngleOutput || set.setParam == kOriginalAnglesParam) {
    vAngle = m_vAngleBias[static_cast<std::size_t>(channel)] + vAngle;
  } else {
    hAngle = static_cast<float>(asinDegrees(p));
    vAngle = static_cast<float>(asinDegrees(s));
  }
  return out;
}
