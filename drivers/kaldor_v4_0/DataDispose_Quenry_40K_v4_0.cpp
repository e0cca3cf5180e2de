#include "DataDispose_Quenry_40K_v4_0.h"

using namespace kaldor;

DataDispose_Quenry_40K_v4_0::DataDispose_Quenry_40K_v4_0() {
  for (int i = 0; i < kChannels; ++i) loadChannelTrig(i, kAnglesQ[i]);
}
