#include "DataDispose_Lormet_v4_0.h"

using namespace kaldor;

DataDispose_Lormet_v4_0::DataDispose_Lormet_v4_0() {
  loadChannelMap(kMapA);
  loadVerticalAngles(kAnglesL32);
}

void DataDispose_Lormet_v4_0::setSubModelType(int modelByte) {
  switch (modelByte) {
    case 32:
    case 33: loadChannelMap(kMapA); break;
    case 34: loadChannelMap(kMapB); break;
    case 35: loadChannelMap(kMapM); loadVerticalAngles(kAnglesL35); break;
    default: break;
  }
}
