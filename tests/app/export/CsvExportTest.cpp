#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "ExportTestSupport.h"
#include "FrameSaveWriters.h"

namespace {

using namespace exporttest;

QStringList readLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

// Frame numbers (first column) of the rows below the header.
std::vector<int> frameColumn(const QStringList& lines) {
  std::vector<int> frames;
  for (int i = 1; i < lines.size(); ++i) frames.push_back(lines[i].section(',', 0, 0).toInt());
  return frames;
}

TEST(CsvFormat, HeaderAndRowsCarryEveryColumn) {
  std::ostringstream out;
  FrameSave::writeCsvHeader(out);
  const Cloud::Ptr cloud = cloudOf({
      PointBuilder().channel(7).at(1.5f, -0.25f, 12.345678f).angles(359.99f, -15.f).echo1(12.5f, 200)
          .echo2(13.25f, 9).time(12.25),
      PointBuilder().channel(255).at(1e-5f, 123456.7f, 0.f).echo1(0.f, 0).time(1725000000.5),
  });
  FrameSave::writeCsvRows(out, 4, *cloud);
  const std::string expected =
      "FrameNumber,Channel,Points_X,Points_Y,Points_Z,H_angle,V_angle,Distance1,Intensity1,Distance2,Intensity2,"
      "Timestamp_s,Timestamp_ns\n"
      "4,7,1.5,-0.25,12.3457,359.99,-15,12.5,200,13.25,9,12,250000000\n"
      "4,255,1e-05,123457,0,0,0,0,0,0,0,1725000000,500000000\n";
  EXPECT_EQ(out.str(), expected);
}

TEST(CsvFormat, TimestampSplitsIntoSecondsAndNanoseconds) {
  struct Case {
    double time;
    std::uint64_t seconds, nanos;
  };
  const Case cases[] = {
      {12.25, 12, 250000000},
      {0.0, 0, 0},
      {1725000000.75, 1725000000, 750000000},
      {-3.5, 0, 0},  // before 1970: an unsigned field cannot hold it
      {std::numeric_limits<double>::quiet_NaN(), 0, 0},
      {std::numeric_limits<double>::infinity(), 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time);
    const auto [seconds, nanos] = FrameSave::splitTimestamp(c.time);
    EXPECT_EQ(seconds, c.seconds);
    EXPECT_EQ(nanos, c.nanos);
  }
}

TEST(CsvFormat, FileNames) {
  const QDateTime when(QDate(2024, 9, 1), QTime(10, 30, 5, 7));
  EXPECT_EQ(FrameSave::csvProposedName("LidarType_Kaldor_v4_0", when, 3), "LidarType_Kaldor_v4_0_2024-09-01-10-30_3Frame.csv");
  EXPECT_EQ(FrameSave::csvFrameFileName("/data/out", "LidarType_Ulmeth", when, 12),
            "/data/out/LidarType_Ulmeth_2024-09-01-10-30-05-007_12.csv");
}

TEST(CsvSave, MergedFileHoldsEveryFrameUnderOneHeader) {
  QTemporaryDir dir;
  const QString path = dir.filePath("merged.csv");
  SaveHarness h;
  h.queue(frame(1, 2));
  ASSERT_TRUE(h.worker.startCsvMerged(path, 3));
  h.queue(Cloud::Ptr(new Cloud));  // a frame without points still counts
  h.queue(frame(3, 4));
  ASSERT_TRUE(h.waitUntilStopped());

  const QStringList lines = readLines(path);
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines[0], FrameSave::kCsvHeader);
  EXPECT_EQ(lines.filter("FrameNumber").size(), 1);
  EXPECT_EQ(frameColumn(lines), (std::vector<int>{1, 1, 3, 3, 3, 3}));
  EXPECT_EQ(lines[3], "3,0,3,0,1.5,0,0,1,30,0,0,1003,0");
  const std::vector<std::pair<bool, int>> steps{{false, 1}, {false, 2}, {false, 3}, {true, 3}};
  EXPECT_EQ(h.progress, steps);
  EXPECT_TRUE(h.failures.isEmpty());
}

