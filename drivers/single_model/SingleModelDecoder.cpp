#include "SingleModelDecoder.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int kDistanceTallyCap = 31;
constexpr double kCountedDistance = 1e-8;  // metres; below this a record has no distance

}  // namespace

SingleModelDecoder::~SingleModelDecoder() { stopAndWait(); }

void SingleModelDecoder::dataProcessThread() {
  runDecodeLoop([this](const unsigned char* bytes, std::size_t length) { feedPacket(bytes, length); });
}

void SingleModelDecoder::feedPacket(const unsigned char* bytes, std::size_t length) {
  if (bytes == nullptr) return;
  refreshSettings();
  decodePacket(bytes, length);
}

void SingleModelDecoder::handOver() {
  publishFrame();
  m_frameMarkerCount = 0;
  m_FrameSyncFailure = 0;
}

bool SingleModelDecoder::frameFull(std::size_t limit) {
  if (m_FrameCloud->size() <= limit) return false;
  if (!m_FrameSyncFailure) {
    sendMessage(kFrameSyncText, kFrameSyncCode);
    m_FrameSyncFailure = 1;
  }
  return true;
}

void SingleModelDecoder::countDistance(double distance) {
  if (m_DistanceIsNotZero < kDistanceTallyCap && std::fabs(distance) > kCountedDistance) ++m_DistanceIsNotZero;
}

void SingleModelDecoder::appendPoint(const PointInfo& point) {
  if (checkFiltrationData(&point)) m_FrameCloud->push_back(point);
}

void SingleModelDecoder::appendSelected(const PointInfo& point) { m_SelectedCloud->push_back(point); }

bool SingleModelDecoder::inSelectBox(const PointInfo& point) const {
  const SelectBox& box = activeSettings().selectBox;
  return box.enabled && box.contains(point.x, point.y, point.z);
}

void SingleModelDecoder::appendEchoPair(const PointInfo& first, const PointInfo& second, bool selectFirst) {
  const int echo = activeSettings().echo;
  const bool useFirst = echo == 0 || echo == 1;
  const bool useSecond = echo == 0 || echo == 2;
  if (useFirst) appendPoint(first);
  if (useSecond) appendPoint(second);
  if (selectFirst && useFirst && inSelectBox(first) && checkFiltrationData(&first)) appendSelected(first);
  if (useSecond && inSelectBox(second) && checkFiltrationData(&second)) appendSelected(second);
}

PointInfo SingleModelDecoder::recordPoint(const RecordFields& f) {
  PointInfo p{};
  p.data[3] = 1.f;
  p.Channel = static_cast<std::uint8_t>(f.channel);
  p.H_angle = f.hAngle;
  p.V_angle = f.vAngle;
  p.Mtimestamp_nsce = f.time;
  return p;
}

PointInfo SingleModelDecoder::singleEchoPoint(const RecordFields& f, const EchoPositions& pos, float distance,
                                              std::uint8_t intensity, float distance2) {
  PointInfo p = recordPoint(f);
  p.x = pos.x1;
  p.y = pos.y1;
  p.z = pos.z1;
  p.Distance = distance;
  p.Intensity = intensity;
  p.Distance2 = distance2;
  colour(p);
  return p;
}

void SingleModelDecoder::dualEchoPoints(const RecordFields& f, const EchoPositions& pos, float distance1,
                                        std::uint8_t intensity1, float distance2, std::uint8_t intensity2,
                                        PointInfo& first, PointInfo& second) {
  first = recordPoint(f);
  second = first;
  first.x = pos.x1;
  first.y = pos.y1;
  first.z = pos.z1;
  first.Distance = distance1;
  first.Intensity = intensity1;
  first.Distance2 = distance2;
  first.Intensity2 = intensity2;
  second.x = pos.x2;
  second.y = pos.y2;
  second.z = pos.z2;
  second.Distance = second.Distance2 = distance2;
  second.Intensity = second.Intensity2 = intensity2;
  colour(first);
  colour(second);
}

void SingleModelDecoder::writeCalibrationRow(bool secondFile, int channel, float referenceMm, float distanceMm,
                                             float secondDistanceMm) {
  char row[160];
  std::snprintf(row, sizeof row, "%d,%g,%g,%g,%g,T\n", channel, referenceMm, distanceMm,
                distanceMm - referenceMm, secondDistanceMm);
  std::lock_guard<std::mutex> lock(m_CalibMutex);
  // A path without the range marker names one file for both ranges.
  std::ofstream& file = secondFile && !m_CalibSecondInFirst ? m_CalibFile2 : m_CalibFile1;
  if (file.is_open()) file << row;
}
