// Box selection of the 3D view, without the view: turns the indices of an area pick into the
// picked points, the axis-aligned box around them, the point-table rows and the angle window;
// gives the box's corners and edges and tests points against a box.
//
// The main window's area-picking callback:
//     const BoxSelection::PickResult pick = BoxSelection::collectPicked(*mCurrentCloud, indices);
//     point table: row pick.rows[k] shows BoxSelection::tableRow(pick.rows[k], (*pick.selected)[k]),
//     written for the rows in view only (a whole frame has tens of thousands)
//     if (pick.count > 0) {            // a pick of no usable point leaves no box in force
//       mBoxBounds = pick.box; mIsBoxValid = true;   // then b = mBoxBounds
//       halverd->onSelectRange(true, b.xMin, b.yMin, b.zMin, b.xMax, b.yMax, b.zMax);
//       mBoxSelectChangeValue->setBoxSelectParam(pick.box);
//       const auto corners = BoxSelection::boxCorners(pick.box);
//       for (const BoxSelection::Edge& e : BoxSelection::kBoxEdges)
//         addLine(corners[e.from], corners[e.to], e.r, e.g, e.b, BoxSelection::edgeId(e));  // width kEdgeLineWidth
//     }
//     thickness = WallThickness::fitPlaneThickness(pick.planeCloud, coefficients);
// Dropping the box: mBoxBounds = BoxSelection::emptyBox(), and onSelectRange(false, ...).
#pragma once

#include <QString>

#include <array>
#include <string>
#include <vector>

#ifndef PCL_NO_PRECOMPILE
#define PCL_NO_PRECOMPILE
#endif
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include "BoxSelectParam.h"
#include "LidarRecords.h"

namespace BoxSelection {

// Angle window handed to the glue library's panel with each area selection.
struct AngleWindow {
  float hAngleMin = 9999.0f;
  float hAngleMax = -999.0f;
  float vAngleMin = 9999.0f;
  float vAngleMax = -9999.0f;
  int count = 0;  // picked points
};

constexpr int kTableColumns = 9;

// One row of the point table: column 0 channel, 1 "x  y  z", 2-4 H angle, V angle, distance,
// 5 intensity, 6-7 second echo distance and intensity, 8 timestamp. Each cell also carries
// its raw number as item data (column 1 carries x).
struct TableRow {
  int row = 0;  // position of the index in the pick list
  std::array<QString, kTableColumns> cells;
  std::array<double, kTableColumns> values{};
};

struct PickResult {
  BoxSelectParam box;  // widened around every kept point; valid when count > 0
  pcl::PointCloud<PointInfo>::Ptr selected{new pcl::PointCloud<PointInfo>};
  pcl::PointCloud<pcl::PointXYZ>::Ptr planeCloud{new pcl::PointCloud<pcl::PointXYZ>};
  AngleWindow angles;  // widened by every kept point; count = kept points
  // Table row of each kept point, ascending: (*selected)[k] belongs in row rows[k]; rows of
  // passed-over indices stay empty. Cells are made by tableRow when a row is shown.
  std::vector<int> rows;
  int count = 0;
  int outOfRange = 0;  // indices that no longer name a point of the frame
};

// The box that selects nothing: every minimum 1000 above its maximum -1000, not valid.
BoxSelectParam emptyBox();

// Keeps the picked points with a distance above 0. An index outside the frame (the frame on
// screen changed between the pick and the collection) is passed over and counted.
PickResult collectPicked(const pcl::PointCloud<PointInfo>& frame, const std::vector<int>& indices);

// Table cells of one point: floats with 3 decimals, the timestamp with 10.
TableRow tableRow(int row, const PointInfo& point);

// Bounds are inclusive, so a box of zero size still holds the point it was made from.
bool contains(const BoxSelectParam& box, float x, float y, float z);

// The points of a frame inside the box with a distance above 0.
pcl::PointCloud<PointInfo>::Ptr pointsInBox(const pcl::PointCloud<PointInfo>& frame, const BoxSelectParam& box);

// The box grown by margin metres on every side (the wall-thickness test uses 0.05).
BoxSelectParam grownBox(const BoxSelectParam& box, float margin);

// Corners 0-3 on the bottom (z min) and 4-7 on the top, counter-clockwise from (x min, y min).
std::array<pcl::PointXYZ, 8> boxCorners(const BoxSelectParam& box);

struct Edge {
  const char* idPrefix;  // the shape id is the prefix followed by the index 0-3
  int index;
  int from, to;  // corners
  double r, g, b;
};

constexpr double kEdgeLineWidth = 0.5;

constexpr std::array<Edge, 12> kBoxEdges{{
    {"bbox_line_bottom_", 0, 0, 1, 1, 0, 0},   {"bbox_line_bottom_", 1, 1, 2, 1, 0, 0},
    {"bbox_line_bottom_", 2, 2, 3, 1, 0, 0},   {"bbox_line_bottom_", 3, 3, 0, 1, 0, 0},
    {"bbox_line_top_", 0, 4, 5, 0, 1, 0},      {"bbox_line_top_", 1, 5, 6, 0, 1, 0},
    {"bbox_line_top_", 2, 6, 7, 0, 1, 0},      {"bbox_line_top_", 3, 7, 4, 0, 1, 0},
    {"bbox_line_vertical_", 0, 0, 4, 0, 0, 1}, {"bbox_line_vertical_", 1, 1, 5, 0, 0, 1},
    {"bbox_line_vertical_", 2, 2, 6, 0, 0, 1}, {"bbox_line_vertical_", 3, 3, 7, 0, 0, 1},
}};

// "bbox_line_bottom_0" and so on.
std::string edgeId(const Edge& edge);

// "Selection Number:" followed by the count.
QString selectionCountText(int count);

}  // namespace BoxSelection
