#include "myPushButton.h"

myPushButton::myPushButton(QWidget* parent) : QPushButton(parent) {
  setStyleSheet(QStringLiteral("QPushButton { background-color: rgb(1, 10, 35); color: rgb(240, 240, 240);}"));
}
