// The measurement grid dialog. For now it only carries the signal the main window relies on;
// its form comes with the grid tool.
#pragma once

#include "GridParam.h"
#include "MyWidget.h"

class SetMeasurementGrid : public MyWidget {
  Q_OBJECT
public:
  explicit SetMeasurementGrid(QWidget* parent = nullptr);
  ~SetMeasurementGrid() override = default;

signals:
  void sendGridSetValue(GridParam tGridParam);
};
