// The point-file formats of the frame save: CSV rows, binary PCD frames, and the names of
// the files. No widgets here; FrameSaveWorker runs these on its thread.
#pragma once

#include <QDateTime>
#include <QString>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>

#ifndef PCL_NO_PRECOMPILE
#define PCL_NO_PRECOMPILE
#endif
#include <pcl/point_cloud.h>

#include "LidarRecords.h"

namespace FrameSave {

constexpr const char* kCsvHeader =
    "FrameNumber,Channel,Points_X,Points_Y,Points_Z,H_angle,V_angle,Distance1,Intensity1,Distance2,Intensity2,"
    "Timestamp_s,Timestamp_ns";
constexpr const char* kFinishedText = "Save file finished";
constexpr int kFinishedLevel = 100;  // level of the finish text on the window's show signal

// Whole seconds and nanoseconds of a point time, each truncated. A time before 1970 or not a
// number gives 0 and 0: an unsigned field cannot hold it.
std::pair<std::uint64_t, std::uint64_t> splitTimestamp(double seconds);

// The header line, and one line per point of a frame, in the cloud's order. Floats in the
// stream's general notation with 6 significant digits; bytes as integers.
void writeCsvHeader(std::ostream& out);
void writeCsvRows(std::ostream& out, int frameNumber, const pcl::PointCloud<PointInfo>& cloud);

// The name offered for a merged CSV file: <type>_<yyyy-MM-dd-hh-mm>_<count>Frame.csv.
QString csvProposedName(const QString& lidarType, const QDateTime& now, int count);
// One file per frame: <dir>/<type>_<yyyy-MM-dd-hh-mm-ss-zzz>_<frame>.csv.
QString csvFrameFileName(const QString& dir, const QString& lidarType, const QDateTime& opened, int frameNumber);
// A PCD frame: <dir>/<type>_<yyyy-MM-dd-hh-mm-ss-zzz>[_<queuedFrames + 1>].pcd, the number only
// when more than one frame is saved.
QString pcdFrameFileName(const QString& dir, const QString& lidarType, const QDateTime& now, int saveCount,
                         int queuedFrames);
// A LAS frame: <dir>/file_<%Y-%m-%d-%H-%M-%S>.<milliseconds, no leading zeros>.las, local time.
std::string lasFrameFileName(const std::string& dir, std::chrono::system_clock::time_point now);

// A path as the file system takes it (UTF-8 here).
std::string localPath(const QString& path);

// Why files cannot be made in `dir`; empty when it is a directory we may write to.
QString directoryProblem(const QString& dir);

enum class PcdStatus { Written, EmptyFrame, Failed };

// One frame as a binary PCD file with every field of PointInfo. An empty frame makes no
// file. A failure is a result, never an exception, and leaves no file it made.
PcdStatus writePcdFrame(const std::string& fileName, const pcl::PointCloud<PointInfo>& cloud);

}  // namespace FrameSave
