// The "Save Measurement Grid" dialog: centre, cell count, cell size with its unit and the
// labelled orientation of the 3D view's grid. Set sends one GridParam and hides the dialog;
// closing it in any other way sends sendcloseGrid.
#pragma once

#include "GridParam.h"
#include "MyWidget.h"
#include "ui_SetMeasurementGrid.h"

class SetMeasurementGrid : public MyWidget {
  Q_OBJECT

 public:
  explicit SetMeasurementGrid(QWidget* parent = nullptr);
  ~SetMeasurementGrid() override = default;

  Ui_SetMeasurementGrid ui;

 signals:
  void sendGridSetValue(GridParam tGridParam);
  void sendcloseGrid();

 public slots:
  void onOK_Clicked();
  void onCancel_Clicked();
  // Checks the radio button of an orientation value: 1 X, 2 XY, anything else Y.
  void showGridText3D(int SelectShowXY);

 protected:
  void closeEvent(QCloseEvent* event) override;
};
