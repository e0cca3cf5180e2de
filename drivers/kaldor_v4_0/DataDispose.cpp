#include "DataDispose.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "LIDAR_Kaldor_v4_0.h"

using namespace kaldor;

namespace {

constexpr double kCountEpsilon = 1e-8;  // metres; smaller distances count as zero
constexpr int kPointCounterCap = 31;

LidarCloudPtr newCloud() { return LidarCloudPtr(new LidarCloud); }

void emptyCloud(LidarCloud& cloud) {
  cloud.points.clear();
  cloud.width = 0;
  cloud.height = 0;
}

// The owner's renewed cloud when it is a fresh one, else a new cloud: never the cloud that
// was handed over.
LidarCloudPtr renewedCloud(const LidarCloudPtr& owners, const LidarCloudPtr& handed) {
  if (owners && owners != handed && owners->points.empty()) return owners;
  return newCloud();
}

// `to` (empty) becomes what `from` was; `from` is left empty, as a new cloud.
void takeOver(LidarCloud& from, LidarCloud& to) {
  to.points.assign(from.points.begin(), from.points.end());
  to.width = from.width;
  to.height = from.height;
  emptyCloud(from);
}

bool inClosedRange(float value, float low, float high) { return low <= value && value <= high; }

}  // namespace

DataDispose::DataDispose()
    : m_Echo1(kRecordsPerBlock, PointInfo{}),
      m_Echo2(kRecordsPerBlock, PointInfo{}),
      m_NextCloud(newCloud()),
      m_NextSelectedCloud(newCloud()),
      m_CurrentCloud(newCloud()),
      m_CurrentSelectedCloud(newCloud()) {
  loadVerticalAngles(m_VerticalAngle);
}

void DataDispose::setSubModelType(int) {}

void DataDispose::disposeDevicePacket(const unsigned char*) {}

void DataDispose::loadChannelMap(const ChannelMap& map) {
  assert(channelMapInRange(map));
  m_ChannelMap = map;
}

void DataDispose::loadChannelTrig(int channel, double degrees) {
  if (channel < 0 || channel >= kChannels) return;
  m_Cos[channel] = std::cos(degrees * kDegToRad);
  m_Sin[channel] = std::sin(degrees * kDegToRad);
}

void DataDispose::loadVerticalAngles(const AngleTable& angles) {
  for (int i = 0; i < kChannels; ++i) {
    m_VerticalAngle[i] = angles[i];
    const double radians = static_cast<double>(angles[i]) * kDegToRad;
    m_Cos[i] = std::cos(radians);
    m_Sin[i] = std::sin(radians);
  }
}

void DataDispose::colourPoint(PointInfo* point, _SetRGB_Type type) { m_Owner->setPointColor(point, type); }

void DataDispose::prepareColourTable(_SetRGB_Type type, int useColorBar) {
  m_ColourTableType = type;
  m_ColourTableBarFlag = useColorBar;
  m_ColourTableMade = true;
  m_ColourTableServes = colourFollowsIntensity(type, useColorBar, m_Owner->config().colorBars.size());
  if (!m_ColourTableServes) return;
  for (int k = 0; k < 256; ++k) {
    PointInfo probe{};
    probe.Intensity = static_cast<std::uint8_t>(k);
    colourPoint(&probe, type);
    m_ColourTable[static_cast<std::size_t>(k)] = probe.rgba;
  }
}

DataDispose::WalkSettings DataDispose::walkSettings() {
  WalkSettings ws;
  ws.settings = &m_Owner->activeSettings();
  ws.owner = m_Owner;
  ws.dualReturn = isDualReturnMode(m_Owner->m_ReturnMode);
  // A range whose bounds are not all in the list is no range.
  const std::size_t n = ws.settings->calibList.size();
  ws.calibFirst = n >= 2;
  ws.calibSecond = n >= 4;
  ws.calibThird = n >= 6;
  const _FiltrationDataInitParam& f = ws.settings->filter;
  for (float minimum : {f.VAngleMin, f.DistanceMin, f.IntensityMin, f.XMin, f.YMin, f.ZMin})
    if (!std::isnan(minimum)) ws.filterActive = true;
  const DecoderSettings& s = *ws.settings;
  if (!m_ColourTableMade || s.rgbType != m_ColourTableType || s.useColorBar != m_ColourTableBarFlag)
    prepareColourTable(s.rgbType, s.useColorBar);
  if (m_ColourTableServes) ws.colours = m_ColourTable.data();
  return ws;
}

void DataDispose::pushAzimuth(float azimuth) {
  m_PacketAzimuths.push_back(azimuth);
  m_FrameAzimuths.push_back(azimuth);
}

double DataDispose::nextStep(float last, float previous) {
  float step = last - previous;
  if (step < 0.f) step += 360.f;
  if (step > kStepLimit) step = static_cast<float>(m_StoredStep);
  m_StoredStep = step;
  return step;
}

