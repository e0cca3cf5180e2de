#include "EightByteRecordDecoder.h"

#include "PacketReaders.h"

using namespace single_model;
using namespace eight_byte;

// Marker, frame limit, distance and channel tests common to both walks.
bool EightByteRecordDecoder::admitRecord(const unsigned char* record, ScanRecord& out) {
  if (isFrameMarker(record)) {
    onFrameMarker(record);
    return false;
  }
  if (frameFull(kFrameLimit)) return false;
  const DecoderSettings& s = activeSettings();
  out = readRecord(record);
  countDistance(out.rawDistance);
  if (s.filterDistanceZero && out.rawDistance == 0) return false;
  return s.channelSelection[static_cast<std::size_t>(out.channel)] != 0;
}

void EightByteRecordDecoder::selectPoint(const PointInfo& point) {
  const DecoderSettings& s = activeSettings();
  const bool chosen = s.calibOpen ? calibrationSelectsSingle(point, singleEchoCalibrationCases()) : inSelectBox(point);
  if (chosen && checkFiltrationData(&point)) appendSelected(point);
}

void EightByteRecordDecoder::disposeSingleEcho(const unsigned char* packet) {
  const double step = pointStep(kSingleRecords);
  for (int k = 0; k < kSingleRecords; ++k) {
    const unsigned char* record = packet + k * kSingleRecordBytes;
    ScanRecord r;
    if (!admitRecord(record, r)) continue;
    float h = r.hAngle, v = r.vAngle;
    const EchoPositions pos = pointPosition(r.channel, h, v, r.distance, -1.0);
    const DecoderSettings& s = activeSettings();
    if (h < s.hAngleStart || h > s.hAngleEnd) continue;
    PointInfo p{};
    p.x = pos.x1;
    p.y = pos.y1;
    p.z = pos.z1;
    p.data[3] = 1.f;
    p.Channel = static_cast<std::uint8_t>(r.channel);
    p.H_angle = h;
    p.V_angle = v;
    p.Distance = r.distance;
    p.Intensity = record[kIntensityOffset];
    p.Distance2 = singleEchoDistance2(r);
    colour(p);
    p.Mtimestamp_nsce = m_PacketTime - (kSingleRecords - 1 - k) * step;
    appendPoint(p);
    selectPoint(p);
  }
}

void EightByteRecordDecoder::disposeDoubleEcho(const unsigned char* packet) {
  const double step = pointStep(kDualRecords);
  for (int k = 0; k < kDualRecords; ++k) {
    const unsigned char* record = packet + k * kDualRecordBytes;
    ScanRecord r;
    if (!admitRecord(record, r)) continue;
    const float distance2 = static_cast<float>(readBE24(record, kDistance2Offset) * m_distanceUnit);
    const std::uint8_t intensity2 = record[kIntensity2Offset];
    float h = r.hAngle, v = r.vAngle;
    const EchoPositions pos = pointPosition(r.channel, h, v, r.distance, distance2);
    const DecoderSettings& s = activeSettings();
    if (h < s.hAngleStart || h > s.hAngleEnd) continue;
    PointInfo first{};
    first.data[3] = 1.f;
    first.Channel = static_cast<std::uint8_t>(r.channel);
    first.H_angle = h;
    first.V_angle = v;
    first.Mtimestamp_nsce = m_PacketTime - (kDualRecords - 1 - k) * step;
    PointInfo second = first;
    first.x = pos.x1, first.y = pos.y1, first.z = pos.z1;
    first.Distance = r.distance;
    first.Intensity = record[kIntensityOffset];
    first.Distance2 = distance2;
    first.Intensity2 = intensity2;
    second.x = pos.x2, second.y = pos.y2, second.z = pos.z2;
    second.Distance = second.Distance2 = distance2;
    second.Intensity = second.Intensity2 = intensity2;
    colour(first);
    colour(second);
    if (s.calibOpen) {
      // While collecting, the first echo alone is selected, by the calibration rules.
      const int echo = s.echo;
      if (echo == 0 || echo == 1) appendPoint(first);
      if (echo == 0 || echo == 2) appendPoint(second);
      if (calibrationSelectsDual(first, distance2) && checkFiltrationData(&first)) appendSelected(first);
    } else {
      appendEchoPair(first, second, true);
    }
  }
}
