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
    const RecordFields f{r.channel, h, v, m_PacketTime - (kSingleRecords - 1 - k) * step};
    const PointInfo p = singleEchoPoint(f, pos, r.distance, record[kIntensityOffset], singleEchoDistance2(r));
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
    const RecordFields f{r.channel, h, v, m_PacketTime - (kDualRecords - 1 - k) * step};
    PointInfo first, second;
    dualEchoPoints(f, pos, r.distance, record[kIntensityOffset], distance2, intensity2, first, second);
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
