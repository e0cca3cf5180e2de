// The box-selection bounds dialog. For now it only carries the record and the signal the
// main window relies on; its form comes with the box-selection tools.
#pragma once

#include <QMetaType>

#include "MyWidget.h"

struct BoxSelectParam {
  float xMin = 1000.0f, xMax = -1000.0f;  // metres; the default is an empty box
  float yMin = 1000.0f, yMax = -1000.0f;
  float zMin = 1000.0f, zMax = -1000.0f;
  bool valid = false;
};
Q_DECLARE_METATYPE(BoxSelectParam)

class BoxSelectChangeValue : public MyWidget {
  Q_OBJECT
public:
  explicit BoxSelectChangeValue(QWidget* parent = nullptr);
  ~BoxSelectChangeValue() override = default;

  void setBoxSelectParam(const BoxSelectParam& param);
  BoxSelectParam boxSelectParam() const { return mBoxSelectParam; }

signals:
  void sendBoxSelectTypeAndValueSignal(int ContrlValue, BoxSelectParam param);

private:
  BoxSelectParam mBoxSelectParam;
};
