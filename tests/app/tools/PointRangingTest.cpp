#include "PointRanging.h"

#include <gtest/gtest.h>

namespace {

using Path = PointRanging::Path;

TEST(PointRanging, DistanceTextMiddleAndScalePerPath) {
  struct Case {
    const char* name;
    pcl::PointXYZ from, to;
    Path path;
    const char* text;
    double scale;
  };
  const Case cases[] = {
      {"3-4-5, point picking", {0, 0, 0}, {3, 4, 0}, Path::PointPick, "5.000000M", 0.1},
      {"3-4-5, Alt + click", {0, 0, 0}, {3, 4, 0}, Path::AltClick, "5.000000M", 0.2},
      {"half a metre, Alt + click", {1, 1, 1}, {1, 1, 1.5f}, Path::AltClick, "0.500000M", 0.02},
      {"exactly one metre, Alt + click", {0, 0, 0}, {0, -1, 0}, Path::AltClick, "1.000000M", 0.2},
      {"half a metre, point picking", {1, 1, 1}, {1, 1, 1.5f}, Path::PointPick, "0.500000M", 0.01},
      {"same point", {2, 2, 2}, {2, 2, 2}, Path::PointPick, "0.000000M", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PointRanging ranging;
    EXPECT_FALSE(ranging.addMark(c.from.x, c.from.y, c.from.z, c.path).measurement);
    const auto m = ranging.addMark(c.to.x, c.to.y, c.to.z, c.path).measurement;
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, c.text);
    EXPECT_NEAR(m->textScale, c.scale, 1e-7);
    EXPECT_FLOAT_EQ(m->middle.x, (c.from.x + c.to.x) / 2);
    EXPECT_FLOAT_EQ(m->middle.y, (c.from.y + c.to.y) / 2);
    EXPECT_FLOAT_EQ(m->middle.z, (c.from.z + c.to.z) / 2);
    EXPECT_FLOAT_EQ(m->from.x, c.from.x);
    EXPECT_FLOAT_EQ(m->to.y, c.to.y);
  }
  EXPECT_EQ(PointRanging::distanceText(1.2345671f), "1.234567M");
}

TEST(PointRanging, MarksMakePairsAndTellTheViewWhatToClear) {
  struct Expect {
    bool clearView, removeLineAndText, measures;
    std::size_t marksShown;
    int pointSize;
  };
  struct Case {
    Path path;
    Expect marks[3];
  };
  const Case cases[] = {
      {Path::PointPick, {{true, false, false, 1, 4}, {false, false, true, 2, 4}, {true, false, false, 1, 4}}},
      {Path::AltClick, {{false, true, false, 1, 5}, {false, true, true, 2, 5}, {false, true, false, 1, 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path == Path::PointPick ? "point picking" : "Alt + click");
    PointRanging ranging;
    const float xs[] = {1, 4, 10};
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      const PointRanging::Step step = ranging.addMark(xs[i], 0, 0, c.path);
      EXPECT_EQ(step.clearView, c.marks[i].clearView);
      EXPECT_EQ(step.removeLineAndText, c.marks[i].removeLineAndText);
      EXPECT_EQ(step.measurement.has_value(), c.marks[i].measures);
      EXPECT_EQ(step.pointSize, c.marks[i].pointSize);
      EXPECT_EQ(ranging.marks()->size(), c.marks[i].marksShown);
      EXPECT_EQ(ranging.marks()->width, c.marks[i].marksShown);
      EXPECT_EQ(ranging.marks()->height, 1u);
      EXPECT_FLOAT_EQ(ranging.marks()->back().x, xs[i]);
      if (step.measurement) {
        EXPECT_EQ(step.measurement->text, "3.000000M");
      }
      EXPECT_EQ(ranging.clickCount(), i == 0 || i == 2 ? 1 : 0);
    }
  }
}

TEST(PointRanging, ClearStartsANewPair) {
  PointRanging ranging;
  ranging.addMark(100, 0, 0, Path::PointPick);
  ranging.clear();  // measuring switched off after one mark
  EXPECT_TRUE(ranging.marks()->empty());
  EXPECT_EQ(ranging.clickCount(), 0);
  EXPECT_FALSE(ranging.addMark(0, 0, 0, Path::PointPick).measurement);
  const auto m = ranging.addMark(0, 2, 0, Path::PointPick).measurement;
  ASSERT_TRUE(m);
  EXPECT_EQ(m->text, "2.000000M");  // not measured from the cleared mark at x = 100
}

TEST(PointRanging, PickEventsCountOnlyWithAPointWhileMeasuring) {
  struct Case {
    int index;
    bool measuring, accepted;
  };
  const Case cases[] = {{-1, true, false}, {0, true, true}, {123, true, true}, {5, false, false}, {-1, false, false}};
  for (const Case& c : cases)
    EXPECT_EQ(PointRanging::acceptsPick(c.index, c.measuring), c.accepted) << c.index << " " << c.measuring;
}

}  // namespace
