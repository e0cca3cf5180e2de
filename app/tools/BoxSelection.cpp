#include "BoxSelection.h"

#include <algorithm>
#include <string>

namespace BoxSelection {

BoxSelectParam emptyBox() { return BoxSelectParam{}; }

TableRow tableRow(int row, const PointInfo& p) {
  TableRow out;
  out.row = row;
  const auto fixed3 = [](double v) { return QString::number(v, 'f', 3); };
  out.cells[0] = QString::number(p.Channel);
  out.values[0] = p.Channel;
  out.cells[1] = fixed3(p.x) + QStringLiteral("  ") + fixed3(p.y) + QStringLiteral("  ") + fixed3(p.z);
  out.values[1] = p.x;
  const double numbers[] = {p.H_angle, p.V_angle, p.Distance};
  for (int c = 0; c < 3; ++c) {
    out.cells[2 + c] = fixed3(numbers[c]);
    out.values[2 + c] = numbers[c];
  }
  out.cells[5] = QString::number(p.Intensity);
  out.values[5] = p.Intensity;
  out.cells[6] = fixed3(p.Distance2);
  out.values[6] = p.Distance2;
  out.cells[7] = QString::number(p.Intensity2);
  out.values[7] = p.Intensity2;
  out.cells[8] = QString::number(p.Mtimestamp_nsce, 'f', 10);
  out.values[8] = p.Mtimestamp_nsce;
  return out;
}

PickResult collectPicked(const pcl::PointCloud<PointInfo>& frame, const std::vector<int>& indices) {
  PickResult result;
  BoxSelectParam& box = result.box;
  AngleWindow& angles = result.angles;
  for (std::size_t r = 0; r < indices.size(); ++r) {
    const int index = indices[r];
    if (index < 0 || static_cast<std::size_t>(index) >= frame.size()) {
      ++result.outOfRange;
      continue;
    }
    const PointInfo& p = frame.points[static_cast<std::size_t>(index)];
    if (!(p.Distance > 0.0f)) continue;
    result.planeCloud->push_back(pcl::PointXYZ(p.x, p.y, p.z));
    result.selected->push_back(p);
    box.xMin = std::min(box.xMin, p.x);
    box.xMax = std::max(box.xMax, p.x);
    box.yMin = std::min(box.yMin, p.y);
    box.yMax = std::max(box.yMax, p.y);
    box.zMin = std::min(box.zMin, p.z);
    box.zMax = std::max(box.zMax, p.z);
    angles.hAngleMin = std::min(angles.hAngleMin, p.H_angle);
    angles.hAngleMax = std::max(angles.hAngleMax, p.H_angle);
    angles.vAngleMin = std::min(angles.vAngleMin, p.V_angle);
    angles.vAngleMax = std::max(angles.vAngleMax, p.V_angle);
    result.rows.push_back(static_cast<int>(r));
    ++result.count;
  }
  angles.count = result.count;
  box.valid = result.count > 0;
  return result;
}

bool contains(const BoxSelectParam& b, float x, float y, float z) {
  return b.xMin <= x && x <= b.xMax && b.yMin <= y && y <= b.yMax && b.zMin <= z && z <= b.zMax;
}

pcl::PointCloud<PointInfo>::Ptr pointsInBox(const pcl::PointCloud<PointInfo>& frame, const BoxSelectParam& box) {
  pcl::PointCloud<PointInfo>::Ptr inside(new pcl::PointCloud<PointInfo>);
  for (const PointInfo& p : frame.points)
    if (p.Distance > 0.0f && contains(box, p.x, p.y, p.z)) inside->push_back(p);
  return inside;
}

BoxSelectParam grownBox(const BoxSelectParam& box, float margin) {
  BoxSelectParam grown = box;
  grown.xMin -= margin;
  grown.yMin -= margin;
  grown.zMin -= margin;
  grown.xMax += margin;
  grown.yMax += margin;
  grown.zMax += margin;
  return grown;
}

std::array<pcl::PointXYZ, 8> boxCorners(const BoxSelectParam& b) {
  return {{
      {b.xMin, b.yMin, b.zMin},
      {b.xMax, b.yMin, b.zMin},
      {b.xMax, b.yMax, b.zMin},
      {b.xMin, b.yMax, b.zMin},
      {b.xMin, b.yMin, b.zMax},
      {b.xMax, b.yMin, b.zMax},
      {b.xMax, b.yMax, b.zMax},
      {b.xMin, b.yMax, b.zMax},
  }};
}

std::string edgeId(const Edge& edge) { return edge.idPrefix + std::to_string(edge.index); }

QString selectionCountText(int count) { return QStringLiteral("Selection Number:") + QString::number(count); }

}  // namespace BoxSelection
