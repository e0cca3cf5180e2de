// Fenwyr: eight beams through two rotating glass wedges. Each record carries the two wedge
// angles; the beam's direction is traced through the four wedge surfaces.
#pragma once

#include <array>

#include "EightByteRecordDecoder.h"

namespace fenwyr {

constexpr int kChannels = 8;
constexpr std::size_t kWedgeAOffset = 0;       // u16 BE
constexpr std::size_t kWedgeBOffset = 2;       // u16 BE, negated
constexpr std::size_t kChannelDistance = 4;    // bits 7-5 channel, then a 21-bit distance
constexpr int kChannelShift = 5;
constexpr std::uint32_t kDistanceMask = 0x1FFFFF;
constexpr std::uint8_t kDualEcho = 2, kDualEchoAlt = 6;

constexpr std::array<float, kChannels> kBeamAzimuth = {180.f, 180.f, 180.f, 180.f, 0.f, 0.f, 0.f, 0.f};
constexpr std::array<float, kChannels> kBeamTilt = {3.5f, 2.5f, 1.5f, 0.5f, 0.5f, 1.5f, 2.5f, 3.5f};
constexpr double kGlassIndex = 1.5713;
constexpr float kWedgeTilt = 15.f;             // degrees, the wedges' slanted faces
constexpr float kWindowLimit = 360.f;
constexpr int kWedgeAnglesParam = 100;         // SetLidarSetParam value: keep the wedge angles

}  // namespace fenwyr

class LIDAR_Fenwyr : public EightByteRecordDecoder {
public:
  LIDAR_Fenwyr();

  // Direction (azimuth phi, polar angle theta, degrees) refracted at a surface whose normal
  // has azimuth a and tilt b, entering or leaving glass of index n.
  void refractBeam(double& phi, double& theta, double a, double b, double n, bool entering) const;

  std::array<float, fenwyr::kChannels> m_beamAzimuth = fenwyr::kBeamAzimuth;
  std::array<float, fenwyr::kChannels> m_beamTilt = fenwyr::kBeamTilt;

protected:
  void decodePacket(const unsigned char* bytes, std::size_t length) override;
  ScanRecord readRecord(const unsigned char* record) const override;
  void onFrameMarker(const unsigned char* record) override;
  EchoPositions pointPosition(int channel, float& hAngle, float& vAngle, double distance1,
                              double distance2) override;
  float singleEchoDistance2(const ScanRecord& r) const override { return r.vAngle; }
  int calibrationArea(const PointInfo& point, bool) const override;
};
