// The walk over 8-byte single-echo and 12-byte dual-echo records shared by the Ulmeth,
// Coravel and Fenwyr decoders. A model reads its record fields, handles its frame marker,
// computes the point's position and may replace its angles.
#pragma once

#include "ScanDecoder.h"

namespace eight_byte {

constexpr std::size_t kPacketBytes = 1206;
constexpr std::size_t kSingleRecordBytes = 8;
constexpr int kSingleRecords = 149;
constexpr std::size_t kDualRecordBytes = 12;
constexpr int kDualRecords = 99;
constexpr std::size_t kDistance2Offset = 8;   // u24 BE
constexpr std::size_t kIntensity2Offset = 11;
constexpr std::size_t kIntensityOffset = 7;
constexpr std::size_t kMarkerByteOffset = 7;  // of a frame-marker record
constexpr std::size_t kTailTime = 1194;       // ten bytes of time
constexpr std::size_t kEchoByteOffset = 1205;
constexpr std::size_t kFrameLimit = 3000000;  // points

}  // namespace eight_byte

// One record's fields before the geometry.
struct ScanRecord {
  int channel = 0;
  std::uint32_t rawDistance = 0;  // counts
  float distance = 0.f;           // metres
  float hAngle = 0.f;             // degrees
  float vAngle = 0.f;             // degrees
};

class EightByteRecordDecoder : public ScanDecoder {
public:
  void disposeSingleEcho(const unsigned char* packet);
  void disposeDoubleEcho(const unsigned char* packet);

  float m_distanceUnit = 0.001f;  // metres per count
  float m_hAngleUnit = 0.01f;     // degrees per count
  float m_vAngleUnit = 0.01f;     // degrees per count

protected:
  EightByteRecordDecoder() = default;

  virtual ScanRecord readRecord(const unsigned char* record) const = 0;
  virtual void onFrameMarker(const unsigned char* record) = 0;
  // Positions of both echoes; may replace the angles by the beam's direction.
  virtual EchoPositions pointPosition(int channel, float& hAngle, float& vAngle, double distance1,
                                      double distance2) = 0;
  // Distance2 of a single-echo point.
  virtual float singleEchoDistance2(const ScanRecord&) const { return 0.f; }
  // Whether the Ulmeth rules (file, flag, reference 0) decide single-echo calibration too.
  virtual bool singleEchoCalibrationCases() const { return false; }

private:
  bool admitRecord(const unsigned char* record, ScanRecord& out);
  void selectPoint(const PointInfo& point);
};
