#include "BoxSelection.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

PointInfo point(float x, float y, float z, float distance, float h = 0, float v = 0) {
  PointInfo p{};
  p.x = x, p.y = y, p.z = z;
  p.Distance = distance;
  p.H_angle = h, p.V_angle = v;
  return p;
}

pcl::PointCloud<PointInfo> frameOf(std::initializer_list<PointInfo> points) {
  pcl::PointCloud<PointInfo> frame;
  for (const PointInfo& p : points) frame.push_back(p);
  return frame;
}

std::array<float, 6> bounds(const BoxSelectParam& b) { return {b.xMin, b.xMax, b.yMin, b.yMax, b.zMin, b.zMax}; }

TEST(BoxSelection, PickKeepsPointsWithDistanceAndPassesOverTheRest) {
  const auto frame = frameOf({
      point(1, 2, 3, 4, 10, -2),      // 0
      point(50, 50, 50, 0, 90, 90),   // 1: no distance, must not widen anything
      point(-1, 5, 0.5f, 2, -20, 7),  // 2
      point(9, 9, 9, -1),             // 3: negative distance
      point(0, -3, 1, 1, 5, -15),     // 4
  });
  // Row r is the position in the pick list; 7 and -1 no longer name a point of the frame.
  const BoxSelection::PickResult pick = BoxSelection::collectPicked(frame, {4, 1, 7, 0, 3, -1, 2});

  EXPECT_EQ(pick.count, 3);
  EXPECT_EQ(pick.outOfRange, 2);
  EXPECT_TRUE(pick.box.valid);
  EXPECT_EQ(bounds(pick.box), (std::array<float, 6>{-1, 1, -3, 5, 0.5f, 3}));
  EXPECT_FLOAT_EQ(pick.angles.hAngleMin, -20);
  EXPECT_FLOAT_EQ(pick.angles.hAngleMax, 10);
  EXPECT_FLOAT_EQ(pick.angles.vAngleMin, -15);
  EXPECT_FLOAT_EQ(pick.angles.vAngleMax, 7);
  EXPECT_EQ(pick.angles.count, 3);

  EXPECT_EQ(pick.rows, (std::vector<int>{0, 3, 6}));
  ASSERT_EQ(pick.selected->size(), 3u);
  ASSERT_EQ(pick.planeCloud->size(), 3u);
  const float xs[] = {0, 1, -1};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ((*pick.selected)[i].x, xs[i]);
    EXPECT_EQ((*pick.planeCloud)[i].x, xs[i]);
  }
}

TEST(BoxSelection, PicksWithoutUsablePointsLeaveTheBoxEmpty) {
  const auto frame = frameOf({point(1, 1, 1, 0), point(2, 2, 2, 0)});
  const std::vector<std::vector<int>> picks = {{}, {0, 1}, {5, -2}};
  for (const auto& indices : picks) {
    const BoxSelection::PickResult pick = BoxSelection::collectPicked(frame, indices);
    EXPECT_EQ(pick.count, 0);
    EXPECT_FALSE(pick.box.valid);
    EXPECT_EQ(bounds(pick.box), bounds(BoxSelection::emptyBox()));
    EXPECT_TRUE(pick.rows.empty());
    EXPECT_FLOAT_EQ(pick.angles.hAngleMin, 9999);
    EXPECT_FLOAT_EQ(pick.angles.hAngleMax, -999);
    EXPECT_FLOAT_EQ(pick.angles.vAngleMin, 9999);
    EXPECT_FLOAT_EQ(pick.angles.vAngleMax, -9999);
  }
}

TEST(BoxSelection, OnePointMakesABoxOfZeroSizeThatHoldsIt) {
  const auto frame = frameOf({point(2.5f, -1, 0.25f, 3)});
  const BoxSelection::PickResult pick = BoxSelection::collectPicked(frame, {0});
  EXPECT_EQ(bounds(pick.box), (std::array<float, 6>{2.5f, 2.5f, -1, -1, 0.25f, 0.25f}));
  EXPECT_TRUE(BoxSelection::contains(pick.box, 2.5f, -1, 0.25f));
  EXPECT_EQ(BoxSelection::pointsInBox(frame, pick.box)->size(), 1u);
  for (const pcl::PointXYZ& c : BoxSelection::boxCorners(pick.box)) {
    EXPECT_EQ(c.x, 2.5f);
    EXPECT_EQ(c.y, -1);
    EXPECT_EQ(c.z, 0.25f);
  }
}

