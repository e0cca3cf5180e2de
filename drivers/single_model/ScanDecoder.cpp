#include "ScanDecoder.h"

#include <cmath>

#include "PacketReaders.h"

using namespace single_model;
using namespace scan;

namespace {

constexpr const char* kRotateStateRefusal = "The Lidar does not support this function (setLidarRotateState)!!";

bool within(float value, float low, float high) { return low <= value && value <= high; }

}  // namespace

void ScanDecoder::setIntensityColor(PointInfo* point) {
  const int a = point->Intensity;
  if (a < 16) {
    point->r = 0, point->g = static_cast<std::uint8_t>(8 * a + 128), point->b = 255;
  } else if (a < 70) {
    point->r = 0, point->g = 255, point->b = static_cast<std::uint8_t>(319 - 4 * a);
  } else if (a < 128) {
    point->r = static_cast<std::uint8_t>(4 * a - 280), point->g = 255, point->b = 0;
  } else {
    point->r = 255, point->g = static_cast<std::uint8_t>(511 - 2 * a), point->b = 0;
  }
}

bool ScanDecoder::setLidarRotateSpeed(int value) { return editConfigPacket({{kRotateSpeed, value}}); }

bool ScanDecoder::setLidarRotateState(int) {
  sendMessage(kRotateStateRefusal, kNotSupportedCode);
  return false;
}

bool ScanDecoder::setLidarSoureSelection(int value) { return editConfigPacket({{kSourceSelection, value}}); }

void ScanDecoder::readTailTime(const unsigned char* packet, std::size_t offset) {
  double seconds = 0.0;
  if (packet[offset] == kSecondsForm) {
    const std::uint64_t count = readBE40(packet, offset + 1);
    timeRecordFromUtc(count, m_gpsYearFlag);
    seconds = static_cast<double>(count);
  } else {
    timeRecordFromBytes(packet + offset);
    seconds = timeRecordAsUtc();
  }
  m_SubSecond = readBE32(packet, offset + 6) / 1e9;
  m_PacketTime = seconds + m_SubSecond;
  sendTimeMessage();
}

bool ScanDecoder::inFirstRectangle(const PointInfo& point) const {
  const std::vector<float>& b = activeSettings().calibList;
  return b.size() >= 4 && within(point.H_angle, b[0], b[1]) && within(point.V_angle, b[2], b[3]);
}

bool ScanDecoder::inSecondRange(const PointInfo& point) const {
  const std::vector<float>& b = activeSettings().calibList;
  return b.size() >= 6 && std::fabs(b.back()) > kSecondRangeThreshold && within(point.H_angle, b[4], b[5]) &&
         within(point.V_angle, b[2], b[3]);
}

int ScanDecoder::calibrationArea(const PointInfo& point, bool allowSecond) const {
  if (inFirstRectangle(point)) return 1;
  return allowSecond && inSecondRange(point) ? 2 : 0;
}

bool ScanDecoder::withinReference(const PointInfo& point) const {
  const double mm = point.Distance * kMillimetresPerMetre;
  return std::fabs(mm - activeSettings().calibDistance) < kCalibrationWindowMm;
}

bool ScanDecoder::calibrationSelectsSingle(const PointInfo& point, bool twoCases) const {
  const DecoderSettings& s = activeSettings();
  if (!twoCases || s.calibClose || s.calibPath.empty())
    return withinReference(point) && calibrationArea(point, false) != 0;
  return calibrationArea(point, true) != 0 && (s.calibDistance == 0.f || withinReference(point));
}

bool ScanDecoder::calibrationSelectsDual(const PointInfo& point, float secondDistance) {
  const DecoderSettings& s = activeSettings();
  if (s.calibClose || s.calibPath.empty())
    return (s.echo == 0 || s.echo == 1) && withinReference(point) && calibrationArea(point, false) != 0;
  const int area = calibrationArea(point, true);
  if (area == 0 || !(s.calibDistance == 0.f || withinReference(point))) return false;
  writeCalibrationRow(area == 2, point.Channel, s.calibDistance, point.Distance * kMillimetresPerMetre,
                      secondDistance * kMillimetresPerMetre);
  return true;
}
