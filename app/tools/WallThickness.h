// Wall thickness: a RANSAC plane fit and the spread of the points along its normal, in
// centimetres; and the 100-frame test that collects the box-filtered points of each frame and
// evaluates them on a worker thread.
//
// The main window:
//   - after an area pick: mPickFit.request(pick.planeCloud); its `fitted` signal (queued) shows
//     WallThickness::thicknessText(t) as "thickness1" when the request is still the newest.
//   - StartDataCollection: if (!WallThickness::acceptSelection(this, mIsBoxValid)) return;
//     show WallThickness::kWaitText; onSelectRange with BoxSelection::grownBox(box, kBoxMargin);
//     mThicknessTest.begin();
//   - per frame while mThicknessTest.collecting():
//     if (mThicknessTest.addFrame(*companion)) { mThicknessTest.evaluateInBackground();
//       onSelectRange with the box itself; show mThicknessTest.shownPoints() as
//       "TestThicknessPointsShow"; }
//   - connect(&mThicknessTest, &WallThicknessTest::evaluated, this, ...) draws the texts
//     averageText(e.average) "thickness1", thicknessText(e.allThickness) "thickness2" and the
//     plane e.allPlane. The signal is queued onto the GUI thread, so the view is never used
//     by the worker.
#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#ifndef PCL_NO_PRECOMPILE
#define PCL_NO_PRECOMPILE
#endif
#include <pcl/ModelCoefficients.h>
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include "LidarRecords.h"

class QWidget;

namespace WallThickness {

using CloudXYZ = pcl::PointCloud<pcl::PointXYZ>;

constexpr int kCollectFrames = 100;
constexpr float kBoxMargin = 0.05f;  // metres on every side of the box during the test
constexpr double kDistanceThreshold = 0.01;
constexpr int kMaxIterations = 1000;

constexpr const char* kNoSelectionTitle = "Error";
constexpr const char* kNoSelectionText = "Please select the data first!!!";
constexpr const char* kWaitText = "Normal test wall thickness, please wait ... ";

// Thickness in centimetres of the cloud across the fitted plane (all points, not only the
// inliers); 0.0 when no plane is found, with `out` then left as it was.
double fitPlaneThickness(CloudXYZ::Ptr cloud, pcl::ModelCoefficients& out);

// "thickness :" and "average thickness :" followed by "%f" and "cm".
QString thicknessText(double centimetres);
QString averageText(double centimetres);

// Refuses a test without a box in force with the "Error" box; true when the test may start.
bool acceptSelection(QWidget* parent, bool boxValid);

struct Evaluation {
  std::vector<double> perFrame;  // centimetres; 0.0 for a frame without a plane
  double sum = 0.0;
  double average = 0.0;  // 0.0 when there were no frames
  double allThickness = 0.0;
  pcl::ModelCoefficients allPlane;  // plane of all frames together
};

Evaluation evaluate(const std::vector<CloudXYZ::Ptr>& frames, const CloudXYZ::Ptr& all);

}  // namespace WallThickness

Q_DECLARE_METATYPE(WallThickness::Evaluation)

// The 100-frame test. GUI thread only, apart from the worker it owns.
class WallThicknessTest : public QObject {
  Q_OBJECT

 public:
  explicit WallThicknessTest(QObject* parent = nullptr);
  ~WallThicknessTest() override;  // waits for a running evaluation

  // Starts collecting; a new test replaces the data of the last one.
  void begin();
  bool collecting() const { return mCollecting; }
  int framesCollected() const { return static_cast<int>(mFrameClouds.size()); }

  // Takes one frame's box-filtered points; true when it was the last frame of the test, which
  // stops collecting. Ignored while not collecting.
  bool addFrame(const pcl::PointCloud<PointInfo>& companion);

  // The collected points, for display.
  pcl::PointCloud<PointInfo>::Ptr shownPoints() const { return mShowCloud; }

  // Hands the collected frames to a worker; `evaluated` follows.
  void evaluateInBackground();
  // Returns once a running evaluation has ended (its result is still queued to the owner).
  void waitForEvaluation() { joinWorker(); }

 signals:
  void evaluated(WallThickness::Evaluation result);

 private:
  void joinWorker();

  bool mCollecting = false;
  std::vector<WallThickness::CloudXYZ::Ptr> mFrameClouds;
  WallThickness::CloudXYZ::Ptr mAllPoints{new WallThickness::CloudXYZ};
  pcl::PointCloud<PointInfo>::Ptr mShowCloud{new pcl::PointCloud<PointInfo>};
  std::thread mWorker;
};

// The plane fit of an area pick, on a worker thread of its own: a whole frame takes the fit
// most of a second, which the GUI thread does not wait for. A request replaces one that has
// not started yet, so picks in quick succession never pile up.
class PickPlaneFit : public QObject {
  Q_OBJECT

 public:
  explicit PickPlaneFit(QObject* parent = nullptr);
  ~PickPlaneFit() override;  // waits for the fit in hand

  // Queues a fit of these points; returns the request's number (never 0).
  std::uint64_t request(WallThickness::CloudXYZ::Ptr points);
  // Makes every request so far stale (the view they were for is gone).
  void cancel();
  // The number a result must carry to be shown; 0 after cancel.
  std::uint64_t current() const;
  // Returns once no fit runs or waits (its result may still be queued to the receiver).
  void waitForIdle();

 signals:
  // Emitted on the worker thread: connect it queued and compare `request` with current().
  void fitted(double centimetres, quint64 request);

 private:
  void run();

  mutable std::mutex mMutex;
  std::condition_variable mWake;
  WallThickness::CloudXYZ::Ptr mPending;
  std::uint64_t mPendingRequest = 0;
  std::uint64_t mLastRequest = 0;
  std::uint64_t mCurrent = 0;
  bool mBusy = false;
  bool mQuit = false;
  std::thread mWorker;
};
