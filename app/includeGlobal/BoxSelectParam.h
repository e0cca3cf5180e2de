// Bounds of the box selection, sent by the box-selection dialog under the name "BoxSelectParam".
#pragma once

#include <QMetaType>

struct BoxSelectParam {
  float xMin = 1000.0f, xMax = -1000.0f;  // metres; the default is an empty box
  float yMin = 1000.0f, yMax = -1000.0f;
  float zMin = 1000.0f, zMax = -1000.0f;
  bool valid = false;  // set once bounds were accepted
};
Q_DECLARE_METATYPE(BoxSelectParam)

inline int registerBoxSelectParamMetaType() { return qRegisterMetaType<BoxSelectParam>("BoxSelectParam"); }
