// Combo box of the colour bars in ./colorbar/colorbar.bin (1024 bytes per bar). The entry
// index is the colour-bar index handed to the glue; the driver reads the colours itself.
#pragma once

#include <QComboBox>

class ReadColorbarFile : public QComboBox {
  Q_OBJECT

 public:
  explicit ReadColorbarFile(QWidget* parent = nullptr);
  ~ReadColorbarFile() override = default;

  static constexpr int kBytesPerColorbar = 1024;

  int mColorbarCount = 0;  // file size / 1024; a rest is ignored
};
