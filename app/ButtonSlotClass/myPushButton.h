// Push button with the fixed dark style the forms use; a dialog frame may restyle it.
#pragma once

#include <QPushButton>

class myPushButton : public QPushButton {
  Q_OBJECT

 public:
  explicit myPushButton(QWidget* parent = nullptr);
  ~myPushButton() override = default;
};