void DataDispose::countDistance(float distance) {
  if (m_PointCounter && *m_PointCounter < kPointCounterCap && std::fabs(distance) > kCountEpsilon)
    ++*m_PointCounter;
}

void DataDispose::fillSingleRecords(const PacketView& packet, int block) {
  const double timeStep = m_Owner->m_TimeStep;
  const double previousTime = m_Owner->m_PreviousPacketTime;
  for (int k = 0; k < kRecordsPerBlock; ++k) {
    PointInfo& p = m_Echo1[k];
    p.Distance = packet.distanceCount(block, k) * m_DistanceUnit;
    p.Intensity = packet.intensity(block, k);
    p.Channel = static_cast<std::uint8_t>(m_ChannelMap[k] & 0xFFu);
    p.V_angle = m_VerticalAngle[p.Channel];
    p.Distance2 = 0.f;
    p.Intensity2 = 0;
    p.Mtimestamp_nsce = (kRecordsPerBlock * block + k + 1) * timeStep + previousTime;
    countDistance(p.Distance);
  }
}

void DataDispose::fillDualRecords(const PacketView& packet, int pair) {
  const double timeStep = m_Owner->m_TimeStep;
  const double previousTime = m_Owner->m_PreviousPacketTime;
  const int first = 2 * pair, second = 2 * pair + 1;
  const bool centimetre = packet.returnMode() == kDualReturnCentimetre;
  for (int k = 0; k < kRecordsPerBlock; ++k) {
    PointInfo& p = m_Echo1[k];
    PointInfo& q = m_Echo2[k];
    const std::uint16_t count2 = packet.distanceCount(second, k);
    const float d2 = centimetre ? static_cast<float>(count2 * kSecondEchoCentimetre)
                                : count2 * m_DistanceUnit;
    const std::uint8_t i2 = packet.intensity(second, k);
    p.Distance = packet.distanceCount(first, k) * m_DistanceUnit;
    p.Intensity = packet.intensity(first, k);
    p.Channel = static_cast<std::uint8_t>(m_ChannelMap[k] & 0xFFu);
    p.V_angle = m_VerticalAngle[p.Channel];
    p.Distance2 = d2;
    p.Intensity2 = i2;
    p.Mtimestamp_nsce = (kRecordsPerBlock * pair + k + 1) * timeStep + previousTime;
    q.Channel = p.Channel;
    q.V_angle = p.V_angle;
    q.Distance = d2;
    q.Distance2 = d2;
    q.Intensity = i2;
    q.Intensity2 = i2;
    q.Mtimestamp_nsce = p.Mtimestamp_nsce;
    countDistance(p.Distance);
  }
}

// First the angles and positions of the whole block, then its admissions in record order:
// copying a record into a frame then reads values stored a block's work earlier, not ones
// still on their way to memory.
void DataDispose::emitBlock(const WalkSettings& ws, double step, float base, bool dual) {
  for (int k = 0; k < kRecordsPerBlock; ++k) {
    const float stored = storedAzimuth(k * step * kRecordFraction + base);
    m_Echo1[k].H_angle = stored;
    if (dual) m_Echo2[k].H_angle = stored;
  }
  std::array<double, kRecordsPerBlock> sinA, cosA;
  const bool nearReference = blockSinCos(sinA, cosA);

  std::array<Fate, kRecordsPerBlock> fate;
  for (int k = 0; k < kRecordsPerBlock; ++k) {
    PointInfo* p = &m_Echo1[k];
    PointInfo* q = &m_Echo2[k];
    // The split test comes before the filters, so a dropped point can still end a frame.
    const bool nextFrame = inSplitWindow(*p);
    if (nextFrame) m_FrameComplete = 1;
    fate[k] = kDropped;
    if (droppedBySettings(*ws.settings, *p)) continue;
    XYZPair xyz;
    const double d2 = dual ? p->Distance2 : -1.0;
    if (p->Channel < kChannels) {
      xyz = nearReference ? tableGeometryAt(p->Channel, sinA[k], cosA[k], p->Distance, d2)
                          : tableGeometry(p->Channel, p->H_angle, p->Distance, d2);
    }
    writePosition(p, q, dual, xyz);
    fate[k] = nextFrame ? kNextFrame : kThisFrame;
  }
  admitBlock(ws, fate, [&](const PointInfo& point) { return selected(ws, point); });
}

bool DataDispose::inSplitWindow(const PointInfo& p) const { return pastSplit(p, m_MinimumBlocks, m_SplitWindow); }

inline bool DataDispose::selected(const WalkSettings& ws, const PointInfo& p) const {
  const DecoderSettings& s = *ws.settings;
  if (s.calibOpen) {
    if (p.Channel != s.calibChannel) return false;
    const std::vector<float>& r = s.calibList;
    return (ws.calibFirst && inClosedRange(p.H_angle, r[0], r[1])) ||
           (ws.calibSecond && inClosedRange(p.H_angle, r[2], r[3])) ||
           (ws.calibThird && inClosedRange(p.H_angle, r[4], r[5]));
  }
  return m_SelectFlag && m_SelectBox.contains(p.x, p.y, p.z);
}

