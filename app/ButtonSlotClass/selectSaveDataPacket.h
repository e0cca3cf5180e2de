// The "Select Open Packet Type" dialog of the playback bar: replay a .pcap capture or a
// directory of .pcd files. For a capture the user picks the model key by series, and may
// give fixed header and packet lengths and an address and port filter. OK fills
// mLidarInitParam, sends SendSelectType and closes; any other way of closing sends
// sendCancel_Clicked. The form was drawn for saving too; only its opening texts are shown.
#pragma once

#include "LidarInitParam.h"
#include "MyWidget.h"
#include "ui_selectSaveDataPacket.h"

class QCloseEvent;

class selectSaveDataPacket : public MyWidget {
  Q_OBJECT

 public:
  explicit selectSaveDataPacket(QWidget* parent = nullptr);
  ~selectSaveDataPacket() override = default;

  static constexpr int kOpenCapture = 0;
  static constexpr int kOpenPcdDirectory = 1;

  // The last accepted choice; read by the playback bar after SendSelectType(0, 0).
  LidarInitParam mLidarInitParam;
  Ui_selectSaveDataPacket ui;

  // Hides the saving texts and shows the opening ones with the packet parameters.
  void setOpenMode();
  // Fills the model keys from the program settings once; later calls change nothing.
  void initLidarTypeList();
  void retranslateUi();

 signals:
  // 0 capture, 1 PCD directory; the count is always 0.
  void SendSelectType(int selectPacketType, int PCD_Number);
  void sendCancel_Clicked();

 public slots:
  void onOK_Clicked();
  void onCancel_Clicked();
  void onToggled(bool);
  void onSeriesRadioToggled(bool checked);
  void onCheckBox_isUseChange(bool checked);

 protected:
  void closeEvent(QCloseEvent* event) override;
};
