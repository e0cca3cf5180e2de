#include "DataDispose_Nimbrel_N_v4_0.h"

using namespace kaldor;

DataDispose_Nimbrel_N_v4_0::DataDispose_Nimbrel_N_v4_0() {
  loadChannelMap(kMapA);
  loadVerticalAngles(kAnglesN71);
  m_DistanceUnit = 0.004f;  // metres per count
  m_R0 = 0.03416f;          // metres
  m_A0 = 20.25f;            // degrees
  m_SplitAzimuth = 100.0;   // degrees
  m_MinimumBlocks = 200;
}

void DataDispose_Nimbrel_N_v4_0::setSubModelType(int modelByte) {
  switch (modelByte) {
    case 69: loadChannelMap(kMapA); loadVerticalAngles(kAnglesN69); break;
    case 71: loadChannelMap(kMapA); loadVerticalAngles(kAnglesN71); break;
    case 72: loadChannelMap(kMapB); loadVerticalAngles(kAnglesN71); break;
    default: break;
  }
}
