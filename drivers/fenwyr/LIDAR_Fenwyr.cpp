#include "LIDAR_Fenwyr.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "PacketReaders.h"

using namespace single_model;
using namespace eight_byte;
using namespace fenwyr;

LIDAR_Fenwyr::LIDAR_Fenwyr() { setHangleRange(-kWindowLimit, kWindowLimit); }

void LIDAR_Fenwyr::decodePacket(const unsigned char* bytes, std::size_t length) {
  unsigned char packet[kPacketBytes] = {};
  std::memcpy(packet, bytes, std::min(length, kPacketBytes));
  if (isDeviceHeader(packet)) {
    m_gpsYearFlag = packet[scan::kDeviceGpsYearFlag] == scan::kGpsYearFlagValue;
    return;
  }
  readTailTime(packet, kTailTime);
  const DecoderSettings& s = activeSettings();
  m_ModelValue = s.lineParam;
  m_ReturnMode = packet[kEchoByteOffset];
  if (m_ReturnMode == kDualEcho || m_ReturnMode == kDualEchoAlt) {
    if (s.echo != 3) disposeDoubleEcho(packet);
  } else if (s.echo == 0 || s.echo == 1) {
    disposeSingleEcho(packet);
  }
  finishPacket();
}

ScanRecord LIDAR_Fenwyr::readRecord(const unsigned char* record) const {
  ScanRecord r;
  r.channel = record[kChannelDistance] >> kChannelShift;
  r.rawDistance = readBE24(record, kChannelDistance) & kDistanceMask;
  r.distance = static_cast<float>(r.rawDistance * m_distanceUnit);
  r.hAngle = static_cast<float>(readBE16(record, kWedgeAOffset) * m_hAngleUnit);
  r.vAngle = -static_cast<float>(readBE16(record, kWedgeBOffset) * m_vAngleUnit);
  return r;
}

void LIDAR_Fenwyr::onFrameMarker(const unsigned char*) {
  if (m_frameMarkerCount == 0) handOver();
  m_frameMarkerCount = 0;
  m_FrameSyncFailure = 0;
}

void LIDAR_Fenwyr::refractBeam(double& phi, double& theta, double a, double b, double n, bool entering) const {
  const double* cosT = cosTable();
  const double* sinT = sinTable();
  const int p = angleIndex(phi), t = angleIndex(theta), ai = angleIndex(a), bi = angleIndex(b);
  const double d[3] = {sinT[t] * cosT[p], sinT[t] * sinT[p], cosT[t]};
  const double m[3] = {sinT[bi] * cosT[ai], sinT[bi] * sinT[ai], cosT[bi]};
  const double ci = clampUnit(m[0] * d[0] + m[1] * d[1] + m[2] * d[2]);
  const double si = complementOf(ci);
  // Leaving past the critical angle the beam would reflect: it is taken at the limit.
  const double st = std::min(entering ? si / n : si * n, 1.0);
  if (st == 0.0) return;
  const double ct = complementOf(st);
  const double along = ct * si - st * ci;
  double out[3];
  for (int i = 0; i < 3; ++i) out[i] = st * d[i] + along * m[i];
  const double length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
  if (!(length > 0.0)) return;
  theta = std::acos(clampUnit(out[2] / length)) * kDegreesPerRadian;
  phi = std::atan2(out[1], out[0]) * kDegreesPerRadian;
}

EchoPositions LIDAR_Fenwyr::pointPosition(int channel, float& hAngle, float& vAngle, double distance1,
                                          double distance2) {
  const std::size_t c = static_cast<std::size_t>(channel);
  double phi = m_beamAzimuth[c], theta = m_beamTilt[c];
  refractBeam(phi, theta, 0.0, 0.0, kGlassIndex, true);
  refractBeam(phi, theta, vAngle, kWedgeTilt, kGlassIndex, false);
  refractBeam(phi, theta, 0.0, 0.0, kGlassIndex, true);
  refractBeam(phi, theta, hAngle, kWedgeTilt, kGlassIndex, false);
  if (activeSettings().setParam == kWedgeAnglesParam) {
    vAngle = -vAngle;
  } else {
    hAngle = static_cast<float>(phi);
    vAngle = static_cast<float>(theta);
  }
  const double* cosT = cosTable();
  const double* sinT = sinTable();
  const int p = angleIndex(phi), t = angleIndex(theta);
  return alongDirection(cosT[p] * sinT[t], cosT[t], sinT[p] * sinT[t], distance1, distance2);
}

int LIDAR_Fenwyr::calibrationArea(const PointInfo& point, bool) const {
  // Each channel has its own rectangle {H min, H max, V min, V max}.
  const std::array<float, 4> r = calibrationBounds()[point.Channel % kChannels];
  return r[0] <= point.H_angle && point.H_angle <= r[1] && r[2] <= point.V_angle && point.V_angle <= r[3];
}
