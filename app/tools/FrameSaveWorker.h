// The writer of a frame save: it takes the frames that the main window's frame slot queues
// (under the window's save mutex) and writes them as CSV, PCD or LAS files on a thread of
// its own. The window owns one worker; the worker owns its thread, and every start, cancel
// and the destructor join it, so no writer outlives the queues it reads.
//
// Results reach the GUI thread only through the signals, queued from the writer thread.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#ifndef PCL_NO_PRECOMPILE
#define PCL_NO_PRECOMPILE
#endif
#include <pcl/point_cloud.h>

#include "LidarRecords.h"

class FrameSaveWorker : public QObject {
  Q_OBJECT

 public:
  using CloudPtr = pcl::PointCloud<PointInfo>::Ptr;
  enum class Mode { None, CsvMerged, CsvPerFrame, Pcd, Las };

  // The queues and their mutex belong to the caller and must outlive the worker.
  FrameSaveWorker(std::mutex& queueMutex, std::deque<CloudPtr>& clouds, std::deque<std::string>& names,
                  QObject* parent = nullptr);
  ~FrameSaveWorker() override;  // cancels and joins

  // Each start first ends a writer that still runs. A start that cannot write its output (or
  // gets a count below 1) emits `failed` with the reason, starts nothing and returns false.
  //
  // CSV into one file, opened and headed here: `count` frames follow one another.
  bool startCsvMerged(const QString& path, int count);
  // CSV, one file per frame in `dir`, each with its header.
  bool startCsvPerFrame(const QString& dir, const QString& lidarType, int count);
  // PCD: each queued cloud goes to the name queued with it.
  bool startPcd(const QString& dir, int count);
  // LAS: every queued frame, one file each, until finishLas().
  bool startLas(const QString& dir);

  // No more LAS frames come: the writer writes what is queued, reports and ends.
  void finishLas();
  // Stops at the next frame boundary and waits for the writer. What was written stays;
  // frames still queued stay queued. No finish is reported.
  void cancel();
  // A frame was queued (the writer also looks by itself every few milliseconds).
  void wake();

  bool isRunning() const { return mRunning.load(); }
  Mode mode() const { return mMode; }
  int framesWritten() const { return mWritten.load(); }

 signals:
  // CSV and PCD: false with each frame written, true once `count` frames are done.
  void progress(bool finished, int frames);
  // LAS: the finish text for the window's information box (FrameSave::kFinishedText, level 100).
  void showText(QString text, int level);
  // A file that cannot be written; the writer has stopped. Files written so far stay.
  void failed(QString text);

 private:
  bool prepare(Mode mode, int count);
  void launch();
  void run();
  // Waits for a queued entry; false when the writer should end instead.
  bool takeNext(CloudPtr& cloud, std::string& name);
  bool writeCsvFrame(int frameNumber, const pcl::PointCloud<PointInfo>& cloud);
  bool openCsvFile(const QString& dir, int frameNumber);
  bool writeLasFrame(const pcl::PointCloud<PointInfo>& cloud);
  void fail(const QString& text);

  std::mutex& mQueueMutex;
  std::deque<CloudPtr>& mClouds;
  std::deque<std::string>& mNames;
  std::condition_variable mQueued;

  std::thread mThread;
  std::atomic<bool> mStop{false};
  std::atomic<bool> mAcceptingLas{false};
  std::atomic<bool> mRunning{false};
  std::atomic<int> mWritten{0};

  // Set before the thread starts, then the thread's alone.
  Mode mMode = Mode::None;
  int mCount = 0;
  QString mDir;
  QString mLidarType;
  std::ofstream mCsvFile;
  std::string mCsvPath;
  std::string mLastLasName;
  int mLasRepeat = 0;
};
