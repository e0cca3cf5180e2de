// Sub-model decoder base of the family: the single- and dual-return walks over a packet,
// point admission, geometry and the frame split.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "KaldorPacket.h"
#include "LIDAR_Template.h"

class LIDAR_Kaldor_v4_0;

namespace kaldor {

constexpr int kChannels = 32;
using ChannelMap = std::array<std::uint32_t, kChannels>;  // channel of record k
using AngleTable = std::array<float, kChannels>;          // degrees, by channel

// Channel-map values index the per-channel tables, so every one must be below kChannels.
constexpr bool channelMapInRange(const ChannelMap& map) {
  for (std::uint32_t v : map)
    if ((v & 0xFFu) >= static_cast<std::uint32_t>(kChannels)) return false;
  return true;
}

// Defaults of the base.
constexpr double kDefaultSplitAzimuth = 90.0;  // degrees
constexpr int kDefaultMinimumBlocks = 100;
constexpr int kDefaultSplitWindow = 5;         // degrees
constexpr float kDefaultDistanceUnit = 0.004f; // metres per count
constexpr float kDefaultR0 = 0.0361f;          // metres
constexpr float kDefaultA0 = 20.25f;           // degrees
constexpr double kStepLimit = 3.0;             // larger block steps are replaced (degrees)
constexpr double kSecondEchoCentimetre = 0.01; // metres per count, return mode 0x40
constexpr double kSplitAzimuthLimit = 360.0;   // device split azimuths must stay below

constexpr ChannelMap identityChannelMap() {
  ChannelMap m{};
  for (int i = 0; i < kChannels; ++i) m[i] = static_cast<std::uint32_t>(i);
  return m;
}
constexpr AngleTable defaultVerticalAngles() {
  AngleTable a{};
  for (int i = 0; i < kChannels; ++i) a[i] = static_cast<float>(i - 16);
  return a;
}

struct XYZPair {
  float x1 = 0.f, y1 = 0.f, z1 = 0.f;
  float x2 = 0.f, y2 = 0.f, z2 = 0.f;
};

}  // namespace kaldor

class DataDispose {
public:
  DataDispose();
  virtual ~DataDispose() = default;
  DataDispose(const DataDispose&) = delete;
  DataDispose& operator=(const DataDispose&) = delete;

  virtual void setSubModelType(int modelByte);
  virtual void disposeDevicePacket(const unsigned char* packet);
  virtual void disposeSingleEcho(const unsigned char* packet);
  virtual void disposeDoubleEcho(const unsigned char* packet);
  virtual kaldor::XYZPair computeXYZ(int channel, double azimuth, double distance1, double distance2);

  void addPoint(const LidarCloudPtr& cloud, PointInfo* p, PointInfo* q);
  void resetFrame();

  // Table loading: the map alone, or the angles with their cosine and sine.
  void loadChannelMap(const kaldor::ChannelMap& map);
  void loadVerticalAngles(const kaldor::AngleTable& angles);

  // Set once by the owner after creation.
  std::function<void(PointInfo*, _SetRGB_Type)> m_ColorFunction;
  LIDAR_Kaldor_v4_0* m_Owner = nullptr;

  std::array<double, kaldor::kChannels> m_Cos{};
  std::array<double, kaldor::kChannels> m_Sin{};
  kaldor::ChannelMap m_ChannelMap = kaldor::identityChannelMap();
  kaldor::AngleTable m_VerticalAngle = kaldor::defaultVerticalAngles();
  double m_SplitAzimuth = kaldor::kDefaultSplitAzimuth;
  std::int32_t m_MinimumBlocks = kaldor::kDefaultMinimumBlocks;
  std::int32_t m_SplitWindow = kaldor::kDefaultSplitWindow;
  float m_DistanceUnit = kaldor::kDefaultDistanceUnit;
  float m_R0 = kaldor::kDefaultR0;
  float m_A0 = kaldor::kDefaultA0;
  std::vector<PointInfo> m_Echo1;  // work arrays: the 32 records of the block under work
  std::vector<PointInfo> m_Echo2;
  std::array<double, kaldor::kChannels> m_HorizontalOffset{};  // degrees
  std::array<double, kaldor::kChannels> m_MeasuredVAngle{};    // degrees
  double m_StoredStep = 0.0;                                   // degrees
  std::uint32_t m_DeviceSplitFirst = 0xFFFFFFFFu;
  std::uint32_t m_DeviceSplitSecond = 0xFFFFFFFFu;
  std::uint8_t m_SelectFlag = 0;
  SelectBox m_SelectBox;
  int* m_PointCounter = nullptr;
  std::vector<float> m_FrameAzimuths;
  LidarCloudPtr m_NextCloud;
  LidarCloudPtr m_NextSelectedCloud;
  LidarCloudPtr m_CurrentCloud;
  LidarCloudPtr m_CurrentSelectedCloud;
  std::uint8_t m_FrameComplete = 0;
  std::vector<float> m_PacketAzimuths;

protected:
  // What the point routine reads, gathered once per packet.
  struct WalkSettings {
    const DecoderSettings* settings = nullptr;
    bool dualReturn = false;
    bool calibFirst = false, calibSecond = false, calibThird = false;  // ranges present
    bool filterActive = false;  // some pair of the filter record is switched on
  };
  WalkSettings walkSettings() const;
  [[gnu::always_inline]] inline void admit(const WalkSettings& ws, LidarCloud& cloud, PointInfo* p, PointInfo* q);

  void walk(const unsigned char* packet, bool dual);
  void fillSingleRecords(const kaldor::PacketView& packet, int block);
  void fillDualRecords(const kaldor::PacketView& packet, int pair);
  void emitBlock(const WalkSettings& ws, double step, float base, bool dual);
  void emitPoint(const WalkSettings& ws, PointInfo* p, PointInfo* q, bool dual);
  bool inSplitWindow(const PointInfo& p) const;
  [[gnu::always_inline]] inline bool selected(const WalkSettings& ws, const PointInfo& p) const;
  void countDistance(float distance);
  double nextStep(float last, float previous);
  void pushAzimuth(float azimuth);

  // Geometry cache: sine and cosine of (horizontal offset - A0) per channel, rebuilt when
  // either changes, so a point costs one sine/cosine pair.
  [[gnu::cold, gnu::noinline]] void refreshGeometryCache();
  [[gnu::cold, gnu::noinline]] void resetAzimuthReference(double degrees);
  [[gnu::always_inline]] inline void azimuthSinCos(double degrees, double& sine, double& cosine);
  double m_RefAzimuth = 0.0, m_RefSin = 0.0, m_RefCos = 1.0;  // degrees; its sin and cos
  std::array<double, kaldor::kChannels> m_OffsetCos{};
  std::array<double, kaldor::kChannels> m_OffsetSin{};
  std::array<double, kaldor::kChannels> m_CachedOffset{};
  float m_CachedA0 = 0.f;
  bool m_GeometryCacheValid = false;
};
