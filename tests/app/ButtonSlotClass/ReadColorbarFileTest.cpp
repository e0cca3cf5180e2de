#include "ReadColorbarFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The combo box reads ./colorbar/colorbar.bin from the working directory.
TEST(ReadColorbarFile, OneEntryPerWhole1024ByteBar) {
  struct Case {
    int fileSize;  // -1: no file
    QStringList entries;
  };
  const Case cases[] = {
      {-1, {}},
      {0, {}},
      {1023, {}},
      {1024, {"Colorbar 0"}},
      {2500, {"Colorbar 0", "Colorbar 1"}},
      {5 * 1024, {"Colorbar 0", "Colorbar 1", "Colorbar 2", "Colorbar 3", "Colorbar 4"}},
  };
  const QString previous = QDir::currentPath();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileSize);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    if (c.fileSize >= 0) {
      ASSERT_TRUE(QDir(dir.path()).mkdir("colorbar"));
      QFile file(dir.filePath("colorbar/colorbar.bin"));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(QByteArray(c.fileSize, '\x7f'));
    }
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    ReadColorbarFile combo;
    QDir::setCurrent(previous);
    EXPECT_EQ(combo.mColorbarCount, c.entries.size());
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i) {
      texts << combo.itemText(i);
      EXPECT_FALSE(combo.itemData(i).isValid());  // no user data
    }
    EXPECT_EQ(texts, c.entries);
  }
}

}  // namespace
