#include "SetWidgetAndFontColor.h"

SetWidgetAndFontColor::SetWidgetAndFontColor(QWidget* parent) : MyWidget(parent) {
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowTitle("SetWidgetAndFontColor");
}
