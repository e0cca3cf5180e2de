#include "WallThickness.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <random>
#include <vector>

#include "MessageBoxSeam.h"

namespace {

using WallThickness::CloudXYZ;

// Points on planes through `origin` with normal `normal`, each layer at its offset along the
// normal, spread over a 1 m square, with uniform noise along the normal.
CloudXYZ::Ptr layers(const Eigen::Vector3f& normal, const std::vector<std::pair<float, int>>& offsetsAndCounts,
                     float noise, unsigned seed = 7) {
  const Eigen::Vector3f n = normal.normalized();
  const Eigen::Vector3f u = n.unitOrthogonal();
  const Eigen::Vector3f v = n.cross(u);
  const Eigen::Vector3f origin(3, -2, 1);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> along(-0.5f, 0.5f), jitter(-noise, noise);
  CloudXYZ::Ptr cloud(new CloudXYZ);
  for (const auto& [offset, count] : offsetsAndCounts) {
    for (int i = 0; i < count; ++i) {
      const Eigen::Vector3f p = origin + along(rng) * u + along(rng) * v + (offset + jitter(rng)) * n;
      cloud->push_back(pcl::PointXYZ(p.x(), p.y(), p.z()));
    }
  }
  return cloud;
}

float alignment(const pcl::ModelCoefficients& c, const Eigen::Vector3f& normal) {
  return std::fabs(Eigen::Vector3f(c.values[0], c.values[1], c.values[2]).normalized().dot(normal.normalized()));
}

TEST(WallThickness, PlaneFitMeasuresTheSpreadAlongTheNormal) {
  const Eigen::Vector3f tilted(0.3f, -0.2f, 1.0f);
  struct Case {
    const char* name;
    CloudXYZ::Ptr cloud;
    double centimetres, tolerance;
  };
  const Case cases[] = {
      {"points exactly on a plane", layers(tilted, {{0, 400}}, 0), 0.0, 1e-3},
      {"two layers 2 cm apart, fitted to the denser one", layers(tilted, {{0, 600}, {0.02f, 200}}, 0.0005f), 2.0,
       0.15},
      {"two layers 5 cm apart on a wall", layers({1, 0, 0}, {{0, 500}, {-0.05f, 300}}, 0.001f), 5.0, 0.25},
      {"one noisy layer", layers({0, 1, 0}, {{0, 500}}, 0.004f), 0.8, 0.1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pcl::ModelCoefficients out;
    const double t = WallThickness::fitPlaneThickness(c.cloud, out);
    EXPECT_NEAR(t, c.centimetres, c.tolerance);
    ASSERT_EQ(out.values.size(), 4u);
  }
  pcl::ModelCoefficients out;
  WallThickness::fitPlaneThickness(layers(tilted, {{0, 600}, {0.02f, 200}}, 0.0005f), out);
  EXPECT_GT(alignment(out, tilted), 0.999f);
}

TEST(WallThickness, NoPlaneGivesZeroAndLeavesTheCoefficients) {
  CloudXYZ::Ptr two(new CloudXYZ);
  two->push_back(pcl::PointXYZ(0, 0, 0));
  two->push_back(pcl::PointXYZ(1, 0, 0));
  const CloudXYZ::Ptr clouds[] = {CloudXYZ::Ptr(), CloudXYZ::Ptr(new CloudXYZ), two};
  for (const CloudXYZ::Ptr& cloud : clouds) {
    pcl::ModelCoefficients out;
    out.values = {9, 9, 9, 9};
    EXPECT_EQ(WallThickness::fitPlaneThickness(cloud, out), 0.0);
    EXPECT_EQ(out.values, (std::vector<float>{9, 9, 9, 9}));
  }
}

TEST(WallThickness, EvaluationAveragesEveryFrameAndFitsAllTogether) {
  const Eigen::Vector3f normal(0, 0, 1);
  const std::vector<CloudXYZ::Ptr> frames = {layers(normal, {{0, 300}}, 0),
                                             layers(normal, {{0, 300}, {0.02f, 100}}, 0.0005f, 11),
                                             CloudXYZ::Ptr(new CloudXYZ)};  // no plane: counts as 0.0
  const WallThickness::Evaluation e = WallThickness::evaluate(frames, layers(normal, {{0, 600}, {0.03f, 100}}, 0));
  ASSERT_EQ(e.perFrame.size(), 3u);
  EXPECT_NEAR(e.perFrame[0], 0.0, 1e-3);
  EXPECT_NEAR(e.perFrame[1], 2.0, 0.15);
  EXPECT_EQ(e.perFrame[2], 0.0);
  EXPECT_DOUBLE_EQ(e.sum, e.perFrame[0] + e.perFrame[1] + e.perFrame[2]);
  EXPECT_DOUBLE_EQ(e.average, e.sum / 3);
  EXPECT_NEAR(e.allThickness, 3.0, 0.01);
  ASSERT_EQ(e.allPlane.values.size(), 4u);
  EXPECT_GT(alignment(e.allPlane, normal), 0.999f);

  const WallThickness::Evaluation none = WallThickness::evaluate({}, CloudXYZ::Ptr(new CloudXYZ));
  EXPECT_EQ(none.average, 0.0);  // not 0/0
  EXPECT_TRUE(none.perFrame.empty());
}

TEST(WallThickness, TestCollectsOneHundredFramesAndReportsFromTheWorker) {
  const CloudXYZ::Ptr source = layers({0, 0, 1}, {{0, 60}, {0.02f, 20}}, 0.0005f);
  pcl::PointCloud<PointInfo> companion;
  for (const pcl::PointXYZ& p : source->points) {
    PointInfo q{};
    q.x = p.x, q.y = p.y, q.z = p.z;
    q.Distance = 1;
    companion.push_back(q);
  }
  WallThicknessTest test;
  EXPECT_FALSE(test.addFrame(companion));  // not collecting yet
  for (int round = 0; round < 2; ++round) {  // a new test replaces the data of the last one
    SCOPED_TRACE(round);
    test.begin();
    EXPECT_TRUE(test.collecting());
    EXPECT_EQ(test.framesCollected(), 0);
    for (int i = 1; i < WallThickness::kCollectFrames; ++i) ASSERT_FALSE(test.addFrame(companion)) << i;
    EXPECT_TRUE(test.addFrame(companion));
    EXPECT_FALSE(test.collecting());
    EXPECT_FALSE(test.addFrame(companion));
    EXPECT_EQ(test.framesCollected(), 100);
    EXPECT_EQ(test.shownPoints()->size(), 100 * companion.size());

    QSignalSpy spy(&test, &WallThicknessTest::evaluated);
    test.evaluateInBackground();
    ASSERT_TRUE(spy.wait(30000));
    const auto e = spy.at(0).at(0).value<WallThickness::Evaluation>();
    ASSERT_EQ(e.perFrame.size(), 100u);
    EXPECT_NEAR(e.average, e.perFrame[0], 1e-9);  // the same frame every time
    EXPECT_NEAR(e.average, 2.0, 0.15);
    EXPECT_NEAR(e.allThickness, 2.0, 0.15);
  }
}

// Picks in quick succession: the newest request is the one whose result counts, its
// thickness is that of its own points, and a cancel makes every earlier result stale.
TEST(WallThickness, PickFitReportsTheNewestRequest) {
  PickPlaneFit fit;
  QObject receiver;
  std::vector<std::pair<double, quint64>> results;
  QObject::connect(&fit, &PickPlaneFit::fitted, &receiver,
                   [&](double cm, quint64 request) { results.push_back({cm, request}); }, Qt::QueuedConnection);
  // Large enough that a fit outlasts the few microseconds between two requests.
  const CloudXYZ::Ptr thin = layers({0, 0, 1}, {{0, 15000}, {0.01f, 5000}}, 0.0005f);
  const CloudXYZ::Ptr thick = layers({0, 0, 1}, {{0, 15000}, {0.04f, 5000}}, 0.0005f);
  fit.request(thin);
  fit.request(thin);
  const quint64 last = fit.request(thick);
  EXPECT_EQ(fit.current(), last);
  fit.waitForIdle();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty() && results.back().second == last; }, 30000));
  EXPECT_LE(results.size(), 2u) << "a request that had not started was replaced";
  EXPECT_NEAR(results.back().first, 4.0, 0.3);

  fit.request(thin);
  fit.cancel();
  EXPECT_EQ(fit.current(), 0u) << "no result matches after a cancel";
  fit.waitForIdle();
}

TEST(WallThickness, TestWithoutASelectionIsRefused) {
  std::vector<QString> shown;
  QWidget window;
  ScopedMessageBoxHook hook([&](QWidget* parent, const QString& title, const QString& text,
                                QMessageBox::StandardButtons, QMessageBox::StandardButton) {
    EXPECT_EQ(parent, &window);
    shown.push_back(title + "|" + text);
    return QMessageBox::Ok;
  });
  EXPECT_FALSE(WallThickness::acceptSelection(&window, false));
  EXPECT_TRUE(WallThickness::acceptSelection(&window, true));
  EXPECT_EQ(shown, (std::vector<QString>{"Error|Please select the data first!!!"}));
  EXPECT_EQ(WallThickness::thicknessText(2.0), "thickness :2.000000cm");
  EXPECT_EQ(WallThickness::averageText(1.5), "average thickness :1.500000cm");
}

}  // namespace
