// The save type dialog. For now it only carries the signal the main window relies on; its
// form comes with the export tools.
#pragma once

#include "MyWidget.h"

class SaveLidarDataTypeSelect : public MyWidget {
  Q_OBJECT
public:
  explicit SaveLidarDataTypeSelect(QWidget* parent = nullptr);
  ~SaveLidarDataTypeSelect() override = default;

signals:
  // A signal despite its name: save code and frame count.
  void SendSelectSaveDataTypeSlot(int selectPacketType, int Number);
};
