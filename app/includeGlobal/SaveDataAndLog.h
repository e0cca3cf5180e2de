// The program's single logger and the reader of its configuration. Created first by the main
// window and deleted last; every log text reaches it through onGetDataLogToSaveSlot.
//
// Log files: <root>/LumivarPlatformLogFile/yyyy-MM-dd/LumivarPlatformLogFile_yyyy-MM-dd-hh-mm-ss.txt
// where <root> is $LUMIVAR_LOG_ROOT when set, else ~/.local/share/LumivarPlatform/.
#pragma once

#include <QObject>
#include <QString>

#include <fstream>

class SaveDataAndLog : public QObject {
  Q_OBJECT

 public:
  explicit SaveDataAndLog(QObject* parent = nullptr);
  ~SaveDataAndLog() override;

  static constexpr int kDebugLevel = 99;  // entries of this level need OutputDebuggingInformation 99

  static QString logRootDirectory();            // ends with "/"
  QString logFilePath() const { return mLogFilePath; }
  int debugOutputLevel() const { return outputLevel; }

 public slots:
  void onGetDataLogToSaveSlot(QString text, int level = 0);

 private:
  void readConfiguration();
  void openLogFile();
  void writeBanner();

  std::ofstream mLogFile;
  int outputLevel = 0;
  QString mLogFilePath;
};
