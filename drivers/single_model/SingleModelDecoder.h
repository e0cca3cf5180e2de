// Base of the single-model decoders: the decode loop, packet timing, frame hand-over,
// configuration edits and calibration rows. A model adds its packet walk and its tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "LIDAR_Template.h"

class SingleModelDecoder : public LIDAR_Template {
public:
  ~SingleModelDecoder() override;  // the decode loop reads our members: end it first

  void dataProcessThread() final;

  // Decodes one queued packet with the current settings; the loop calls it for every
  // packet, tests call it directly.
  void feedPacket(const unsigned char* bytes, std::size_t length);
  // The next packet is timed as the first of a run (its points get its own time).
  void markRunStart() { m_FirstPacketOfRun = true; }

  int m_frameMarkerCount = 0;  // frame markers seen since the last hand-over

protected:
  SingleModelDecoder() = default;

  virtual void decodePacket(const unsigned char* bytes, std::size_t length) = 0;

  // Seconds between two points of this packet; a run's first packet steps from itself.
  double pointStep(int pointTimes);
  void finishPacket();  // the packet time becomes the previous one

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

  // Time record <-> seconds since 1970. A failed conversion prints "parse error" and
  // gives -1.
  double timeRecordAsUtc();
  double timeRecordAsLocal();
  void timeRecordFromUtc(std::uint64_t seconds, bool gpsYearOffset);

  struct ConfigByte {
    std::size_t offset;
    int value;  // its low byte is written
  };
  // Edits the configuration packet; without a device-information packet: code 10023.
  bool editConfigPacket(std::initializer_list<ConfigByte> bytes);

  // One calibration row: channel, reference, distance, difference, second distance, "T".
  void writeCalibrationRow(bool secondFile, int channel, float referenceMm, float distanceMm,
                           float secondDistanceMm);

  void colour(PointInfo& point) { setPointColor(&point, activeSettings().rgbType); }

private:
  void endOfDataCallbacks();

  bool m_FirstPacketOfRun = true;
};

// Frame-cloud limits (points) and message codes shared by the models.
constexpr int kFrameSyncCode = 10021;
constexpr int kConfigNotReadyCode = 10023;
constexpr int kNotSupportedCode = 10024;
constexpr double kRadiansPerDegree = kDecoderPi / 180.0;
constexpr double kDegreesPerRadian = 180.0 / kDecoderPi;
