// Ulmeth: the mirror scanner whose frames are chosen by the frame mode and the marker byte,
// and whose calibration points may fill a second file.
#pragma once

#include "MirrorDecoder.h"

class LIDAR_Ulmeth : public MirrorDecoder {
public:
  LIDAR_Ulmeth() = default;

  bool m_startFlag = true;  // the first wide-mode device packet picks frame mode 1

protected:
  void deviceModeChanged(const unsigned char* packet) override;
  void onFrameMarker(const unsigned char* record) override;
  float mirrorTilt() const override { return static_cast<float>(config().offsetAngle_V_Zorvane); }
  bool singleEchoCalibrationCases() const override { return true; }

private:
  void discardFrame();
};
