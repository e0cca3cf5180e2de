#include "FrameSaveWorker.h"

#include <QDateTime>
#include <QDebug>

#include <chrono>
#include <locale>

#include "FrameSaveWriters.h"
#include "LasWriter.h"

namespace {

// How long the writer sleeps on an empty queue when nobody wakes it.
constexpr auto kQueuePoll = std::chrono::milliseconds(5);

}  // namespace

FrameSaveWorker::FrameSaveWorker(std::mutex& queueMutex, std::deque<CloudPtr>& clouds,
                                 std::deque<std::string>& names, QObject* parent)
    : QObject(parent), mQueueMutex(queueMutex), mClouds(clouds), mNames(names) {}

FrameSaveWorker::~FrameSaveWorker() { cancel(); }

void FrameSaveWorker::cancel() {
  mStop = true;
  mAcceptingLas = false;
  wake();
  if (mThread.joinable()) mThread.join();
  if (mCsvFile.is_open()) mCsvFile.close();
}

void FrameSaveWorker::wake() {
  // Taking the mutex orders the flag writes before the writer's next look at them.
  { std::lock_guard<std::mutex> lock(mQueueMutex); }
  mQueued.notify_all();
}

void FrameSaveWorker::finishLas() {
  mAcceptingLas = false;
  wake();
}

bool FrameSaveWorker::prepare(Mode mode, int count) {
  cancel();
  mMode = mode;
  mCount = count;
  mWritten = 0;
  mStop = false;
  if (mode != Mode::Las && count < 1) {
    emit failed(tr("The number of frames to save must be at least 1"));
    return false;
  }
  return true;
}

void FrameSaveWorker::launch() {
  mRunning = true;
  mThread = std::thread(&FrameSaveWorker::run, this);
}

bool FrameSaveWorker::startCsvMerged(const QString& path, int count) {
  if (!prepare(Mode::CsvMerged, count)) return false;
  mCsvPath = FrameSave::localPath(path);
  mCsvFile.clear();
  mCsvFile.open(mCsvPath, std::ios::out | std::ios::trunc);
  if (!mCsvFile.is_open()) {
    emit failed(tr("Cannot write the file %1").arg(path));
    return false;
  }
  mCsvFile.imbue(std::locale::classic());
  FrameSave::writeCsvHeader(mCsvFile);
  mCsvFile.flush();
  launch();
  return true;
}

bool FrameSaveWorker::startCsvPerFrame(const QString& dir, const QString& lidarType, int count) {
  if (!prepare(Mode::CsvPerFrame, count)) return false;
  const QString problem = FrameSave::directoryProblem(dir);
  if (!problem.isEmpty()) {
    emit failed(problem);
    return false;
  }
  mDir = dir;
  mLidarType = lidarType;
  launch();
  return true;
}

bool FrameSaveWorker::startPcd(const QString& dir, int count) {
  if (!prepare(Mode::Pcd, count)) return false;
  const QString problem = FrameSave::directoryProblem(dir);
  if (!problem.isEmpty()) {
    emit failed(problem);
    return false;
  }
  launch();
  return true;
}

bool FrameSaveWorker::startLas(const QString& dir) {
  if (!prepare(Mode::Las, 0)) return false;
  const QString problem = FrameSave::directoryProblem(dir);
  if (!problem.isEmpty()) {
    emit failed(problem);
    return false;
  }
  mDir = dir;
  mLastLasName.clear();
  mLasRepeat = 0;
  mAcceptingLas = true;
  launch();
  return true;
}

bool FrameSaveWorker::takeNext(CloudPtr& cloud, std::string& name) {
  std::unique_lock<std::mutex> lock(mQueueMutex);
  for (;;) {
    if (mStop) return false;
    const bool ready = !mClouds.empty() && (mMode != Mode::Pcd || !mNames.empty());
    if (ready) {
      cloud = mClouds.front();
      mClouds.pop_front();
      if (mMode == Mode::Pcd) {
        name = mNames.front();
        mNames.pop_front();
      }
      return true;
    }
    if (mMode == Mode::Las && !mAcceptingLas) return false;  // drained
    mQueued.wait_for(lock, kQueuePoll);
  }
}

