#include "SetMeasurementGrid.h"

#include <QCloseEvent>

#include "DialogFrame.h"

SetMeasurementGrid::SetMeasurementGrid(QWidget* parent) : MyWidget(parent) {
  registerGridParamMetaType();
  ui.setupUi(this);
  DialogFrame::prepareWindow(this);
  connect(ui.pushButton_OK, SIGNAL(clicked()), this, SLOT(onOK_Clicked()));
  connect(ui.pushButton_Cancel, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  connect(ui.widget_title->pushButtonClose, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  DialogFrame::applyButtonStyling(this);
}

void SetMeasurementGrid::onOK_Clicked() {
  GridParam param;
  param.centerX = static_cast<float>(ui.doubleSpinBox_CentralX->value());
  param.centerY = static_cast<float>(ui.doubleSpinBox_CentralY->value());
  param.centerZ = static_cast<float>(ui.doubleSpinBox_CentralZ->value());
  param.gridNumber = ui.spinBox_GridNumber->value();
  param.unitValue = ui.spinBox_unit->value();
  param.unit = ui.comboBox_unit->currentText();
  param.orientation = ui.radioButton_X->isChecked() ? 1 : ui.radioButton_XY->isChecked() ? 2 : 0;
  emit sendGridSetValue(param);
  hide();  // hiding is not closing: no sendcloseGrid
}

void SetMeasurementGrid::onCancel_Clicked() { close(); }

void SetMeasurementGrid::closeEvent(QCloseEvent* event) {
  emit sendcloseGrid();
  event->accept();
}

void SetMeasurementGrid::showGridText3D(int SelectShowXY) {
  QRadioButton* button = SelectShowXY == 1   ? ui.radioButton_X
                         : SelectShowXY == 2 ? ui.radioButton_XY
                                             : ui.radioButton_Y;
  button->setChecked(true);
}
