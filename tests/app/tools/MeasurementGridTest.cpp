#include "MeasurementGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

GridParam grid(float cx, float cy, float cz, int number, int unitValue, const char* unit, int orientation = 0) {
  GridParam p;
  p.centerX = cx, p.centerY = cy, p.centerZ = cz;
  p.gridNumber = number;
  p.unitValue = unitValue;
  p.unit = unit;
  p.orientation = orientation;
  return p;
}

TEST(MeasurementGrid, GeometryAndLabelTextsPerUnit) {
  struct Case {
    const char* name;
    GridParam param;
    float step, xMin, xMax, yMin, yMax;
    double labelScale;
    const char* firstLabel;
    const char* middleLabel;
    const char* lastLabel;
  };
  const Case cases[] = {
      {"metres, upper y bound 200", grid(0, 0, 0, 20, 10, "m"), 10, -200, 200, -200, 200, 0.5, "-200m", "0m",
       "200m"},
      {"centimetres", grid(0, 0, 0, 20, 50, "cm"), 0.5f, -10, 10, -10, 10, 0.002, "-1000cm", "0cm", "1000cm"},
      {"upper y bound exactly 100", grid(0, 50, 0, 5, 10, "m"), 10, -50, 50, 0, 100, 0.2, "0m", "50m", "100m"},
      {"off-centre, small", grid(3.5f, -2, 1, 4, 1, "m"), 1, -0.5f, 7.5f, -6, 2, 0.2, "-6m", "-2m", "2m"},
      {"centimetres far out", grid(-150.25f, 199.5f, 0, 3, 25, "cm"), 0.25f, -151, -149.5f, 198.75f, 200.25f,
       0.002, "19875cm", "19950cm", "20025cm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MeasurementGrid::Geometry g = MeasurementGrid::geometry(c.param);
    EXPECT_FLOAT_EQ(g.step, c.step);
    EXPECT_FLOAT_EQ(g.xMin, c.xMin);
    EXPECT_FLOAT_EQ(g.xMax, c.xMax);
    EXPECT_FLOAT_EQ(g.yMin, c.yMin);
    EXPECT_FLOAT_EQ(g.yMax, c.yMax);
    EXPECT_FLOAT_EQ(g.z, c.param.centerZ);
    EXPECT_DOUBLE_EQ(g.labelScale, c.labelScale);

    const auto lines = MeasurementGrid::lines(c.param);
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(4 * (c.param.gridNumber + 1)));
    const auto labels = MeasurementGrid::labels(c.param);  // orientation 0: the y lines
    ASSERT_EQ(labels.size(), static_cast<std::size_t>(2 * c.param.gridNumber + 1));
    EXPECT_EQ(labels.front().text, c.firstLabel);
    EXPECT_EQ(labels[labels.size() / 2].text, c.middleLabel);
    EXPECT_EQ(labels.back().text, c.lastLabel);
    for (const auto& label : labels) {
      EXPECT_DOUBLE_EQ(label.scale, c.labelScale);
      EXPECT_FLOAT_EQ(label.position.x, c.param.centerX);
      EXPECT_FLOAT_EQ(label.position.z, c.param.centerZ);
    }
  }
}

