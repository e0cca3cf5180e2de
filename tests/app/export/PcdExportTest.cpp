#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <pcl/io/pcd_io.h>

#include "ExportTestSupport.h"
#include "FrameSaveWriters.h"

namespace {

using namespace exporttest;

// Every field distinct, the second echo unlike the first.
Cloud::Ptr richFrame(int f) {
  Cloud::Ptr cloud(new Cloud);
  for (int k = 0; k < 4; ++k)
    cloud->push_back(PointBuilder()
                         .at(f + 0.125f * k, -2.5f * k, 0.001f * f)
                         .colour(static_cast<std::uint8_t>(250 - k), static_cast<std::uint8_t>(128 + f), 3)
                         .channel(static_cast<std::uint8_t>(31 + k))
                         .angles(359.875f - k, -16.5f + k)
                         .echo1(7.25f + k, static_cast<std::uint8_t>(200 + k))
                         .echo2(9.5f + k, static_cast<std::uint8_t>(17 + f))
                         .time(1725000000.123456 + f * 0.1 + k * 1e-6));
  return cloud;
}

void expectSamePoints(const Cloud& read, const Cloud& written) {
  ASSERT_EQ(read.size(), written.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    SCOPED_TRACE(i);
    const PointInfo &a = read[i], &b = written[i];
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
    EXPECT_EQ(a.rgba, b.rgba);
    EXPECT_EQ(a.Channel, b.Channel);
    EXPECT_EQ(a.H_angle, b.H_angle);
    EXPECT_EQ(a.V_angle, b.V_angle);
    EXPECT_EQ(a.Distance, b.Distance);
    EXPECT_EQ(a.Intensity, b.Intensity);
    EXPECT_EQ(a.Distance2, b.Distance2);
    EXPECT_EQ(a.Intensity2, b.Intensity2);
    EXPECT_EQ(a.Mtimestamp_nsce, b.Mtimestamp_nsce);
  }
}

QString headerOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return QString::fromLatin1(bytes.left(bytes.indexOf("DATA binary")));
}

