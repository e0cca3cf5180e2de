// The family decoder fed packet by packet through processPacket, without threads.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <tuple>

#include "DataDispose_Gorsk_v4_0.h"
#include "DataDispose_Hulvan_v4_0.h"
#include "DataDispose_Lormet_v4_0.h"
#include "KaldorTestHarness.h"

using namespace kaldor_test;

namespace {

// Descending block azimuths: every step is negative, becomes above 3 degrees once 360 is
// added and is replaced by the stored step (0 in a fresh decoder), so the 32 records of a
// block all lie at exactly the block azimuth.
KaldorPacketBuilder plateauPacket(std::uint8_t model, const std::array<int, 12>& azimuths) {
  KaldorPacketBuilder b;
  b.model(model).allRecords(2500, 50).time(100.0);
  for (int i = 0; i < 12; ++i) b.azimuth(i, static_cast<std::uint16_t>(azimuths[i]));
  return b;
}

std::set<int> blockAzimuthsIn(const LidarCloud& cloud) {
  std::set<int> out;
  for (const auto& p : cloud.points) out.insert(static_cast<int>(std::lround(p.H_angle * 100)));
  return out;
}

}  // namespace

// Record k of block 0 at azimuth 30.00 (step 0.20) with count 12345: channel, vertical angle,
// distance, azimuth and position, computed by hand from the sub-model's map, angles, R0 and A0.
TEST(KaldorGeometry, OneRowPerAcceptedModelByte) {
  struct Row {
    int model, record, channel;
    float vAngle;
    double hAngle, x, y, z;
    std::size_t points = 384;  // of the packet
    int index = -1;            // of the point in the cloud; -1: the record's
    bool twentyBit = false;    // azimuth in thousandths, 20 bits
    double distance = 49.38;   // metres
  };
  const Row rows[] = {
      {4, 1, 2, 8.f, 30.00625, 24.4605, 42.3811, 6.8724},
      {7, 1, 4, 6.f, 30.00625, 24.5655, 42.5630, 5.1616},
      {8, 3, 5, 8.f, 30.01875, 24.4697, 42.3757, 6.8724},
      {9, 2, 1, -8.f, 30.01250, 24.4651, 42.3784, -6.8724},
      {32, 1, 8, -8.f, 30.00625, 24.4605, 42.3811, -6.8724},
      {33, 4, 1, -15.f, 30.02500, 23.8729, 41.3323, -12.7805},
      {34, 3, 24, 8.f, 30.01875, 24.4697, 42.3757, 6.8724},
      {35, 2, 4, -15.6f, 30.01250, 23.7956, 41.2194, -13.2793},
      {69, 4, 1, -48.5f, 30.02500, 16.3783, 28.3630, -36.9834},
      {71, 4, 1, -51.5f, 30.02500, 15.3873, 26.6484, -38.6452},
      {72, 1, 16, -9.f, 30.00625, 24.3964, 42.2688, -7.7247},
      {90, 1, 8, 25.174f, 30.00625, 22.3502, 38.7210, 21.0047},
      {93, 1, 16, 47.201f, 30.00625, 16.7793, 29.0744, 36.2322},
      // Brisal keeps record 6 of each 8 (channel 3 at 0 degrees) and calls it channel 0.
      {1, 6, 0, 0.f, 30.03750, 24.7241, 42.7837, 0.0, 48, 0},
      {2, 1, 0, 0.f, 30.00625, 24.7008, 42.7972, 0.0, 384, -1, true},
      {3, 2, 0, 0.f, 30.01250, 24.7055, 42.7945, 0.0},
      {10, 5, 0, 0.f, 30.03125, 24.7195, 42.7864, 0.0},
      // Ostrik: millimetres, no optical centre.
      {5, 3, 0, 0.f, 30.01875, 6.1760, 10.6891, 0.0, 384, -1, false, 12.345},
      {6, 4, 0, 0.f, 30.02500, 6.1772, 10.6884, 0.0, 384, -1, false, 12.345},
      {16, 1, 8, 0.f, 30.00625, 24.7008, 42.7972, 0.0},
      {17, 3, 9, 2.f, 30.01875, 24.6951, 42.7658, 1.7233},
      {18, 1, 4, -8.f, 30.00625, 24.4605, 42.3811, -6.8724},
      // Nimbrel: channel 17 fires 3.89 degrees ahead.
      {70, 6, 17, -6.66f, 33.92750, 27.3832, 40.7295, -5.7270},
      {91, 2, 1, 5.596f, 30.01250, 24.5824, 42.5761, 4.8152},
      {92, 1, 8, 25.174f, 30.00625, 22.3502, 38.7210, 21.0047, 384, -1, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("model byte " + std::to_string(r.model));
    Harness h;
    KaldorPacketBuilder b;
    b.model(static_cast<std::uint8_t>(r.model)).azimuths(3000, 20).allRecords(12345, 77).time(10.0);
    if (r.twentyBit)
      for (int blk = 0; blk < 12; ++blk) b.azimuth20(blk, static_cast<std::uint32_t>(30000 + 200 * blk));
    h.feed(b);
    ASSERT_NE(h.decoder.subModel(), nullptr);
    ASSERT_EQ(h.current().size(), r.points);
    const PointInfo& p = h.current().points[r.index < 0 ? r.record : r.index];
    EXPECT_EQ(p.Channel, r.channel);
    EXPECT_FLOAT_EQ(p.V_angle, r.vAngle);
    EXPECT_NEAR(p.Distance, r.distance, 1e-4);
    EXPECT_EQ(p.Intensity, 77);
    EXPECT_NEAR(p.H_angle, r.hAngle, 1e-4);
    EXPECT_NEAR(p.x, r.x, 2e-4);
    EXPECT_NEAR(p.y, r.y, 2e-4);
    EXPECT_NEAR(p.z, r.z, 2e-4);
  }
}

TEST(KaldorGeometry, SubModelVariantsShareOrChangeTablesByModelByte) {
  // Record k -> channel for a few records; Hulvan keeps map H whatever the byte, Gorsk uses
  // channels 0-3 only with angles -12, 8, 0, 12 for k mod 4 = 0..3.
  struct Row {
    int model;
    std::array<int, 4> channels;  // records 0-3
    std::array<float, 4> vAngles;
  };
  const Row rows[] = {
      {32, {0, 8, 16, 24}, {-16, -8, 0, 8}},
      {33, {0, 8, 16, 24}, {-16, -8, 0, 8}},
      {4, {0, 2, 1, 3}, {-12, 8, 0, 12}},
      {7, {0, 4, 1, 5}, {-2, 6, 0, 8}},
      {9, {0, 4, 1, 5}, {-12, 4, -8, 8}},
      {90, {0, 8, 16, 24}, {2.487f, 25.174f, 47.201f, 68.819f}},
      {93, {0, 16, 8, 24}, {2.487f, 47.201f, 25.174f, 68.819f}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("model byte " + std::to_string(r.model));
    Harness h;
    KaldorPacketBuilder b;
    b.model(static_cast<std::uint8_t>(r.model)).allRecords(1000, 1);
    h.feed(b);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(h.current().points[k].Channel, r.channels[k]) << "record " << k;
      EXPECT_FLOAT_EQ(h.current().points[k].V_angle, r.vAngles[k]) << "record " << k;
    }
  }
}

TEST(KaldorWalk, AzimuthInterpolationWrapAndStepReplacement) {
  // Block azimuths (hundredths), then the expected H of (block, record).
  struct Row {
    const char* name;
    std::array<int, 12> azimuths;
    int block, record;
    double hAngle;
  };
  const Row rows[] = {
      {"interpolated within a block", {10000, 10020, 10040, 10060, 10080, 10100, 10120, 10140, 10160, 10180, 10200, 10220}, 3, 16, 100.7},
      {"last block uses the stored step", {10000, 10020, 10040, 10060, 10080, 10100, 10120, 10140, 10160, 10180, 10200, 10220}, 11, 31, 102.39375},
      {"count 36000 is 0 degrees", {35960, 35980, 36000, 20, 40, 60, 80, 100, 120, 140, 160, 180}, 2, 0, 0.0},
      {"records wrap past 0", {35950, 35970, 35990, 10, 30, 50, 70, 90, 110, 130, 150, 170}, 2, 31, 0.09375},
      // 357.21 + 31/32 of 2.88 is 359.999996, which a float holds as 360.
      {"a record rounding up to 360 is 0", {35721, 9, 297, 585, 873, 1161, 1449, 1737, 2025, 2313, 2601, 2889}, 0, 31, 0.0},
      {"step of 3.5 with no stored step", {10000, 10350, 10700, 11050, 11400, 11750, 12100, 12450, 12800, 13150, 13500, 13850}, 0, 31, 100.0},
      {"step of exactly 3.0 is used", {10000, 10300, 10600, 10900, 11200, 11500, 11800, 12100, 12400, 12700, 13000, 13300}, 0, 16, 101.5},
      {"a large step takes the last accepted one", {10000, 10020, 10040, 10440, 10460, 10480, 10500, 10520, 10540, 10560, 10580, 10600}, 2, 16, 100.5},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Harness h;
    h.decoder.setFilterDistanceZero(false);
    KaldorPacketBuilder b;
    b.model(32).allRecords(1000, 1);
    for (int i = 0; i < 12; ++i) b.azimuth(i, static_cast<std::uint16_t>(r.azimuths[i]));
    h.feed(b);
    ASSERT_EQ(h.current().size(), 384u);
    EXPECT_NEAR(h.current().points[r.block * 32 + r.record].H_angle, r.hAngle, 1e-3);
  }
}

TEST(KaldorWalk, DistancesOfBothEchoesAndTheirPairing) {
  struct Row {
    std::uint8_t mode;
    double first, second;  // metres from counts 1000 and 2000
  };
  const Row rows[] = {{kSingle, 4.0, 0.0}, {kDual, 4.0, 8.0}, {kDualCm, 4.0, 20.0}};
  for (const Row& r : rows) {
    SCOPED_TRACE("return mode " + std::to_string(r.mode));
    Harness h;
    KaldorPacketBuilder b;
    b.model(32).returnMode(r.mode).azimuths(1000, 20);
    if (r.mode == kSingle) b.allRecords(1000, 11);
    else b.dualRecords(1000, 11, 2000, 22);
    h.feed(b);
    const auto& pts = h.current().points;
    if (r.mode == kSingle) {
      ASSERT_EQ(pts.size(), 384u);
      EXPECT_NEAR(pts[5].Distance, r.first, 1e-5);
      EXPECT_EQ(pts[5].Distance2, 0.f);
      continue;
    }
    // Each record gives its first echo, then its second, sharing channel, angles and time.
    ASSERT_EQ(pts.size(), 384u);
    const PointInfo& p = pts[10];
    const PointInfo& q = pts[11];
    EXPECT_NEAR(p.Distance, r.first, 1e-5);
    EXPECT_NEAR(p.Distance2, r.second, 1e-5);
    EXPECT_EQ(p.Intensity, 11);
    EXPECT_EQ(p.Intensity2, 22);
    EXPECT_NEAR(q.Distance, r.second, 1e-5);
    EXPECT_NEAR(q.Distance2, r.second, 1e-5);
    EXPECT_EQ(q.Intensity, 22);
    EXPECT_EQ(q.Intensity2, 22);
    EXPECT_EQ(q.Channel, p.Channel);
    EXPECT_EQ(q.H_angle, p.H_angle);
    EXPECT_EQ(q.V_angle, p.V_angle);
    EXPECT_EQ(q.Mtimestamp_nsce, p.Mtimestamp_nsce);
    // Same direction, further out (within the optical-centre offset).
    EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), r.first, 0.04);
    EXPECT_NEAR(std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z), r.second, 0.04);
  }
}

