#include "MeasurementGrid.h"

#include <QString>

#include <cmath>
#include <cstdio>

namespace MeasurementGrid {

namespace {

constexpr float kCentreTolerance = 1e-5f;

std::string printfF(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%f", value);
  return buffer;
}

std::string labelText(float coordinate, const Geometry& g, const QString& unit) {
  const double shown = g.centimetres ? std::round(coordinate * 100.0) : coordinate;
  return (QString::number(shown, 'g', 6) + unit).toStdString();
}

int cellCount(const GridParam& param) { return param.gridNumber > 0 ? param.gridNumber : 0; }

}  // namespace

Geometry geometry(const GridParam& param) {
  Geometry g;
  g.centimetres = param.unit == QStringLiteral("cm");
  g.step = g.centimetres ? static_cast<float>(param.unitValue) / 100.0f : static_cast<float>(param.unitValue);
  g.half = static_cast<float>(cellCount(param)) * g.step;
  g.xMin = param.centerX - g.half;
  g.xMax = param.centerX + g.half;
  g.yMin = param.centerY - g.half;
  g.yMax = param.centerY + g.half;
  g.z = param.centerZ;
  g.labelScale = g.centimetres ? 0.002 : (g.yMax > 100.0f ? 0.5 : 0.2);
  return g;
}

std::vector<Line> lines(const GridParam& param) {
  const Geometry g = geometry(param);
  std::vector<Line> out;
  const int n = cellCount(param);
  out.reserve(static_cast<std::size_t>(n + 1) * 4);
  for (int i = 0; i <= n; ++i) {
    const std::string index = printfF(i);
    const float offset = static_cast<float>(i) * g.step;
    const float xRight = param.centerX + offset, xLeft = param.centerX - offset;
    const float yUp = param.centerY + offset, yDown = param.centerY - offset;
    out.push_back({"x_minGrid_L" + index, {xRight, g.yMin, g.z}, {xRight, g.yMax, g.z}});
    out.push_back({"y_minGrid_U" + index, {g.xMin, yUp, g.z}, {g.xMax, yUp, g.z}});
    out.push_back({"x_minGrid_R" + index, {xLeft, g.yMin, g.z}, {xLeft, g.yMax, g.z}});
    out.push_back({"y_minGrid_B" + index, {g.xMin, yDown, g.z}, {g.xMax, yDown, g.z}});
  }
  return out;
}

std::vector<Line> rotatedLines(const GridParam& param, int angleDegrees) {
  const double a = angleDegrees * kPi / 180.0;
  const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
  const auto turn = [c, s](pcl::PointXYZ& p) {
    const float u = p.x, v = p.y;
    p.x = c * u + s * v;
    p.y = c * v - s * u;
  };
  std::vector<Line> out = lines(param);
  for (Line& line : out) {
    turn(line.from);
    turn(line.to);
  }
  return out;
}

std::vector<Circle> circles(const GridParam& param) {
  const Geometry g = geometry(param);
  std::vector<Circle> out;
  for (int k = 1; k <= cellCount(param); ++k)
    out.push_back({{param.centerX, param.centerY, param.centerZ}, static_cast<float>(k) * g.step});
  return out;
}

std::vector<Label> labels(const GridParam& param) {
  const Geometry g = geometry(param);
  const QString unit = g.centimetres ? QStringLiteral("cm") : param.unit;
  // Positions come from a count, not from adding the step up to the far bound: a float sum
  // can overshoot the last position, and a step of 0 would never reach it.
  const int positions = 2 * cellCount(param) + 1;
  // Far from the origin a float position can miss the centre by more than the tolerance;
  // the middle position is the centre whatever the rounding.
  const auto isCentre = [&](int k, float v, float centre) {
    return k == cellCount(param) || std::fabs(v - centre) < kCentreTolerance;
  };
  std::vector<Label> out;
  if (param.orientation == 1 || param.orientation == 2) {
    for (int k = 0; k < positions; ++k) {
      const float x = g.xMin + static_cast<float>(k) * g.step;
      if (param.orientation == 2 && isCentre(k, x, param.centerX)) continue;
      out.push_back({"ShowCircleX" + printfF(x), {x, param.centerY, param.centerZ}, labelText(x, g, unit),
                     g.labelScale});
    }
  }
  if (param.orientation != 1) {
    for (int k = 0; k < positions; ++k) {
      const float y = g.yMin + static_cast<float>(k) * g.step;
      std::string text = labelText(y, g, unit);
      if (param.orientation == 2 && isCentre(k, y, param.centerY)) text += "(Y)";
      out.push_back({"ShowCircleY" + printfF(y), {param.centerX, y, param.centerZ}, text, g.labelScale});
    }
  }
  return out;
}

int turnUp(int angleDegrees) {
  const int next = angleDegrees + 1;
  return next >= 360 ? 0 : next;
}

int turnDown(int angleDegrees) {
  const int next = angleDegrees - 1;
  return next < 1 ? 360 : next;
}

}  // namespace MeasurementGrid
