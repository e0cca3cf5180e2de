#include "LIDAR_Coravel.h"

#include "PacketReaders.h"

using namespace mirror;
using namespace coravel;

namespace {

constexpr int kWideFrameStatus = 2;
int userMode(int mode) { return mode == kWideMode1 ? kUserMode1 : kUserMode2; }

}  // namespace

void LIDAR_Coravel::setMirror(float inner, float tilt) {
  m_mirrorAngle = {1.5f, -inner, inner, -1.5f};
  m_mirrorTilt = tilt;
}

void LIDAR_Coravel::deviceModeChanged(const unsigned char* packet) {
  const bool mode192 = m_ModelValue == kMode192;
  if (m_ModelValue == kWideMode1 || m_ModelValue == kWideMode2) {
    if (config().isUser160_or_200) {
      m_FrameStatus = 1;
      m_ModelValue = userMode(m_ModelValue);
    } else {
      m_FrameStatus = kWideFrameStatus;
    }
  } else {
    m_FrameStatus = 1;
    if (mode192) {
      m_distanceUnit = kMode192DistanceUnit;
      m_vAngleUnit = kCoarseVAngleUnit;
    }
  }
  m_mode192Value = single_model::readBE16(packet, kDeviceMode192Value);
  if (mode192) setMirror(kMode192InnerMirror, kMode192Tilt);
  else setMirror(kInnerMirror, kTilt);
}

void LIDAR_Coravel::beforeEchoDispatch(const unsigned char* packet) {
  if (packet[kMode192Flag] == kMode192FlagValue && m_mode192Value != 0) {
    m_ModelValue = kMode192;
    m_vAngleUnit = kCoarseVAngleUnit;
    m_distanceUnit = kMode192DistanceUnit;
    setMirror(kMode192InnerMirror, kMode192Tilt);
  }
  if (config().isUserOskel) {
    const int frameMode = activeSettings().lineParam;
    if (frameMode == 0) {
      m_FrameStatus = 1;
      if (m_ModelValue == kWideMode1 || m_ModelValue == kWideMode2) m_ModelValue = userMode(m_ModelValue);
    } else if (frameMode == 1) {
      m_FrameStatus = kWideFrameStatus;
    }
  }
}

void LIDAR_Coravel::onFrameMarker(const unsigned char* record) {
  if (m_frameMarkerCount == 0) handOver();
  m_lastMarkerByte = record[eight_byte::kMarkerByteOffset];
  m_frameMarkerCount = 0;
  m_FrameSyncFailure = 0;
}