TEST(KaldorWalk, EchoSettingDecidesWhatIsWalkedAndKept) {
  // Points of one packet (first echo 4 m, second 8 m) for each echo setting, with the select
  // box on around everything: the selected cloud gets the same points again.
  struct Row {
    int echo;
    std::uint8_t mode;
    std::size_t points;
    int firstEchoes, secondEchoes;
  };
  const Row rows[] = {
      {0, kSingle, 384, 384, 0}, {1, kSingle, 384, 384, 0}, {2, kSingle, 0, 0, 0},
      {3, kSingle, 0, 0, 0},     {7, kSingle, 0, 0, 0},     {0, kDual, 384, 192, 192},
      {1, kDual, 192, 192, 0},   {2, kDual, 192, 0, 192},   {3, kDual, 0, 0, 0},
      {7, kDual, 384, 192, 192},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("echo " + std::to_string(r.echo) + " mode " + std::to_string(r.mode));
    Harness h;
    h.decoder.setEcho(r.echo);
    h.decoder.setSelectRange(true, -1000, -1000, -1000, 1000, 1000, 1000);
    KaldorPacketBuilder b;
    b.model(32).returnMode(r.mode).azimuths(1000, 20);
    if (r.mode == kSingle) b.allRecords(1000, 1);
    else b.dualRecords(1000, 1, 2000, 2);
    h.feed(b);
    ASSERT_NE(h.decoder.subModel(), nullptr);
    int first = 0, second = 0;
    for (const auto& p : h.current().points) (std::fabs(p.Distance - 4.0f) < 1e-4 ? first : second)++;
    EXPECT_EQ(h.current().size(), r.points);
    EXPECT_EQ(h.sub().m_CurrentSelectedCloud->size(), r.points);
    EXPECT_EQ(first, r.firstEchoes);
    EXPECT_EQ(second, r.secondEchoes);
    EXPECT_EQ(h.current().width, r.points);
    EXPECT_EQ(h.current().height, r.points ? 1u : 0u);
  }
}

