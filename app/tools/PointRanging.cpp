#include "PointRanging.h"

#include <cmath>
#include <cstdio>

PointRanging::Measurement PointRanging::measure(const pcl::PointXYZ& from, const pcl::PointXYZ& to, Path path) {
  Measurement m;
  m.from = from;
  m.to = to;
  m.middle = pcl::PointXYZ((from.x + to.x) / 2.0f, (from.y + to.y) / 2.0f, (from.z + to.z) / 2.0f);
  const float dx = to.x - from.x, dy = to.y - from.y, dz = to.z - from.z;
  m.distance = std::sqrt(dx * dx + dy * dy + dz * dz);
  m.text = distanceText(m.distance);
  if (path == Path::PointPick)
    m.textScale = m.distance / 50.0;
  else
    m.textScale = m.distance < 1.0f ? 0.02 : 0.2;
  return m;
}

QString PointRanging::distanceText(float metres) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(metres));
  return QString::fromLatin1(buffer) + QStringLiteral("M");
}

PointRanging::Step PointRanging::addMark(float x, float y, float z, Path path) {
  Step step;
  step.pointSize = path == Path::PointPick ? 4 : 5;
  if (mClickCount == 0) {
    mClickCloud->clear();
    step.clearView = path == Path::PointPick;
  }
  pcl::PointXYZRGBA mark;
  mark.x = x;
  mark.y = y;
  mark.z = z;
  mClickCloud->push_back(mark);  // keeps width = point count, height 1

  mClickPoints[static_cast<std::size_t>(mClickCount)] = pcl::PointXYZ(x, y, z);
  ++mClickCount;
  if (mClickCount == 2) {
    mClickCount = 0;
    step.removeLineAndText = path == Path::AltClick;
    step.measurement = measure(mClickPoints[0], mClickPoints[1], path);
  } else if (path == Path::AltClick) {
    step.removeLineAndText = true;
  }
  return step;
}

void PointRanging::clear() {
  mClickCloud->clear();
  // A half-made pair goes too, so the first mark after a clear starts a new pair instead of
  // measuring from a mark that is no longer shown.
  mClickCount = 0;
}
