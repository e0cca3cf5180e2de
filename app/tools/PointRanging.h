// Two-point ranging of the 3D view, without the view: keeps the marks of the measuring mode
// and, on every second mark, gives the line, the distance text and its scale. Two ways to
// mark: the viewer's point picking and Alt + left click (a world position from the depth
// buffer); they differ in what they clear and in the text scale.
//
// The main window's point-picking callback:
//     if (!PointRanging::acceptsPick(event.getPointIndex(), measureMode)) return;
//     const PointRanging::Step step = mRanging.addMark(x, y, z, PointRanging::Path::PointPick);
//     if (step.clearView) clearRanging();          // removes line, text and "m_clickPointCloud"
//     re-add mRanging.marks() as "m_clickPointCloud" (fixed colour 255, 0, 0; point size step.pointSize)
//     if (step.measurement) { addLine(m.from, m.to, 1, 0, 0, "m_ranging_line");
//                             addText3D(m.text, m.middle, m.textScale, 255, 0, 0, "m_ranging_text"); }
// The Alt + click path is the same with Path::AltClick; it also removes "m_boxPointCloud" and,
// when step.removeLineAndText is set, the line and the text. clearRanging calls mRanging.clear().
#pragma once

#include <QString>

#include <array>
#include <optional>

#ifndef PCL_NO_PRECOMPILE
#define PCL_NO_PRECOMPILE
#endif
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

class PointRanging {
 public:
  enum class Path { PointPick, AltClick };

  struct Measurement {
    pcl::PointXYZ from, to, middle;
    float distance = 0.f;  // metres
    QString text;          // "%f" of the distance followed by "M"
    double textScale = 0.f;
  };

  // What the view must do after a mark.
  struct Step {
    bool clearView = false;          // remove line, text and the marks cloud before re-adding
    bool removeLineAndText = false;  // a new pair started: the old line and text go
    int pointSize = 4;               // of the marks cloud
    std::optional<Measurement> measurement;
  };

  // Point picking only counts for an event with a point while measuring is on.
  static bool acceptsPick(int pointIndex, bool measureMode) { return pointIndex != -1 && measureMode; }

  static Measurement measure(const pcl::PointXYZ& from, const pcl::PointXYZ& to, Path path);
  static QString distanceText(float metres);

  Step addMark(float x, float y, float z, Path path);
  void clear();  // drops every mark, also the first mark of a started pair

  int clickCount() const { return mClickCount; }
  const pcl::PointCloud<pcl::PointXYZRGBA>::Ptr& marks() const { return mClickCloud; }

 private:
  int mClickCount = 0;
  std::array<pcl::PointXYZ, 2> mClickPoints{};
  pcl::PointCloud<pcl::PointXYZRGBA>::Ptr mClickCloud{new pcl::PointCloud<pcl::PointXYZRGBA>};
};