TEST(KaldorWalk, FiltersAndWindowsDropPoints) {
  const std::array<int, 12> az = {20000, 10000, 3050, 3000, 2900, 1000, 50, 35900, 33500, 33000, 32950, 32500};
  struct Row {
    const char* name;
    float start, end;
    std::set<int> kept;  // block azimuths left (hundredths)
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::set<int> all(az.begin(), az.end());
  const Row rows[] = {
      {"default window", 0.f, 360.f, all},
      {"window off", nan, 0.f, all},
      {"window across 0", -30.f, 30.f, {3000, 2900, 1000, 50, 35900, 33500, 33000}},
      {"window inside", 10.f, 100.f, {10000, 3050, 3000, 2900, 1000}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Harness h;
    h.decoder.setHangleRange(r.start, r.end);
    h.feed(plateauPacket(32, az));
    EXPECT_EQ(blockAzimuthsIn(h.current()), r.kept);
  }

  // Zero distances, dropped channels and the filter record.
  Harness h;
  int channels[256];
  for (int& c : channels) c = 1;
  channels[8] = 0;
  h.decoder.setChannelSelection(channels);
  _FiltrationDataInitParam filter;
  filter.DistanceMin = 5.f;  // metres
  filter.DistanceMax = 100.f;
  h.decoder.setFiltrationData(filter);
  KaldorPacketBuilder b;
  b.model(32).azimuths(1000, 20).allRecords(2500, 1);  // 10 m
  for (int blk = 0; blk < 12; ++blk) {
    b.record(blk, 2, 0, 1);    // zero distance
    b.record(blk, 3, 1000, 1); // 4 m: outside the filter pair
  }
  h.feed(b);
  EXPECT_EQ(h.current().size(), 12u * 29);
  for (const auto& p : h.current().points) {
    EXPECT_NE(p.Channel, 8);  // record 1 of map A
    EXPECT_NEAR(p.Distance, 10.0, 1e-5);
  }
  // 384 non-zero distances still count only up to 31.
  EXPECT_EQ(h.decoder.m_DistanceIsNotZero, 31);
}

TEST(KaldorWalk, ZeroDistancesKeptAtTheOriginWhenNotFiltered) {
  Harness h;
  h.decoder.setFilterDistanceZero(false);
  KaldorPacketBuilder b;
  b.model(90).azimuths(4500, 20);
  h.feed(b);
  ASSERT_EQ(h.current().size(), 384u);
  for (const auto& p : h.current().points) {
    EXPECT_EQ(p.x, 0.f);
    EXPECT_EQ(p.y, 0.f);
    EXPECT_EQ(p.z, 0.f);
  }
}

TEST(KaldorWalk, SelectionByBoxOrByCalibrationRanges) {
  const std::array<int, 12> az = {20000, 10000, 3050, 3000, 2900, 1000, 50, 35900, 33500, 33000, 32950, 32500};
  {
    // A box around the points at 10 m and azimuth 100 (x 9.5 to 9.9, y near -1.7).
    Harness h;
    h.decoder.setSelectRange(true, 9.f, -3.f, -3.f, 10.5f, 0.f, 3.f);
    h.feed(plateauPacket(32, az));
    EXPECT_EQ(h.current().size(), 384u);
    const auto& sel = *h.sub().m_CurrentSelectedCloud;
    EXPECT_EQ(sel.size(), 32u);
    for (const auto& p : sel.points) {
      EXPECT_NEAR(p.H_angle, 100.0, 1e-4);
      EXPECT_TRUE(p.x >= 9.5f && p.x <= 10.5f && p.z >= -3.f && p.z <= 3.f);
    }
  }
  // Calibration selection: channel 16 (record 2 of map A) in closed ranges of H. A list of
  // four values has two ranges; the missing third one selects nothing.
  struct Row {
    std::vector<float> list;
    std::set<int> selectedAzimuths;
  };
  const Row rows[] = {
      {{29.0f, 30.0f, 330.0f, 335.0f}, {3000, 2900, 33500, 33000}},
      {{0.5f, 0.5f, 400.f, 500.f}, {50}},
      {{0.f, 360.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f}, std::set<int>(az.begin(), az.end())},
      {{29.0f, 30.0f}, {3000, 2900}},                                     // one range
      {{29.0f, 30.0f, 330.0f, 335.0f, 0.4f, 0.6f}, {3000, 2900, 33500, 33000, 50}},  // three ranges
  };
  for (const Row& r : rows) {
    Harness h;
    h.decoder.writeCalibrationData(16, 1000.f, true, r.list, "", false);
    h.decoder.setSelectRange(true, -1000, -1000, -1000, 1000, 1000, 1000);  // ignored while calibrating
    h.feed(plateauPacket(32, az));
    const auto& sel = *h.sub().m_CurrentSelectedCloud;
    for (const auto& p : sel.points) EXPECT_EQ(p.Channel, 16);
    EXPECT_EQ(blockAzimuthsIn(sel), r.selectedAzimuths);
    EXPECT_EQ(sel.size(), r.selectedAzimuths.size());
  }
  // Closing with an empty list ends the calibration selection: the box selects again.
  Harness h;
  h.decoder.writeCalibrationData(16, 1000.f, true, {29.0f, 30.0f}, "", false);
  h.decoder.writeCalibrationData(0, 0.f, false, {}, "", true);
  h.decoder.setSelectRange(true, -1000, -1000, -1000, 1000, 1000, 1000);
  h.feed(plateauPacket(32, az));
  EXPECT_EQ(h.sub().m_CurrentSelectedCloud->size(), 384u);
}

TEST(KaldorTime, PacketTimeForms) {
  struct Row {
    const char* name;
    KaldorPacketBuilder packet;
    double time;
    const char* message;
  };
  const Row rows[] = {
      {"seconds form", KaldorPacketBuilder().utcSeconds(60).nanoseconds(500000000), 60.5, "1970/1/1 0:1:0"},
      {"seconds form, 2024", KaldorPacketBuilder().utcSeconds(1725523387).nanoseconds(250000000),
       1725523387.25, "2024/9/5 8:3:7"},
      {"calendar form", KaldorPacketBuilder().calendar(2024, 1, 1, 0, 0, 0), 1704067200.0, "2024/1/1 0:0:0"},
      {"calendar form with nanoseconds", KaldorPacketBuilder().calendar(2024, 9, 5, 8, 3, 7).nanoseconds(1000),
       1725523387.000001, "2024/9/5 8:3:7"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Harness h;
    KaldorPacketBuilder p = r.packet;
    p.model(4).allRecords(100, 1);
    h.feed(p);
    EXPECT_DOUBLE_EQ(h.decoder.m_PacketTime, r.time);
    ASSERT_EQ(h.messagesWithCode(50), 1);
    EXPECT_EQ(h.messages.front().first, r.message);
    // The first packet of a run has a time step of 0: its records carry its own time.
    EXPECT_DOUBLE_EQ(h.current().points.front().Mtimestamp_nsce, r.time);
    EXPECT_DOUBLE_EQ(h.current().points.back().Mtimestamp_nsce, r.time);
  }
}

TEST(KaldorTime, RecordTimesSpreadBetweenPackets) {
  for (std::uint8_t mode : {kSingle, kDual}) {
    SCOPED_TRACE("return mode " + std::to_string(mode));
    const bool dual = mode == kDual;
    const int recordTimes = dual ? 192 : 384;
    Harness h;
    h.decoder.setFilterDistanceZero(false);
    auto packets = rotationPackets(32, mode, 4, 20, 1000.0, 0.1);
    h.feed(packets[0]);
    // Not walked with echo 2, but it still moves the previous packet time.
    if (!dual) {
      h.decoder.setEcho(2);
      h.feed(packets[1]);
      h.decoder.setEcho(0);
    } else {
      h.feed(packets[1]);
    }
    const std::size_t before = h.current().size();
    h.feed(packets[2]);
    const auto& pts = h.current().points;
    ASSERT_EQ(pts.size(), before + 384);
    const double step = 0.1 / recordTimes;
    for (int i = 0; i < 384; ++i) {
      const int record = dual ? i / 2 : i;  // both echoes of a record share its time
      EXPECT_NEAR(pts[before + i].Mtimestamp_nsce, 1000.1 + (record + 1) * step, 1e-9) << i;
    }
    EXPECT_NEAR(pts.back().Mtimestamp_nsce, 1000.2, 1e-9);
  }
}

TEST(KaldorTime, StartOfARunHasNoTimeStep) {
  Harness h;
  auto packets = rotationPackets(32, kSingle, 2, 20, 500.0, 0.1);
  h.feed(packets[0]);
  h.decoder.markRunStart();  // as the decode loop does when it starts again
  h.feed(packets[1]);
  EXPECT_DOUBLE_EQ(h.current().points.back().Mtimestamp_nsce, 500.1);
  EXPECT_DOUBLE_EQ(h.current().points[384].Mtimestamp_nsce, 500.1);
}

TEST(KaldorFrames, SplitNeedsMoreThanTheMinimumBlockCount) {
  // Every point lies in the split window; the frame ends at the first point tested with more
  // than the minimum count of frame blocks, so the handed frame holds minimum - 1 blocks.
  struct Row {
    int model;
    int azimuth;  // hundredths; blocks at azimuth + 0.01 b
    int packetOfFirstFrame;  // 1-based, 0 for none in 40 packets
    std::size_t framePoints;
  };
  const Row rows[] = {
      {32, 9050, 9, 99 * 32},   // Lormet: split 90, minimum 100, window 5
      {32, 12500, 0, 0},        //   outside its window
      {4, 12500, 9, 99 * 32},   // Gorsk: window 40
      {7, 10900, 9, 99 * 32},   // Hulvan: window 20
      {69, 10050, 17, 199 * 32},// Nimbrel_N: split 100, minimum 200
      {69, 9050, 0, 0},         //   not at 90
      {90, 9050, 9, 99 * 32},   // Quenry
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("model " + std::to_string(r.model) + " azimuth " + std::to_string(r.azimuth));
    Harness h;
    KaldorPacketBuilder b;
    b.model(static_cast<std::uint8_t>(r.model)).azimuths(r.azimuth, 1).allRecords(2500, 9).time(1.0);
    int firstFramePacket = 0;
    for (int n = 1; n <= 40 && h.frames.empty(); ++n) {
      h.feed(b);
      if (!h.frames.empty()) firstFramePacket = n;
    }
    EXPECT_EQ(firstFramePacket, r.packetOfFirstFrame);
    if (r.packetOfFirstFrame) {
      EXPECT_EQ(h.frames.front()->size(), r.framePoints);
    }
  }
}

TEST(KaldorFrames, SplitWindowBoundsAreStrict) {
  // Lormet (split 90, window 5) after 120 frame blocks: block 0 off the window, blocks 1-11 at
  // one azimuth. Zero distances are filtered out but still end the frame.
  struct Row {
    int block0, plateau;
    std::uint16_t count;
    bool split;
  };
  const Row rows[] = {
      {8000, 9000, 2500, false}, {8000, 9001, 2500, true}, {9600, 9499, 2500, true},
      {9600, 9500, 2500, false}, {8000, 9001, 0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("plateau " + std::to_string(r.plateau));
    Harness h;
    h.feedAll(rotationPackets(32, kSingle, 10, 20, 1.0, 0.001, 20000));
    ASSERT_TRUE(h.frames.empty());
    KaldorPacketBuilder b;
    b.model(32).allRecords(r.count, 1).time(2.0).azimuth(0, static_cast<std::uint16_t>(r.block0));
    for (int i = 1; i < 12; ++i) b.azimuth(i, static_cast<std::uint16_t>(r.plateau));
    h.feed(b);
    EXPECT_EQ(h.frames.size(), r.split ? 1u : 0u);
    if (r.split) {
      // Blocks 1-11 went to the next frame, which is now the current one.
      EXPECT_EQ(h.frames.front()->size(), 120u * 32 + (r.count ? 32 : 0));
      EXPECT_EQ(h.current().size(), r.count ? 11u * 32 : 0u);
      EXPECT_EQ(h.sub().m_FrameAzimuths.size(), 0u);
    }
  }
}

TEST(KaldorFrames, EveryPointIsPublishedOnce) {
  // With the filters off, every record fed shows up exactly once: in a handed frame or in
  // the frame still being filled.
  struct Row {
    int model;
    std::uint8_t mode;
  };
  const Row rows[] = {{32, kSingle}, {69, kSingle}, {4, kDual}, {93, kDualCm}};
  for (const Row& r : rows) {
    SCOPED_TRACE("model " + std::to_string(r.model));
    Harness h;
    h.decoder.setFilterDistanceZero(false);
    const bool dual = r.mode != kSingle;
    const int packets = dual ? 900 : 450;  // three turns
    h.feedAll(rotationPackets(static_cast<std::uint8_t>(r.model), r.mode, packets, 20, 1000.0, 0.0005));
    EXPECT_GE(h.frames.size(), 2u);
    std::map<std::tuple<double, float, int, float>, int> seen;
    std::size_t total = 0;
    auto count = [&](const LidarCloud& c) {
      for (const auto& p : c.points) ++seen[{p.Mtimestamp_nsce, p.H_angle, p.Channel, p.Distance}];
      total += c.size();
    };
    for (const auto& f : h.frames) count(*f);
    count(h.current());
    EXPECT_EQ(total, static_cast<std::size_t>(packets) * 384);
    EXPECT_EQ(seen.size(), total);
    for (const auto& f : h.frames) {
      EXPECT_EQ(f->width, f->size());
      EXPECT_EQ(f->height, 1u);
    }
  }
}

TEST(KaldorFrames, APacketNotWalkedDoesNotHandOverAgain) {
  Harness h;
  KaldorPacketBuilder inWindow;
  inWindow.model(32).azimuths(9050, 1).allRecords(2500, 9).time(1.0);
  for (int n = 0; n < 9; ++n) h.feed(inWindow);
  ASSERT_EQ(h.frames.size(), 1u);
  EXPECT_EQ(h.sub().m_FrameComplete, 0);

  KaldorPacketBuilder badFlag = inWindow;
  badFlag.blockFlag(0, 0xFF, 0xED);
  h.feed(badFlag);
  h.decoder.setEcho(2);  // single-return packets are not walked
  h.feed(inWindow);
  h.decoder.setEcho(3);
  h.feed(KaldorPacketBuilder(inWindow).returnMode(kDual));
  EXPECT_EQ(h.frames.size(), 1u);
}

TEST(KaldorFrames, LaterBlockFlagsAreNotChecked) {
  Harness h;
  KaldorPacketBuilder b;
  b.model(32).azimuths(1000, 20).allRecords(2500, 9).blockFlag(5, 0, 0);
  h.feed(b);
  EXPECT_EQ(h.current().size(), 384u);
  b.blockFlag(0, 0xEE, 0xFF);
  h.feed(b);
  EXPECT_EQ(h.current().size(), 384u);
}

TEST(KaldorFrames, FrameSynchronisationFailureDropsThePacket) {
  Harness h;
  auto packets = rotationPackets(32, kSingle, 3, 20, 10.0, 0.1);
  h.feed(packets[0]);
  KaldorPacketBuilder stuck;
  stuck.model(32).allRecords(2500, 1).time(10.05).azimuth(0, 500).azimuth(11, 500);
  h.feed(stuck);
  ASSERT_EQ(h.messagesWithCode(10021), 1);
  for (const auto& m : h.messages)
    if (m.second == 10021) {
      EXPECT_EQ(m.first, "Frame synchronization failure!");
    }
  EXPECT_EQ(h.current().size(), 384u);
  EXPECT_DOUBLE_EQ(h.decoder.m_PreviousPacketTime, 10.0);
  // The next packet is timed against the last decoded one.
  h.feed(packets[1]);
  EXPECT_NEAR(h.current().points[384].Mtimestamp_nsce, 10.0 + 0.1 / 384, 1e-9);
}

TEST(KaldorModels, RejectedModelBytesProduceNothing) {
  // Outside the family.
  for (int model : {0, 11, 15, 19, 31, 36, 68, 73, 89, 94, 255}) {
    SCOPED_TRACE("model byte " + std::to_string(model));
    Harness h;
    h.feedAll(rotationPackets(static_cast<std::uint8_t>(model), kSingle, 200));
    EXPECT_EQ(h.decoder.subModel(), nullptr);
    EXPECT_TRUE(h.frames.empty());
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(h.decoder.m_ModelValue, -1);
  }
}

TEST(KaldorModels, AModelChangeReplacesTheSubModel) {
  Harness h;
  h.feedAll(rotationPackets(32, kSingle, 5));
  EXPECT_EQ(h.sub().m_FrameAzimuths.size(), 60u);
  EXPECT_EQ(h.current().points[1].Channel, 8);

  // Same class, other byte: a new decoder with a fresh frame (map B now).
  h.feedAll(rotationPackets(34, kSingle, 1));
  EXPECT_EQ(h.decoder.m_ModelValue, 34);
  EXPECT_EQ(h.sub().m_FrameAzimuths.size(), 12u);
  EXPECT_EQ(h.current().size(), 384u);
  EXPECT_EQ(h.current().points[1].Channel, 16);
  EXPECT_NE(dynamic_cast<DataDispose_Lormet_v4_0*>(h.decoder.subModel()), nullptr);

  // Another class.
  h.feedAll(rotationPackets(4, kSingle, 1));
  EXPECT_NE(dynamic_cast<DataDispose_Gorsk_v4_0*>(h.decoder.subModel()), nullptr);
  EXPECT_EQ(h.sub().m_SplitWindow, 40);
  h.feedAll(rotationPackets(8, kSingle, 1));
  EXPECT_NE(dynamic_cast<DataDispose_Hulvan_v4_0*>(h.decoder.subModel()), nullptr);
  EXPECT_EQ(h.sub().m_SplitWindow, 20);

  // A rejected byte in between leaves the current decoder alone.
  DataDispose* before = h.decoder.subModel();
  h.feedAll(rotationPackets(73, kSingle, 1));
  EXPECT_EQ(h.decoder.subModel(), before);
}

TEST(KaldorModels, DevicePacketSetsTheSplitAzimuth) {
  struct Row {
    std::uint16_t first, second;
    double split;
  };
  const Row rows[] = {
      {9000, 0, 90.0}, {12000, 12000, 90.0}, {0, 18000, 0.0}, {35999, 0, 359.99}, {36000, 0, 90.0}, {65535, 1, 90.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.first) + "/" + std::to_string(r.second));
    Harness h;
    h.feed(devicePacket(9000, 0));  // before any data packet: ignored
    h.feedAll(rotationPackets(32, kSingle, 1));
    EXPECT_DOUBLE_EQ(h.sub().m_SplitAzimuth, 90.0);
    h.sub().m_SplitAzimuth = 90.0;
    h.feed(devicePacket(r.first, r.second));
    EXPECT_NEAR(h.sub().m_SplitAzimuth, r.split, 1e-9);
    EXPECT_EQ(h.sub().m_DeviceSplitFirst, r.first);
    EXPECT_EQ(h.sub().m_DeviceSplitSecond, r.second);
  }
  // A device packet whose first byte is 00 is one too: it sets the split and adds no point.
  Harness h;
  h.feedAll(rotationPackets(32, kSingle, 1));
  const std::size_t points = h.current().size();
  auto zeroFirst = devicePacket(12000, 0);
  zeroFirst[0] = 0x00;
  h.feed(zeroFirst);
  EXPECT_NEAR(h.sub().m_SplitAzimuth, 120.0, 1e-9);
  EXPECT_EQ(h.current().size(), points);
}

TEST(KaldorModels, DeviceCommandsEditTheConfigurationPacket) {
  struct Decoder : LIDAR_Kaldor_v4_0 {
    using LIDAR_Template::m_ConfigPacket;
  };
  std::vector<std::pair<std::string, int>> messages;
  MessageCallback onMessage = [&](std::string t, int c) { messages.emplace_back(t, c); };
  Decoder d;
  d.setMessageCallback(&onMessage);
  EXPECT_FALSE(d.setLidarWorkState(1));
  EXPECT_FALSE(d.setLidarRotateState(1));
  // The configuration packet preparation reports the refusal too.
  ASSERT_EQ(messages.size(), 4u);
  for (const auto& m : messages)
    EXPECT_EQ(m, std::make_pair(std::string("Equipment package is not update!!!"), 10023));

  const auto dev = devicePacket(0, 0);
  d.onReceiveData(LidarDataType_Device, dev.data(), static_cast<unsigned short>(dev.size()));
  EXPECT_TRUE(d.setLidarWorkState(300));
  EXPECT_EQ(d.m_ConfigPacket[50], 44);
  EXPECT_TRUE(d.setLidarRotateState(0x1203));
  EXPECT_EQ(d.m_ConfigPacket[40], 0);
  EXPECT_EQ(d.m_ConfigPacket[41], 3);
  EXPECT_TRUE(d.setLidarSoureSelection(2));
  EXPECT_EQ(d.m_ConfigPacket[44], 0);
  EXPECT_EQ(d.m_ConfigPacket[45], 2);
}

TEST(KaldorGeometry, PositionsFollowTheFormulaWhateverTheOrderOfAzimuths) {
  // computeXYZ reuses the last azimuth's sine and cosine for nearby ones: small steps, jumps,
  // wrap-around and repeats must all give the plain formula's position.
  DataDispose_Lormet_v4_0 sub;
  sub.m_HorizontalOffset[5] = 1.5;
  const double pi = 3.1415926;
  const double azimuths[] = {0.0, 0.00625, 0.2, 3.4, 3.5, 10.0, 359.99375, 0.0, 180.0, 183.4, 179.9, 90.0, 90.0, 270.0, 45.3};
  for (int channel : {5, 20}) {
    for (double a : azimuths) {
      SCOPED_TRACE("azimuth " + std::to_string(a));
      const kaldor::XYZPair xyz = sub.computeXYZ(channel, a, 50.0, 120.0);
      const double alpha = a * pi / 180, beta = (a + sub.m_HorizontalOffset[channel] - 20.25) * pi / 180;
      const double v = (channel - 16) * pi / 180;
      EXPECT_NEAR(xyz.x1, std::sin(alpha) * 50.0 * std::cos(v) + std::sin(beta) * 0.0361, 1e-5);
      EXPECT_NEAR(xyz.y1, std::cos(alpha) * 50.0 * std::cos(v) + std::cos(beta) * 0.0361, 1e-5);
      EXPECT_NEAR(xyz.z1, 50.0 * std::sin(v), 1e-5);
      EXPECT_NEAR(xyz.x2, std::sin(alpha) * 120.0 * std::cos(v) + std::sin(beta) * 0.0361, 2e-5);
      EXPECT_NEAR(xyz.y2, std::cos(alpha) * 120.0 * std::cos(v) + std::cos(beta) * 0.0361, 2e-5);
    }
  }
  const kaldor::XYZPair none = sub.computeXYZ(3, 10.0, 0.0, -1.0);
  EXPECT_EQ(none.x1, 0.f);
  EXPECT_EQ(none.y2, 0.f);
}

namespace {

// Two turns of Lormet packets with varied distances and intensities, zero distances among
// them, and block steps that keep or leave the sine/cosine reference (jumps, wrap-around).
std::vector<std::vector<unsigned char>> variedRotation() {
  std::vector<std::vector<unsigned char>> packets;
  unsigned seed = 7;
  int azimuth = 35800;
  for (int n = 0; n < 320; ++n) {
    KaldorPacketBuilder b;
    b.model(32).time(500.0 + n * 0.0006);
    for (int blk = 0; blk < 12; ++blk) {
      azimuth += (n % 13 == 4 && blk == 5) ? 290 : 20;  // now and then a 2.9-degree step
      b.azimuth(blk, static_cast<std::uint16_t>(azimuth % 36000));
      for (int k = 0; k < 32; ++k) {
        seed = seed * 1103515245u + 12345u;
        const std::uint16_t count = ((seed >> 4) & 7) == 0 ? 0 : static_cast<std::uint16_t>((seed >> 8) % 9000);
        b.record(blk, k, count, static_cast<std::uint8_t>(seed >> 20));
      }
    }
    packets.push_back(b.bytes());
  }
  return packets;
}

}  // namespace

TEST(KaldorGeometry, FramePointsSitWhereTheFormulaPutsThemWithChannelsSwitchedOff) {
  Harness h;
  int channels[256];
  for (int c = 0; c < 256; ++c) channels[c] = c % 3 != 1;
  h.decoder.setChannelSelection(channels);
  h.feedAll(variedRotation());
  ASSERT_GE(h.frames.size(), 1u);
  const double pi = 3.1415926;
  std::size_t checked = 0;
  for (const auto& frame : h.frames) {
    for (const PointInfo& p : frame->points) {
      ASSERT_NE(p.Channel % 3, 1);
      const double alpha = p.H_angle * pi / 180, beta = (p.H_angle - 20.25) * pi / 180;
      const double v = (p.Channel - 16) * pi / 180;
      ASSERT_NEAR(p.x, std::sin(alpha) * p.Distance * std::cos(v) + std::sin(beta) * 0.0361, 1e-4) << p.H_angle;
      ASSERT_NEAR(p.y, std::cos(alpha) * p.Distance * std::cos(v) + std::cos(beta) * 0.0361, 1e-4) << p.H_angle;
      ASSERT_NEAR(p.z, p.Distance * std::sin(v), 1e-4);
      ++checked;
    }
  }
  EXPECT_GT(checked, 10000u);
}

TEST(KaldorColour, FramePointsHaveTheDecodersOwnColourInEveryMode) {
  const _SetRGB_Type modes[] = {RGB_Intensity, RGB_Solid, RGB_Elevation, RGB_HAngle, RGB_Channel};
  const auto packets = variedRotation();
  for (_SetRGB_Type mode : modes) {
    SCOPED_TRACE("mode " + std::to_string(static_cast<int>(mode)));
    Harness h;
    h.decoder.setRGBType(mode, 0);
    // The mode changes while decoding: the first frames are coloured by intensity.
    h.feedAll(std::vector<std::vector<unsigned char>>(packets.begin(), packets.begin() + 200));
    h.decoder.setRGBType(RGB_Intensity, 0);
    h.decoder.setRGBType(mode, 0);
    h.feedAll(std::vector<std::vector<unsigned char>>(packets.begin() + 200, packets.end()));
    ASSERT_GE(h.frames.size(), 1u);
    std::set<std::uint32_t> colours;
    for (const auto& frame : h.frames) {
      for (const PointInfo& p : frame->points) {
        PointInfo expected = p;
        expected.rgba = 0;
        h.decoder.setPointColor(&expected, mode);
        ASSERT_EQ(p.rgba, expected.rgba) << "intensity " << int(p.Intensity) << " channel " << int(p.Channel);
        colours.insert(p.rgba);
      }
    }
    if (mode != RGB_Solid) {
      EXPECT_GT(colours.size(), 3u);
    }
  }
}
