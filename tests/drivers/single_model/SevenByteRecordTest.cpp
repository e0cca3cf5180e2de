// The seven-byte record models: Sembrel and Sembrel_WideAngle (time in the record tail,
// vertical angle varying inside a group) and the tail-time models Hestin, Yorbek, Drovik.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "DecoderHarness.h"
#include "LIDAR_Drovik.h"
#include "LIDAR_Hestin.h"
#include "LIDAR_Sembrel.h"
#include "LIDAR_Sembrel_WideAngle.h"
#include "LIDAR_Yorbek.h"

using namespace single_model_test;

namespace {

constexpr std::uint32_t kTenMetres = 10 * 100 * 256;  // 1/256 cm
constexpr float kPositionTolerance = 2e-3f;            // metres (0.001-degree tables)
constexpr float kAngleTolerance = 2e-3f;               // degrees

struct GeometryRow {
  int channel;
  unsigned angle;  // 0.01 degree
  float x, y, z, v;
};

template <typename Decoder>
void expectGeometry(const std::vector<GeometryRow>& rows, std::size_t packetSize, bool sembrelTail,
                    Harness<Decoder>& h) {
  PacketBuilder p(packetSize);
  for (std::size_t i = 0; i < rows.size(); ++i)
    p.record7(static_cast<int>(i), rows[i].channel, rows[i].angle, kTenMetres, 9);
  if (sembrelTail) {
    p.sembrelTail(1, 2, 3, 0, 0);
  } else {
    p.tailSeconds(1000, 0);
  }
  h.feed(p);
  ASSERT_EQ(h.current().size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "channel " << rows[i].channel << " angle " << rows[i].angle);
    const PointInfo& pt = h.current().points[i];
    EXPECT_NEAR(pt.x, rows[i].x, kPositionTolerance);
    EXPECT_NEAR(pt.y, rows[i].y, kPositionTolerance);
    EXPECT_NEAR(pt.z, rows[i].z, kPositionTolerance);
    EXPECT_NEAR(pt.V_angle, rows[i].v, kAngleTolerance);
    EXPECT_FLOAT_EQ(pt.H_angle, rows[i].angle / 100.f);
    EXPECT_FLOAT_EQ(pt.Distance, 10.f);
    EXPECT_EQ(pt.Channel, rows[i].channel);
  }
}

// ------------------------------------------------------------------ Sembrel

TEST(SembrelDecoder, GeometryFollowsTheGroupTables) {
  Harness<LIDAR_Sembrel> h;
  // Channel 5: group base -5.35, offset 0.33; channel 31: base 2.57, nominal 3.56, offset 1.0.
  expectGeometry<LIDAR_Sembrel>({{0, 9000, 0.f, 9.93232f, -1.16151f, -6.67f},
                                 {5, 6000, 4.98082f, 8.62704f, -0.83264f, -4.77619f},
                                 {31, 18000, -9.98070f, 0.f, 0.44840f, 2.57f}},
                                kShortPacket, true, h);
}

TEST(SembrelDecoder, WideAngleUsesItsOwnGroups) {
  Harness<LIDAR_Sembrel_WideAngle> h;
  // Channel 9: group -8, nominal -7.67, offset 0.33.
  expectGeometry<LIDAR_Sembrel_WideAngle>({{9, 3000, 8.58277f, 4.95527f, -1.28046f, -7.35672f}}, kShortPacket,
                                          true, h);
}