TEST(BoxSelection, TableRowCells) {
  PointInfo p = point(1.23456f, -0.5f, 10, 12.3456f, 45.6789f, -3.25f);
  p.Channel = 17;
  p.Intensity = 200;
  p.Distance2 = 13.25f;
  p.Intensity2 = 9;
  p.Mtimestamp_nsce = 1700000000.123456789;
  const BoxSelection::TableRow row = BoxSelection::tableRow(4, p);
  EXPECT_EQ(row.row, 4);
  const char* expected[] = {"17",      "1.235  -0.500  10.000", "45.679", "-3.250", "12.346", "200",
                            "13.250", "9",                      "1700000000.1234567165"};
  for (int c = 0; c < BoxSelection::kTableColumns; ++c) EXPECT_EQ(row.cells[c], expected[c]) << "column " << c;
  EXPECT_DOUBLE_EQ(row.values[0], 17);
  EXPECT_DOUBLE_EQ(row.values[1], p.x);
  EXPECT_DOUBLE_EQ(row.values[4], p.Distance);
  EXPECT_DOUBLE_EQ(row.values[8], p.Mtimestamp_nsce);
}

TEST(BoxSelection, ContainsIsInclusiveOnEveryFace) {
  BoxSelectParam box;
  box.xMin = -1, box.xMax = 1, box.yMin = 0, box.yMax = 2, box.zMin = -0.5f, box.zMax = 0.5f;
  struct Case {
    float x, y, z;
    bool inside;
  };
  const Case cases[] = {
      {0, 1, 0, true},      {-1, 0, -0.5f, true},  {1, 2, 0.5f, true},     {-1.001f, 1, 0, false},
      {1.001f, 1, 0, false}, {0, -0.001f, 0, false}, {0, 2.001f, 0, false}, {0, 1, -0.501f, false},
      {0, 1, 0.501f, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BoxSelection::contains(box, c.x, c.y, c.z), c.inside) << c.x << " " << c.y << " " << c.z;
  EXPECT_FALSE(BoxSelection::contains(BoxSelection::emptyBox(), 0, 0, 0));

  const auto frame = frameOf({point(0, 1, 0, 1), point(0, 1, 0, 0), point(5, 1, 0, 1), point(1, 2, 0.5f, 2)});
  const auto inside = BoxSelection::pointsInBox(frame, box);
  ASSERT_EQ(inside->size(), 2u);
  EXPECT_EQ((*inside)[1].x, 1);

  const BoxSelectParam grown = BoxSelection::grownBox(box, 0.05f);
  EXPECT_EQ(bounds(grown), (std::array<float, 6>{-1.05f, 1.05f, -0.05f, 2.05f, -0.55f, 0.55f}));
  EXPECT_TRUE(BoxSelection::contains(grown, 1.04f, 2.04f, 0.54f));
}

TEST(BoxSelection, EdgesOutlineTheBox) {
  BoxSelectParam box;
  box.xMin = -1, box.xMax = 2, box.yMin = -3, box.yMax = 4, box.zMin = -5, box.zMax = 6;
  const auto corners = BoxSelection::boxCorners(box);
  // Corners 0-3 on the bottom, counter-clockwise from (x min, y min); 4-7 above them.
  const float expected[8][3] = {{-1, -3, -5}, {2, -3, -5}, {2, 4, -5}, {-1, 4, -5},
                                {-1, -3, 6},  {2, -3, 6},  {2, 4, 6},  {-1, 4, 6}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(corners[i].x, expected[i][0]) << i;
    EXPECT_EQ(corners[i].y, expected[i][1]) << i;
    EXPECT_EQ(corners[i].z, expected[i][2]) << i;
  }
  // Twelve distinct edges, each between corners that differ in one coordinate only.
  std::set<std::pair<int, int>> pairs;
  std::set<std::string> ids;
  for (const BoxSelection::Edge& e : BoxSelection::kBoxEdges) {
    pairs.insert({std::min(e.from, e.to), std::max(e.from, e.to)});
    ids.insert(BoxSelection::edgeId(e));
    int differing = 0;
    for (int k = 0; k < 3; ++k) differing += expected[e.from][k] != expected[e.to][k];
    EXPECT_EQ(differing, 1) << BoxSelection::edgeId(e);
    const std::string prefix = e.idPrefix;
    const double rgb[3] = {e.r, e.g, e.b};
    const int colour = prefix == "bbox_line_bottom_" ? 0 : prefix == "bbox_line_top_" ? 1 : 2;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(rgb[k], k == colour ? 1.0 : 0.0) << BoxSelection::edgeId(e);
    if (colour == 0) {
      EXPECT_TRUE(e.from < 4 && e.to < 4);
    }
    if (colour == 1) {
      EXPECT_TRUE(e.from >= 4 && e.to >= 4);
    }
  }
  EXPECT_EQ(pairs.size(), 12u);
  EXPECT_EQ(ids.size(), 12u);
  EXPECT_EQ(ids.count("bbox_line_vertical_3"), 1u);
  EXPECT_EQ(BoxSelection::selectionCountText(42), "Selection Number:42");
}

}  // namespace
