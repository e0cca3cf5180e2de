// Sub-model decoder base of the family: the single- and dual-return walks over a packet,
// point admission, geometry and the frame split.
#pragma once

#include <array>
#include <cmath>
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
  // The table walk takes tableGeometry directly; a model with another geometry has its own
  // walk as well (ConstantParameterWalk).
  virtual kaldor::XYZPair computeXYZ(int channel, double azimuth, double distance1, double distance2);

  void addPoint(const LidarCloudPtr& cloud, PointInfo* p, PointInfo* q);
  void resetFrame();

  // Table loading: the map alone, or the angles with their cosine and sine.
  void loadChannelMap(const kaldor::ChannelMap& map);
  void loadVerticalAngles(const kaldor::AngleTable& angles);
  // Cosine and sine of one channel from an angle in degrees; the angle tables stay as they are.
  void loadChannelTrig(int channel, double degrees);

  // Set once by the owner after creation; it colours the points.
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
    const LIDAR_Template* owner = nullptr;  // the filter-record test
    bool dualReturn = false;
    bool calibFirst = false, calibSecond = false, calibThird = false;  // ranges present
    bool filterActive = false;  // some pair of the filter record is switched on
    const std::uint32_t* colours = nullptr;  // colour by intensity, when it follows from it alone
  };
  WalkSettings walkSettings();
  // What becomes of a record of the block under work.
  enum Fate : std::uint8_t { kDropped, kThisFrame, kNextFrame };
  // Horizontal-angle window, echo choice, filter record and colouring, then the append.
  [[gnu::always_inline]] inline void admit(const WalkSettings& ws, LidarCloud& cloud, PointInfo* p, PointInfo* q);

  void walk(const unsigned char* packet, bool dual);
  void fillSingleRecords(const kaldor::PacketView& packet, int block);
  void fillDualRecords(const kaldor::PacketView& packet, int pair);
  void emitBlock(const WalkSettings& ws, double step, float base, bool dual);
  bool inSplitWindow(const PointInfo& p) const;
  // Past the split azimuth by less than `window` degrees, once the frame holds more than
  // `minimumBlocks` blocks.
  bool pastSplit(const PointInfo& p, int minimumBlocks, double window) const {
    if (m_FrameAzimuths.size() <= static_cast<std::size_t>(minimumBlocks < 0 ? 0 : minimumBlocks)) return false;
    const double past = static_cast<double>(p.H_angle) - m_SplitAzimuth;
    return 0.0 < past && past < window;
  }
  // Zero distance (when filtered) or a switched-off channel.
  static bool droppedBySettings(const DecoderSettings& s, const PointInfo& p) {
    return (s.filterDistanceZero && !(p.Distance > 0.f)) || s.channelSelection[p.Channel] == 0;
  }
  // Writes the positions of the echoes.
  [[gnu::always_inline]] static inline void writePosition(PointInfo* p, PointInfo* q, bool dual,
                                                          const kaldor::XYZPair& xyz);
  // Admits placed echoes to this frame's or the next frame's clouds; `select` decides on
  // the position written.
  template <typename Select>
  [[gnu::always_inline]] inline void admitPlaced(const WalkSettings& ws, PointInfo* p, PointInfo* q, bool nextFrame,
                                                 Select select);
  // Admits the block's placed records in record order.
  template <typename Select>
  [[gnu::always_inline]] inline void admitBlock(const WalkSettings& ws,
                                                const std::array<Fate, kaldor::kRecordsPerBlock>& fate, Select select);
  static constexpr double kRecordFraction = 0.03125;  // 1/32 of the block step per record
  // A record's azimuth as stored: wrapped below 360 in double, then again in float, since just
  // below 360 the float rounds up to 360, which is 0 too.
  static float storedAzimuth(double degrees) {
    if (degrees >= 360.0) degrees -= 360.0;
    float stored = static_cast<float>(degrees);
    if (stored >= 360.f) stored -= 360.f;
    return stored;
  }
  // Sines and cosines of the block's azimuths (m_Echo1's H angles) taken at once, when all
  // are so near the reference that none would move it, whichever points are dropped:
  // then true, with the values exactly as point by point.
  bool blockSinCos(std::array<double, kaldor::kRecordsPerBlock>& sine,
                   std::array<double, kaldor::kRecordsPerBlock>& cosine) const;
  [[gnu::always_inline]] inline bool selected(const WalkSettings& ws, const PointInfo& p) const;
  void colourPoint(PointInfo* point, _SetRGB_Type type);
  void countDistance(float distance);
  double nextStep(float last, float previous);
  void pushAzimuth(float azimuth);

  // Geometry cache: sine and cosine of (horizontal offset - A0) per channel, rebuilt when
  // either changes, so a point costs one sine/cosine pair.
  [[gnu::cold, gnu::noinline]] void refreshGeometryCache();
  [[gnu::cold, gnu::noinline]] void resetAzimuthReference(double degrees);
  [[gnu::always_inline]] inline void azimuthSinCos(double degrees, double& sine, double& cosine);
  bool geometryCacheCurrent(int channel) const {
    return m_GeometryCacheValid && m_CachedA0 == m_A0 && m_CachedOffset[channel] == m_HorizontalOffset[channel];
  }
  // The position of both echoes; the channel is in range and the geometry cache current.
  [[gnu::always_inline]] inline kaldor::XYZPair tableGeometry(int channel, double azimuth, double distance1,
                                                              double distance2);
  // The same from the azimuth's sine and cosine.
  [[gnu::always_inline]] inline kaldor::XYZPair tableGeometryAt(int channel, double sinA, double cosA,
                                                                double distance1, double distance2) const;
  double m_RefAzimuth = 0.0, m_RefSin = 0.0, m_RefCos = 1.0;  // degrees; its sin and cos
  std::array<double, kaldor::kChannels> m_OffsetCos{};
  std::array<double, kaldor::kChannels> m_OffsetSin{};
  std::array<double, kaldor::kChannels> m_CachedOffset{};
  float m_CachedA0 = 0.f;
  bool m_GeometryCacheValid = false;
  std::size_t m_ExpectedFramePoints = 0;  // capacity to give the next frame's cloud

  // Colour by intensity for the colour setting it was made for: the owner's own colouring
  // of each intensity, so a point costs one lookup.
  [[gnu::cold, gnu::noinline]] void prepareColourTable(_SetRGB_Type type, int useColorBar);
  std::array<std::uint32_t, 256> m_ColourTable{};
  _SetRGB_Type m_ColourTableType = RGB_Intensity;
  int m_ColourTableBarFlag = 0;
  bool m_ColourTableMade = false;
  bool m_ColourTableServes = false;  // the setting's colour follows from the intensity alone
};

