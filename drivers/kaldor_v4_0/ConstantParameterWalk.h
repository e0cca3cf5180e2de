// The walk of the sub-models whose per-model quantities are constants of their own code
// rather than fields of DataDispose: the base walk with the block step taken unchanged, a
// fixed distance unit, channel rule and split window, box-only selection and a fixed-constant
// geometry without per-channel horizontal offsets.
//
// A model derives from ConstantParameterWalk<Model> and supplies, as public members:
//   kAzimuthForm            block flag and azimuth form (AzimuthForm)
//   kMetresPerCount         distance unit of both echoes (echo 2 in mode 0x40: 0.01 m)
//   kSplitWindow            degrees
//   kOpticalCentre, kR0, kA0  metres, degrees; no R0 term when kOpticalCentre is false
//   channelOf(k), verticalAngleOf(channel)
// and may hide the defaults below: distance(count), minimumBlocks(), splitWindow(),
// onBlockStep(step), azimuthOffset(channel), keepPoint(p, q).
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "DataDispose.h"

namespace kaldor {

enum class AzimuthForm {
  Hundredths,     // flag FF EE; u16 at block bytes 2-3, 0.01 degree
  Thousandths20,  // flag FF Ex; (u16 at bytes 2-3 << 4 | x) in 0.001 degree
};

constexpr double kThousandthsPerDegree = 1000.0;

template <AzimuthForm Form>
inline bool firstBlockAccepted(const PacketView& packet) {
  const unsigned char* b = packet.bytes();
  if (Form == AzimuthForm::Hundredths) return packet.blockFlagValid(0);
  return b[0] == kBlockFlag0 && (b[1] & 0xF0u) == 0xE0u;
}

// Degrees, below 360.
template <AzimuthForm Form>
inline float blockAzimuth(const PacketView& packet, int block) {
  float azimuth;
  if (Form == AzimuthForm::Hundredths) {
    azimuth = static_cast<float>(packet.azimuthCount(block) / kAzimuthCountsPerDegree);
    if (azimuth >= 360.f) azimuth -= 360.f;  // a 16-bit count stays below 720 degrees
  } else {
    const std::uint32_t low = packet.bytes()[block * kBlockBytes + 1] & 0x0Fu;
    const std::uint32_t count = (static_cast<std::uint32_t>(packet.azimuthCount(block)) << 4) | low;
    // 20 bits reach 1048 degrees: reduce fully, or a corrupt block would leave the circle.
    azimuth = static_cast<float>(std::fmod(count / kThousandthsPerDegree, 360.0));
    if (azimuth >= 360.f) azimuth -= 360.f;
  }
  return azimuth;
}

// Drelka and Ostrik re-choose the split constants from every block step (degrees).
struct AdaptiveSplit {
  std::int32_t minimumBlocks;
  std::int32_t window;  // degrees
};
constexpr AdaptiveSplit adaptiveSplit(double step) {
  if (step > 8.0) return {20, 200};
  if (step > 4.0) return {50, 100};
  return {100, 50};
}
constexpr std::int32_t kAdaptiveStartMinimumBlocks = 50;
constexpr std::int32_t kAdaptiveStartWindow = 100;  // degrees

}  // namespace kaldor

template <typename Model>
class ConstantParameterWalk : public DataDispose {
public:
  void disposeSingleEcho(const unsigned char* packet) override { walkConstant(packet, false); }
  void disposeDoubleEcho(const unsigned char* packet) override { walkConstant(packet, true); }
  kaldor::XYZPair computeXYZ(int channel, double azimuth, double distance1, double distance2) override {
    if (channel < 0 || channel >= kaldor::kChannels) return {};
    return geometry(channel, azimuth, distance1, distance2);
  }

  // Defaults a model may hide.
  static double distance(std::uint16_t count) { return count * Model::kMetresPerCount; }
  int minimumBlocks() const { return m_MinimumBlocks; }
  double splitWindow() const { return Model::kSplitWindow; }
  void onBlockStep(double) {}
  double azimuthOffset(std::uint8_t) const { return 0.0; }
  static bool keepPoint(PointInfo*, PointInfo*) { return true; }

protected:
  ConstantParameterWalk() = default;

private:
  Model& model() { return static_cast<Model&>(*this); }
  const Model& model() const { return static_cast<const Model&>(*this); }

