// Rules of single sub-models: the fixed-constant walk (Brisal, Fyrel, Drelka, Ostrik, Nimbrel,
// Quenry_40K) and the Jarnis calibration from device-information packets.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "DataDispose_Drelka_v4_0.h"
#include "DataDispose_Jarnis_v4_0.h"
#include "DataDispose_Ostrik.h"
#include "KaldorTestHarness.h"

using namespace kaldor_test;

namespace {

constexpr double kPi = 3.1415926;

// A device-information packet with the per-channel calibration fields: 16 vertical angles and
// 16 horizontal offsets (signed, hundredths of a degree, big-endian) and the two check bytes.
std::vector<unsigned char> calibrationPacket(const std::array<int, 16>& vertical, const std::array<int, 16>& horizontal,
                                             std::uint8_t check1 = 0x71, std::uint8_t check2 = 0x7F) {
  std::vector<unsigned char> p = devicePacket(0, 0);
  for (int i = 0; i < 16; ++i) {
    const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(vertical[i]));
    const auto h = static_cast<std::uint16_t>(static_cast<std::int16_t>(horizontal[i]));
    p[680 + 2 * i] = static_cast<unsigned char>(v >> 8);
    p[681 + 2 * i] = static_cast<unsigned char>(v & 0xFF);
    p[712 + 2 * i] = static_cast<unsigned char>(h >> 8);
    p[713 + 2 * i] = static_cast<unsigned char>(h & 0xFF);
  }
  p[1198] = check1;
  p[1202] = check2;
  return p;
}

std::array<int, 16> nominalPlus(int hundredths) {
  std::array<int, 16> a{};
  for (int i = 0; i < 16; ++i) a[i] = (-16 + 2 * i) * 100 + hundredths;
  return a;
}

bool samePoint(const PointInfo& a, const PointInfo& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z && a.H_angle == b.H_angle && a.V_angle == b.V_angle &&
         a.Channel == b.Channel && a.Distance == b.Distance && a.Distance2 == b.Distance2 &&
         a.Mtimestamp_nsce == b.Mtimestamp_nsce;
}

}  // namespace

// The fixed-constant sub-models read none of the table fields of DataDispose, nor the
// calibration selection: a decoder whose fields are scribbled over, with the calibration
// selection on, hands out exactly the frames of an untouched one, and selects only by box.
TEST(KaldorConstantWalk, TableFieldsAndCalibrationSelectionHaveNoEffect) {
  for (int model : {1, 2, 3, 5, 70, 92}) {
    SCOPED_TRACE("model byte " + std::to_string(model));
    const auto packets = rotationPackets(static_cast<std::uint8_t>(model), kDual, 700, 20, 100.0, 0.0005);
    Harness plain, scribbled;
    plain.feed(packets[0]);
    scribbled.feed(packets[0]);
    DataDispose& s = scribbled.sub();
    s.m_SplitWindow = 300;
    s.m_DistanceUnit = 1.f;
    s.m_R0 = 5.f;
    s.m_A0 = 90.f;
    s.m_ChannelMap.fill(5);
    s.m_VerticalAngle.fill(45.f);
    s.m_HorizontalOffset.fill(30.0);
    s.m_StoredStep = 2.5;
    scribbled.decoder.writeCalibrationData(0, 1000.f, true, {0.f, 360.f, 0.f, 360.f, 0.f, 360.f, 0.f, 0.f}, "", false);
    for (std::size_t i = 1; i < packets.size(); ++i) {
      plain.feed(packets[i]);
      scribbled.feed(packets[i]);
    }
    ASSERT_GE(plain.frames.size(), 2u);
    ASSERT_EQ(scribbled.frames.size(), plain.frames.size());
    EXPECT_EQ(s.m_StoredStep, 2.5);  // neither read nor written
    for (std::size_t f = 0; f < plain.frames.size(); ++f) {
      const LidarCloud& a = *plain.frames[f];
      const LidarCloud& b = *scribbled.frames[f];
      ASSERT_EQ(a.size(), b.size()) << "frame " << f;
      ASSERT_GT(a.size(), 0u);
      for (std::size_t i = 0; i < a.size(); ++i) ASSERT_TRUE(samePoint(a.points[i], b.points[i])) << f << "/" << i;
      EXPECT_EQ(scribbled.selectedFrames[f]->size(), 0u);
    }
  }
}