TEST(SembrelDecoder, DevicePacketSetsOffsetsAndDate) {
  struct Row {
    int offsets[4];
    float expectedOffset1;  // degrees, channel 1 of each group
  } rows[] = {{{0, 0, 0, 0}, 0.33f}, {{0, 50, 100, 150}, 0.5f}, {{0, -20, 0, 0}, -0.2f}};
  for (const Row& row : rows) {
    Harness<LIDAR_Sembrel> h;
    PacketBuilder dev = devicePacket();
    dev.u8(36, 24).u8(37, 2).u8(38, 29);  // 2024-02-29
    for (int k = 0; k < 4; ++k) dev.be16(662 + 2 * k, static_cast<std::uint16_t>(row.offsets[k]));
    h.feed(dev);
    EXPECT_NEAR(h.decoder.m_sinVOffset[1], std::sin(row.expectedOffset1 * kDecoderPi / 180.0), 2e-5);
    EXPECT_NEAR(h.decoder.m_sinVOffset[29], std::sin(row.expectedOffset1 * kDecoderPi / 180.0), 2e-5);
    if (row.offsets[1] == 0 && row.offsets[2] == 0) {
      EXPECT_NEAR(h.decoder.m_sinVOffset[2], std::sin(0.66 * kDecoderPi / 180.0), 2e-5);
    }

    // The next single-echo packet is timed on that date with its own hour, minute, second.
    PacketBuilder p(kShortPacket);
    p.record7(0, 0, 100, kTenMetres, 1).sembrelTail(10, 20, 30, 250000, 0);
    h.feed(p);
    std::tm tm{};
    tm.tm_year = 124, tm.tm_mon = 1, tm.tm_mday = 29, tm.tm_hour = 10, tm.tm_min = 20, tm.tm_sec = 30;
    ASSERT_EQ(h.current().size(), 1u);
    EXPECT_DOUBLE_EQ(h.current().points[0].Mtimestamp_nsce, static_cast<double>(timegm(&tm)) + 0.25);
  }
}

