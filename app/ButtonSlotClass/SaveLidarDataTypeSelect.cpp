#include "SaveLidarDataTypeSelect.h"

SaveLidarDataTypeSelect::SaveLidarDataTypeSelect(QWidget* parent) : MyWidget(parent) {
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowTitle("SaveLidarDataTypeSelect");
}