TEST(KaldorConstantWalk, OnlyTheBoxSelects) {
  for (int model : {1, 2, 3, 5, 70, 92}) {
    SCOPED_TRACE("model byte " + std::to_string(model));
    Harness h;
    h.decoder.setSelectRange(true, 1.f, 0.f, -100.f, 100.f, 100.f, 100.f);
    h.decoder.writeCalibrationData(0, 1000.f, true, {0.f, 360.f, 0.f, 360.f, 0.f, 360.f, 0.f, 0.f}, "", false);
    h.feedAll(rotationPackets(static_cast<std::uint8_t>(model), kSingle, 3, 200));  // 2 degrees a block
    std::size_t inBox = 0;
    for (const auto& p : h.current().points) inBox += p.x >= 1.f && p.y >= 0.f;
    const LidarCloud& sel = *h.sub().m_CurrentSelectedCloud;
    EXPECT_GT(inBox, 0u);
    EXPECT_LT(inBox, h.current().size());
    EXPECT_EQ(sel.size(), inBox);
    for (const auto& p : sel.points) EXPECT_TRUE(p.x >= 1.f && p.y >= 0.f);
  }
}

TEST(KaldorConstantWalk, BlockStepIsTakenUnchangedAndTheLastBlockReusesIt) {
  // Block azimuths (hundredths) and the expected H of (block, record); the base walk would
  // replace the 10-degree step by its stored one.
  struct Row {
    int model;
    std::array<int, 12> azimuths;
    int block, record;
    double hAngle;
  };
  const std::array<int, 12> tenDegrees = {1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 11000, 12000};
  const std::array<int, 12> lastStepLarger = {1000, 1020, 1040, 1060, 1080, 1100, 1120, 1140, 1160, 1180, 1200, 1700};
  const Row rows[] = {
      {3, tenDegrees, 0, 1, 10.3125},
      {3, tenDegrees, 11, 31, 129.6875},
      {5, tenDegrees, 4, 16, 55.0},
      {70, tenDegrees, 2, 0, 30.0},
      {3, lastStepLarger, 10, 16, 14.5},
      {3, lastStepLarger, 11, 31, 17.0 + 31 * 0.15625},
      // across 0: the step is negative plus 360
      {3, {35000, 35800, 500, 1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000}, 1, 31, 4.78125},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("model " + std::to_string(r.model) + " block " + std::to_string(r.block));
    Harness h;
    KaldorPacketBuilder b;
    b.model(static_cast<std::uint8_t>(r.model)).allRecords(1000, 1);
    for (int i = 0; i < 12; ++i) b.azimuth(i, static_cast<std::uint16_t>(r.azimuths[i]));
    h.feed(b);
    ASSERT_EQ(h.current().size(), 384u);
    EXPECT_NEAR(h.current().points[r.block * 32 + r.record].H_angle, r.hAngle, 1e-4);
  }
}

