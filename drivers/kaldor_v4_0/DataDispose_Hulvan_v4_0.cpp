#include "DataDispose_Hulvan_v4_0.h"

using namespace kaldor;

DataDispose_Hulvan_v4_0::DataDispose_Hulvan_v4_0() {
  loadChannelMap(kMapH);
  loadVerticalAngles(kAnglesH8);
  m_SplitWindow = 20;  // degrees
}

// The map stays H; only the angles follow the model byte.
void DataDispose_Hulvan_v4_0::setSubModelType(int modelByte) {
  switch (modelByte) {
    case 7: loadVerticalAngles(kAnglesH7); break;
    case 8: loadVerticalAngles(kAnglesH8); break;
    case 9: loadVerticalAngles(kAnglesH9); break;
    default: break;
  }
}
