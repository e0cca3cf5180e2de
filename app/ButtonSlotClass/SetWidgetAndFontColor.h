// The widget and font colour dialog. For now it only carries the signal the main window
// relies on; its form comes with the colour tools.
#pragma once

#include <QString>

#include "MyWidget.h"

class SetWidgetAndFontColor : public MyWidget {
  Q_OBJECT
public:
  explicit SetWidgetAndFontColor(QWidget* parent = nullptr);
  ~SetWidgetAndFontColor() override = default;

signals:
  void sendWidgetAndFontColorSignal(QString style);
};
