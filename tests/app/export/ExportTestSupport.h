// Fixtures of the export tests: a point builder, and a save queue with its worker whose
// signals are recorded on the test's (GUI) thread, as the main window receives them.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QObject>
#include <QStringList>
#include <QTest>

#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "FrameSaveWorker.h"
#include "LidarRecords.h"

namespace exporttest {

using Cloud = pcl::PointCloud<PointInfo>;

struct PointBuilder {
  PointInfo p{};
  PointBuilder() {
    p.x = p.y = p.z = 0.f;
    p.data[3] = 1.f;
    p.rgba = 0;
    p.Channel = 0;
    p.H_angle = p.V_angle = p.Distance = p.Distance2 = 0.f;
    p.Intensity = p.Intensity2 = 0;
    p.Mtimestamp_nsce = 0.0;
  }
  PointBuilder& at(float x, float y, float z) { p.x = x; p.y = y; p.z = z; return *this; }
  PointBuilder& colour(std::uint8_t r, std::uint8_t g, std::uint8_t b) { p.r = r; p.g = g; p.b = b; p.a = 255; return *this; }
  PointBuilder& channel(std::uint8_t c) { p.Channel = c; return *this; }
  PointBuilder& angles(float h, float v) { p.H_angle = h; p.V_angle = v; return *this; }
  PointBuilder& echo1(float d, std::uint8_t i) { p.Distance = d; p.Intensity = i; return *this; }
  PointBuilder& echo2(float d, std::uint8_t i) { p.Distance2 = d; p.Intensity2 = i; return *this; }
  PointBuilder& time(double t) { p.Mtimestamp_nsce = t; return *this; }
  operator PointInfo() const { return p; }
};

// A frame of `n` distinct points; point k of frame f sits at (f + k/10, -k, 0.5 f).
inline Cloud::Ptr frame(int f, int n) {
  Cloud::Ptr cloud(new Cloud);
  for (int k = 0; k < n; ++k)
    cloud->push_back(PointBuilder()
                         .at(f + k / 10.f, static_cast<float>(-k), 0.5f * f)
                         .channel(static_cast<std::uint8_t>(k))
                         .echo1(1.f + k, static_cast<std::uint8_t>(10 * f + k))
                         .time(1000.0 + f));
  return cloud;
}

inline Cloud::Ptr cloudOf(std::initializer_list<PointInfo> points) {
  Cloud::Ptr cloud(new Cloud);
  for (const PointInfo& p : points) cloud->push_back(p);
  return cloud;
}

// The window's side of a save: the queues under one mutex, the worker, and what it reported.
struct SaveHarness {
  std::mutex mutex;
  std::deque<Cloud::Ptr> clouds;
  std::deque<std::string> names;
  FrameSaveWorker worker{mutex, clouds, names};
  QObject receiver;  // lives on the test thread, so the worker's signals arrive queued
  std::vector<std::pair<bool, int>> progress;
  QStringList texts;
  QStringList failures;

  ~SaveHarness() { worker.cancel(); }
  SaveHarness() {
    QObject::connect(&worker, &FrameSaveWorker::progress, &receiver,
                     [this](bool done, int n) { progress.emplace_back(done, n); });
    QObject::connect(&worker, &FrameSaveWorker::showText, &receiver,
                     [this](const QString& text, int) { texts << text; });
    QObject::connect(&worker, &FrameSaveWorker::failed, &receiver,
                     [this](const QString& text) { failures << text; });
  }

  void queue(Cloud::Ptr cloud, const std::string& name = std::string()) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      clouds.push_back(std::move(cloud));
      if (!name.empty()) names.push_back(name);
    }
    worker.wake();
  }
  std::size_t queued() {
    std::lock_guard<std::mutex> lock(mutex);
    return clouds.size();
  }
  bool finished() const { return !progress.empty() && progress.back().first; }
  // Waits until the writer has ended, then delivers what it sent.
  bool waitUntilStopped(int ms = 10000) {
    const bool stopped = QTest::qWaitFor([this] { return !worker.isRunning(); }, ms);
    QCoreApplication::processEvents();
    return stopped;
  }
};

inline QStringList filesIn(const QString& dir, const QString& pattern) {
  return QDir(dir).entryList({pattern}, QDir::Files, QDir::Name);
}

}  // namespace exporttest
