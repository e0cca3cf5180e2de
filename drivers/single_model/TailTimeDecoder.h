// Decoder of the 1212-byte seven-byte-record models that carry their time in the packet
// tail (Hestin, Yorbek, Drovik). Each keeps per-channel sines and cosines of a base and an
// offset angle; a device-information packet corrects them.
#pragma once

#include <array>
#include <vector>

#include "SevenByteRecordDecoder.h"

namespace tail_time {

constexpr std::size_t kPacketBytes = 1212;
constexpr std::size_t kTimeFormOffset = 1200;    // 0xFF: second count; else year - 2000
constexpr std::uint8_t kSecondsForm = 0xFF;
constexpr std::size_t kSecondsOffset = 1201;     // u40 BE, seconds since 1970 (UTC)
constexpr std::size_t kMonthOffset = 1201;       // then day, hour, minute, second
constexpr std::size_t kNanosecondsOffset = 1206; // u32: BE in the seconds form, LE otherwise
constexpr std::size_t kEchoByteOffset = 1211;

constexpr std::size_t kDeviceAngles = 240;       // five s16 BE, 0.01 degree
constexpr int kDeviceAngleCount = 5;
constexpr double kDeviceAngleUnit = 0.01;
constexpr int kMaxDeviceAngle = 9000;            // 90 degrees in 0.01 degree
constexpr int kCorrectedGroupMask = 4;           // channels with this bit clear take the correction

// Configuration packet bytes.
constexpr std::size_t kRotateStateGuard = 40, kRotateState = 41;
constexpr std::size_t kSourceSelection = 44;
constexpr std::size_t kWorkState = 45;

// Grouped channel tables: every channel of a group of `PerGroup` takes its group's base
// angle (degrees), and the k-th channel of a group is k offset steps from it.
template <std::size_t Channels, std::size_t PerGroup, typename GroupAngle>
constexpr std::array<float, Channels> groupedBaseAngles(GroupAngle groupAngle) {
  std::array<float, Channels> a{};
  for (std::size_t c = 0; c < Channels; ++c) a[c] = groupAngle(static_cast<int>(c / PerGroup));
  return a;
}
template <std::size_t PerGroup>
constexpr std::array<float, PerGroup> groupOffsetAngles(float step) {
  std::array<float, PerGroup> a{};
  for (std::size_t k = 0; k < PerGroup; ++k) a[k] = static_cast<int>(k) * step;
  return a;
}

}  // namespace tail_time

class TailTimeDecoder : public SevenByteRecordDecoder {
public:
  EchoPositions computeXYZ(int channel, double hAngle, double& vAngle, double distance1,
                           double distance2) override;
  bool setLidarRotateState(int value) override;
  bool setLidarSoureSelection(int value) override;
  bool setLidarWorkState(int value) override;
  // The five device values e0 (vertical correction) and e1.. (offset angles), 0.01 degree.
  void disposeDevicePacket(const std::vector<int>& values);

  std::vector<double> m_sinVBase, m_sinVOffset, m_cosVBase, m_cosVOffset;
  bool m_AnglesRefused = false;  // the last device packet's angles were out of range

protected:
  // Base angle of each channel, and the offset angles (degrees) taken by channel c mod
  // their count; the channel count is the size of the base table.
  TailTimeDecoder(std::vector<float> baseAngles, std::vector<float> offsetAngles,
                  std::size_t dualFrameLimit = seven_byte::kDefaultFrameLimit);
  void decodePacket(const unsigned char* bytes, std::size_t length) override;

  // Factors of one channel shared by the geometries: s the sine of the vertical angle, k
  // its horizontal term; false when the channel has no table entry.
  bool verticalTerms(int channel, double hAngle, double& k, double& s) const;

private:
  void rebuildTables(double correction, const std::vector<float>& offsets);

  std::vector<float> m_BaseAngles;
  std::vector<float> m_StartOffsets;
};
