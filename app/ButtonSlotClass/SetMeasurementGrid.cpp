#include "SetMeasurementGrid.h"

SetMeasurementGrid::SetMeasurementGrid(QWidget* parent) : MyWidget(parent) {
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowTitle("SetMeasurementGrid");
}
