#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <set>

#include "ExportTestSupport.h"
#include "FrameSaveWriters.h"
#include "LasWriter.h"

namespace {

using namespace exporttest;

// A reader of just what the writer promises, straight from the LAS 1.4 layout.
struct LasPoint {
  std::int32_t X, Y, Z;
  std::uint16_t intensity;
  std::uint8_t returns, classification;
  std::int8_t scanAngle;
  std::uint8_t userData;
  std::uint16_t pointSource;
  double gpsTime;
  std::uint16_t red, green, blue;
};

struct LasFile {
  bool ok = false;
  std::size_t fileSize = 0;
  std::string signature;
  int versionMajor = 0, versionMinor = 0;
  std::uint16_t headerSize = 0, recordLength = 0;
  std::uint32_t pointOffset = 0, vlrCount = 0, legacyCount = 0;
  int pointFormat = 0;
  std::array<std::uint32_t, 5> legacyByReturn{};
  std::array<double, 3> scale{}, offset{}, max{}, min{};
  std::uint64_t count = 0;
  std::array<std::uint64_t, 15> byReturn{};
  bool otherHeaderBytesZero = true;  // identifiers, dates, encoding, waveform and EVLR fields
  std::vector<LasPoint> points;
};

template <typename T>
T le(const QByteArray& b, std::size_t at) {
  T v;
  std::memcpy(&v, b.constData() + at, sizeof v);  // the test host is little-endian like LAS
  return v;
}

LasFile readLas(const QString& path) {
  LasFile f;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return f;
  const QByteArray b = file.readAll();
  f.fileSize = static_cast<std::size_t>(b.size());
  if (b.size() < 375) return f;
  f.signature = b.left(4).toStdString();
  f.versionMajor = le<std::uint8_t>(b, 24);
  f.versionMinor = le<std::uint8_t>(b, 25);
  f.headerSize = le<std::uint16_t>(b, 94);
  f.pointOffset = le<std::uint32_t>(b, 96);
  f.vlrCount = le<std::uint32_t>(b, 100);
  f.pointFormat = le<std::uint8_t>(b, 104);
  f.recordLength = le<std::uint16_t>(b, 105);
  f.legacyCount = le<std::uint32_t>(b, 107);
  for (std::size_t i = 0; i < 5; ++i) f.legacyByReturn[i] = le<std::uint32_t>(b, 111 + 4 * i);
  for (std::size_t a = 0; a < 3; ++a) {
    f.scale[a] = le<double>(b, 131 + 8 * a);
    f.offset[a] = le<double>(b, 155 + 8 * a);
    f.max[a] = le<double>(b, 179 + 16 * a);
    f.min[a] = le<double>(b, 187 + 16 * a);
  }
  f.count = le<std::uint64_t>(b, 247);
  for (std::size_t i = 0; i < 15; ++i) f.byReturn[i] = le<std::uint64_t>(b, 255 + 8 * i);
  for (auto [from, to] : {std::pair<int, int>{4, 24}, {26, 94}, {227, 247}})
    for (int i = from; i < to; ++i) f.otherHeaderBytesZero = f.otherHeaderBytesZero && b[i] == 0;
  for (std::size_t at = f.pointOffset; at + 34 <= f.fileSize; at += 34) {
    LasPoint p;
    p.X = le<std::int32_t>(b, at);
    p.Y = le<std::int32_t>(b, at + 4);
    p.Z = le<std::int32_t>(b, at + 8);
    p.intensity = le<std::uint16_t>(b, at + 12);
    p.returns = le<std::uint8_t>(b, at + 14);
    p.classification = le<std::uint8_t>(b, at + 15);
    p.scanAngle = le<std::int8_t>(b, at + 16);
    p.userData = le<std::uint8_t>(b, at + 17);
    p.pointSource = le<std::uint16_t>(b, at + 18);
    p.gpsTime = le<double>(b, at + 20);
    p.red = le<std::uint16_t>(b, at + 28);
    p.green = le<std::uint16_t>(b, at + 30);
    p.blue = le<std::uint16_t>(b, at + 32);
    f.points.push_back(p);
  }
  f.ok = true;
  return f;
}

TEST(LasFormat, OffsetsTruncateAndCoordinatesRoundToCounts) {
  struct OffsetCase {
    double coordinate, offset;
  };
  const OffsetCase offsets[] = {{12.9, 12}, {-3.7, -3}, {0.2, 0}, {-0.5, 0}, {5e9, 2147483647.0}, {-5e9, -2147483648.0}};
  for (const OffsetCase& c : offsets) EXPECT_EQ(Las::axisOffset(c.coordinate), c.offset) << c.coordinate;

  struct CountCase {
    double coordinate, offset;
    std::int32_t counts;
  };
  const CountCase counts[] = {
      {12.34567, 12, 3457},      {-0.00004, -3, 30000},  {3.0, 0, 30000},   {-3.7, -3, -7000},
      {-0.000049, 0, 0},         {-0.00006, 0, -1},      {0.00006, 0, 1},
      {1e9, 0, std::numeric_limits<std::int32_t>::max()}, {-1e9, 0, std::numeric_limits<std::int32_t>::min()},
  };
  for (const CountCase& c : counts) EXPECT_EQ(Las::quantize(c.coordinate, c.offset), c.counts) << c.coordinate;
}

TEST(LasFormat, FileCarriesHeaderAndFormatThreeRecords) {
  QTemporaryDir dir;
  const QString path = dir.filePath("frame.las");
  const Cloud::Ptr cloud = cloudOf({
      PointBuilder().at(12.9f, -3.7f, 0.2f).colour(1, 2, 3).channel(0).echo1(5.f, 0).time(0.5),
      PointBuilder().at(12.34567f, -0.00004f, 3.0f).colour(255, 128, 0).channel(31).echo1(9.f, 200)
          .time(1725000000.123456),
      PointBuilder().at(-1.f, 4.f, -2.f).colour(9, 9, 9).channel(255).echo1(1.f, 255).time(7.0),
  });
  ASSERT_EQ(Las::writeLasFile(FrameSave::localPath(path), *cloud), Las::WriteStatus::Written);

  const LasFile f = readLas(path);
  ASSERT_TRUE(f.ok);
  EXPECT_EQ(f.signature, "LASF");
  EXPECT_EQ(f.versionMajor, 1);
  EXPECT_EQ(f.versionMinor, 4);
  EXPECT_EQ(f.headerSize, 375);
  EXPECT_EQ(f.pointOffset, 375u);
  EXPECT_EQ(f.vlrCount, 0u);
  EXPECT_EQ(f.pointFormat, 3);
  EXPECT_EQ(f.recordLength, 34);
  EXPECT_EQ(f.fileSize, 375u + 3u * 34u);
  EXPECT_EQ(f.legacyCount, 3u);
  EXPECT_EQ(f.legacyByReturn, (std::array<std::uint32_t, 5>{3, 0, 0, 0, 0}));
  EXPECT_EQ(f.count, 3u);
  std::array<std::uint64_t, 15> byReturn{};
  byReturn[0] = 3;
  EXPECT_EQ(f.byReturn, byReturn);
  EXPECT_TRUE(f.otherHeaderBytesZero);
  for (std::size_t a = 0; a < 3; ++a) EXPECT_EQ(f.scale[a], 0.0001);
  EXPECT_EQ(f.offset, (std::array<double, 3>{12, -3, 0}));
  // Bounds of the stored coordinates: counts x scale + offset.
  const std::array<double, 3> max{12.9, 4.0, 3.0}, min{-1.0, -3.7, -2.0};
  for (std::size_t a = 0; a < 3; ++a) {
    EXPECT_NEAR(f.max[a], max[a], 1e-9) << a;
    EXPECT_NEAR(f.min[a], min[a], 1e-9) << a;
  }

  ASSERT_EQ(f.points.size(), 3u);
  const std::array<std::array<std::int32_t, 3>, 3> xyz{{{9000, -7000, 2000}, {3457, 30000, 30000}, {-130000, 70000, -20000}}};
  const std::uint16_t intensity[] = {0, 200, 255}, source[] = {0, 31, 255};
  const double time[] = {0.5, 1725000000.123456, 7.0};
  const std::array<std::array<std::uint16_t, 3>, 3> rgb{{{1, 2, 3}, {255, 128, 0}, {9, 9, 9}}};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const LasPoint& p = f.points[i];
    EXPECT_EQ((std::array<std::int32_t, 3>{p.X, p.Y, p.Z}), xyz[i]);
    EXPECT_EQ(p.intensity, intensity[i]);
    EXPECT_EQ(p.returns, 0x09) << "return 1 of 1";
    EXPECT_EQ(p.classification, 0);
    EXPECT_EQ(p.scanAngle, 0);
    EXPECT_EQ(p.userData, 0);
    EXPECT_EQ(p.pointSource, source[i]);
    EXPECT_EQ(p.gpsTime, time[i]);
    EXPECT_EQ((std::array<std::uint16_t, 3>{p.red, p.green, p.blue}), rgb[i]);
  }
}