void FrameSaveWorker::fail(const QString& text) {
  mStop = true;
  emit failed(text);
}

void FrameSaveWorker::run() {
  int frames = 0;
  CloudPtr cloud;
  std::string name;
  while (takeNext(cloud, name)) {
    const pcl::PointCloud<PointInfo> empty;
    const pcl::PointCloud<PointInfo>& frame = cloud ? *cloud : empty;
    switch (mMode) {
      case Mode::CsvMerged:
      case Mode::CsvPerFrame:
        ++frames;
        if (mMode == Mode::CsvPerFrame && !openCsvFile(mDir, frames)) break;
        if (!writeCsvFrame(frames, frame)) break;
        mWritten = frames;
        emit progress(false, frames);
        if (frames == mCount) {
          emit progress(true, frames);
          mStop = true;
        }
        break;
      case Mode::Pcd: {
        const FrameSave::PcdStatus status = FrameSave::writePcdFrame(name, frame);
        if (status == FrameSave::PcdStatus::Failed) {
          fail(tr("Cannot write the file %1").arg(QString::fromStdString(name)));
          break;
        }
        ++frames;
        mWritten = frames;
        if (status == FrameSave::PcdStatus::Written) {
          qDebug() << "savePCDNumber = " << frames;
          emit progress(false, frames);
        }
        if (frames == mCount) {
          mStop = true;
          emit progress(true, frames);
        }
        break;
      }
      case Mode::Las:
        if (writeLasFrame(frame)) mWritten = ++frames;
        break;
      case Mode::None:
        mStop = true;
        break;
    }
    cloud.reset();
  }
  if (mCsvFile.is_open()) mCsvFile.close();
  // A drained LAS recording reports its end; a cancel or a failure does not.
  if (mMode == Mode::Las && !mStop) {
    qDebug() << "save lasFile Finish";
    emit showText(tr(FrameSave::kFinishedText), FrameSave::kFinishedLevel);
  }
  mRunning = false;
}

bool FrameSaveWorker::openCsvFile(const QString& dir, int frameNumber) {
  if (mCsvFile.is_open()) mCsvFile.close();
  const QString path = FrameSave::csvFrameFileName(dir, mLidarType, QDateTime::currentDateTime(), frameNumber);
  mCsvPath = FrameSave::localPath(path);
  mCsvFile.clear();
  mCsvFile.open(mCsvPath, std::ios::out | std::ios::trunc);
  if (!mCsvFile.is_open()) {
    fail(tr("Cannot write the file %1").arg(path));
    return false;
  }
  mCsvFile.imbue(std::locale::classic());
  FrameSave::writeCsvHeader(mCsvFile);
  return true;
}

bool FrameSaveWorker::writeCsvFrame(int frameNumber, const pcl::PointCloud<PointInfo>& cloud) {
  FrameSave::writeCsvRows(mCsvFile, frameNumber, cloud);
  mCsvFile.flush();  // a cancel or a crash keeps every finished frame
  if (!mCsvFile) {
    fail(tr("Cannot write the file %1").arg(QString::fromStdString(mCsvPath)));
    return false;
  }
  return true;
}

bool FrameSaveWorker::writeLasFrame(const pcl::PointCloud<PointInfo>& cloud) {
  const std::string base = FrameSave::lasFrameFileName(FrameSave::localPath(mDir), std::chrono::system_clock::now());
  // Two frames within one millisecond would share a name; the later one gets a suffix
  // rather than replacing the earlier file.
  const int repeat = base == mLastLasName ? mLasRepeat + 1 : 0;
  std::string name = base;
  if (repeat > 0) name.insert(name.size() - 4, "_" + std::to_string(repeat + 1));
  switch (Las::writeLasFile(name, cloud)) {
    case Las::WriteStatus::Written:
      mLastLasName = base;
      mLasRepeat = repeat;
      return true;
    case Las::WriteStatus::EmptyFrame:
      return false;  // nothing a LAS file could hold: no file
    case Las::WriteStatus::CannotOpen:
    case Las::WriteStatus::WriteFailed:
      fail(tr("Cannot write the file %1").arg(QString::fromStdString(name)));
      return false;
  }
  return false;
}