TEST(PcdFormat, FileNamesNumberFramesOnlyWhenSeveralAreSaved) {
  const QDateTime when(QDate(2024, 9, 1), QTime(10, 30, 5, 42));
  struct Case {
    int count, queued;
    const char* name;
  };
  const Case cases[] = {
      {1, 0, "/d/LidarType_Hestin_2024-09-01-10-30-05-042.pcd"},
      {3, 0, "/d/LidarType_Hestin_2024-09-01-10-30-05-042_1.pcd"},
      {3, 2, "/d/LidarType_Hestin_2024-09-01-10-30-05-042_3.pcd"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FrameSave::pcdFrameFileName("/d", "LidarType_Hestin", when, c.count, c.queued), c.name);
}

TEST(PcdSave, FramesReadBackByPclWithEveryField) {
  QTemporaryDir dir;
  SaveHarness h;
  ASSERT_TRUE(h.worker.startPcd(dir.path(), 3));
  std::vector<Cloud::Ptr> written;
  for (int f = 0; f < 3; ++f) {
    Cloud::Ptr cloud = richFrame(f);
    if (f == 2) cloud->points.push_back(richFrame(9)->points[0]);  // width no longer matches the points
    written.push_back(cloud);
    h.queue(cloud, FrameSave::localPath(
                       FrameSave::pcdFrameFileName(dir.path(), "LidarType_Yorbek", QDateTime::currentDateTime(), 3, f)));
  }
  ASSERT_TRUE(h.waitUntilStopped());
  const std::vector<std::pair<bool, int>> steps{{false, 1}, {false, 2}, {false, 3}, {true, 3}};
  EXPECT_EQ(h.progress, steps);
  EXPECT_TRUE(h.failures.isEmpty());

  const QStringList files = filesIn(dir.path(), "*.pcd");
  ASSERT_EQ(files.size(), 3);
  for (int f = 0; f < 3; ++f) {
    SCOPED_TRACE(f);
    const QStringList match = files.filter(QString("_%1.pcd").arg(f + 1));
    ASSERT_EQ(match.size(), 1);
    const QString path = dir.filePath(match[0]);
    const QString header = headerOf(path);
    EXPECT_TRUE(header.contains("FIELDS x y z rgb Channel H_angle V_angle Distance Intensity Distance2 Intensity2 "
                                "Mtimestamp_nsce\n"))
        << header.toStdString();
    EXPECT_TRUE(header.contains("SIZE 4 4 4 4 1 4 4 4 1 4 1 8\n"));
    Cloud read;
    ASSERT_EQ(pcl::io::loadPCDFile<PointInfo>(FrameSave::localPath(path), read), 0);
    expectSamePoints(read, *written[static_cast<std::size_t>(f)]);
  }
}

TEST(PcdSave, EmptyFrameCountsWithoutFileOrProgressStep) {
  QTemporaryDir dir;
  SaveHarness h;
  ASSERT_TRUE(h.worker.startPcd(dir.path(), 2));
  h.queue(Cloud::Ptr(new Cloud), FrameSave::localPath(dir.filePath("a_1.pcd")));
  h.queue(richFrame(1), FrameSave::localPath(dir.filePath("b_2.pcd")));
  ASSERT_TRUE(h.waitUntilStopped());
  EXPECT_EQ(filesIn(dir.path(), "*"), QStringList{"b_2.pcd"});
  const std::vector<std::pair<bool, int>> steps{{false, 2}, {true, 2}};
  EXPECT_EQ(h.progress, steps);
}

TEST(PcdSave, FrameThatCannotBeWrittenEndsTheSaveWithAMessage) {
  QTemporaryDir dir;
  SaveHarness h;
  ASSERT_TRUE(h.worker.startPcd(dir.path(), 3));
  h.queue(richFrame(0), FrameSave::localPath(dir.filePath("ok_1.pcd")));
  h.queue(richFrame(1), FrameSave::localPath(dir.filePath("no/such/dir_2.pcd")));
  h.queue(richFrame(2), FrameSave::localPath(dir.filePath("after_3.pcd")));
  ASSERT_TRUE(h.waitUntilStopped());

  ASSERT_EQ(h.failures.size(), 1);
  EXPECT_TRUE(h.failures[0].contains("no/such/dir_2.pcd"));
  EXPECT_FALSE(h.finished());
  const std::vector<std::pair<bool, int>> steps{{false, 1}};
  EXPECT_EQ(h.progress, steps);
  EXPECT_EQ(filesIn(dir.path(), "*.pcd"), QStringList{"ok_1.pcd"}) << "the good frame stays";
  EXPECT_EQ(h.queued(), 1u);

  SaveHarness refused;
  EXPECT_FALSE(refused.worker.startPcd(dir.filePath("missing"), 1));
  EXPECT_EQ(refused.failures.size(), 1);
}

// A file size limit lets PCL create the file and then fail to size it, as a full disk would:
// nothing of the frame is left behind. A directory that stood under the name stays.
TEST(PcdSave, FailedFrameLeavesNoPartialFile) {
  QTemporaryDir dir;
  Cloud::Ptr big(new Cloud);
  for (int i = 0; i < 2000; ++i) *big += *richFrame(i % 7);
  const std::string name = FrameSave::localPath(dir.filePath("full_disk.pcd"));

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*savedSignal)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const FrameSave::PcdStatus status = FrameSave::writePcdFrame(name, *big);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedSignal);

  EXPECT_EQ(status, FrameSave::PcdStatus::Failed);
  EXPECT_EQ(filesIn(dir.path(), "*"), QStringList{});

  ASSERT_TRUE(QDir(dir.path()).mkdir("taken.pcd"));
  EXPECT_EQ(FrameSave::writePcdFrame(FrameSave::localPath(dir.filePath("taken.pcd")), *big),
            FrameSave::PcdStatus::Failed);
  EXPECT_TRUE(QFileInfo(dir.filePath("taken.pcd")).isDir());

  // Without the limit the same frame is written whole.
  EXPECT_EQ(FrameSave::writePcdFrame(name, *big), FrameSave::PcdStatus::Written);
  Cloud read;
  ASSERT_EQ(pcl::io::loadPCDFile<PointInfo>(name, read), 0);
  EXPECT_EQ(read.size(), big->size());
}

}  // namespace