TEST(LasFormat, PointsWithoutCoordinatesAreLeftOut) {
  QTemporaryDir dir;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const QString emptyPath = dir.filePath("empty.las"), nanPath = dir.filePath("nan.las"), mixedPath = dir.filePath("mixed.las");
  EXPECT_EQ(Las::writeLasFile(FrameSave::localPath(emptyPath), Cloud()), Las::WriteStatus::EmptyFrame);
  EXPECT_EQ(Las::writeLasFile(FrameSave::localPath(nanPath), *cloudOf({PointBuilder().at(nan, 1, 1)})),
            Las::WriteStatus::EmptyFrame);
  EXPECT_FALSE(QFile::exists(emptyPath));
  EXPECT_FALSE(QFile::exists(nanPath));

  ASSERT_EQ(Las::writeLasFile(FrameSave::localPath(mixedPath),
                              *cloudOf({PointBuilder().at(nan, 0, 0), PointBuilder().at(-7.5f, 2.25f, 1.f)})),
            Las::WriteStatus::Written);
  const LasFile f = readLas(mixedPath);
  EXPECT_EQ(f.count, 1u);
  EXPECT_EQ(f.offset, (std::array<double, 3>{-7, 2, 1})) << "offsets from the first point kept";
  ASSERT_EQ(f.points.size(), 1u);
  EXPECT_EQ(f.points[0].X, -5000);
}

