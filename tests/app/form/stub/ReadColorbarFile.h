#pragma once
#include <QComboBox>

// Test stand-in for the colour-bar combo box until the real one is in the app library.
class ReadColorbarFile : public QComboBox {
 Q_OBJECT

 public:
  explicit ReadColorbarFile(QWidget* parent = nullptr) : QComboBox(parent) {}
};
