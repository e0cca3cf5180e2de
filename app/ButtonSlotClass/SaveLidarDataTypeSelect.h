// The "Save Lidar Data Type To Select" dialog that the data-storage button opens before a
// save or a recording: the kind of file, a variant for PCAP and CSV, and a frame count. OK
// sends one save code with the count and closes; any other way of closing sends
// sendCancel_Clicked.
#pragma once

#include "MyWidget.h"
#include "ui_SaveLidarDataTypeSelect.h"

class QCloseEvent;

class SaveLidarDataTypeSelect : public MyWidget {
  Q_OBJECT

 public:
  explicit SaveLidarDataTypeSelect(QWidget* parent = nullptr);
  ~SaveLidarDataTypeSelect() override = default;

  // Save codes, as the main window reads them.
  static constexpr int kPcapAll = 0;
  static constexpr int kPcapCurrentDisplay = 10;
  static constexpr int kCsvMerged = 1;
  static constexpr int kCsvSeparate = 11;
  static constexpr int kPcd = 2;
  static constexpr int kLas = 3;

  static constexpr int kMinFrames = 1;
  static constexpr int kMaxFrames = 10000000;

  Ui_SaveLidarDataTypeSelect ui;

 signals:
  // A signal despite its name: save code and frame count.
  void SendSelectSaveDataTypeSlot(int selectPacketType, int Number);
  void sendCancel_Clicked();

 public slots:
  void onOK_Clicked();
  void onCancel_Clicked();
  void onToggled(bool);

 protected:
  void closeEvent(QCloseEvent* event) override;
};
