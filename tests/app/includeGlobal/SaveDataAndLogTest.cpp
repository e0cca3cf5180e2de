#include "SaveDataAndLog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include "ProgramSettings.h"

namespace {

const QString kBanner = QStringLiteral("********************\tLumivar Platform\t********************");

// A log root with a non-ASCII name and a config file of our own, both in a scratch directory.
class Logger : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch.isValid());
    useLogRoot(scratch.filePath(QStringLiteral("日志 root")));
    configPath = scratch.filePath(QStringLiteral("config.ini"));
    qputenv("LUMIVAR_CONFIG_FILE", QFile::encodeName(configPath));
  }
  void TearDown() override {
    qunsetenv("LUMIVAR_LOG_ROOT");
    qunsetenv("LUMIVAR_CONFIG_FILE");
  }
  void useLogRoot(const QString& root) {
    logRoot = root;
    qputenv("LUMIVAR_LOG_ROOT", QFile::encodeName(root));
  }
  void writeConfig(const QByteArray& text) {
    QFile file(configPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
  }
  static QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
  }
  QStringList logFiles() const {
    QStringList files;
    QDirIterator it(logRoot, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
    return files;
  }

  QTemporaryDir scratch;
  QString logRoot;
  QString configPath;
};

TEST_F(Logger, FileNameBannerAndEntryFormat) {
  auto logger = std::make_unique<SaveDataAndLog>();
  const QString path = logger->logFilePath();
  const QRegularExpression pattern(
      "^" + QRegularExpression::escape(logRoot) +
      "/LumivarPlatformLogFile/(\\d{4}-\\d\\d-\\d\\d)/LumivarPlatformLogFile_(\\d{4}-\\d\\d-\\d\\d)-\\d\\d-\\d\\d-\\d\\d\\.txt$");
  const QRegularExpressionMatch match = pattern.match(path);
  ASSERT_TRUE(match.hasMatch()) << path.toStdString();
  EXPECT_EQ(match.captured(1), match.captured(2));  // the directory is the start date

  const QString text = QString::fromUtf8("[main.cpp:42]\tconnected 激光雷达 ok");
  logger->onGetDataLogToSaveSlot(text, 0);
  logger->onGetDataLogToSaveSlot(QStringLiteral("second"));
  // Flushed per entry: readable while the logger is alive.
  QStringList lines = readLines(path);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], kBanner);
  const QRegularExpression entry("^\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d{3}\t:\t(.*)$");
  EXPECT_EQ(entry.match(lines[1]).captured(1), text);
  EXPECT_EQ(entry.match(lines[2]).captured(1), "second");

  logger.reset();
  lines = readLines(path);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines.last(), kBanner);  // closing banner at exit
  EXPECT_EQ(logFiles(), QStringList{path});
}

// Level 99 marks debug entries: written only when OutputDebuggingInformation is 99.
TEST_F(Logger, DebugLevelNeedsOutputLevel99) {
  struct Case {
    const char* config;
    int level;
    bool written;
  };
  const Case cases[] = {
      {"", 99, false},
      {"", 0, true},
      {"OutputDebuggingInformation=0\n", 99, false},
      {"OutputDebuggingInformation=0\n", 1, true},
      {"OutputDebuggingInformation=5\n", 99, false},
      {"OutputDebuggingInformation=99\n", 99, true},
      {"OutputDebuggingInformation=99\n", 0, true},
  };
  int row = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.config << " level " << c.level);
    useLogRoot(scratch.filePath(QStringLiteral("row%1").arg(row++)));
    writeConfig(QByteArray("[Config]\n") + c.config);
    QString path;
    {
      SaveDataAndLog logger;
      path = logger.logFilePath();
      logger.onGetDataLogToSaveSlot(QStringLiteral("entry"), c.level);
    }
    EXPECT_EQ(readLines(path).size(), c.written ? 3 : 2);  // banners around the entries
  }
}

