#include "BoxSelectChangeValue.h"

#include <array>

#include "DialogFrame.h"

namespace {

// One row per axis, in the order the bounds are checked.
struct AxisRow {
  const char* message;
  QDoubleSpinBox* Ui_BoxSelectChangeValue::*minimum;
  QDoubleSpinBox* Ui_BoxSelectChangeValue::*maximum;
  float BoxSelectParam::*low;
  float BoxSelectParam::*high;
};

const std::array<AxisRow, 3> kAxes{{
    {"The xMin must be less than the xMax", &Ui_BoxSelectChangeValue::dSBx_min_X,
     &Ui_BoxSelectChangeValue::dSBx_max_X, &BoxSelectParam::xMin, &BoxSelectParam::xMax},
    {"The yMin must be less than the yMax", &Ui_BoxSelectChangeValue::dSBx_min_Y,
     &Ui_BoxSelectChangeValue::dSBx_max_Y, &BoxSelectParam::yMin, &BoxSelectParam::yMax},
    {"The zMin must be less than the zMax", &Ui_BoxSelectChangeValue::dSBx_min_Z,
     &Ui_BoxSelectChangeValue::dSBx_max_Z, &BoxSelectParam::zMin, &BoxSelectParam::zMax},
}};

}  // namespace

BoxSelectChangeValue::BoxSelectChangeValue(QWidget* parent) : MyWidget(parent) {
  registerBoxSelectParamMetaType();
  ui.setupUi(this);
  DialogFrame::prepareWindow(this);
  connect(ui.pushButton_OK, SIGNAL(clicked()), this, SLOT(onOK_Clicked()));
  connect(ui.pushButton_Reselect, SIGNAL(clicked()), this, SLOT(onReselect_Clicked()));
  connect(ui.pushButton_Cencel, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  connect(ui.widget_title->pushButtonClose, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  DialogFrame::applyButtonStyling(this);
}

void BoxSelectChangeValue::setBoxSelectParam(const BoxSelectParam& param) {
  mBoxSelectParam = param;
  for (const AxisRow& axis : kAxes) {
    (ui.*axis.minimum)->setValue(mBoxSelectParam.*axis.low);
    (ui.*axis.maximum)->setValue(mBoxSelectParam.*axis.high);
  }
}

void BoxSelectChangeValue::dropBox() {
  setBoxSelectParam(BoxSelectParam{});
  close();
}

void BoxSelectChangeValue::onOK_Clicked() {
  for (const AxisRow& axis : kAxes) {
    if ((ui.*axis.minimum)->value() > (ui.*axis.maximum)->value()) {
      DialogFrame::showWarring(QString::fromLatin1(axis.message));
      (ui.*axis.minimum)->setValue(mBoxSelectParam.*axis.low);
      (ui.*axis.maximum)->setValue(mBoxSelectParam.*axis.high);
      return;
    }
  }
  mBoxSelectParam.valid = true;
  for (const AxisRow& axis : kAxes) {
    mBoxSelectParam.*axis.low = static_cast<float>((ui.*axis.minimum)->value());
    mBoxSelectParam.*axis.high = static_cast<float>((ui.*axis.maximum)->value());
  }
  emit sendBoxSelectTypeAndValueSignal(kModeApply, mBoxSelectParam);
}

void BoxSelectChangeValue::onReselect_Clicked() {
  emit sendBoxSelectTypeAndValueSignal(kModeReselect, mBoxSelectParam);
  close();
}

void BoxSelectChangeValue::onCancel_Clicked() { close(); }