  void walkConstant(const unsigned char* bytes, bool dual);
  void fillRecords(const WalkSettings& ws, const kaldor::PacketView& packet, int unit, bool dual);
  void emitBlock(const WalkSettings& ws, double step, float base, bool dual);
  // The split test, the drops and the position; the azimuth's sine and cosine when known.
  [[gnu::always_inline]] inline Fate locate(const WalkSettings& ws, PointInfo* p, PointInfo* q, bool dual,
                                            bool sinCosKnown, double sinA, double cosA);
  bool inSplitWindow(const PointInfo& p) const;
  [[gnu::always_inline]] inline kaldor::XYZPair geometry(int channel, double azimuth, double d1, double d2);
  [[gnu::always_inline]] inline kaldor::XYZPair geometryAt(int channel, double sinA, double cosA, double d1,
                                                           double d2) const;

  static float blockStep(float last, float previous) {
    float step = last - previous;
    if (step < 0.f) step += 360.f;
    return step;
  }

  // sin and cos of A0.
  static inline const double s_SinA0 = std::sin(Model::kA0 * kaldor::kDegToRad);
  static inline const double s_CosA0 = std::cos(Model::kA0 * kaldor::kDegToRad);
};

template <typename Model>
void ConstantParameterWalk<Model>::walkConstant(const unsigned char* bytes, bool dual) {
  using namespace kaldor;
  const PacketView packet(bytes);
  if (!firstBlockAccepted<Model::kAzimuthForm>(packet) || !m_Owner) return;
  m_FrameComplete = 0;
  for (LidarCloud* cloud : {m_NextCloud.get(), m_NextSelectedCloud.get()}) {
    cloud->points.clear();
    cloud->width = 0;
    cloud->height = 0;
  }
  const WalkSettings ws = walkSettings();

  const int units = dual ? kBlocks / 2 : kBlocks;
  for (int u = 0; u < units; ++u) {
    pushAzimuth(blockAzimuth<Model::kAzimuthForm>(packet, dual ? 2 * u : u));
    const std::size_t n = m_PacketAzimuths.size();
    if (n >= 2) {
      const float step = blockStep(m_PacketAzimuths[n - 1], m_PacketAzimuths[n - 2]);
      model().onBlockStep(step);
      emitBlock(ws, step, m_PacketAzimuths[n - 2], dual);
    }
    fillRecords(ws, packet, u, dual);
    if (u == units - 1) {
      // The last block takes the step of the last two blocks again, from its own azimuth.
      const float step = n >= 2 ? blockStep(m_PacketAzimuths[n - 1], m_PacketAzimuths[n - 2]) : 0.f;
      model().onBlockStep(step);
      emitBlock(ws, step, m_PacketAzimuths.back(), dual);
      m_PacketAzimuths.clear();
    }
  }
}

template <typename Model>
void ConstantParameterWalk<Model>::fillRecords(const WalkSettings& ws, const kaldor::PacketView& packet, int unit,
                                                bool dual) {
  using namespace kaldor;
  const double timeStep = ws.owner->m_TimeStep;
  const double previousTime = ws.owner->m_PreviousPacketTime;
  const int first = dual ? 2 * unit : unit;
  const bool centimetre = dual && packet.returnMode() == kDualReturnCentimetre;
  for (int k = 0; k < kRecordsPerBlock; ++k) {
    PointInfo& p = m_Echo1[k];
    const std::uint8_t channel = Model::channelOf(k);
    const float vAngle = Model::verticalAngleOf(channel);
    p.Distance = static_cast<float>(Model::distance(packet.distanceCount(first, k)));
    p.Intensity = packet.intensity(first, k);
    p.Channel = channel;
    p.V_angle = vAngle;
    p.Mtimestamp_nsce = (kRecordsPerBlock * unit + k + 1) * timeStep + previousTime;
    if (dual) {
      const std::uint16_t count2 = packet.distanceCount(first + 1, k);
      const float d2 = static_cast<float>(centimetre ? count2 * kSecondEchoCentimetre : Model::distance(count2));
      const std::uint8_t i2 = packet.intensity(first + 1, k);
      p.Distance2 = d2;
      p.Intensity2 = i2;
      PointInfo& q = m_Echo2[k];
      q.Channel = channel;
      q.V_angle = vAngle;
      q.Distance = d2;
      q.Distance2 = d2;
      q.Intensity = i2;
      q.Intensity2 = i2;
      q.Mtimestamp_nsce = p.Mtimestamp_nsce;
    } else {
      p.Distance2 = 0.f;
      p.Intensity2 = 0;
    }
    countDistance(p.Distance);
  }
}

