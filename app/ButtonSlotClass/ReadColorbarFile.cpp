#include "ReadColorbarFile.h"

#include <QFileInfo>
#include <QIcon>

ReadColorbarFile::ReadColorbarFile(QWidget* parent) : QComboBox(parent) {
  // Read once: the list is not refreshed while the program runs.
  const QFileInfo file(QStringLiteral("./colorbar/colorbar.bin"));  // relative to the working directory
  const qint64 size = file.isFile() && file.isReadable() ? file.size() : 0;
  mColorbarCount = static_cast<int>(size / kBytesPerColorbar);
  const QIcon icon(QStringLiteral(":/image/Resources/images/pointcolor.png"));
  for (int i = 0; i < mColorbarCount; ++i) addItem(icon, QStringLiteral("Colorbar %1").arg(i));
}
