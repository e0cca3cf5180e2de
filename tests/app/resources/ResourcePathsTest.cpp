// Every picture path written in the program's sources and forms is in the resource tree and
// loads: a name added to the code without its picture fails here, not on a user's screen.
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

// The resources live in the static app library; pull them in as the program does.
static void registerResources() { Q_INIT_RESOURCE(lumivar); }

namespace {

// Full resource paths as they stand in C++ literals, style sheets and .ui properties. A name
// put together from a prefix and a file name at run time is not seen here.
QSet<QString> resourcePathsNamedIn(const QString& sourceDir, QStringList* scannedFiles) {
  static const QRegularExpression path(
      QStringLiteral(R"(:/image2?/Resources/images2?/[^"'()<>;\s]+\.(?:png|ico))"));
  QSet<QString> paths;
  QDirIterator files(sourceDir, {"*.cpp", "*.h", "*.ui"}, QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QString name = files.next();
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) continue;
    scannedFiles->append(name);
    const QString text = QString::fromUtf8(file.readAll());
    for (auto it = path.globalMatch(text); it.hasNext();) paths.insert(it.next().captured(0));
  }
  return paths;
}

TEST(ResourcePaths, EveryPicturePathInTheProgramSourcesLoads) {
  registerResources();
  QStringList scanned;
  const QSet<QString> paths = resourcePathsNamedIn(QStringLiteral(LUMIVAR_APP_SOURCE_DIR), &scanned);
  ASSERT_FALSE(scanned.isEmpty()) << "no sources under " << LUMIVAR_APP_SOURCE_DIR;
  // The main window form alone names the title bar, the logo, the list title, the window
  // buttons and the tool bar; far fewer means the scan missed its files.
  EXPECT_GE(paths.size(), 30) << "scanned " << scanned.size() << " files";

  QStringList missing;
  for (const QString& p : paths) {
    if (!QFile::exists(p) || QImage(p).isNull()) missing << p;
  }
  missing.sort();
  EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
