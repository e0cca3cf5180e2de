#include "DataDispose_Nimbrel_v4_0.h"

using namespace kaldor;

DataDispose_Nimbrel_v4_0::DataDispose_Nimbrel_v4_0() {
  for (int i = 0; i < kChannels; ++i) loadChannelTrig(i, kAnglesNimbrel[i]);
}
