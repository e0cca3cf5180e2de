// Base of the scanning models (Ulmeth, Coravel, Fenwyr, Tiskar): their shared device
// operations, intensity colours, tail time and calibration-point selection.
#pragma once

#include <array>

#include "SingleModelDecoder.h"

namespace scan {

constexpr std::size_t kDeviceGpsYearFlag = 44;  // equals 2: second counts are GPS-based
constexpr std::uint8_t kGpsYearFlagValue = 2;
constexpr std::uint8_t kSecondsForm = 0xFF;
constexpr double kCalibrationWindowMm = 2000.0;  // around the reference distance, exclusive
constexpr float kSecondRangeThreshold = 1e-6f;   // last bound above this: a second H range
constexpr float kMillimetresPerMetre = 1000.f;

// Configuration packet bytes.
constexpr std::size_t kRotateSpeed = 100;
constexpr std::size_t kSourceSelection = 44;

}  // namespace scan

class ScanDecoder : public SingleModelDecoder {
public:
  void setIntensityColor(PointInfo* point) override;  // blue through green to red
  bool setLidarRotateSpeed(int value) override;
  bool setLidarRotateState(int value) override;        // refused
  bool setLidarSoureSelection(int value) override;

  bool m_gpsYearFlag = false;

protected:
  // Tail of ten bytes at `offset`: 0xFF and a 40-bit second count, or year - 2000 and the
  // date; then big-endian nanoseconds. Sets the time record and the packet time.
  void readTailTime(const unsigned char* packet, std::size_t offset);

  // Calibration collection: where a point lies for the model (0 nowhere, 1 the first file's
  // area, 2 the second file's area, which only callers allowing it get).
  virtual int calibrationArea(const PointInfo& point, bool allowSecond) const;
  // Single-echo selection while collecting. With `twoCases` the file and flag decide as
  // for dual echo (without writing rows); otherwise area and distance window.
  bool calibrationSelectsSingle(const PointInfo& point, bool twoCases) const;
  // Dual-echo first point while collecting; writes its row when a file is being filled.
  bool calibrationSelectsDual(const PointInfo& point, float secondDistance);

  bool withinReference(const PointInfo& point) const;
  // The first rectangle of the bounds list {H min, H max, V min, V max}.
  bool inFirstRectangle(const PointInfo& point) const;
  bool inSecondRange(const PointInfo& point) const;
};