namespace kaldor {
constexpr double kDegToRad = kDecoderPi / 180.0;
}  // namespace kaldor

// Colouring reads only fields it does not change, so a point is coloured just before it is
// appended: one that the filter record drops needs no colour.
inline void DataDispose::admit(const WalkSettings& ws, LidarCloud& cloud, PointInfo* p, PointInfo* q) {
  const DecoderSettings& s = *ws.settings;
  const float start = s.hAngleStart, end = s.hAngleEnd;
  if (!std::isnan(start)) {
    const float h = p->H_angle;
    const bool inside = start >= 0.f ? (start <= h && h <= end) : (h >= start + 360.f || h <= end);
    if (!inside) return;
  }
  auto append = [&](PointInfo* point) {
    if (ws.filterActive && !ws.owner->checkFiltrationData(point)) return;
    if (ws.colours) {
      // The colour goes to the copy as well as the record: the copy then need not wait for
      // the record's colour bytes to be stored.
      const std::uint32_t colour = ws.colours[point->Intensity];
      cloud.points.push_back(*point);
      cloud.points.back().rgba = colour;
      point->rgba = colour;
    } else {
      colourPoint(point, s.rgbType);
      cloud.points.push_back(*point);
    }
    cloud.width = static_cast<std::uint32_t>(cloud.points.size());
    cloud.height = 1;
  };
  switch (s.echo) {
    case 2:
      if (ws.dualReturn) append(q);
      break;
    case 1:
      append(p);
      break;
    default:
      append(p);
      if (ws.dualReturn) append(q);
      break;
  }
}

inline void DataDispose::writePosition(PointInfo* p, PointInfo* q, bool dual, const kaldor::XYZPair& xyz) {
  p->x = xyz.x1;
  p->y = xyz.y1;
  p->z = xyz.z1;
  if (dual) {
    q->x = xyz.x2;
    q->y = xyz.y2;
    q->z = xyz.z2;
  }
}

template <typename Select>
inline void DataDispose::admitPlaced(const WalkSettings& ws, PointInfo* p, PointInfo* q, bool nextFrame,
                                     Select select) {
  LidarCloud& cloud = nextFrame ? *m_NextCloud : *m_CurrentCloud;
  LidarCloud& selectedCloud = nextFrame ? *m_NextSelectedCloud : *m_CurrentSelectedCloud;
  if (select(*p)) admit(ws, selectedCloud, p, q);
  admit(ws, cloud, p, q);
}

