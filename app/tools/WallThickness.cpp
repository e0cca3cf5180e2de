#include "WallThickness.h"

#include <QDebug>

#include <algorithm>
#include <cstdio>
#include <utility>

#include <pcl/PointIndices.h>
#include <pcl/console/print.h>
#include <pcl/sample_consensus/method_types.h>
#include <pcl/sample_consensus/model_types.h>
#include <pcl/segmentation/sac_segmentation.h>

#include "MessageBoxSeam.h"

namespace WallThickness {

namespace {

QString withCentimetres(const char* prefix, double centimetres) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%f", centimetres);
  return QString::fromLatin1(prefix) + QString::fromLatin1(buffer) + QStringLiteral("cm");
}

}  // namespace

double fitPlaneThickness(CloudXYZ::Ptr cloud, pcl::ModelCoefficients& out) {
  pcl::PointIndices inliers;
  pcl::ModelCoefficients coefficients;
  if (cloud && cloud->size() >= 3) {
    pcl::SACSegmentation<pcl::PointXYZ> seg;
    seg.setOptimizeCoefficients(true);
    seg.setModelType(pcl::SACMODEL_PLANE);
    seg.setMethodType(pcl::SAC_RANSAC);
    seg.setDistanceThreshold(kDistanceThreshold);
    seg.setMaxIterations(kMaxIterations);
    seg.setInputCloud(cloud);
    seg.segment(inliers, coefficients);
  }
  if (inliers.indices.empty() || coefficients.values.size() < 4) {
    PCL_ERROR("Could not estimate a planar model for the given dataset.\n");
    return 0.0;
  }

  const float a = coefficients.values[0], b = coefficients.values[1], c = coefficients.values[2];
  const pcl::PointXYZ& p0 = (*cloud)[static_cast<std::size_t>(inliers.indices.front())];
  float largest = 0.f, smallest = 0.f;
  bool first = true;
  for (const pcl::PointXYZ& p : cloud->points) {
    const float d = a * (p.x - p0.x) + b * (p.y - p0.y) + c * (p.z - p0.z);
    if (first || d > largest) largest = d;
    if (first || d < smallest) smallest = d;
    first = false;
  }
  const float thickness = largest - smallest;
  qDebug() << "max_distance = " << largest << "min_distance = " << smallest << "thickness = " << thickness;
  out = coefficients;
  return thickness * 100.0;
}

QString thicknessText(double centimetres) { return withCentimetres("thickness :", centimetres); }
QString averageText(double centimetres) { return withCentimetres("average thickness :", centimetres); }

bool acceptSelection(QWidget* parent, bool boxValid) {
  if (boxValid) return true;
  messageBoxInformation(parent, QObject::tr(kNoSelectionTitle), QObject::tr(kNoSelectionText));
  return false;
}

Evaluation evaluate(const std::vector<CloudXYZ::Ptr>& frames, const CloudXYZ::Ptr& all) {
  Evaluation e;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    pcl::ModelCoefficients unused;
    const double t = fitPlaneThickness(frames[i], unused);
    qDebug() << i << " : thicknessValue = " << t;
    e.perFrame.push_back(t);
    e.sum += t;
  }
  // No frame would make the average 0/0.
  e.average = frames.empty() ? 0.0 : e.sum / static_cast<double>(frames.size());
  qDebug() << "sumthicknessValue = " << e.sum << ":\t TestThicknessPointDataALL.size() = " << frames.size()
           << " : ave thicknessValue = " << e.average;
  e.allThickness = fitPlaneThickness(all, e.allPlane);
  return e;
}

}  // namespace WallThickness

WallThicknessTest::WallThicknessTest(QObject* parent) : QObject(parent) {
  qRegisterMetaType<WallThickness::Evaluation>("WallThickness::Evaluation");
}

WallThicknessTest::~WallThicknessTest() { joinWorker(); }

void WallThicknessTest::joinWorker() {
  if (mWorker.joinable()) mWorker.join();
}

void WallThicknessTest::begin() {
  mFrameClouds.clear();
  mAllPoints.reset(new WallThickness::CloudXYZ);
  mShowCloud.reset(new pcl::PointCloud<PointInfo>);
  mCollecting = true;
}

bool WallThicknessTest::addFrame(const pcl::PointCloud<PointInfo>& companion) {
  if (!mCollecting) return false;
  WallThickness::CloudXYZ::Ptr frame(new WallThickness::CloudXYZ);
  for (const PointInfo& p : companion.points) {
    frame->push_back(pcl::PointXYZ(p.x, p.y, p.z));
    mAllPoints->push_back(pcl::PointXYZ(p.x, p.y, p.z));
    mShowCloud->push_back(p);
  }
  mFrameClouds.push_back(frame);
  if (static_cast<int>(mFrameClouds.size()) < WallThickness::kCollectFrames) return false;
  mCollecting = false;
  return true;
}

void WallThicknessTest::evaluateInBackground() {
  joinWorker();
  // The worker gets its own references to the clouds; a new test replaces the members'
  // clouds instead of changing the ones the worker reads.
  mWorker = std::thread([this, frames = mFrameClouds, all = mAllPoints] {
    emit evaluated(WallThickness::evaluate(frames, all));
  });
}

PickPlaneFit::PickPlaneFit(QObject* parent) : QObject(parent) {}

PickPlaneFit::~PickPlaneFit() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mQuit = true;
    mPending.reset();
  }
  mWake.notify_all();
  if (mWorker.joinable()) mWorker.join();
}

std::uint64_t PickPlaneFit::request(WallThickness::CloudXYZ::Ptr points) {
  std::lock_guard<std::mutex> lock(mMutex);
  mPending = std::move(points);
  mPendingRequest = ++mLastRequest;
  mCurrent = mPendingRequest;
  if (!mWorker.joinable()) mWorker = std::thread([this] { run(); });
  mWake.notify_all();
  return mPendingRequest;
}

void PickPlaneFit::cancel() {
  std::lock_guard<std::mutex> lock(mMutex);
  mPending.reset();
  mCurrent = 0;
}

std::uint64_t PickPlaneFit::current() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mCurrent;
}

void PickPlaneFit::waitForIdle() {
  std::unique_lock<std::mutex> lock(mMutex);
  mWake.wait(lock, [this] { return !mPending && !mBusy; });
}

void PickPlaneFit::run() {
  std::unique_lock<std::mutex> lock(mMutex);
  for (;;) {
    mWake.wait(lock, [this] { return mQuit || mPending; });
    if (mQuit) return;
    WallThickness::CloudXYZ::Ptr points = std::move(mPending);
    mPending.reset();
    const std::uint64_t request = mPendingRequest;
    mBusy = true;
    lock.unlock();
    pcl::ModelCoefficients plane;
    const double centimetres = WallThickness::fitPlaneThickness(points, plane);
    emit fitted(centimetres, request);
    lock.lock();
    mBusy = false;
    mWake.notify_all();
  }
}