void DataDispose::disposeSingleEcho(const unsigned char* bytes) { walk(bytes, false); }

void DataDispose::disposeDoubleEcho(const unsigned char* bytes) { walk(bytes, true); }

// Single return: 12 blocks of one echo. Dual return: 6 block pairs, the even block's azimuth
// for both. Each block (pair) is emitted once the next one's azimuth gives its step; the last
// one uses the stored step.
void DataDispose::walk(const unsigned char* bytes, bool dual) {
  const PacketView packet(bytes);
  if (!packet.blockFlagValid(0) || !m_Owner) return;
  m_FrameComplete = 0;
  emptyCloud(*m_NextCloud);
  emptyCloud(*m_NextSelectedCloud);
  const WalkSettings ws = walkSettings();
  // The offsets and A0 change only between packets: the geometry cache is checked here.
  bool cacheCurrent = true;
  for (int c = 0; c < kChannels; ++c) cacheCurrent = cacheCurrent && geometryCacheCurrent(c);
  if (!cacheCurrent) refreshGeometryCache();

  const int units = dual ? kBlocks / 2 : kBlocks;
  for (int u = 0; u < units; ++u) {
    float azimuth = static_cast<float>(packet.azimuthCount(dual ? 2 * u : u) / kAzimuthCountsPerDegree);
    if (azimuth >= 360.f) azimuth -= 360.f;
    pushAzimuth(azimuth);
    const std::size_t n = m_PacketAzimuths.size();
    if (n >= 2) {
      const double step = nextStep(m_PacketAzimuths[n - 1], m_PacketAzimuths[n - 2]);
      emitBlock(ws, step, m_PacketAzimuths[n - 2], dual);
    }
    if (dual) fillDualRecords(packet, u);
    else fillSingleRecords(packet, u);
    if (u == units - 1) {
      double step = m_StoredStep;
      if (step < 0.0) step += 360.0;
      emitBlock(ws, step, m_PacketAzimuths.back(), dual);
      m_PacketAzimuths.clear();
    }
  }
}

void DataDispose::refreshGeometryCache() {
  for (int c = 0; c < kChannels; ++c) {
    const double delta = (m_HorizontalOffset[c] - static_cast<double>(m_A0)) * kDegToRad;
    m_OffsetCos[c] = std::cos(delta);
    m_OffsetSin[c] = std::sin(delta);
  }
  m_CachedOffset = m_HorizontalOffset;
  m_CachedA0 = m_A0;
  m_GeometryCacheValid = true;
}

void DataDispose::resetAzimuthReference(double degrees) {
  const double radians = degrees * kDegToRad;
  m_RefAzimuth = degrees;
  m_RefSin = std::sin(radians);
  m_RefCos = std::cos(radians);
}

XYZPair DataDispose::computeXYZ(int channel, double azimuth, double distance1, double distance2) {
  if (channel < 0 || channel >= kChannels) return XYZPair{};
  if (!geometryCacheCurrent(channel)) refreshGeometryCache();
  return tableGeometry(channel, azimuth, distance1, distance2);
}

void DataDispose::addPoint(const LidarCloudPtr& cloud, PointInfo* p, PointInfo* q) {
  if (m_Owner && cloud) admit(walkSettings(), *cloud, p, q);
}

void DataDispose::resetFrame() {
  const std::size_t lastSize = m_CurrentCloud->points.size();
  const std::size_t lastSelected = m_CurrentSelectedCloud->points.size();
  m_FrameAzimuths.clear();
  // The clouds just handed over stay their receivers': the frame goes on in the owner's
  // renewed clouds (memory from its pool), which take the points already past the split.
  m_CurrentCloud = renewedCloud(m_Owner ? m_Owner->m_FrameCloud : nullptr, m_CurrentCloud);
  m_CurrentSelectedCloud =
      renewedCloud(m_Owner ? m_Owner->m_SelectedCloud : nullptr, m_CurrentSelectedCloud);
  takeOver(*m_NextCloud, *m_CurrentCloud);
  takeOver(*m_NextSelectedCloud, *m_CurrentSelectedCloud);
  // The frame is now handed over; a packet that is not walked must not hand it over again.
  m_FrameComplete = 0;
  // The next frame will be about the size of the larger recent ones: short and long frames
  // can alternate (a split window wider than the sweep of the minimum block count).
  m_ExpectedFramePoints = std::max(lastSize, m_ExpectedFramePoints - m_ExpectedFramePoints / 4);
  m_CurrentCloud->points.reserve(m_ExpectedFramePoints + m_ExpectedFramePoints / 8);
  m_CurrentSelectedCloud->points.reserve(lastSelected);
}