TEST(KaldorConstantWalk, FrameSplitConstantsPerModel) {
  // Blocks at start + b * step (hundredths; the 20-bit models get the same angles). The
  // first frame ends in the given packet (0: none in 40) and holds the given points.
  struct Row {
    const char* name;
    int model;
    int start, step;
    int packetOfFirstFrame;
    std::size_t framePoints;
  };
  const Row rows[] = {
      {"Brisal: window 20", 1, 10850, 1, 9, 99 * 4},
      {"Brisal: past the window", 1, 11050, 1, 0, 0},
      {"Fyrel: window 20", 2, 10850, 1, 9, 99 * 32},
      {"Fyrel: 20 degrees past is outside", 2, 11000, 1, 0, 0},
      {"Quenry_40K: window 3", 92, 9100, 1, 9, 99 * 32},
      {"Quenry_40K: 3 degrees past is outside", 92, 9300, 1, 0, 0},
      {"Nimbrel: window 5", 70, 9300, 1, 9, 0},
      {"Nimbrel: 5 degrees past is outside", 70, 9500, 1, 0, 0},
      {"Drelka, small step: minimum 100, window 50", 3, 13800, 1, 9, 99 * 32},
      {"Drelka, small step: 50 degrees past is outside", 3, 14000, 1, 0, 0},
      {"Drelka, 10-degree step: minimum 20, window 200", 3, 0, 1000, 2, 19 * 32},
      {"Ostrik, small step", 5, 13800, 1, 9, 99 * 32},
      {"Ostrik, 10-degree step", 6, 0, 1000, 2, 19 * 32},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Harness h;
    int firstFramePacket = 0;
    for (int n = 0; n < 40 && h.frames.empty(); ++n) {
      KaldorPacketBuilder b;
      b.model(static_cast<std::uint8_t>(r.model)).allRecords(2500, 9).time(1.0 + n * 0.001);
      for (int blk = 0; blk < 12; ++blk) {
        const int hundredths = (r.start + (12 * n + blk) * r.step) % 36000;
        if (r.model == 2 || r.model == 92) b.azimuth20(blk, static_cast<std::uint32_t>(hundredths * 10));
        else b.azimuth(blk, static_cast<std::uint16_t>(hundredths));
      }
      h.feed(b);
      if (!h.frames.empty()) firstFramePacket = n + 1;
    }
    EXPECT_EQ(firstFramePacket, r.packetOfFirstFrame);
    if (r.packetOfFirstFrame && r.framePoints) {
      EXPECT_EQ(h.frames.front()->size(), r.framePoints);
    }
  }
}

TEST(KaldorConstantWalk, AdaptiveSplitFollowsTheBlockStep) {
  struct Row {
    int step;  // hundredths
    int minimumBlocks, window;
  };
  const Row rows[] = {{1000, 20, 200}, {801, 20, 200}, {800, 50, 100}, {401, 50, 100}, {400, 100, 50}, {20, 100, 50}};
  for (int model : {3, 10, 5, 6}) {
    for (const Row& r : rows) {
      SCOPED_TRACE("model " + std::to_string(model) + " step " + std::to_string(r.step));
      Harness h;
      KaldorPacketBuilder b;
      b.model(static_cast<std::uint8_t>(model)).azimuths(0, r.step).allRecords(2500, 9);
      h.feed(b);
      if (auto* d = dynamic_cast<DataDispose_Drelka_v4_0*>(h.decoder.subModel())) {
        EXPECT_EQ(d->m_AdaptiveMinimumBlocks, r.minimumBlocks);
        EXPECT_EQ(d->m_AdaptiveSplitWindow, r.window);
      } else {
        auto* o = dynamic_cast<DataDispose_Ostrik*>(h.decoder.subModel());
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->m_AdaptiveMinimumBlocks, r.minimumBlocks);
        EXPECT_EQ(o->m_AdaptiveSplitWindow, r.window);
      }
    }
  }
}

