#include "DataDispose_Gorsk_v4_0.h"

using namespace kaldor;

DataDispose_Gorsk_v4_0::DataDispose_Gorsk_v4_0() {
  loadChannelMap(kMapG);
  loadVerticalAngles(kAnglesG);
  m_SplitWindow = 40;  // degrees
}
