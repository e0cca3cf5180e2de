// Decoder of the 32-channel models whose vertical angle varies with the horizontal angle
// inside each group of four channels (Sembrel, Sembrel_WideAngle). The models differ only
// in their nominal angle tables.
#pragma once

#include <array>
#include <vector>

#include "SevenByteRecordDecoder.h"

namespace sembrel {

constexpr int kChannels = 32;
constexpr int kChannelsPerGroup = 4;
using ChannelAngles = std::array<float, kChannels>;  // degrees

// A table of every channel's angle.
template <typename AngleOf>
constexpr ChannelAngles channelAngles(AngleOf angleOf) {
  ChannelAngles a{};
  for (int c = 0; c < kChannels; ++c) a[c] = angleOf(c);
  return a;
}

constexpr std::size_t kPacketBytes = 1206;
constexpr std::size_t kHourOffset = 1197;
constexpr std::size_t kMinuteOffset = 1198;
constexpr std::size_t kSecondOffset = 1199;
constexpr std::size_t kFractionOffset = 1200;   // u32 LE, microseconds
constexpr std::size_t kEchoByteOffset = 1205;
constexpr double kMicrosecondsPerSecond = 1e6;

// Device-information packet.
constexpr std::size_t kDeviceYearOffset = 36;   // year - 2000, month, day, hour, minute, second
constexpr std::size_t kDeviceOffsetAngles = 662;  // four s16 BE, 0.01 degree
constexpr int kOffsetAngleCount = 4;
constexpr double kOffsetAngleUnit = 0.01;
// Offsets inside a group when the sensor reports none, and before any report.
constexpr std::array<float, kChannelsPerGroup> kReportedZeroOffsets = {0.f, 0.33f, 0.66f, 0.99f};
constexpr std::array<int, kChannelsPerGroup> kStartOffsetIndices = {0, 330, 670, 1000};  // 0.001 degree

// Configuration packet bytes of the rotate state.
constexpr std::size_t kRotateStateGuard = 46, kRotateState = 47;

}  // namespace sembrel

class SembrelFamilyDecoder : public SevenByteRecordDecoder {
public:
  EchoPositions computeXYZ(int channel, double hAngle, double& vAngle, double distance1,
                           double distance2) override;
  bool setLidarRotateState(int value) override;
  // Elements 1 to 4 are the four offset angles (0.01 degree); element 0 is unused.
  void disposeDevicePacket(const std::vector<int>& values);

  float m_cosVAngle[sembrel::kChannels];
  float m_sinVBase[sembrel::kChannels];
  float m_sinVOffset[sembrel::kChannels];
  bool m_OffsetsRefused = false;  // the last device packet's offsets were out of range

protected:
  // Nominal vertical angle of each channel and the angle of its group's base.
  SembrelFamilyDecoder(const sembrel::ChannelAngles& nominal, const sembrel::ChannelAngles& groupBase);
  void decodePacket(const unsigned char* bytes, std::size_t length) override;
  void beforeSingleWalk(const unsigned char* packet) override;
  void beforeDualWalk(const unsigned char* packet) override;
};
