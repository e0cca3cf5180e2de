#include "SevenByteRecordDecoder.h"

#include "PacketReaders.h"

using namespace single_model;

namespace seven_byte {

bool RecordView::isMarker() const { return isFrameMarker(m_Bytes); }

float RecordView::angle() const { return static_cast<float>(readBE16(m_Bytes, kAngleOffset) * kAngleUnit); }

float RecordView::distance() const {
  return static_cast<float>(readBE24(m_Bytes, kDistanceOffset) / kDistanceCountsPerCm / kCmPerMetre);
}

float RecordView::distance2() const {
  return static_cast<float>(readBE24(m_Bytes, kDistance2Offset) / kDistanceCountsPerCm / kCmPerMetre);
}

}  // namespace seven_byte

using namespace seven_byte;

struct SevenByteRecordDecoder::RecordPoint {
  int channel;
  float hAngle;
  float distance;
};

SevenByteRecordDecoder::SevenByteRecordDecoder(int channelCount, std::size_t dualFrameLimit)
    : m_ChannelCount(channelCount), m_DualFrameLimit(dualFrameLimit) {
  setHangleRange(0.f, kMaxAngle);
}

void SevenByteRecordDecoder::disposeByEchoByte(const unsigned char* packet, int echoByte) {
  const int echo = activeSettings().echo;
  if (echoByte == kDualEchoByte) {
    if (echo != 3) {
      beforeDualWalk(packet);
      disposeDoubleEcho(packet);
    }
  } else if (echo == 0 || echo == 1) {
    beforeSingleWalk(packet);
    disposeSingleEcho(packet);
  }
}

// Marker, frame limit, channel, distance and angle tests common to both walks.
bool SevenByteRecordDecoder::admitRecord(const RecordView& record, std::size_t limit, RecordPoint& out) {
  if (record.isMarker()) {
    ++m_frameMarkerCount;
    handOver();
    return false;
  }
  if (frameFull(limit)) return false;
  const DecoderSettings& s = activeSettings();
  out.channel = record.channel();
  if (out.channel >= m_ChannelCount) return false;
  out.distance = record.distance();
  countDistance(out.distance);
  if (s.filterDistanceZero && out.distance <= 0.f) return false;
  if (!s.channelSelection[static_cast<std::size_t>(out.channel)]) return false;
  out.hAngle = record.angle();
  if (out.hAngle < 0.f || out.hAngle > kMaxAngle || out.hAngle < s.hAngleStart || out.hAngle > s.hAngleEnd)
    return false;
  return true;
}

void SevenByteRecordDecoder::disposeSingleEcho(const unsigned char* packet) {
  const double step = pointStep(kSingleRecords);
  for (int k = 0; k < kSingleRecords; ++k) {
    const RecordView record(packet + k * kSingleRecordBytes);
    RecordPoint r;
    if (!admitRecord(record, kDefaultFrameLimit, r)) continue;
    double v = 0.0;
    const EchoPositions pos = computeXYZ(r.channel, r.hAngle, v, r.distance, -1.0);
    const RecordFields f{r.channel, r.hAngle, static_cast<float>(v), m_PacketTime - (kSingleRecords - 1 - k) * step};
    const PointInfo p = singleEchoPoint(f, pos, r.distance, record.intensity(), 0.f);
    appendPoint(p);
    if (inSelectBox(p) && checkFiltrationData(&p)) appendSelected(p);
  }
}

void SevenByteRecordDecoder::disposeDoubleEcho(const unsigned char* packet) {
  const double step = pointStep(kDualRecords);
  for (int k = 0; k < kDualRecords; ++k) {
    const RecordView record(packet + k * kDualRecordBytes);
    RecordPoint r;
    if (!admitRecord(record, m_DualFrameLimit, r)) continue;
    const float distance2 = record.distance2();
    const std::uint8_t intensity2 = record.intensity2();
    double v = 0.0;
    const EchoPositions pos = computeXYZ(r.channel, r.hAngle, v, r.distance, distance2);
    const RecordFields f{r.channel, r.hAngle, static_cast<float>(v), m_PacketTime - (kDualRecords - 1 - k) * step};
    PointInfo first, second;
    dualEchoPoints(f, pos, r.distance, record.intensity(), distance2, intensity2, first, second);
    appendEchoPair(first, second, true);
  }
}
