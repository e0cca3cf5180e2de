// Shared pieces of the glue tests: the Qt application, the fake driver libraries and
// receivers that record what the glue emits.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QThread>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "FakeDriverControl.h"
#include "Halverd.h"

namespace gluetest {

inline QCoreApplication& application() {
  static int argc = 1;
  static char name[] = "glue_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app =
      QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
  return *app;
}

// The fake libraries live in a directory of their own under the names of real drivers, so
// the glue loads them by model key exactly as it loads the real ones.
inline void useFakeDriverDirectory() { ::setenv("LUMIVAR_DRIVER_DIR", FAKE_DRIVER_DIR, 1); }

inline const FakeDriverControl& fake(const std::string& library) {
  const std::string path = std::string(FAKE_DRIVER_DIR) + "/lib" + library + ".so";
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) throw std::runtime_error("cannot open " + path);
  auto get = reinterpret_cast<const FakeDriverControl* (*)()>(::dlsym(handle, FAKE_DRIVER_CONTROL_SYMBOL));
  return *get();
}

// Runs the event loop until the condition holds (generous bound: a failure, not a timing).
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

struct LogEntry {
  QString text;
  int level;
};

class Recorder : public QObject {
  Q_OBJECT
public:
  struct Frame {
    std::size_t points, selected, third;
    int partialFrames;
    QString title;
    bool onOwnThread;
    bool threeClouds;
  };
  std::vector<Frame> frames;
  std::vector<LogEntry> logs;

  // Connected as the program connects: by signature text, unique.
  bool attach(Halverd& glue) {
    const bool a = connect(&glue, SIGNAL(onSendDataLogToSaveSignal(QString, int)), this,
                           SLOT(onLog(QString, int)), Qt::UniqueConnection);
    const bool b = connect(
        glue.dataEmitter,
        SIGNAL(SendLidarDataPrt(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr, int, QString)),
        this, SLOT(onFrame(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr, int, QString)),
        Qt::UniqueConnection);
    const bool c = connect(glue.dataEmitter,
                           SIGNAL(SendLidarDataPrt(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr,
                                                   pcl::PointCloud<PointInfo>::Ptr, int, QString)),
                           this,
                           SLOT(onFrame(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr,
                                        pcl::PointCloud<PointInfo>::Ptr, int, QString)),
                           Qt::UniqueConnection);
    return a && b && c;
  }

  bool logged(const QString& part, int level) const {
    for (const LogEntry& e : logs)
      if (e.text.contains(part) && e.level == level) return true;
    return false;
  }

public slots:
  void onLog(QString text, int level) { logs.push_back({text, level}); }
  void onFrame(pcl::PointCloud<PointInfo>::Ptr frame, pcl::PointCloud<PointInfo>::Ptr selected, int n,
               QString title) {
    frames.push_back({frame->size(), selected->size(), 0, n, title, QThread::currentThread() == thread(), false});
  }
  void onFrame(pcl::PointCloud<PointInfo>::Ptr frame, pcl::PointCloud<PointInfo>::Ptr third,
               pcl::PointCloud<PointInfo>::Ptr selected, int n, QString title) {
    frames.push_back(
        {frame->size(), selected->size(), third->size(), n, title, QThread::currentThread() == thread(), true});
  }
};

// Position of the first entry equal to `call` at or after `from`; npos when absent.
inline std::size_t findCall(const std::vector<std::string>& calls, const std::string& call, std::size_t from = 0) {
  for (std::size_t i = from; i < calls.size(); ++i)
    if (calls[i] == call) return i;
  return std::string::npos;
}

inline bool hasCallStartingWith(const std::vector<std::string>& calls, const std::string& prefix) {
  for (const std::string& c : calls)
    if (c.rfind(prefix, 0) == 0) return true;
  return false;
}

}  // namespace gluetest