TEST(CsvSave, OneFilePerFrameEachWithItsHeader) {
  QTemporaryDir dir;
  SaveHarness h;
  ASSERT_TRUE(h.worker.startCsvPerFrame(dir.path(), "LidarType_Ulmeth", 3));
  for (int f = 1; f <= 3; ++f) h.queue(frame(f, f));
  ASSERT_TRUE(h.waitUntilStopped());
  EXPECT_TRUE(h.finished());

  const QStringList files = filesIn(dir.path(), "*.csv");
  ASSERT_EQ(files.size(), 3) << files.join(' ').toStdString();
  for (int f = 1; f <= 3; ++f) {
    const QStringList match = files.filter(QRegExp(QString("^LidarType_Ulmeth_\\d{4}(-\\d\\d){5}-\\d{3}_%1\\.csv$").arg(f)));
    ASSERT_EQ(match.size(), 1) << f;
    const QStringList lines = readLines(dir.filePath(match[0]));
    ASSERT_EQ(lines.size(), 1 + f);
    EXPECT_EQ(lines[0], FrameSave::kCsvHeader);
    EXPECT_EQ(frameColumn(lines), std::vector<int>(static_cast<std::size_t>(f), f));
  }
}

TEST(CsvSave, CancelKeepsWrittenFramesAndEndsTheWriter) {
  QTemporaryDir dir;
  const QString path = dir.filePath("cancelled.csv");
  SaveHarness h;
  ASSERT_TRUE(h.worker.startCsvMerged(path, 5));
  h.queue(frame(1, 3));
  h.queue(frame(2, 3));
  ASSERT_TRUE(QTest::qWaitFor([&] { return h.progress.size() == 2; }, 10000));
  h.worker.cancel();
  EXPECT_FALSE(h.worker.isRunning());
  h.queue(frame(3, 3));  // arrives after the cancel: stays queued for the next start to drop
  QCoreApplication::processEvents();

  EXPECT_FALSE(h.finished());
  EXPECT_EQ(h.queued(), 1u);
  const QStringList lines = readLines(path);
  EXPECT_EQ(frameColumn(lines), (std::vector<int>{1, 1, 1, 2, 2, 2}));
}

TEST(CsvSave, UnwritableTargetsAreReportedNotFinished) {
  QTemporaryDir dir;
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();

  {
    SCOPED_TRACE("merged file in a missing directory");
    SaveHarness h;
    EXPECT_FALSE(h.worker.startCsvMerged(dir.filePath("missing/out.csv"), 2));
    QCoreApplication::processEvents();
    ASSERT_EQ(h.failures.size(), 1);
    EXPECT_TRUE(h.failures[0].contains("missing/out.csv"));
    EXPECT_FALSE(h.worker.isRunning());
  }
  for (const QString& target : {dir.filePath("missing"), dir.filePath("plain")}) {
    SCOPED_TRACE(target.toStdString());
    SaveHarness h;
    EXPECT_FALSE(h.worker.startCsvPerFrame(target, "LidarType_Ulmeth", 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(h.failures.size(), 1);
    EXPECT_FALSE(h.worker.isRunning());
  }
  {
    SCOPED_TRACE("directory gone after the start");
    QTemporaryDir gone;
    SaveHarness h;
    ASSERT_TRUE(h.worker.startCsvPerFrame(gone.path(), "LidarType_Ulmeth", 2));
    ASSERT_TRUE(gone.remove());
    h.queue(frame(1, 2));
    h.queue(frame(2, 2));
    ASSERT_TRUE(h.waitUntilStopped());
    ASSERT_EQ(h.failures.size(), 1);
    EXPECT_TRUE(h.failures[0].contains(gone.path()));
    EXPECT_TRUE(h.progress.empty());
  }
  {
    SCOPED_TRACE("a directory where the kernel makes no files, even for root");
    SaveHarness h;
    if (h.worker.startCsvPerFrame("/proc", "LidarType_Ulmeth", 1)) {
      h.queue(frame(1, 2));
      ASSERT_TRUE(h.waitUntilStopped());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(h.failures.size(), 1);
    EXPECT_TRUE(h.progress.empty());
  }
}

TEST(CsvSave, CountBelowOneStartsNothing) {
  QTemporaryDir dir;
  for (int count : {0, -4}) {
    SaveHarness h;
    EXPECT_FALSE(h.worker.startCsvMerged(dir.filePath("never.csv"), count));
    EXPECT_FALSE(h.worker.startCsvPerFrame(dir.path(), "T", count));
    QCoreApplication::processEvents();
    EXPECT_EQ(h.failures.size(), 2);
  }
  EXPECT_TRUE(filesIn(dir.path(), "*").isEmpty());
}

}  // namespace