TEST(LasFormat, FileNameUsesLocalTimeAndPlainMilliseconds) {
  std::tm local{};
  local.tm_year = 2024 - 1900;
  local.tm_mon = 8;
  local.tm_mday = 1;
  local.tm_hour = 10;
  local.tm_min = 30;
  local.tm_sec = 5;
  local.tm_isdst = -1;
  const auto second = std::chrono::system_clock::from_time_t(std::mktime(&local));
  const std::pair<int, const char*> cases[] = {{7, "/d/file_2024-09-01-10-30-05.7.las"},
                                               {0, "/d/file_2024-09-01-10-30-05.0.las"},
                                               {999, "/d/file_2024-09-01-10-30-05.999.las"}};
  for (const auto& [ms, name] : cases)
    EXPECT_EQ(FrameSave::lasFrameFileName("/d", second + std::chrono::milliseconds(ms)), name);
}

TEST(LasSave, RecordingWritesEveryQueuedFrameThenReportsOnce) {
  QTemporaryDir dir;
  SaveHarness h;
  // Queued together, these are written within a millisecond or two: names must not collide.
  const std::size_t sizes[] = {3, 1, 4, 1, 5, 0, 2};
  for (std::size_t n : sizes) h.queue(frame(1, static_cast<int>(n)));
  ASSERT_TRUE(h.worker.startLas(dir.path()));
  h.queue(frame(2, 6));
  h.worker.finishLas();  // stopped with frames still queued: all of them are written
  ASSERT_TRUE(h.waitUntilStopped());

  EXPECT_EQ(h.texts, QStringList{FrameSave::kFinishedText});
  EXPECT_TRUE(h.failures.isEmpty());
  EXPECT_EQ(h.queued(), 0u);
  const QStringList files = filesIn(dir.path(), "*.las");
  ASSERT_EQ(files.size(), 7) << "the empty frame makes no file; " << files.join(' ').toStdString();
  std::multiset<std::uint64_t> counts;
  for (const QString& name : files) {
    EXPECT_TRUE(QRegExp("file_\\d{4}(-\\d\\d){5}\\.\\d{1,3}(_\\d+)?\\.las").exactMatch(name)) << name.toStdString();
    const LasFile f = readLas(dir.filePath(name));
    EXPECT_EQ(f.points.size(), f.count);
    counts.insert(f.count);
  }
  EXPECT_EQ(counts, (std::multiset<std::uint64_t>{3, 1, 4, 1, 5, 2, 6}));
}

TEST(LasSave, StopsWithAMessageWhenFilesCannotBeMade) {
  QTemporaryDir dir;
  {
    SCOPED_TRACE("missing directory");
    SaveHarness h;
    EXPECT_FALSE(h.worker.startLas(dir.filePath("missing")));
    EXPECT_EQ(h.failures.size(), 1);
    EXPECT_FALSE(h.worker.isRunning());
  }
  {
    SCOPED_TRACE("directory gone after the start");
    QTemporaryDir gone;
    SaveHarness h;
    ASSERT_TRUE(h.worker.startLas(gone.path()));
    ASSERT_TRUE(gone.remove());
    h.queue(frame(1, 3));
    ASSERT_TRUE(h.waitUntilStopped());
    EXPECT_EQ(h.failures.size(), 1);
    EXPECT_TRUE(h.texts.isEmpty()) << "no success is reported";
  }
}

TEST(LasSave, CancelOrDestructionEndsARunningRecordingWithoutFinish) {
  QTemporaryDir dir;
  SaveHarness h;
  ASSERT_TRUE(h.worker.startLas(dir.path()));
  h.queue(frame(1, 2));
  ASSERT_TRUE(QTest::qWaitFor([&] { return h.worker.framesWritten() == 1; }, 10000));
  EXPECT_TRUE(h.worker.isRunning()) << "a recording runs until it is stopped";
  h.worker.cancel();
  EXPECT_FALSE(h.worker.isRunning());
  QCoreApplication::processEvents();
  EXPECT_TRUE(h.texts.isEmpty());
  EXPECT_EQ(filesIn(dir.path(), "*.las").size(), 1);

  // At exit the owner simply deletes a worker that is still recording.
  std::mutex mutex;
  std::deque<Cloud::Ptr> clouds;
  std::deque<std::string> names;
  auto worker = std::make_unique<FrameSaveWorker>(mutex, clouds, names);
  ASSERT_TRUE(worker->startLas(dir.path()));
  EXPECT_TRUE(worker->isRunning());
  worker.reset();
}

}  // namespace
