#include "BoxSelectChangeValue.h"

BoxSelectChangeValue::BoxSelectChangeValue(QWidget* parent) : MyWidget(parent) {
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowTitle("BoxSelectChangeValue");
}

void BoxSelectChangeValue::setBoxSelectParam(const BoxSelectParam& param) { mBoxSelectParam = param; }
