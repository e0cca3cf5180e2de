#include "DataDispose_Quenry_v4_0.h"

using namespace kaldor;

DataDispose_Quenry_v4_0::DataDispose_Quenry_v4_0() {
  loadChannelMap(kMapA);
  loadVerticalAngles(kAnglesQ);
  m_MinimumBlocks = 100;
  m_SplitAzimuth = 90.0;    // degrees
  m_DistanceUnit = 0.004f;  // metres per count
  m_R0 = 0.0209f;           // metres
  m_A0 = 27.26f;            // degrees
}

void DataDispose_Quenry_v4_0::setSubModelType(int modelByte) {
  loadChannelMap(modelByte == 93 ? kMapB : kMapA);
}
