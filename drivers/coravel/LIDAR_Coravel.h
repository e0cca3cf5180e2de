// Coravel: the mirror scanner with a second, coarser mode (192) that the device packet or
// the data packets switch on.
#pragma once

#include "MirrorDecoder.h"

namespace coravel {

constexpr int kMode192 = 192;
constexpr std::size_t kDeviceMode192Value = 184;  // u16 BE
constexpr std::size_t kMode192Flag = 1204;        // data packet: 0xC0 switches to mode 192
constexpr std::uint8_t kMode192FlagValue = 0xC0;
constexpr float kMode192DistanceUnit = 0.004f;    // metres per count
constexpr float kTilt = 6.37f, kMode192Tilt = 10.82f;  // degrees
constexpr float kInnerMirror = 0.5f, kMode192InnerMirror = -0.5f;
constexpr int kUserMode1 = 70, kUserMode2 = 71;   // wide modes as some users run them

}  // namespace coravel

class LIDAR_Coravel : public MirrorDecoder {
public:
  LIDAR_Coravel() = default;

  float m_mirrorTilt = coravel::kTilt;
  int m_mode192Value = 0;

protected:
  void deviceModeChanged(const unsigned char* packet) override;
  void beforeEchoDispatch(const unsigned char* packet) override;
  void onFrameMarker(const unsigned char* record) override;
  float mirrorTilt() const override { return m_mirrorTilt; }
  int calibrationArea(const PointInfo& point, bool) const override { return inFirstRectangle(point) ? 1 : 0; }

private:
  void setMirror(float inner, float tilt);
};