TEST(SembrelDecoder, RecordsThatGiveNoPoint) {
  struct Row {
    const char* what;
    unsigned channel, angle;
    std::uint32_t distance;
    bool point;
  } rows[] = {
      {"channel 31", 31, 100, kTenMetres, true},  {"channel 32", 32, 100, kTenMetres, false},
      {"angle 180.00", 0, 18000, kTenMetres, true}, {"angle 180.01", 0, 18001, kTenMetres, false},
      {"zero distance kept", 0, 100, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Harness<LIDAR_Sembrel> h;
    h.decoder.setFilterDistanceZero(false);
    PacketBuilder p(kShortPacket);
    p.channels7(255).record7(0, row.channel, row.angle, row.distance, 1);
    h.feed(p);
    EXPECT_EQ(h.current().size(), row.point ? 1u : 0u);
  }
  // With the zero-distance filter on, the zero record goes; a narrowed window and a cleared
  // channel flag drop the others.
  Harness<LIDAR_Sembrel> h;
  h.decoder.setFilterDistanceZero(true);
  h.decoder.setHangleRange(10.f, 20.f);
  int flags[256];
  std::fill(std::begin(flags), std::end(flags), 1);
  flags[3] = 0;
  h.decoder.setChannelSelection(flags);
  PacketBuilder p(kShortPacket);
  p.record7(0, 0, 1500, 0, 1).record7(1, 0, 900, kTenMetres, 1).record7(2, 3, 1500, kTenMetres, 1)
      .record7(3, 2, 1500, kTenMetres, 1).record7(4, 2, 2001, kTenMetres, 1);
  h.feed(p);
  ASSERT_EQ(h.current().size(), 1u);
  EXPECT_EQ(h.current().points[0].Channel, 2);
}

TEST(SembrelDecoder, MarkerHandsOverTheFrameWithoutAPoint) {
  Harness<LIDAR_Sembrel> h;
  PacketBuilder p(kShortPacket);
  p.record7(0, 1, 100, kTenMetres, 1).record7(1, 2, 100, kTenMetres, 1).marker7(2).record7(3, 3, 100, kTenMetres, 1)
      .marker7(4).marker7(5);
  h.feed(p);
  ASSERT_EQ(h.frames.size(), 3u);  // every marker hands over, an empty frame too
  EXPECT_EQ(h.frames[0].cloud->size(), 2u);
  EXPECT_EQ(h.frames[0].cloud->width, 2u);
  EXPECT_EQ(h.frames[1].cloud->size(), 1u);
  EXPECT_EQ(h.frames[2].cloud->size(), 0u);
  EXPECT_EQ(h.current().size(), 0u);
  EXPECT_EQ(h.decoder.m_frameMarkerCount, 0);
}

TEST(SembrelDecoder, EchoSettingPicksPacketsAndPoints) {
  struct Row {
    int echo;
    bool dualPacket;
    std::vector<float> distances;  // of the points, in order
  } rows[] = {
      {0, false, {10.f}}, {1, false, {10.f}}, {2, false, {}}, {3, false, {}},
      {0, true, {10.f, 5.f}}, {1, true, {10.f}}, {2, true, {5.f}}, {3, true, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "echo " << row.echo << (row.dualPacket ? " dual" : " single"));
    Harness<LIDAR_Sembrel> h;
    h.decoder.setEcho(row.echo);
    h.decoder.setSelectRange(true, -100, -100, -100, 100, 100, 100);
    PacketBuilder p(kShortPacket);
    if (row.dualPacket) p.record11(0, 0, 4500, kTenMetres, 7, kTenMetres / 2, 3).sembrelTail(0, 0, 1, 0, 2);
    else p.record7(0, 0, 4500, kTenMetres, 7).sembrelTail(0, 0, 1, 0, 1);
    h.feed(p);
    ASSERT_EQ(h.current().size(), row.distances.size());
    ASSERT_EQ(h.selected().size(), row.distances.size());
    for (std::size_t i = 0; i < row.distances.size(); ++i) {
      EXPECT_FLOAT_EQ(h.current().points[i].Distance, row.distances[i]);
      EXPECT_FLOAT_EQ(h.selected().points[i].Distance, row.distances[i]);
    }
  }
}

TEST(SembrelDecoder, DualRecordCarriesBothEchoes) {
  Harness<LIDAR_Sembrel> h;
  PacketBuilder p(kShortPacket);
  p.record11(0, 0, 9000, kTenMetres, 7, kTenMetres / 2, 3).record11(1, 1, 9000, kTenMetres, 8, 0, 0)
      .sembrelTail(0, 0, 1, 0, 2);
  h.feed(p);
  ASSERT_EQ(h.current().size(), 4u);
  const PointInfo& first = h.current().points[0];
  const PointInfo& second = h.current().points[1];
  EXPECT_FLOAT_EQ(first.Distance2, 5.f);
  EXPECT_EQ(first.Intensity, 7);
  EXPECT_EQ(first.Intensity2, 3);
  EXPECT_FLOAT_EQ(second.Distance, 5.f);
  EXPECT_EQ(second.Intensity, 3);
  EXPECT_NEAR(second.y, first.y / 2, 1e-4);
  EXPECT_EQ(second.V_angle, first.V_angle);
  // A second echo without a distance sits at the origin.
  const PointInfo& empty = h.current().points[3];
  EXPECT_EQ(empty.x, 0.f);
  EXPECT_EQ(empty.y, 0.f);
  EXPECT_EQ(empty.z, 0.f);
  EXPECT_EQ(empty.Distance, 0.f);
}

TEST(SembrelDecoder, PointTimesStepBackFromThePacketTime) {
  Harness<LIDAR_Sembrel> h;
  PacketBuilder p(kShortPacket);
  p.record7(0, 0, 100, kTenMetres, 1).record7(170, 0, 100, kTenMetres, 1).sembrelTail(0, 0, 0, 0, 0);
  h.feed(p);
  // The first packet of a run has no previous time: its points share its time.
  ASSERT_EQ(h.current().size(), 2u);
  const double t0 = h.current().points[1].Mtimestamp_nsce;
  EXPECT_DOUBLE_EQ(h.current().points[0].Mtimestamp_nsce, t0);
  p.sembrelTail(0, 0, 0, 171000, 0);  // 0.171 s later: 1 ms per record
  h.feed(p);
  ASSERT_EQ(h.current().size(), 4u);
  EXPECT_NEAR(h.current().points[3].Mtimestamp_nsce - t0, 0.171, 1e-6);
  EXPECT_NEAR(h.current().points[2].Mtimestamp_nsce - t0, 0.001, 1e-6);
}

// A frame with no marker grows until its limit; each frame reports that once.
template <typename Decoder>
void expectFrameLimit(std::size_t limit, bool dual) {
  Harness<Decoder> h;
  PacketBuilder p(dual ? kLongPacket : kShortPacket);
  const int records = dual ? 109 : 171;
  for (int k = 0; k < records; ++k) {
    if (dual) p.record11(k, 1, 100, kTenMetres, 1, kTenMetres, 1);
    else p.record7(k, 1, 100, kTenMetres, 1);
  }
  if (dual) p.u8(1211, 2).u8(1205, 2);
  const std::size_t perPacket = dual ? 2 * records : records;
  const std::size_t packets = limit / perPacket + 2;
  for (std::size_t n = 0; n < packets; ++n) h.feed(p);
  EXPECT_GT(h.current().size(), limit);
  EXPECT_LE(h.current().size(), limit + perPacket);
  EXPECT_EQ(h.messagesWithCode(kFrameSyncCode), 1);
  PacketBuilder m(p.size());
  m.marker7(0);
  if (dual) m.u8(1211, 2).u8(1205, 2);
  h.feed(m);
  for (std::size_t n = 0; n < packets; ++n) h.feed(p);
  EXPECT_EQ(h.messagesWithCode(kFrameSyncCode), 2);
}

TEST(SevenByteFrameLimit, OncePerFrameAtTheModelsLimit) {
  expectFrameLimit<LIDAR_Sembrel>(1000000, false);
  expectFrameLimit<LIDAR_Drovik>(1300000, true);
}

// ------------------------------------------------------------------ tail-time models

TEST(TailTimeDecoders, GeometryFollowsTheModelTables) {
  {
    Harness<LIDAR_Hestin> h;  // channel 6: base -11, offset -0.34
    expectGeometry<LIDAR_Hestin>({{0, 4500, 6.91655f, 6.91655f, -2.07912f, -12.f},
                                  {6, 12000, -4.90240f, 8.49120f, -1.96621f, -11.33941f}},
                                 kLongPacket, false, h);
  }
  {
    Harness<LIDAR_Yorbek> h;
    expectGeometry<LIDAR_Yorbek>({{2, 9000, 0.f, 9.99976f, -0.06911f, -0.39598f}}, kLongPacket, false, h);
  }
  {
    Harness<LIDAR_Drovik> h;  // y never negative; the angle enters through its half
    expectGeometry<LIDAR_Drovik>({{0, 9000, 0.f, 9.39693f, -3.42020f, -20.f},
                                  {5, 3000, 8.18204f, 4.72012f, -3.28248f, -19.16249f},
                                  {255, 15000, -8.17973f, 4.67977f, 3.34540f, 19.54457f}},
                                 kLongPacket, false, h);
  }
}

TEST(TailTimeDecoders, ChannelBoundsOfEachModel) {
  auto points = [](auto& h, unsigned channel) {
    PacketBuilder p(kLongPacket);
    p.record7(0, channel, 100, kTenMetres, 1).tailSeconds(5, 0);
    h.feed(p);
    return h.current().size();
  };
  { Harness<LIDAR_Yorbek> h; EXPECT_EQ(points(h, 2), 1u); EXPECT_EQ(points(h, 3), 1u); }
  { Harness<LIDAR_Hestin> h; EXPECT_EQ(points(h, 127), 1u); EXPECT_EQ(points(h, 128), 1u); }
  { Harness<LIDAR_Drovik> h; EXPECT_EQ(points(h, 255), 1u); }
}

TEST(TailTimeDecoders, VerticalCorrectionReachesGroupsWithBitTwoClear) {
  Harness<LIDAR_Hestin> h;
  PacketBuilder dev = devicePacket();
  dev.be16(240, 100);  // +1 degree; offsets all zero keep the construction offsets
  h.feed(dev);
  // Channel 0 (group base -12) moves to -11; channel 4 (group base -11) stays.
  expectGeometry<LIDAR_Hestin>({{0, 4500, 6.94115f, 6.94115f, -1.90809f, -11.f},
                                {4, 4500, 6.94115f, 6.94115f, -1.90809f, -11.f}},
                               kLongPacket, false, h);
  EXPECT_NEAR(h.decoder.m_sinVOffset[1], std::sin(-0.17 * kDecoderPi / 180.0), 1e-5);
  dev.be16(240, 0).be16(242, 0).be16(244, 10);  // offsets 0, 0.1, 0, 0
  h.feed(dev);
  EXPECT_NEAR(h.decoder.m_sinVOffset[1], std::sin(0.1 * kDecoderPi / 180.0), 1e-5);
  EXPECT_NEAR(h.decoder.m_sinVOffset[2], 0.0, 1e-9);
}

TEST(TailTimeDecoders, PacketTimeFromEitherTailForm) {
  struct Row {
    const char* what;
    PacketBuilder packet;
    double time;
    int year, month, day, hour, minute, second;
  };
  std::tm tm{};
  tm.tm_year = 123, tm.tm_mon = 10, tm.tm_mday = 18, tm.tm_hour = 7, tm.tm_min = 8, tm.tm_sec = 9;
  const double date = static_cast<double>(timegm(&tm));
  Row rows[] = {
      {"seconds 0", PacketBuilder(kLongPacket).tailSeconds(0, 500000000), 0.5, 1970, 1, 1, 0, 0, 0},
      {"seconds", PacketBuilder(kLongPacket).tailSeconds(static_cast<std::uint64_t>(date), 1000), date + 1e-6,
       2023, 11, 18, 7, 8, 9},
      {"date", PacketBuilder(kLongPacket).tailDate(2023, 11, 18, 7, 8, 9, 250000000), date + 0.25, 2023, 11, 18,
       7, 8, 9},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    Harness<LIDAR_Yorbek> h;
    row.packet.record7(0, 0, 100, kTenMetres, 1).record7(170, 0, 100, kTenMetres, 1);
    h.feed(row.packet);
    EXPECT_DOUBLE_EQ(h.decoder.m_PacketTime, row.time);
    EXPECT_EQ(h.decoder.m_Year, row.year);
    EXPECT_EQ(h.decoder.m_Month, row.month);
    EXPECT_EQ(h.decoder.m_Day, row.day);
    EXPECT_EQ(h.decoder.m_Hour, row.hour);
    EXPECT_EQ(h.decoder.m_Minute, row.minute);
    EXPECT_EQ(h.decoder.m_Second, row.second);
    ASSERT_EQ(h.current().size(), 2u);
    EXPECT_DOUBLE_EQ(h.current().points[1].Mtimestamp_nsce, row.time);
  }
}

TEST(TailTimeDecoders, ZeroDistanceRecordSitsAtTheOriginWithoutAngle) {
  Harness<LIDAR_Hestin> h;
  h.decoder.setFilterDistanceZero(false);
  PacketBuilder p(kLongPacket);
  p.channels7(255).record7(0, 0, 4500, 0, 1).tailSeconds(1, 0);
  h.feed(p);
  ASSERT_EQ(h.current().size(), 1u);
  const PointInfo& pt = h.current().points[0];
  EXPECT_EQ(pt.x, 0.f);
  EXPECT_EQ(pt.y, 0.f);
  EXPECT_EQ(pt.z, 0.f);
  EXPECT_EQ(pt.V_angle, 0.f);
  EXPECT_FLOAT_EQ(pt.H_angle, 45.f);
}

TEST(TailTimeDecoders, DualEchoByteAtTheEndOfTheLongPacket) {
  Harness<LIDAR_Drovik> h;
  PacketBuilder p(kLongPacket);
  p.record11(0, 9, 4500, kTenMetres, 1, kTenMetres, 2).tailSeconds(1, 0).u8(1211, 2);
  h.feed(p);
  EXPECT_EQ(h.current().size(), 2u);
  EXPECT_EQ(h.decoder.m_ReturnMode, 2);
  p.u8(1211, 0).u8(1205, 2);  // the short packets' echo byte means nothing here
  h.feed(p);
  EXPECT_EQ(h.current().size(), 3u);
}

// ------------------------------------------------------------------ all seven-byte models

// A 00-first device packet whose bytes past the header would read as records.
PacketBuilder zeroFirstDevicePacket(std::size_t size) {
  PacketBuilder dev = devicePacket(0x00);
  PacketBuilder p(size);
  for (std::size_t i = 0; i < dev.size(); ++i) p.u8(i, dev.data()[i]);
  for (int k = 2; k < 100; ++k) p.record7(k, 1, 4500, kTenMetres, 9);
  p.u8(240, 0).u8(241, 100);  // Hestin's vertical correction: +1 degree
  return p;
}

template <typename Decoder>
void expectDevicePacketNotPoints(std::size_t size) {
  Harness<Decoder> h;
  h.feed(zeroFirstDevicePacket(size));
  EXPECT_TRUE(h.current().empty());
  EXPECT_TRUE(h.frames.empty());
}

TEST(SevenByteModels, ZeroFirstDevicePacketIsNeverDecodedAsPoints) {
  expectDevicePacketNotPoints<LIDAR_Sembrel>(kShortPacket);
  expectDevicePacketNotPoints<LIDAR_Sembrel_WideAngle>(kShortPacket);
  expectDevicePacketNotPoints<LIDAR_Hestin>(kShortPacket);
  expectDevicePacketNotPoints<LIDAR_Yorbek>(kShortPacket);
  expectDevicePacketNotPoints<LIDAR_Drovik>(kShortPacket);
  // And it is read as the device packet it is.
  Harness<LIDAR_Hestin> h;
  h.feed(zeroFirstDevicePacket(kShortPacket));
  EXPECT_NEAR(h.decoder.m_sinVBase[0], std::sin(-11.0 * kDecoderPi / 180.0), 2e-5);
}

// A run whose first packet is skipped by the echo setting: the first packet walked is
// timed from itself, not from a time never computed.
template <typename Decoder>
void expectSkippedFirstPacketTimes(PacketBuilder single, PacketBuilder dual) {
  Harness<Decoder> h;
  h.decoder.setEcho(2);
  h.feed(single);
  EXPECT_TRUE(h.current().empty());
  h.feed(dual);
  ASSERT_EQ(h.current().size(), 3u);
  EXPECT_GT(h.decoder.m_PacketTime, 1e9);  // a time of this century
  for (const PointInfo& p : h.current().points) EXPECT_DOUBLE_EQ(p.Mtimestamp_nsce, h.decoder.m_PacketTime);
}

TEST(SevenByteModels, SkippedFirstPacketLeavesItsOwnTimeToTheNext) {
  {
    SCOPED_TRACE("Sembrel");
    Harness<LIDAR_Sembrel> h;
    PacketBuilder dev = devicePacket();
    dev.u8(36, 24).u8(37, 9).u8(38, 5);
    PacketBuilder single(kShortPacket), dual(kShortPacket);
    single.record7(0, 0, 100, kTenMetres, 1).sembrelTail(8, 3, 6, 0, 1);
    dual.record11(0, 0, 100, kTenMetres, 1, kTenMetres, 1).record11(108, 0, 100, kTenMetres, 1, kTenMetres, 1)
        .record11(50, 0, 100, kTenMetres, 1, kTenMetres, 1).sembrelTail(8, 3, 7, 0, 2);
    h.feed(dev);
    h.decoder.setEcho(2);
    h.feed(single);
    EXPECT_TRUE(h.current().empty());
    h.feed(dual);
    ASSERT_EQ(h.current().size(), 3u);
    EXPECT_GT(h.decoder.m_PacketTime, 1e9);
    for (const PointInfo& p : h.current().points) EXPECT_DOUBLE_EQ(p.Mtimestamp_nsce, h.decoder.m_PacketTime);
  }
  {
    SCOPED_TRACE("Hestin");
    PacketBuilder single(kLongPacket), dual(kLongPacket);
    single.record7(0, 0, 100, kTenMetres, 1).tailSeconds(1725523386, 0);
    dual.record11(0, 0, 100, kTenMetres, 1, kTenMetres, 1).record11(108, 0, 100, kTenMetres, 1, kTenMetres, 1)
        .record11(50, 0, 100, kTenMetres, 1, kTenMetres, 1).tailSeconds(1725523387, 0).u8(1211, 2);
    expectSkippedFirstPacketTimes<LIDAR_Hestin>(single, dual);
  }
}

TEST(SembrelDecoder, OffsetsPastAVerticalBeamAreRefusedAndNoAngleIsNaN) {
  Harness<LIDAR_Sembrel> h;
  const float before = h.decoder.m_sinVOffset[3];
  PacketBuilder dev = devicePacket();
  for (int k = 0; k < 4; ++k) dev.be16(662 + 2 * k, 9000);  // 90 degrees each
  h.feed(dev);
  h.feed(dev);
  EXPECT_EQ(h.decoder.m_sinVOffset[3], before);
  ASSERT_EQ(h.messagesWithCode(kValuesIgnoredCode), 1);  // once, not per device packet
  PacketBuilder p(kShortPacket);
  for (int c = 0; c < 32; ++c) p.record7(c, static_cast<unsigned>(c), 0, kTenMetres, 1);
  p.sembrelTail(0, 0, 1, 0, 0);
  h.feed(p);
  ASSERT_EQ(h.current().size(), 32u);
  for (const PointInfo& pt : h.current().points) {
    EXPECT_TRUE(std::isfinite(pt.V_angle) && std::isfinite(pt.z)) << int(pt.Channel);
  }
  // A sound packet afterwards is taken again.
  for (int k = 0; k < 4; ++k) dev.be16(662 + 2 * k, static_cast<unsigned>(10 * k));
  h.feed(dev);
  EXPECT_NEAR(h.decoder.m_sinVOffset[3], std::sin(0.3 * kDecoderPi / 180.0), 2e-5);
}

TEST(TailTimeDecoders, NoPointIsNaNAtTheEdgesOfTheTables) {
  {
    SCOPED_TRACE("Drovik, every channel at H 0 and 180");
    Harness<LIDAR_Drovik> h;
    for (unsigned angle : {0u, 18000u}) {
      for (unsigned first = 0; first < 256; first += 128) {
        PacketBuilder p(kLongPacket);
        for (unsigned c = 0; c < 128; ++c) p.record7(static_cast<int>(c), first + c, angle, kTenMetres, 1);
        p.tailSeconds(1, 0);
        h.feed(p);
      }
    }
    ASSERT_EQ(h.current().size(), 512u);
    for (const PointInfo& pt : h.current().points)
      EXPECT_TRUE(std::isfinite(pt.x) && std::isfinite(pt.y) && std::isfinite(pt.z) && std::isfinite(pt.V_angle))
          << int(pt.Channel) << " at " << pt.H_angle;
  }
  {
    SCOPED_TRACE("Hestin, angles past a quarter turn");
    Harness<LIDAR_Hestin> h;
    const double before = h.decoder.m_sinVBase[0];
    PacketBuilder dev = devicePacket();
    dev.be16(240, 20000);  // a correction of 200 degrees
    h.feed(dev);
    EXPECT_EQ(h.decoder.m_sinVBase[0], before);
    EXPECT_EQ(h.messagesWithCode(kValuesIgnoredCode), 1);
  }
}

// ------------------------------------------------------------------ configuration edits

TEST(SevenByteConfiguration, SettersEditTheirBytes) {
  expectConfigEdits<LIDAR_Sembrel_WideAngle>(&SembrelFamilyDecoder::setLidarRotateState, {{46, 0}, {47, 7}});
  expectConfigEdits<LIDAR_Hestin>(&TailTimeDecoder::setLidarRotateState, {{40, 0}, {41, 7}});
  expectConfigEdits<LIDAR_Yorbek>(&TailTimeDecoder::setLidarSoureSelection, {{44, 7}});
  expectConfigEdits<LIDAR_Drovik>(&TailTimeDecoder::setLidarWorkState, {{45, 7}});
}

}  // namespace
