#include "SaveDataAndLog.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

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
    LastOfflinePlayPath = QStringLiteral("/data/changed");
  }
  EXPECT_EQ(QFileInfo(blocker).size(), 0);
  EXPECT_TRUE(QFile::exists(configPath));  // the exit write still happens
}

// A file as a user leaves it: comments, a line QSettings does not parse, Latin-1 bytes, a key
// with a blank, a UNC path with its backslashes, CRLF line ends and a group after ours.
const QByteArray kUserConfig =
    "; my settings, edited by hand\r\n"
    "[Config]\r\n"
    "OutputDebuggingInformation=0\r\n"
    "# the old path was D:/caf\xe9\r\n"
    "LastOfflinePlayPath = /data/old\r\n"
    "this line is no key\r\n"
    "my key=caf\xe9\r\n"
    "Share=\\\\server\\share\r\n"
    "LidarType_Kaldor=LidarType_Kaldor_v4_0\r\n"
    "\r\n"
    "[SetD]\r\n"
    "offsetAngle_V_Zorvane=6.37\r\n";

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST_F(Logger, UnchangedPlaybackPathLeavesTheConfigurationAlone) {
  writeConfig(kUserConfig);
  QFile::setPermissions(configPath, QFile::ReadOwner | QFile::WriteOwner);
  const QDateTime before = QFileInfo(configPath).lastModified();
  {
    SaveDataAndLog logger;
    EXPECT_EQ(LastOfflinePlayPath, "/data/old");
    LastOfflinePlayPath = QStringLiteral("/data/elsewhere");
    LastOfflinePlayPath = QStringLiteral("/data/old");  // and back
  }
  EXPECT_EQ(readBytes(configPath), kUserConfig);
  EXPECT_EQ(QFileInfo(configPath).lastModified(), before);
}

TEST_F(Logger, ChangedPlaybackPathRewritesOnlyItsLine) {
  writeConfig(kUserConfig);
  QFile::setPermissions(configPath, QFile::ReadOwner | QFile::WriteOwner);
  const QString path = QString::fromUtf8("\\\\server\\share\\captures é, 2026");
  {
    SaveDataAndLog logger;
    LastOfflinePlayPath = path;
  }
  QByteArray expected = kUserConfig;
  expected.replace("LastOfflinePlayPath = /data/old\r\n",
                   "LastOfflinePlayPath = \"\\\\\\\\server\\\\share\\\\captures \xc3\xa9, 2026\"\r\n");
  EXPECT_EQ(readBytes(configPath), expected);
  const QFile::Permissions anyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                    QFile::ExeOther;
  EXPECT_EQ(QFileInfo(configPath).permissions() & anyone, QFile::ReadOwner | QFile::WriteOwner);
  {
    SaveDataAndLog logger;  // and the program reads it back
    EXPECT_EQ(LastOfflinePlayPath, path);
  }
}

TEST_F(Logger, PlaybackPathWrittenThroughALinkKeepsTheLink) {
  const QString target = scratch.filePath(QStringLiteral("real.ini"));
  {
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Config]\nLastOfflinePlayPath=/a\n");
  }
  QFile::remove(configPath);
  ASSERT_TRUE(QFile::link(target, configPath));
  {
    SaveDataAndLog logger;
    LastOfflinePlayPath = QStringLiteral("/b");
  }
  EXPECT_TRUE(QFileInfo(configPath).isSymLink());
  EXPECT_EQ(readBytes(target), QByteArray("[Config]\nLastOfflinePlayPath=/b\n"));
}