TEST(MeasurementGrid, LinesSpanTheGridAtEveryStep) {
  const GridParam p = grid(1, -1, 0.5f, 2, 50, "cm");
  const auto lines = MeasurementGrid::lines(p);
  std::map<std::string, MeasurementGrid::Line> byId;
  for (const auto& l : lines) byId[l.id] = l;
  ASSERT_EQ(byId.size(), 12u);  // ids are unique
  struct Case {
    const char* id;
    float fromX, fromY, toX, toY;
  };
  const Case cases[] = {
      {"x_minGrid_L0.000000", 1, -2, 1, 0},      {"x_minGrid_R0.000000", 1, -2, 1, 0},
      {"x_minGrid_L2.000000", 2, -2, 2, 0},      {"x_minGrid_R1.000000", 0.5f, -2, 0.5f, 0},
      {"y_minGrid_U1.000000", 0, -0.5f, 2, -0.5f}, {"y_minGrid_B2.000000", 0, -2, 2, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_EQ(byId.count(c.id), 1u);
    const auto& l = byId[c.id];
    EXPECT_FLOAT_EQ(l.from.x, c.fromX);
    EXPECT_FLOAT_EQ(l.from.y, c.fromY);
    EXPECT_FLOAT_EQ(l.to.x, c.toX);
    EXPECT_FLOAT_EQ(l.to.y, c.toY);
    EXPECT_FLOAT_EQ(l.from.z, 0.5f);
    EXPECT_FLOAT_EQ(l.to.z, 0.5f);
  }
}

TEST(MeasurementGrid, LabelsFollowTheOrientation) {
  struct Case {
    int orientation;
    int xLabels, yLabels;
    bool centreMarked;
  };
  const Case cases[] = {{0, 0, 41, false}, {1, 41, 0, false}, {2, 40, 41, true}, {5, 0, 41, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.orientation);
    // A centre far from the origin, where float positions miss it by more than 1e-5.
    const GridParam p = grid(123.37f, -187.11f, 2, 20, 3, "m", c.orientation);
    int xs = 0, ys = 0, marked = 0;
    for (const auto& label : MeasurementGrid::labels(p)) {
      const bool isX = label.id.rfind("ShowCircleX", 0) == 0;
      (isX ? xs : ys) += 1;
      if (label.text.find("(Y)") != std::string::npos) {
        ++marked;
        EXPECT_FALSE(isX);
        EXPECT_EQ(label.text, "-187.11m(Y)");
      }
      if (isX && c.orientation == 2) {
        EXPECT_GT(std::fabs(label.position.x - p.centerX), 1.0f);
      }
    }
    EXPECT_EQ(xs, c.xLabels);
    EXPECT_EQ(ys, c.yLabels);
    EXPECT_EQ(marked, c.centreMarked ? 1 : 0);
  }
  const auto x = MeasurementGrid::labels(grid(0, 0, 0, 20, 10, "m", 1));
  EXPECT_EQ(x.front().id, "ShowCircleX-200.000000");
  EXPECT_EQ(x.front().text, "-200m");
  EXPECT_FLOAT_EQ(x.front().position.y, 0);
  const auto y = MeasurementGrid::labels(grid(0, 0, 0, 20, 50, "cm", 0));
  EXPECT_EQ(y[1].id, "ShowCircleY-9.500000");
  EXPECT_EQ(y[1].text, "-950cm");
}

TEST(MeasurementGrid, TurnedGridTurnsAboutTheSensorAndAddsRangeCircles) {
  const GridParam p = grid(2, 1, 0.5f, 3, 1, "m");
  const auto straight = MeasurementGrid::lines(p);
  struct Case {
    int angle;
    float c, s;  // cos and sin of the turn
  };
  const Case cases[] = {{90, 0, 1}, {180, -1, 0}, {30, std::sqrt(3.0f) / 2, 0.5f}, {360, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    const auto turned = MeasurementGrid::rotatedLines(p, c.angle);
    ASSERT_EQ(turned.size(), straight.size());
    for (std::size_t i = 0; i < turned.size(); ++i) {
      EXPECT_EQ(turned[i].id, straight[i].id);
      const pcl::PointXYZ& u = straight[i].from;
      const pcl::PointXYZ& t = turned[i].from;
      EXPECT_NEAR(t.x, c.c * u.x + c.s * u.y, 1e-5);
      EXPECT_NEAR(t.y, c.c * u.y - c.s * u.x, 1e-5);
      EXPECT_FLOAT_EQ(t.z, 0.5f);
    }
  }
  // The angle of 90 takes (x, y) to (y, -x): the line at x = 2 + 2 lies at y = -4 afterwards.
  const auto quarter = MeasurementGrid::rotatedLines(p, 90);
  EXPECT_NEAR(quarter[8].from.y, -4, 1e-5);
  EXPECT_EQ(quarter[8].id, "x_minGrid_L2.000000");

  const auto circles = MeasurementGrid::circles(p);
  ASSERT_EQ(circles.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(circles[k].radius, k + 1.0f);
    EXPECT_FLOAT_EQ(circles[k].centre.x, 2);
    EXPECT_FLOAT_EQ(circles[k].centre.y, 1);
    EXPECT_FLOAT_EQ(circles[k].centre.z, 0.5f);
  }
}

TEST(MeasurementGrid, ShortcutTurnsWrap) {
  struct Case {
    int from, up, down;
  };
  const Case cases[] = {{0, 1, 360}, {1, 2, 360}, {2, 3, 1}, {359, 0, 358}, {360, 0, 359}};
  for (const Case& c : cases) {
    EXPECT_EQ(MeasurementGrid::turnUp(c.from), c.up) << c.from;
    EXPECT_EQ(MeasurementGrid::turnDown(c.from), c.down) << c.from;
  }
}

TEST(MeasurementGrid, DegenerateSettingsStayFinite) {
  // Not from the dialog (its spin boxes start at 1), but a stored record may hold them.
  const GridParam none = grid(0, 0, 0, 0, 10, "m", 2);
  EXPECT_EQ(MeasurementGrid::lines(none).size(), 4u);
  EXPECT_EQ(MeasurementGrid::labels(none).size(), 1u);  // the centre, on the y line
  EXPECT_TRUE(MeasurementGrid::circles(none).empty());
  const GridParam flat = grid(0, 0, 0, 3, 0, "cm", 1);
  EXPECT_EQ(MeasurementGrid::labels(flat).size(), 7u);
  EXPECT_EQ(MeasurementGrid::lines(grid(0, 0, 0, -4, 10, "m")).size(), 4u);  // as 0 cells
}

}  // namespace
