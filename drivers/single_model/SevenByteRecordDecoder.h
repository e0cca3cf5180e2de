// The walk over 7-byte single-echo and 11-byte dual-echo records shared by the Sembrel,
// Sembrel_WideAngle, Hestin, Yorbek and Drovik decoders. A model supplies its geometry and
// its channel bound, and sets the packet time before the walk.
#pragma once

#include "SingleModelDecoder.h"

namespace seven_byte {

constexpr std::size_t kSingleRecordBytes = 7;
constexpr int kSingleRecords = 171;
constexpr std::size_t kDualRecordBytes = 11;
constexpr int kDualRecords = 109;
constexpr std::size_t kChannelOffset = 0;      // u8
constexpr std::size_t kAngleOffset = 1;        // u16 BE, 0.01 degree
constexpr std::size_t kDistanceOffset = 3;     // u24 BE, 1/256 cm
constexpr std::size_t kIntensityOffset = 6;    // u8
constexpr std::size_t kDistance2Offset = 7;    // u24 BE, 1/256 cm
constexpr std::size_t kIntensity2Offset = 10;  // u8
constexpr double kAngleUnit = 0.01;            // degrees per count
constexpr double kDistanceCountsPerCm = 256.0;
constexpr double kCmPerMetre = 100.0;
constexpr float kMaxAngle = 180.f;             // degrees; the sensor covers half a turn
constexpr std::uint8_t kDualEchoByte = 2;
constexpr std::size_t kDefaultFrameLimit = 1000000;  // points

// One record of either size.
class RecordView {
public:
  explicit RecordView(const unsigned char* bytes) : m_Bytes(bytes) {}
  bool isMarker() const;
  int channel() const { return m_Bytes[kChannelOffset]; }
  float angle() const;        // degrees
  float distance() const;     // metres
  std::uint8_t intensity() const { return m_Bytes[kIntensityOffset]; }
  float distance2() const;    // metres (dual-echo records)
  std::uint8_t intensity2() const { return m_Bytes[kIntensity2Offset]; }

private:
  const unsigned char* m_Bytes;
};

}  // namespace seven_byte

class SevenByteRecordDecoder : public SingleModelDecoder {
public:
  // Channel, horizontal angle (degrees), vertical angle out (degrees), two distances (metres;
  // a second distance of 0 or less gives a zero second position).
  virtual EchoPositions computeXYZ(int channel, double hAngle, double& vAngle, double distance1,
                                   double distance2) = 0;

  void disposeSingleEcho(const unsigned char* packet);
  void disposeDoubleEcho(const unsigned char* packet);

protected:
  SevenByteRecordDecoder(int channelCount, std::size_t dualFrameLimit = seven_byte::kDefaultFrameLimit);
  // 2 selects the dual-echo walk unless the echo setting is 3; others the single walk at 0 or 1.
  void disposeByEchoByte(const unsigned char* packet, int echoByte);
  // Hooks run just before a walk (the Sembrel models take the packet time there).
  virtual void beforeSingleWalk(const unsigned char*) {}
  virtual void beforeDualWalk(const unsigned char*) {}

private:
  struct RecordPoint;
  bool admitRecord(const seven_byte::RecordView& record, std::size_t limit, RecordPoint& out);

  int m_ChannelCount;
  std::size_t m_DualFrameLimit;
};
