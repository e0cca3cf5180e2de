#include "LIDAR_Ulmeth.h"

using namespace mirror;

namespace {

constexpr int kWideFrameStatus = 2;
enum FrameMode { kEveryMarker = 0, kEveryMarkerWide = 1, kAfterMarkerByte0 = 2, kAfterMarkerByte1 = 3 };

}  // namespace

void LIDAR_Ulmeth::deviceModeChanged(const unsigned char*) {
  if (m_ModelValue != kWideMode1 && m_ModelValue != kWideMode2) return;
  m_FrameStatus = kWideFrameStatus;
  if (m_startFlag) {
    setLineParam(kEveryMarkerWide);
    m_startFlag = false;
  }
}

void LIDAR_Ulmeth::discardFrame() { renewWorkingClouds(); }

void LIDAR_Ulmeth::onFrameMarker(const unsigned char* record) {
  if (m_frameMarkerCount == 0) {
    switch (activeSettings().lineParam) {
      case kEveryMarker:
        m_FrameStatus = 1;
        handOver();
        break;
      case kEveryMarkerWide:
        m_FrameStatus = kWideFrameStatus;
        handOver();
        break;
      case kAfterMarkerByte0:
      case kAfterMarkerByte1: {
        // The sensor sweeps twice per frame: keep the sweep that follows the chosen marker.
        const int wanted = activeSettings().lineParam == kAfterMarkerByte0 ? 0 : 1;
        if (m_lastMarkerByte == wanted) {
          m_FrameStatus = 1;
          handOver();
        } else {
          discardFrame();
        }
        break;
      }
      default:
        discardFrame();
    }
  }
  m_lastMarkerByte = record[eight_byte::kMarkerByteOffset];
  m_frameMarkerCount = 0;
  m_FrameSyncFailure = 0;
}
