// Geometry of the 3D view's measurement grid, without the view: the lines (straight or turned
// about the sensor), the range circles of a turned grid and the distance labels for a
// GridParam, and the one-degree turns of the grid shortcuts.
//
// The main window's grid slot and rotateGrid:
//     for (const MeasurementGrid::Line& l : angle == 0 ? MeasurementGrid::lines(gridParam)
//                                                      : MeasurementGrid::rotatedLines(gridParam, mGridAngle)) {
//       viewer->addLine(l.from, l.to, 150, 150, 150, l.id);   // then opacity kLineOpacity
//     }
//     for (const MeasurementGrid::Circle& c : MeasurementGrid::circles(gridParam)) ... (turned grid only)
//     for (const MeasurementGrid::Label& t : MeasurementGrid::labels(gridParam))
//       viewer->addText3D(t.text, t.position, t.scale, 150, 150, 150, t.id);
// and the shortcuts: mGridAngle = MeasurementGrid::turnUp(mGridAngle) / turnDown(mGridAngle).
#pragma once

#include <string>
#include <vector>

#ifndef PCL_NO_PRECOMPILE
#define PCL_NO_PRECOMPILE
#endif
#include <pcl/point_types.h>

#include "GridParam.h"

namespace MeasurementGrid {

constexpr double kLineColour = 150.0;  // r, g and b as passed to addLine and addText3D
constexpr double kLineOpacity = 0.2;
constexpr int kCircleSides = 70;
constexpr double kCircleColour = 0.5;  // r, g and b of the wireframe circles
constexpr double kPi = 3.1415926;

// Metres, single precision as the grid is drawn.
struct Geometry {
  float step = 0.f;  // cell size
  float half = 0.f;  // gridNumber cells
  float xMin = 0.f, xMax = 0.f;
  float yMin = 0.f, yMax = 0.f;
  float z = 0.f;
  double labelScale = 0.2;
  bool centimetres = false;
};

Geometry geometry(const GridParam& param);

struct Line {
  std::string id;
  pcl::PointXYZ from, to;
};

// Four lines per i = 0 ... gridNumber: "x_minGrid_L", "y_minGrid_U", "x_minGrid_R" and
// "y_minGrid_B", each followed by i written as "%f".
std::vector<Line> lines(const GridParam& param);

// The same lines with every end point turned by angleDegrees about the origin (the sensor).
std::vector<Line> rotatedLines(const GridParam& param, int angleDegrees);

struct Circle {
  pcl::PointXYZ centre;
  float radius = 0.f;
};

// Range circles of a turned grid: radius k step around the centre for k = 1 ... gridNumber.
std::vector<Circle> circles(const GridParam& param);

struct Label {
  std::string id;  // "ShowCircleX" or "ShowCircleY" followed by the coordinate as "%f"
  pcl::PointXYZ position;
  std::string text;  // the coordinate and the unit, e.g. "-200m" or "-950cm"
  double scale = 0.2;
};

// Labels of the unrotated grid positions, by orientation: 1 the x lines, 2 both (the centre
// only once, on the y line, as "...(Y)"), anything else the y lines.
std::vector<Label> labels(const GridParam& param);

// The shortcuts' one-degree turns: up wraps 360 to 0, down wraps below 1 to 360.
int turnUp(int angleDegrees);
int turnDown(int angleDegrees);

}  // namespace MeasurementGrid