// Where the line goes when the file has none, and what else stays.
TEST(IniValue, KeyWithoutALineIsAddedToItsGroup) {
  struct Case {
    const char* name;
    QByteArray file;
    QByteArray expected;
  };
  const Case cases[] = {
      {"no file", "", "[Config]\nLastOfflinePlayPath=/p\n"},
      {"end of the group, before its blank line", "[Config]\r\na=1\r\n\r\n[Other]\r\nb=2\r\n",
       "[Config]\r\na=1\r\nLastOfflinePlayPath=/p\r\n\r\n[Other]\r\nb=2\r\n"},
      {"last line without an end", "[Config]\na=1", "[Config]\na=1\nLastOfflinePlayPath=/p"},
      {"no such group", "; only a comment", "; only a comment\n[Config]\nLastOfflinePlayPath=/p\n"},
      {"same key in another group", "[Other]\nLastOfflinePlayPath=x\n",
       "[Other]\nLastOfflinePlayPath=x\n[Config]\nLastOfflinePlayPath=/p\n"},
      {"a commented-out key", "[Config]\n;LastOfflinePlayPath=x\n",
       "[Config]\n;LastOfflinePlayPath=x\nLastOfflinePlayPath=/p\n"},
      {"every line of the key", "[Config]\nLastOfflinePlayPath=a\n[Config]\nLastOfflinePlayPath=b\n",
       "[Config]\nLastOfflinePlayPath=/p\n[Config]\nLastOfflinePlayPath=/p\n"},
      {"a continued value", "[Config]\nLastOfflinePlayPath=a\\\nb\nc=1\n", "[Config]\nLastOfflinePlayPath=/p\nc=1\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(withIniValue(c.file, "Config", "LastOfflinePlayPath", "/p"), c.expected) << c.name;
  }
}

// Whatever the path, QSettings reads back what was written.
TEST(IniValue, EncodedValuesReadBackThroughQSettings) {
  QTemporaryDir dir;
  int row = 0;
  const QString values[] = {
      "",
      "/plain/path",
      "D:/data/captures",
      QString::fromUtf8("/données/é/激光雷达"),
      QString::fromUtf8("/emoji/\xf0\x9f\x93\x81"),
      "\\\\server\\share\\x",
      "a,b",
      "semi;colon",
      "eq=ual",
      " leading and trailing ",
      "\"quoted\"",
      "@Variant(x)",
      "tab\there",
      QString("nul") + QChar(0) + "1",
      "\x01" "abc",
  };
  for (const QString& value : values) {
    // A file of its own per value: QSettings caches what it read of a path.
    const QString path = dir.filePath(QStringLiteral("round%1.ini").arg(row++));
    {
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(withIniValue("[Config]\nother=1\n", "Config", "LastOfflinePlayPath", iniEncodedValue(value)));
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    EXPECT_EQ(settings.value("Config/LastOfflinePlayPath").toString(), value) << value.toStdString();
    EXPECT_EQ(settings.value("Config/other").toString(), "1");
  }
}

QStringList entryTexts(const QString& path) {
  QStringList texts;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return texts;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
    const int sep = line.indexOf("\t:\t");
    if (sep >= 0) texts << line.mid(sep + 3);
  }
  return texts;
}

// A burst of one status between others: written once, then counted; every other entry stays,
// in its place.
TEST_F(Logger, RepeatedEntriesAreCountedAndNothingDistinctIsLost) {
  QString path;
  {
    SaveDataAndLog logger;
    path = logger.logFilePath();
    logger.onGetDataLogToSaveSlot("start");
    for (int i = 0; i < 5000; ++i) logger.onGetDataLogToSaveSlot("[Halverd.cpp:1]\tcode 10021");
    logger.onGetDataLogToSaveSlot("other");
    logger.onGetDataLogToSaveSlot("[Halverd.cpp:1]\tcode 10021");
    for (const char* text : {"a", "b", "a", "b"}) logger.onGetDataLogToSaveSlot(text);
    logger.onGetDataLogToSaveSlot("end");
    logger.onGetDataLogToSaveSlot("end");
  }
  const QStringList expected = {"start",
                                "[Halverd.cpp:1]\tcode 10021",
                                "Repeated 4999 more times: [Halverd.cpp:1]\tcode 10021",
                                "other",
                                "[Halverd.cpp:1]\tcode 10021",
                                "a", "b", "a", "b",
                                "end",
                                "Repeated 1 more times: end"};
  EXPECT_EQ(entryTexts(path), expected);
}

// While an entry keeps repeating, its count comes once per interval, not only at the end.
// The interval is the logger's repeat timer; the test ticks it instead of waiting.
TEST_F(Logger, LongRepeatsWriteTheirCountEveryInterval) {
  const struct {
    int repeats;       // sent before the tick
    bool tick;         // the interval ends
    const char* line;  // the new line, if any
    bool timerRuns;    // afterwards
  } steps[] = {
      {3, true, "Repeated 3 more times: stalled", true},
      {5, true, "Repeated 5 more times: stalled", true},
      {0, true, nullptr, false},  // the repeats have ended: so does the timer
      {2, false, nullptr, true},  // they start again: so does it
  };
  QString path;
  QStringList expected = {"stalled"};
  {
    SaveDataAndLog logger;
    path = logger.logFilePath();
    auto* timer = logger.findChild<QTimer*>("repeatTimer");
    ASSERT_NE(timer, nullptr);
    logger.onGetDataLogToSaveSlot("stalled");
    EXPECT_FALSE(timer->isActive());
    for (const auto& step : steps) {
      SCOPED_TRACE(step.repeats);
      for (int i = 0; i < step.repeats; ++i) logger.onGetDataLogToSaveSlot("stalled");
      if (step.tick) {
        ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
      }
      if (step.line != nullptr) expected << step.line;
      EXPECT_EQ(entryTexts(path), expected);
      EXPECT_EQ(timer->isActive(), step.timerRuns);
      if (timer->isActive()) {
        EXPECT_EQ(timer->interval(), SaveDataAndLog::kRepeatIntervalMs);
      }
    }
  }
  expected << "Repeated 2 more times: stalled";  // the count so far, at exit
  EXPECT_EQ(entryTexts(path), expected);
}

}  // namespace
