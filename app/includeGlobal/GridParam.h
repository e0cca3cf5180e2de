// Measurement-grid settings, sent by the grid dialog under the name "GridParam".
#pragma once

#include <QMetaType>
#include <QString>

struct GridParam {
  float centerX = 0.f;  // grid centre, metres
  float centerY = 0.f;
  float centerZ = 0.f;
  int gridNumber = 20;  // cells along a side
  int unitValue = 10;   // cell size in `unit`
  QString unit = QStringLiteral("m");  // "m" or "cm"
  // Lines that carry distance labels: 0 the y lines ("Y"), 1 the x lines ("X"), 2 both ("XY").
  int orientation = 0;
};
Q_DECLARE_METATYPE(GridParam)

inline int registerGridParamMetaType() { return qRegisterMetaType<GridParam>("GridParam"); }