// As the table walk: the block's angles and positions first, then its admissions in order.
template <typename Model>
void ConstantParameterWalk<Model>::emitBlock(const WalkSettings& ws, double step, float base, bool dual) {
  std::array<Fate, kaldor::kRecordsPerBlock> fate;
  for (int k = 0; k < kaldor::kRecordsPerBlock; ++k) {
    PointInfo* p = &m_Echo1[k];
    PointInfo* q = &m_Echo2[k];
    const float stored = storedAzimuth(k * step * kRecordFraction + base + model().azimuthOffset(p->Channel));
    p->H_angle = stored;
    if (dual) q->H_angle = stored;
  }
  std::array<double, kaldor::kRecordsPerBlock> sinA{}, cosA{};  // handed on, used only near the reference
  const bool nearReference = blockSinCos(sinA, cosA);
  for (int k = 0; k < kaldor::kRecordsPerBlock; ++k)
    fate[k] = locate(ws, &m_Echo1[k], &m_Echo2[k], dual, nearReference, sinA[k], cosA[k]);

  // Only the box selects: the calibration selection has no meaning for these models.
  admitBlock(ws, fate,
             [this](const PointInfo& point) { return m_SelectFlag && m_SelectBox.contains(point.x, point.y, point.z); });
}

template <typename Model>
bool ConstantParameterWalk<Model>::inSplitWindow(const PointInfo& p) const {
  return pastSplit(p, model().minimumBlocks(), model().splitWindow());
}

template <typename Model>
typename DataDispose::Fate ConstantParameterWalk<Model>::locate(const WalkSettings& ws, PointInfo* p, PointInfo* q,
                                                                bool dual, bool sinCosKnown, double sinA,
                                                                double cosA) {
  // The split test comes before the filters, so a dropped point can still end a frame.
  const bool nextFrame = inSplitWindow(*p);
  if (nextFrame) m_FrameComplete = 1;

  if (droppedBySettings(*ws.settings, *p)) return kDropped;

  const double d2 = dual ? p->Distance2 : -1.0;
  const kaldor::XYZPair xyz = sinCosKnown ? geometryAt(p->Channel, sinA, cosA, p->Distance, d2)
                                         : geometry(p->Channel, p->H_angle, p->Distance, d2);
  if (!Model::keepPoint(p, q)) return kDropped;
  writePosition(p, q, dual, xyz);
  return nextFrame ? kNextFrame : kThisFrame;
}

// x = d cos[c] sin(a) + R0 sin(a - A0), y = d cos[c] cos(a) + R0 cos(a - A0), z = d sin[c].
template <typename Model>
inline kaldor::XYZPair ConstantParameterWalk<Model>::geometry(int channel, double azimuth, double d1, double d2) {
  double sinA, cosA;
  azimuthSinCos(azimuth, sinA, cosA);
  return geometryAt(channel, sinA, cosA, d1, d2);
}

template <typename Model>
inline kaldor::XYZPair ConstantParameterWalk<Model>::geometryAt(int channel, double sinA, double cosA, double d1,
                                                                double d2) const {
  kaldor::XYZPair out;
  double centreX = 0.0, centreY = 0.0;
  if (Model::kOpticalCentre) {
    centreX = Model::kR0 * (sinA * s_CosA0 - cosA * s_SinA0);
    centreY = Model::kR0 * (cosA * s_CosA0 + sinA * s_SinA0);
  }
  if (d1 > 0.0) {
    const double r = d1 * m_Cos[channel];
    out.x1 = static_cast<float>(r * sinA + centreX);
    out.y1 = static_cast<float>(r * cosA + centreY);
    out.z1 = static_cast<float>(d1 * m_Sin[channel]);
  }
  if (d2 > 0.0) {
    const double r = d2 * m_Cos[channel];
    out.x2 = static_cast<float>(r * sinA + centreX);
    out.y2 = static_cast<float>(r * cosA + centreY);
    out.z2 = static_cast<float>(d2 * m_Sin[channel]);
  }
  return out;
}

// A walk whose split constants follow the block step (Drelka, Ostrik): they start from the
// adaptive start values and are re-chosen from every block step.
template <typename Model>
class AdaptiveSplitWalk : public ConstantParameterWalk<Model> {
public:
  static constexpr double kSplitWindow = 0.0;  // unused: the adaptive window replaces it

  int minimumBlocks() const { return m_AdaptiveMinimumBlocks; }
  double splitWindow() const { return m_AdaptiveSplitWindow; }
  void onBlockStep(double step) {
    const kaldor::AdaptiveSplit split = kaldor::adaptiveSplit(step);
    m_AdaptiveMinimumBlocks = split.minimumBlocks;
    m_AdaptiveSplitWindow = split.window;
  }

  std::int32_t m_AdaptiveMinimumBlocks = kaldor::kAdaptiveStartMinimumBlocks;
  std::int32_t m_AdaptiveSplitWindow = kaldor::kAdaptiveStartWindow;  // degrees
};