TEST(KaldorConstantWalk, TwentyBitAzimuthAndFirstBlockFlag) {
  // Block 0 bytes 0-3 as sent, then whether the packet is decoded and record 0's azimuth.
  struct Row {
    int model;
    std::array<std::uint8_t, 4> block0;
    bool decoded;
    double hAngle;
  };
  const Row rows[] = {
      {92, {0xFF, 0xE5, 0x34, 0x12}, true, 74.565},
      {92, {0xFF, 0xEE, 0x34, 0x12}, true, 74.574},
      {92, {0xFF, 0xDE, 0x34, 0x12}, false, 0},
      {92, {0xFE, 0xE5, 0x34, 0x12}, false, 0},
      {2, {0xFF, 0xE5, 0x10, 0x27}, true, 160.005},
      {2, {0xFF, 0xEE, 0x10, 0x27}, true, 160.014},
      {2, {0xFF, 0xF5, 0x10, 0x27}, false, 0},
      // 23000 x 16 thousandths is 368 degrees: 8 after the wrap
      {2, {0xFF, 0xE0, 0xD8, 0x59}, true, 8.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("model " + std::to_string(r.model) + " byte 1 " + std::to_string(r.block0[1]));
    Harness h;
    KaldorPacketBuilder b;
    b.model(static_cast<std::uint8_t>(r.model)).allRecords(2500, 9);
    const std::uint32_t base = ((r.block0[3] << 8 | r.block0[2]) << 4) | (r.block0[1] & 0xF);
    for (int blk = 1; blk < 12; ++blk) b.azimuth20(blk, base + 100 * blk);
    b.blockFlag(5, 0x00, 0x00);  // later flags are not tested; the low nibble 0 is read
    b.azimuth(5, static_cast<std::uint16_t>((base + 500) >> 4));
    for (int i = 0; i < 4; ++i) b.byte(static_cast<std::size_t>(i), r.block0[i]);
    h.feed(b);
    ASSERT_NE(h.decoder.subModel(), nullptr);
    EXPECT_EQ(h.current().size(), r.decoded ? 384u : 0u);
    if (r.decoded) {
      EXPECT_NEAR(h.current().points[0].H_angle, r.hAngle, 1e-4);
      EXPECT_NEAR(h.current().points[5 * 32].H_angle, std::fmod((((base + 500) >> 4) << 4) / 1000.0, 360.0), 1e-4);
    }
  }
}

TEST(KaldorBrisal, OnlyTheHorizontalLineIsDeliveredAsChannelZero) {
  struct Row {
    const char* name;
    int channelOff;  // -1: none
    std::uint8_t mode;
    std::size_t points;
    std::set<int> channels;
  };
  const Row rows[] = {
      {"all channels on", -1, kSingle, 48, {0}},
      {"channel 0 off removes nothing", 0, kSingle, 48, {0}},
      {"channel 3 off removes everything", 3, kSingle, 0, {}},
      {"dual: echo 2 keeps channel 3", -1, kDual, 48, {0, 3}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Harness h;
    int flags[256];
    for (int& f : flags) f = 1;
    if (r.channelOff >= 0) flags[r.channelOff] = 0;
    h.decoder.setChannelSelection(flags);
    KaldorPacketBuilder b;
    b.model(1).returnMode(r.mode).azimuths(1000, 20);
    if (r.mode == kSingle) b.allRecords(2500, 9);
    else b.dualRecords(2500, 9, 2600, 10);
    h.feed(b);
    EXPECT_EQ(h.current().size(), r.points);
    std::set<int> channels;
    for (const auto& p : h.current().points) {
      channels.insert(p.Channel);
      EXPECT_EQ(p.V_angle, 0.f);
      EXPECT_EQ(p.z, 0.f);
      EXPECT_EQ(p.Distance, p.Channel == 0 ? 10.f : 10.4f);
    }
    EXPECT_EQ(channels, r.channels);
  }
}

TEST(KaldorBrisal, ADroppedLineCanEndTheFrame) {
  Harness h;
  h.feedAll(rotationPackets(1, kSingle, 9, 20, 1.0, 0.001, 20000));  // 108 blocks near 200 degrees
  ASSERT_TRUE(h.frames.empty());
  // Block 10 at 67 and block 11 at 59 (a step of 352): only records 3 and 4, of the dropped
  // channels 5 and 2, fall between 90 and 110 degrees.
  KaldorPacketBuilder b;
  b.model(1).allRecords(2500, 9).time(1.01).azimuths(20000, 20).azimuth(10, 6700).azimuth(11, 5900);
  h.feed(b);
  ASSERT_EQ(h.frames.size(), 1u);
  EXPECT_EQ(h.frames.front()->size(), 120u * 4);
  EXPECT_EQ(h.current().size(), 0u);
}

TEST(KaldorNimbrel, OddChannelsFifteenToTwentyNineFireAhead) {
  // Block 0 at 356.94 with a step of 0.32: record k lies at 356.94 + 0.01 k before any offset.
  Harness h;
  KaldorPacketBuilder b;
  b.model(70).azimuths(35694, 32).allRecords(2500, 9);
  h.feed(b);
  ASSERT_EQ(h.current().size(), 384u);
  const std::set<int> shifted = {6, 7, 14, 15, 22, 23, 29, 30};
  const std::set<int> shiftedChannels = {17, 25, 19, 27, 21, 29, 15, 23};
  for (int k = 0; k < 32; ++k) {
    SCOPED_TRACE("record " + std::to_string(k));
    const PointInfo& p = h.current().points[k];
    const bool offset = shifted.count(k) != 0;
    EXPECT_EQ(shiftedChannels.count(p.Channel) != 0, offset);
    double expected = 356.94 + 0.01 * k + (offset ? 3.89 : 0.0);
    if (expected >= 360.0) expected -= 360.0;
    EXPECT_NEAR(p.H_angle, expected, 1e-4);
    // Position from the shifted azimuth.
    const double a = expected * kPi / 180, v = p.V_angle * kPi / 180, c = (expected - 20.25) * kPi / 180;
    EXPECT_NEAR(p.x, 10.0 * std::cos(v) * std::sin(a) + 0.03416 * std::sin(c), 1e-4);
    EXPECT_NEAR(p.y, 10.0 * std::cos(v) * std::cos(a) + 0.03416 * std::cos(c), 1e-4);
  }
  EXPECT_NEAR(h.current().points[6].H_angle, 0.89, 1e-4);  // channel 17 at 357.00
}

TEST(KaldorOstrik, MillimetreDistancesAtChannelZero) {
  struct Row {
    std::uint8_t mode;
    double first, second;  // metres from counts 1234 and 2345
  };
  const Row rows[] = {{kSingle, 1.234, 0.0}, {kDual, 1.234, 2.345}, {kDualCm, 1.234, 23.45}};
  for (const Row& r : rows) {
    SCOPED_TRACE("return mode " + std::to_string(r.mode));
    Harness h;
    KaldorPacketBuilder b;
    b.model(5).returnMode(r.mode).azimuths(4500, 20);
    if (r.mode == kSingle) b.allRecords(1234, 1);
    else b.dualRecords(1234, 1, 2345, 2);
    h.feed(b);
    ASSERT_EQ(h.current().size(), 384u);
    for (const auto& p : h.current().points) {
      ASSERT_EQ(p.Channel, 0);
      ASSERT_EQ(p.V_angle, 0.f);
      ASSERT_EQ(p.z, 0.f);
      const double d = p.Intensity == 2 ? r.second : r.first;
      const double a = p.H_angle * kPi / 180;
      ASSERT_NEAR(p.Distance, d, 1e-6);
      ASSERT_NEAR(p.x, d * std::sin(a), 1e-5);
      ASSERT_NEAR(p.y, d * std::cos(a), 1e-5);
    }
  }
  // Channel 0 off: nothing, the last block included.
  Harness h;
  int flags[256];
  for (int& f : flags) f = 1;
  flags[0] = 0;
  h.decoder.setChannelSelection(flags);
  KaldorPacketBuilder b;
  b.model(6).azimuths(4500, 20).allRecords(1234, 1);
  h.feed(b);
  EXPECT_EQ(h.current().size(), 0u);
}

TEST(KaldorJarnis, CalibrationFromDevicePackets) {
  // After a first data packet, device-information packets, then what record 0 of map J16
  // (channel 0) and record 2 (channel 1) carry: vertical angles and the horizontal offset of
  // channel 0.
  const std::array<int, 16> noOffsets{};
  std::array<int, 16> offsets{};
  for (int i = 0; i < 16; ++i) offsets[i] = 25 * (i + 1);  // 0.25 degrees per line
  std::array<int, 16> oneOff = nominalPlus(50);
  oneOff[9] = (-16 + 18) * 100 + 160;
  std::array<int, 16> rawExtremes = nominalPlus(0);
  rawExtremes[8] = -1;  // FF FF: -0.01 degrees, within 1.5 of 0
  std::array<int, 16> wrapped = nominalPlus(0);
  wrapped[3] = -32768;  // 80 00

  struct Row {
    const char* name;
    int model;
    std::vector<std::vector<unsigned char>> devicePackets;
    float v0, v1, v8;  // channels 0, 1 and 8
    double offset0;
  };
  const Row rows[] = {
      {"model 16 ignores them", 16, {calibrationPacket(nominalPlus(50), offsets)}, -16.f, -14.f, 0.f, 0.0},
      {"model 17 takes angles and offsets", 17, {calibrationPacket(nominalPlus(50), offsets)}, -15.5f, -13.5f, 0.5f, 0.25},
      {"one angle 1.6 off: nominal angles, offsets taken", 17, {calibrationPacket(oneOff, offsets)}, -16.f, -14.f, 0.f,
       0.25},
      {"a later bad set puts the nominal angles back", 17,
       {calibrationPacket(nominalPlus(-100), noOffsets), calibrationPacket(oneOff, offsets)}, -16.f, -14.f, 0.f, 0.25},
      {"FF FF is -0.01 degrees", 17, {calibrationPacket(rawExtremes, noOffsets)}, -16.f, -14.f, -0.01f, 0.0},
      {"80 00 fails the test", 17, {calibrationPacket(wrapped, offsets)}, -16.f, -14.f, 0.f, 0.25},
      {"check byte 0x61: not read, stored angles still used", 17,
       {calibrationPacket(nominalPlus(-100), noOffsets), calibrationPacket(oneOff, offsets, 0x61)}, -17.f, -15.f, -1.f, 0.0},
      {"second check byte", 17, {calibrationPacket(nominalPlus(50), offsets, 0x70, 0x81)}, -16.f, -14.f, 0.f, 0.0},
      {"model 91 ignores them", 91, {calibrationPacket(nominalPlus(50), offsets)}, 2.487f, 5.596f, 25.174f, 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Harness h;
    KaldorPacketBuilder b;
    b.model(static_cast<std::uint8_t>(r.model)).azimuths(4500, 20).allRecords(2500, 9).time(1.0);
    h.feed(b);
    for (const auto& p : r.devicePackets) h.feed(p);
    EXPECT_DOUBLE_EQ(h.sub().m_SplitAzimuth, 90.0);
    h.feed(b.time(1.001));
    ASSERT_EQ(h.current().size(), 768u);
    const PointInfo& p0 = h.current().points[384];
    const PointInfo& p1 = h.current().points[386];
    ASSERT_EQ(p0.Channel, 0);
    ASSERT_EQ(p1.Channel, 1);
    EXPECT_FLOAT_EQ(p0.V_angle, r.v0);
    EXPECT_FLOAT_EQ(p1.V_angle, r.v1);
    EXPECT_FLOAT_EQ(h.current().points[385].V_angle, r.v8);
    EXPECT_NEAR(h.sub().m_HorizontalOffset[0], r.offset0, 1e-9);
    // Position by the base formula with the channel's offset and the model's R0 and A0.
    const bool j91 = r.model == 91;
    const double r0 = j91 ? 0.0209 : 0.0361, a0 = j91 ? 27.76 : 20.25;
    const double a = p0.H_angle * kPi / 180, v = r.v0 * kPi / 180;
    const double beta = (p0.H_angle + r.offset0 - a0) * kPi / 180;
    EXPECT_NEAR(p0.x, 10.0 * std::cos(v) * std::sin(a) + r0 * std::sin(beta), 2e-5);
    EXPECT_NEAR(p0.y, 10.0 * std::cos(v) * std::cos(a) + r0 * std::cos(beta), 2e-5);
    EXPECT_NEAR(p0.z, 10.0 * std::sin(v), 2e-5);
  }
}

TEST(KaldorJarnis, ModelBytesSixteenAndSeventeenDecodeAlike) {
  const auto packets = rotationPackets(16, kSingle, 300);
  Harness a, b;
  for (const auto& p : packets) {
    a.feed(p);
    auto q = p;
    q[1211] = 17;
    b.feed(q);
  }
  ASSERT_EQ(a.frames.size(), b.frames.size());
  ASSERT_GE(a.frames.size(), 1u);
  a.frames.push_back(a.decoder.subModel()->m_CurrentCloud);
  b.frames.push_back(b.decoder.subModel()->m_CurrentCloud);
  for (std::size_t f = 0; f < a.frames.size(); ++f) {
    ASSERT_EQ(a.frames[f]->size(), b.frames[f]->size());
    for (std::size_t i = 0; i < a.frames[f]->size(); ++i)
      ASSERT_TRUE(samePoint(a.frames[f]->points[i], b.frames[f]->points[i]));
  }
}
