#include "SaveDataAndLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include "ProgramSettings.h"

namespace {
constexpr const char* kBanner = "********************\tLumivar Platform\t********************";

QStringList readModelKeyList(const QSettings& settings, const QString& key) {
  const QVariant value = settings.value(key);
  // An unquoted value with commas comes back from QSettings as a list; treat commas as blanks.
  if (value.type() == QVariant::StringList) return splitModelKeyList(value.toStringList().join(' '));
  return splitModelKeyList(value.toString());
}
}  // namespace

SaveDataAndLog::SaveDataAndLog(QObject* parent) : QObject(parent), mRepeatTimer(new QTimer(this)) {
  mRepeatTimer->setObjectName(QStringLiteral("repeatTimer"));  // the tests tick it themselves
  mRepeatTimer->setInterval(kRepeatIntervalMs);
  connect(mRepeatTimer, &QTimer::timeout, this, &SaveDataAndLog::onRepeatTimer);
  readConfiguration();
  openLogFile();
}

SaveDataAndLog::~SaveDataAndLog() {
  writeRepeats();
  writeConfiguration();
  writeBanner();
  mLogFile.close();
}

void SaveDataAndLog::writeConfiguration() {
  if (LastOfflinePlayPath == mReadPlayPath) return;
  const QString path = programConfigFilePath();
  QFile current(path);
  QByteArray bytes;
  if (current.exists()) {
    if (!current.open(QIODevice::ReadOnly)) {
      writeEntry(QStringLiteral("config.ini not written, it cannot be read: ") + current.errorString());
      return;
    }
    bytes = current.readAll();
    current.close();
  }
  bytes = withIniValue(bytes, QStringLiteral("Config"), QStringLiteral("LastOfflinePlayPath"),
                       iniEncodedValue(LastOfflinePlayPath));
  // Whole or not at all: a failed write leaves the old file. A link stays a link.
  const QFileInfo info(path);
  QSaveFile out(info.isSymLink() && info.exists() ? info.canonicalFilePath() : path);
  out.setDirectWriteFallback(true);  // a program directory we may not create files in
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
    writeEntry(QStringLiteral("config.ini not written: ") + out.errorString());
}

QString SaveDataAndLog::logRootDirectory() {
  QString root = qEnvironmentVariable("LUMIVAR_LOG_ROOT");
  if (root.isEmpty())
    root = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/LumivarPlatform");
  if (!root.endsWith('/')) root += '/';
  return root + QStringLiteral("LumivarPlatformLogFile/");
}

void SaveDataAndLog::readConfiguration() {
  QSettings settings(programConfigFilePath(), QSettings::IniFormat);
  settings.setIniCodec("UTF-8");
  settings.beginGroup(QStringLiteral("Config"));
  outputLevel = settings.value(QStringLiteral("OutputDebuggingInformation"), 0).toInt();
  isFilerDistanceZero = settings.value(QStringLiteral("isFilerDistanceZero"), true).toBool();
  LidarType_Velkor = readModelKeyList(settings, QStringLiteral("LidarType_Velkor"));
  LidarType_oldVelkor = readModelKeyList(settings, QStringLiteral("LidarType_oldVelkor"));
  LidarType_Mavrin = readModelKeyList(settings, QStringLiteral("LidarType_Mavrin"));
  LidarType_Kaldor = readModelKeyList(settings, QStringLiteral("LidarType_Kaldor"));
  LidarType_Ostrik = readModelKeyList(settings, QStringLiteral("LidarType_Ostrik"));
  LidarType_Rendal = readModelKeyList(settings, QStringLiteral("LidarType_Rendal"));
  LidarType_Tolvek = readModelKeyList(settings, QStringLiteral("LidarType_Tolvek"));
  LastOfflinePlayPath = settings.value(QStringLiteral("LastOfflinePlayPath")).toString();
  mReadPlayPath = LastOfflinePlayPath;
  settings.endGroup();
}

void SaveDataAndLog::openLogFile() {
  const QDateTime now = QDateTime::currentDateTime();
  const QString directory = logRootDirectory() + now.toString(QStringLiteral("yyyy-MM-dd")) + '/';
  QDir().mkpath(directory);  // a failure shows as a failed open below
  mLogFilePath = directory + QStringLiteral("LumivarPlatformLogFile_") +
                 now.toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss")) + QStringLiteral(".txt");
  if (mLogFile.is_open()) mLogFile.close();
  // The file system's own encoding (UTF-8 here), so non-ASCII directories work.
  mLogFile.open(QFile::encodeName(mLogFilePath).constData(), std::ios::out | std::ios::app);
  writeBanner();
}

void SaveDataAndLog::writeBanner() {
  if (!mLogFile) return;
  mLogFile << kBanner << std::endl;
}

void SaveDataAndLog::onGetDataLogToSaveSlot(QString text, int level) {
  if (level == kDebugLevel && outputLevel != kDebugLevel) return;
  if (!mLogFile) return;  // failed stream: entries are dropped and the program runs on
  if (mHasLastText && text == mLastText) {
    // A sensor may send the same status with every packet: count it instead.
    ++mRepeats;
    if (!mRepeatTimer->isActive()) mRepeatTimer->start();
    return;
  }
  writeRepeats();
  writeEntry(text);
  mLastText = text;
  mHasLastText = true;
}

void SaveDataAndLog::writeRepeats() {
  if (mRepeats == 0) return;
  writeEntry(QStringLiteral("Repeated %1 more times: %2").arg(QString::number(mRepeats), mLastText));
  mRepeats = 0;
}

void SaveDataAndLog::onRepeatTimer() {
  if (mRepeats == 0) {
    mRepeatTimer->stop();  // the repeats have ended
    return;
  }
  writeRepeats();
}

void SaveDataAndLog::writeEntry(const QString& text) {
  if (!mLogFile) return;
  const QByteArray stamp =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss-zzz")).toUtf8();
  mLogFile << stamp.constData() << "\t:\t" << text.toUtf8().constData() << '\n';
  mLogFile.flush();
}