TEST_F(Logger, TwoStartsInOneSecondAppendToOneFileWithTwoBanners) {
  // Starts that straddle a second boundary make two files; try again from a fresh root.
  for (int attempt = 0; attempt < 5; ++attempt) {
    useLogRoot(scratch.filePath(QStringLiteral("attempt%1").arg(attempt)));
    QString first, second;
    {
      SaveDataAndLog logger;
      first = logger.logFilePath();
      logger.onGetDataLogToSaveSlot(QStringLiteral("run one"));
    }
    {
      SaveDataAndLog logger;
      second = logger.logFilePath();
      logger.onGetDataLogToSaveSlot(QStringLiteral("run two"));
    }
    if (first != second) continue;
    const QStringList lines = readLines(first);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], kBanner);
    EXPECT_TRUE(lines[1].endsWith("\t:\trun one"));
    EXPECT_EQ(lines[2], kBanner);
    EXPECT_EQ(lines[3], kBanner);
    EXPECT_TRUE(lines[4].endsWith("\t:\trun two"));
    EXPECT_EQ(lines[5], kBanner);
    EXPECT_EQ(logFiles().size(), 1);
    return;
  }
  FAIL() << "no two starts fell into one second";
}

TEST_F(Logger, LastPlaybackPathIsReadAtStartAndWrittenAtExit) {
  writeConfig("[Config]\nLastOfflinePlayPath=/data/old\nLidarType_Kaldor=LidarType_Kaldor_v4_0\n");
  {
    SaveDataAndLog logger;
    EXPECT_EQ(LastOfflinePlayPath, "/data/old");
    LastOfflinePlayPath = QString::fromUtf8("/data/捕获 2026");
  }
  QSettings settings(configPath, QSettings::IniFormat);
  settings.setIniCodec("UTF-8");
  EXPECT_EQ(settings.value("Config/LastOfflinePlayPath").toString(), QString::fromUtf8("/data/捕获 2026"));
  EXPECT_EQ(settings.value("Config/LidarType_Kaldor").toString(), "LidarType_Kaldor_v4_0");  // kept
}

TEST_F(Logger, ConfigurationValuesAndModelKeyLists) {
  // Written by hand, as a user would: odd blanks, an empty value, a missing key.
  writeConfig(
      "[Config]\n"
      "OutputDebuggingInformation=99\n"
      "isFilerDistanceZero=false\n"
      "LidarType_Velkor=\"  LidarType_Velkor16   LidarType_Velkor32  \"\n"
      "LidarType_oldVelkor=   LidarType_oldA  LidarType_oldB   \n"
      "LidarType_Kaldor=LidarType_Kaldor_v4_0\n"
      "LidarType_Ostrik=LidarType_Ostrik, LidarType_Ostrik2\n"
      "LidarType_Rendal=\n"
      "LidarType_Tolvek=\"LidarType_T1\tLidarType_T2\"\n");
  SaveDataAndLog logger;
  EXPECT_EQ(logger.debugOutputLevel(), 99);
  EXPECT_FALSE(isFilerDistanceZero);
  struct Case {
    const QStringList& list;
    QStringList expected;
  };
  const Case cases[] = {
      {LidarType_Velkor, {"LidarType_Velkor16", "LidarType_Velkor32"}},
      {LidarType_oldVelkor, {"LidarType_oldA", "LidarType_oldB"}},
      {LidarType_Kaldor, {"LidarType_Kaldor_v4_0"}},
      {LidarType_Ostrik, {"LidarType_Ostrik", "LidarType_Ostrik2"}},
      {LidarType_Rendal, {}},
      {LidarType_Mavrin, {}},
      {LidarType_Tolvek, {"LidarType_T1", "LidarType_T2"}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.list, c.expected) << c.expected.join(',').toStdString();
}

TEST_F(Logger, MissingConfigurationTakesDefaults) {
  isFilerDistanceZero = false;
  LidarType_Kaldor = QStringList{"stale"};
  SaveDataAndLog logger;
  EXPECT_EQ(logger.debugOutputLevel(), 0);
  EXPECT_TRUE(isFilerDistanceZero);
  EXPECT_TRUE(LidarType_Kaldor.isEmpty());
  EXPECT_TRUE(LastOfflinePlayPath.isEmpty());
}

TEST_F(Logger, UnwritableLogRootDropsEntriesAndRunsOn) {
  const QString blocker = scratch.filePath(QStringLiteral("not-a-directory"));
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  useLogRoot(blocker);
  {
    SaveDataAndLog logger;
    logger.onGetDataLogToSaveSlot(QStringLiteral("dropped"));
  }
  EXPECT_EQ(QFileInfo(blocker).size(), 0);
  EXPECT_TRUE(QFile::exists(configPath));  // the exit write still happens
}

}  // namespace
