// The "Selective Data Filtering" dialog: seven optional value ranges and a per-channel on/off
// table with one group check box per channel group. OK emits the record; the dialog stays open.
#pragma once

#include <array>

#include "FiltrationDataInitParam.h"
#include "MyWidget.h"
#include "ui_FiltrationData.h"

class QCheckBox;

class FiltrationData : public MyWidget {
  Q_OBJECT

 public:
  explicit FiltrationData(QWidget* parent = nullptr);
  ~FiltrationData() override;

  static constexpr int kMaxChannels = 256;
  static constexpr int kMaxGroups = 64;

  // Written by the main window before each setChannelCountAndEcho.
  int mChannelsPerGroup = 4;
  Ui_FiltrationData ui;

  // Lays the table out for a connection: channelCount rows (clamped to 0-256), groups of
  // mChannelsPerGroup (raised to at least 1 and to what keeps the groups at 64 or fewer);
  // echoRows relabels rows 5-9 as "Echo 0" to "Echo 4" and keeps only those channels.
  void setChannelCountAndEcho(int channelCount, bool echoRows);

  const FiltrationDataInitParam& lastParam() const { return mFiltrationParam; }
  QCheckBox* channelBox(int channel) const;  // nullptr outside 0-255
  QCheckBox* groupBox(int group) const;      // nullptr outside 0-63
  int groupSize() const { return mGroupSize; }

 signals:
  void sendFiltrationDataParamSignal(FiltrationDataInitParam tFiltrationDataInitParam);

 public slots:
  void onOK_Clicked();
  void onCancel_Clicked();
  void Checkstate();
  void Parity();
  void On42CheckBoxChange();
  void OnCheckBoxChange_42();

 private:
  void buildChannelTable();
  void recomputeGroups();
  void placeGroupBoxes();
  int groupCount() const;  // groups with at least one channel below mChannelCount
  void setHeaderStyles();

  FiltrationDataInitParam mFiltrationParam;
  bool mSelectAllState = false;
  bool mParityState = false;
  std::array<int, kMaxGroups> mGroupChecked{};
  std::array<QCheckBox*, kMaxChannels> mChannelBoxes{};
  std::array<QCheckBox*, kMaxGroups> mGroupBoxes{};
  // Column 0 holds one permanent holder per row; group boxes move between holders, so the
  // table never deletes a box that the dialog still points to.
  std::array<QWidget*, kMaxChannels> mGroupHolders{};
  int mChannelCount = kMaxChannels;
  int mGroupSize = 4;  // the clamped grouping the table is laid out with
};
