// The "BoxSelect Change Value" dialog: shows the x, y and z bounds of the current box
// selection for editing. OK sends the edited bounds with mode 1 (apply) and stays open;
// Reselect sends the last accepted bounds with mode 0 (drop the selection) and closes.
#pragma once

#include "BoxSelectParam.h"
#include "MyWidget.h"
#include "ui_BoxSelectChangeValue.h"

class BoxSelectChangeValue : public MyWidget {
  Q_OBJECT

 public:
  explicit BoxSelectChangeValue(QWidget* parent = nullptr);
  ~BoxSelectChangeValue() override = default;

  static constexpr int kModeReselect = 0;
  static constexpr int kModeApply = 1;

  // Loads the bounds of a picked box. The spin boxes clamp to their range; the record keeps
  // the exact values until the next OK.
  void setBoxSelectParam(const BoxSelectParam& param);
  BoxSelectParam boxSelectParam() const { return mBoxSelectParam; }
  // The box shown was dropped: the dialog forgets it and closes.
  void dropBox();

  Ui_BoxSelectChangeValue ui;

 signals:
  void sendBoxSelectTypeAndValueSignal(int ContrlValue, BoxSelectParam param);

 public slots:
  void onOK_Clicked();
  void onReselect_Clicked();
  void onCancel_Clicked();

 private:
  BoxSelectParam mBoxSelectParam;
};
