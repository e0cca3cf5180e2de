#include "FrameSaveWriters.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <limits>

#include <pcl/io/pcd_io.h>

namespace FrameSave {

std::pair<std::uint64_t, std::uint64_t> splitTimestamp(double seconds) {
  // Past 2^64 s the conversion is undefined as well; no point time comes near it.
  if (!(seconds >= 0.0) || seconds >= 18446744073709551616.0) return {0, 0};
  const auto whole = static_cast<std::uint64_t>(seconds);
  const auto nanos = static_cast<std::uint64_t>((seconds - static_cast<double>(whole)) * 1e9);
  return {whole, nanos};
}

void writeCsvHeader(std::ostream& out) { out << kCsvHeader << '\n'; }

void writeCsvRows(std::ostream& out, int frameNumber, const pcl::PointCloud<PointInfo>& cloud) {
  for (const PointInfo& p : cloud.points) {
    const auto [whole, nanos] = splitTimestamp(p.Mtimestamp_nsce);
    out << frameNumber << ',' << static_cast<int>(p.Channel) << ',' << p.x << ',' << p.y << ',' << p.z << ','
        << p.H_angle << ',' << p.V_angle << ',' << p.Distance << ',' << static_cast<int>(p.Intensity) << ','
        << p.Distance2 << ',' << static_cast<int>(p.Intensity2) << ',' << whole << ',' << nanos << '\n';
  }
}

QString csvProposedName(const QString& lidarType, const QDateTime& now, int count) {
  return lidarType + "_" + now.toString("yyyy-MM-dd-hh-mm") + "_" + QString::number(count) + "Frame" + ".csv";
}

QString csvFrameFileName(const QString& dir, const QString& lidarType, const QDateTime& opened, int frameNumber) {
  return dir + "/" + lidarType + "_" + opened.toString("yyyy-MM-dd-hh-mm-ss-zzz") + "_" +
         QString::number(frameNumber) + ".csv";
}

QString pcdFrameFileName(const QString& dir, const QString& lidarType, const QDateTime& now, int saveCount,
                         int queuedFrames) {
  QString name = dir + "/" + lidarType + "_" + now.toString("yyyy-MM-dd-hh-mm-ss-zzz");
  if (saveCount >= 2) name += QString("_%1").arg(queuedFrames + 1);
  return name + ".pcd";
}

std::string lasFrameFileName(const std::string& dir, std::chrono::system_clock::time_point now) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto sinceEpoch = now.time_since_epoch();
  const long long millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() -
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::seconds(seconds)).count();
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[64];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H-%M-%S.", &local);
  return dir + "/file_" + stamp + std::to_string(millis) + ".las";
}

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString directoryProblem(const QString& dir) {
  const QFileInfo info(dir);
  if (dir.isEmpty() || !info.isDir())
    return QCoreApplication::translate("FrameSave", "The directory %1 does not exist").arg(dir);
  if (!info.isWritable()) return QCoreApplication::translate("FrameSave", "The directory %1 is not writable").arg(dir);
  return QString();
}

PcdStatus writePcdFrame(const std::string& fileName, const pcl::PointCloud<PointInfo>& cloud) {
  if (cloud.empty()) return PcdStatus::EmptyFrame;
  // PCL writes width x height records; a cloud whose size disagrees is written as one row.
  const pcl::PointCloud<PointInfo>* source = &cloud;
  pcl::PointCloud<PointInfo> flat;
  if (static_cast<std::size_t>(cloud.width) * cloud.height != cloud.size()) {
    flat = cloud;
    flat.width = static_cast<std::uint32_t>(flat.size());
    flat.height = 1;
    source = &flat;
  }
  // PCL creates the file before it sizes and maps it: a failure after that leaves an empty or
  // partial file, which goes. A file that was there before is not ours to delete.
  std::error_code error;
  const bool existed = std::filesystem::exists(std::filesystem::symlink_status(fileName, error));
  PcdStatus status = PcdStatus::Failed;
  try {
    pcl::PCDWriter writer;
    status = writer.writeBinary(fileName, *source) == 0 ? PcdStatus::Written : PcdStatus::Failed;
  } catch (const std::exception&) {
    status = PcdStatus::Failed;  // PCL throws when the file cannot be created, sized or mapped
  }
  if (status == PcdStatus::Failed && !existed) std::remove(fileName.c_str());
  return status;
}

}  // namespace FrameSave
