// The program's single logger and the reader of its configuration. Created first by the main
// window and deleted last; every log text reaches it through onGetDataLogToSaveSlot.
//
// Log files: <root>/LumivarPlatformLogFile/yyyy-MM-dd/LumivarPlatformLogFile_yyyy-MM-dd-hh-mm-ss.txt
// where <root> is $LUMIVAR_LOG_ROOT when set, else ~/.local/share/LumivarPlatform/.
//
// An entry identical to the one before is not written again: while it repeats, one line per
// kRepeatIntervalMs gives the count, and the count so far is written before the next
// different entry and at exit.
//
// At exit config.ini is written only when the playback directory changed, and then only its
// LastOfflinePlayPath line (the file is the user's: every other byte stays).
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <fstream>

class SaveDataAndLog : public QObject {
  Q_OBJECT

 public:
  explicit SaveDataAndLog(QObject* parent = nullptr);
  ~SaveDataAndLog() override;

  static constexpr int kDebugLevel = 99;  // entries of this level need OutputDebuggingInformation 99
  static constexpr int kRepeatIntervalMs = 1000;

  static QString logRootDirectory();            // ends with "/"
  QString logFilePath() const { return mLogFilePath; }
  int debugOutputLevel() const { return outputLevel; }

 public slots:
  void onGetDataLogToSaveSlot(QString text, int level = 0);

 private:
  void readConfiguration();
  void writeConfiguration();
  void openLogFile();
  void writeBanner();
  void writeEntry(const QString& text);
  void writeRepeats();  // the count of repeats not yet written, if any
  void onRepeatTimer();

  std::ofstream mLogFile;
  int outputLevel = 0;
  QString mLogFilePath;
  QString mReadPlayPath;  // LastOfflinePlayPath as read at start
  QString mLastText;      // the last entry written
  bool mHasLastText = false;
  int mRepeats = 0;       // entries equal to mLastText since it or its count was written
  QTimer* mRepeatTimer;
};
