// Base of the single-model decoders: the packet feed, frame hand-over, point appends and
// calibration rows. A model adds its packet walk and its tables.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "LIDAR_Template.h"

// Positions of a record's two echoes, metres.
struct EchoPositions {
  float x1 = 0.f, y1 = 0.f, z1 = 0.f;
  float x2 = 0.f, y2 = 0.f, z2 = 0.f;
};

// Both echoes along one direction (dx, dy, dz); a second echo only with a distance (metres).
inline EchoPositions alongDirection(double dx, double dy, double dz, double distance1, double distance2) {
  EchoPositions out;
  out.x1 = static_cast<float>(distance1 * dx);
  out.y1 = static_cast<float>(distance1 * dy);
  out.z1 = static_cast<float>(distance1 * dz);
  if (distance2 > 0.0) {
    out.x2 = static_cast<float>(distance2 * dx);
    out.y2 = static_cast<float>(distance2 * dy);
    out.z2 = static_cast<float>(distance2 * dz);
  }
  return out;
}

// Both echoes from the vertical angle's cosine cV and sine s and the horizontal direction
// (u, w): x = cV d u, y = cV d w, z = s d; a second echo only with a distance (metres).
inline EchoPositions fromVerticalTerms(double cV, double s, double u, double w, double distance1, double distance2) {
  EchoPositions out;
  out.x1 = static_cast<float>(cV * distance1 * u);
  out.y1 = static_cast<float>(cV * distance1 * w);
  out.z1 = static_cast<float>(s * distance1);
  if (distance2 > 0.0) {
    out.x2 = static_cast<float>(cV * distance2 * u);
    out.y2 = static_cast<float>(cV * distance2 * w);
    out.z2 = static_cast<float>(s * distance2);
  }
  return out;
}

class SingleModelDecoder : public LIDAR_Template {
public:
  ~SingleModelDecoder() override;  // the decode loop reads our members: end it first

  void dataProcessThread() final;

  // Decodes one queued packet with the current settings; the loop calls it for every
  // packet, tests call it directly.
  void feedPacket(const unsigned char* bytes, std::size_t length);

  int m_frameMarkerCount = 0;  // frame markers seen since the last hand-over

protected:
  SingleModelDecoder() = default;

  virtual void decodePacket(const unsigned char* bytes, std::size_t length) = 0;

  // publishFrame, then the marker count and the sync-failure flag start again.
  void handOver();
  // True when the frame holds more than `limit` points; reports that once per frame.
  bool frameFull(std::size_t limit);
  // Records with a distance count towards the base's non-zero tally (capped).
  void countDistance(double distance);

  void appendPoint(const PointInfo& point);            // frame cloud, after the filter record
  void appendSelected(const PointInfo& point);         // selected-points cloud, unconditional
  bool inSelectBox(const PointInfo& point) const;      // box on and point inside
  // Dual-echo points by the echo setting: 1 first only, 2 second only, 0 both. The box
  // selection of the first point can be left to the caller.
  void appendEchoPair(const PointInfo& first, const PointInfo& second, bool selectFirst);

  // One calibration row: channel, reference, distance, difference, second distance, "T".
  void writeCalibrationRow(bool secondFile, int channel, float referenceMm, float distanceMm,
                           float secondDistanceMm);

  void colour(PointInfo& point) { setPointColor(&point, activeSettings().rgbType); }

  // What the points of one record share.
  struct RecordFields {
    int channel;
    float hAngle, vAngle;  // degrees
    double time;           // seconds
  };
  // A record's point with its channel, angles and time only.
  static PointInfo recordPoint(const RecordFields& f);
  // The coloured point of a single-echo record.
  PointInfo singleEchoPoint(const RecordFields& f, const EchoPositions& pos, float distance, std::uint8_t intensity,
                            float distance2);
  // The coloured points of a dual-echo record: the first carries both echoes' distance and
  // intensity, the second its own in both fields.
  void dualEchoPoints(const RecordFields& f, const EchoPositions& pos, float distance1, std::uint8_t intensity1,
                      float distance2, std::uint8_t intensity2, PointInfo& first, PointInfo& second);
};

// Message code and angle units shared by the models.
constexpr int kNotSupportedCode = 10024;
constexpr double kRadiansPerDegree = kDecoderPi / 180.0;
constexpr double kDegreesPerRadian = 180.0 / kDecoderPi;

// Rounding, or a sensor's odd value, can carry a sine or cosine just past one; clamped, the
// point keeps a direction instead of turning NaN.
inline double clampUnit(double v) { return v < -1.0 ? -1.0 : (v > 1.0 ? 1.0 : v); }
inline double asinDegrees(double sine) { return std::asin(clampUnit(sine)) * kDegreesPerRadian; }
// The cosine belonging to a sine (and the other way round), never the root of a negative.
inline double complementOf(double sine) {
  const double c = clampUnit(sine);
  return std::sqrt(1.0 - c * c);
}