template <typename Select>
inline void DataDispose::admitBlock(const WalkSettings& ws, const std::array<Fate, kaldor::kRecordsPerBlock>& fate,
                                    Select select) {
  for (int k = 0; k < kaldor::kRecordsPerBlock; ++k)
    if (fate[k] != kDropped) admitPlaced(ws, &m_Echo1[k], &m_Echo2[k], fate[k] == kNextFrame, select);
}

namespace kaldor {
constexpr double kSeriesLimit = 0.06;  // radians: the short series below are exact to here

// sin and cos of (reference + d) from the reference's sin and cos, |d| <= kSeriesLimit.
[[gnu::always_inline]] inline void seriesSinCos(double d, double refSin, double refCos, double& sine,
                                                double& cosine) {
  const double d2 = d * d;
  const double sinD = d * (1.0 - d2 * (1.0 / 6) * (1.0 - d2 * (1.0 / 20) * (1.0 - d2 * (1.0 / 42))));
  const double cosD =
      1.0 - d2 * 0.5 * (1.0 - d2 * (1.0 / 12) * (1.0 - d2 * (1.0 / 30) * (1.0 - d2 * (1.0 / 56))));
  sine = refSin * cosD + refCos * sinD;
  cosine = refCos * cosD - refSin * sinD;
}
}  // namespace kaldor

inline bool DataDispose::blockSinCos(std::array<double, kaldor::kRecordsPerBlock>& sine,
                                     std::array<double, kaldor::kRecordsPerBlock>& cosine) const {
  std::array<double, kaldor::kRecordsPerBlock> diff;
  for (std::size_t k = 0; k < diff.size(); ++k) {
    diff[k] = (static_cast<double>(m_Echo1[k].H_angle) - m_RefAzimuth) * kaldor::kDegToRad;
    if (!(std::fabs(diff[k]) <= kaldor::kSeriesLimit)) return false;
  }
  const double refSin = m_RefSin, refCos = m_RefCos;
  for (std::size_t k = 0; k < diff.size(); ++k) kaldor::seriesSinCos(diff[k], refSin, refCos, sine[k], cosine[k]);
  return true;
}

// Consecutive points lie a fraction of a degree apart: sin and cos come from the last
// directly computed angle by the angle-sum identities, with short series for the small
// difference (exact to double precision for differences up to kSeriesLimit).
inline void DataDispose::azimuthSinCos(double degrees, double& sine, double& cosine) {
  const double d = (degrees - m_RefAzimuth) * kaldor::kDegToRad;
  if (!(std::fabs(d) <= kaldor::kSeriesLimit)) {
    resetAzimuthReference(degrees);
    sine = m_RefSin;
    cosine = m_RefCos;
    return;
  }
  kaldor::seriesSinCos(d, m_RefSin, m_RefCos, sine, cosine);
}

inline kaldor::XYZPair DataDispose::tableGeometry(int channel, double azimuth, double distance1, double distance2) {
  double sinA, cosA;
  azimuthSinCos(azimuth, sinA, cosA);
  return tableGeometryAt(channel, sinA, cosA, distance1, distance2);
}

inline kaldor::XYZPair DataDispose::tableGeometryAt(int channel, double sinA, double cosA, double distance1,
                                                     double distance2) const {
  kaldor::XYZPair out;
  // beta = alpha + (offset - A0): sin and cos of beta by the angle-sum identities.
  const double sinB = sinA * m_OffsetCos[channel] + cosA * m_OffsetSin[channel];
  const double cosB = cosA * m_OffsetCos[channel] - sinA * m_OffsetSin[channel];
  const double r0 = m_R0;
  if (distance1 > 0.0) {
    const double r = distance1 * m_Cos[channel];
    out.x1 = static_cast<float>(sinA * r + sinB * r0);
    out.y1 = static_cast<float>(cosA * r + cosB * r0);
    out.z1 = static_cast<float>(distance1 * m_Sin[channel]);
  }
  if (distance2 > 0.0) {
    const double r = distance2 * m_Cos[channel];
    out.x2 = static_cast<float>(sinA * r + sinB * r0);
    out.y2 = static_cast<float>(cosA * r + cosB * r0);
    out.z2 = static_cast<float>(distance2 * m_Sin[channel]);
  }
  return out;
}
