// The scanning models: Ulmeth and Coravel (mirror geometry), Fenwyr (glass wedges) and
// Tiskar (five-return blocks and sub-frames).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "DecoderHarness.h"
#include "LIDAR_Coravel.h"
#include "LIDAR_Fenwyr.h"
#include "LIDAR_Tiskar.h"
#include "LIDAR_Ulmeth.h"

using namespace single_model_test;

namespace {

constexpr float kPositionTolerance = 3e-3f;  // metres
constexpr float kAngleTolerance = 3e-3f;     // degrees

void expectPoint(const PointInfo& p, float x, float y, float z, float h, float v) {
  EXPECT_NEAR(p.x, x, kPositionTolerance);
  EXPECT_NEAR(p.y, y, kPositionTolerance);
  EXPECT_NEAR(p.z, z, kPositionTolerance);
  EXPECT_NEAR(p.H_angle, h, kAngleTolerance);
  EXPECT_NEAR(p.V_angle, v, kAngleTolerance);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A temporary working directory holding a driver config.ini while decoders are made.
class WorkingDirectory {
public:
  explicit WorkingDirectory(const std::string& config) {
    char pattern[] = "/tmp/single_model_XXXXXX";
    m_Dir = mkdtemp(pattern);
    m_Previous = getcwd(nullptr, 0);
    std::ofstream(m_Dir + "/config.ini") << config;
    EXPECT_EQ(chdir(m_Dir.c_str()), 0);
  }
  ~WorkingDirectory() {
    EXPECT_EQ(chdir(m_Previous), 0);
    std::free(m_Previous);
    std::system(("rm -rf " + m_Dir).c_str());
  }
  const std::string& path() const { return m_Dir; }

private:
  std::string m_Dir;
  char* m_Previous;
};

constexpr std::uint32_t kTenMetres = 10000;  // millimetre counts

// ------------------------------------------------------------------ Ulmeth and Coravel

TEST(MirrorDecoders, GeometryThroughTheMirror) {
  struct Row {
    const char* what;
    int hCount, channel, vCount, setParam, echoByte;
    float x, y, z, h, v;
  } rows[] = {
      {"channel 0", 1000, 0, 0, 0, 0, 1.56178f, 9.63721f, 2.16449f, 9.20517f, 12.50056f},
      {"channel 3, negative angles", -2000, 3, -400, 0, 0, -3.43689f, 9.29240f, 1.35612f, -20.29745f, 7.79403f},
      // Keeping the record's angles: V is the channel's bias plus the raw angle, here -1 count.
      {"original angles, 3F FF", 1000, 0, 0x3FFF, 100, 0, 1.56190f, 9.63735f, 2.16376f, 10.f, 7.2575f},
      {"plain geometry, single", 3000, 1, 800, 0, 17, 4.99695f, 8.65478f, 0.34899f, 30.f, 2.f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Harness<LIDAR_Ulmeth> h;
    std::vector<float> none;
    h.decoder.setSetParam(row.setParam, &none);
    PacketBuilder p(kShortPacket);
    p.mirror8(0, row.hCount, row.channel, row.vCount, kTenMetres, 5).scanSeconds(1194, 10, 0).u8(1205, row.echoByte);
    h.feed(p);
    ASSERT_EQ(h.current().size(), 1u);
    const PointInfo& pt = h.current().points[0];
    expectPoint(pt, row.x, row.y, row.z, row.h, row.v);
    EXPECT_FLOAT_EQ(pt.Distance, 10.f);
  }
}

TEST(MirrorDecoders, PlainGeometryForEchoByte18IsDualEcho) {
  Harness<LIDAR_Coravel> h;
  PacketBuilder p(kShortPacket);
  p.mirror12(0, 3000, 1, 800, kTenMetres, 5, kTenMetres / 2, 6).scanSeconds(1194, 10, 0).u8(1205, 18);
  h.feed(p);
  ASSERT_EQ(h.current().size(), 2u);
  expectPoint(h.current().points[0], 4.99695f, 8.65478f, 0.34899f, 30.f, 2.f);
  expectPoint(h.current().points[1], 2.49848f, 4.32739f, 0.17450f, 30.f, 2.f);
  EXPECT_FLOAT_EQ(h.current().points[0].Distance2, 5.f);
  EXPECT_EQ(h.current().points[1].Intensity, 6);
}

TEST(MirrorDecoders, UlmethFrameModesChooseTheFrames) {
  struct Row {
    int frameMode;
    std::vector<int> handedRecords;  // H counts of the frames handed over
    int status;
  } rows[] = {
      {0, {1, 2, 3, 4, 5, 6}, 1},
      {1, {1, 2, 3, 4, 5, 6}, 2},
      {2, {1, 2, 4, 6}, 1},  // the sweep after each marker with byte 0
      {3, {3, 5}, 1},        // the sweep after each marker with byte 1
      {7, {}, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "frame mode " << row.frameMode);
    Harness<LIDAR_Ulmeth> h;
    h.decoder.setLineParam(row.frameMode);
    PacketBuilder p(kShortPacket);
    p.scanSeconds(1194, 10, 0);
    for (int n = 0; n < 6; ++n) p.mirror8(2 * n, n + 1, 0, 0, kTenMetres, 1).marker8(2 * n + 1, n % 2);
    h.feed(p);
    ASSERT_EQ(h.frames.size(), row.handedRecords.size());
    for (std::size_t i = 0; i < h.frames.size(); ++i) {
      ASSERT_EQ(h.frames[i].cloud->size(), 1u);
      EXPECT_EQ(h.frames[i].status, row.status);
    }
    EXPECT_EQ(h.decoder.m_lastMarkerByte, 1);
  }
}

TEST(MirrorDecoders, DevicePacketSetsUnitsBiasAndMode) {
  struct Row {
    const char* what;
    unsigned major, minor, mode;
    float vUnit;
    int ulmethStatus;
  } rows[] = {
      {"new firmware", 2, 0, 1, 0.0025f, 1},
      {"1.2x firmware", 1, 0x20, 1, 0.0025f, 1},
      {"1.1x firmware", 1, 0x10, 1, 0.01f, 1},
      {"wide mode", 2, 0, 64, 0.0025f, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Harness<LIDAR_Ulmeth> h;
    PacketBuilder dev = devicePacket(0x00);
    dev.u8(1202, row.major).u8(1203, row.minor).u8(231, row.mode).be16(188, 0xFFF6).u8(44, 2);
    h.feed(dev);
    EXPECT_FLOAT_EQ(h.decoder.m_vAngleUnit, row.vUnit);
    EXPECT_FLOAT_EQ(h.decoder.m_vAngleBias[0], -0.1f);
    EXPECT_EQ(h.decoder.m_ModelValue, static_cast<int>(row.mode));
    EXPECT_EQ(h.decoder.m_FrameStatus, row.ulmethStatus);
    EXPECT_TRUE(h.decoder.m_gpsYearFlag);
    // The first wide-mode packet also picks frame mode 1.
    EXPECT_EQ(h.decoder.settingsCopy().lineParam, row.mode == 64 ? 1 : 0);
  }
}

TEST(MirrorDecoders, CoravelMode192ScalesDistanceAndMirror) {
  Harness<LIDAR_Coravel> h;
  PacketBuilder dev = devicePacket();
  dev.be16(184, 1).u8(231, 1);
  h.feed(dev);
  EXPECT_FLOAT_EQ(h.decoder.m_mirrorTilt, 6.37f);
  PacketBuilder p(kShortPacket);
  p.mirror8(0, 500, 1, 200, 2500, 1).scanSeconds(1194, 10, 0).u8(1204, 0xC0);
  h.feed(p);
  EXPECT_EQ(h.decoder.m_ModelValue, 192);
  EXPECT_FLOAT_EQ(h.decoder.m_mirrorTilt, 10.82f);
  ASSERT_EQ(h.current().size(), 1u);
  // 2500 counts of 4 mm; V 200 counts of 0.01 degree; mirror 0.5 for channel 1.
  EXPECT_FLOAT_EQ(h.current().points[0].Distance, 10.f);
  expectPoint(h.current().points[0], 0.36076f, 9.23211f, 3.82595f, 2.23776f, 22.49454f);
}

TEST(MirrorDecoders, StatusBlockIsSentWhenItChanges) {
  WorkingDirectory dir("[SetD]\nisUserNewShowLidarParamStatus=1\n");
  Harness<LIDAR_Coravel> h;
  PacketBuilder p(kShortPacket);
  p.scanSeconds(1194, 10, 0).u8(1205, 2).u8(1190, 1).u8(1191, 2).u8(1192, 3).u8(1193, 4);
  h.feed(p);
  h.feed(p);
  p.u8(1193, 5);
  h.feed(p);
  std::vector<std::string> status;
  for (const auto& m : h.messages)
    if (m.second == 51) status.push_back(m.first);
  EXPECT_EQ(status, (std::vector<std::string>{"2000,0,1,2,3,4", "2000,0,1,2,3,5"}));
}

TEST(MirrorDecoders, CalibrationRowsOfDualEchoPoints) {
  struct Row {
    const char* what;
    float reference;   // mm
    bool singleRectangle;
    std::string rows;  // written to the first file
    std::size_t selected;
  } rows[] = {
      {"reference 0: every point in the rectangle", 0.f, false, "0,0,10000,10000,5000,T\n0,0,3000,3000,1000,T\n", 2},
      {"reference 9000: within 2 m only", 9000.f, false, "0,9000,10000,1000,5000,T\n", 1},
      {"single rectangle: no rows", 9000.f, true, "", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WorkingDirectory dir("");
    Harness<LIDAR_Ulmeth> h;
    const std::string path = dir.path() + "/calib_10%_a.csv";
    h.decoder.writeCalibrationData(0, row.reference, true, {-1.f, 1.f, -90.f, 90.f}, path, row.singleRectangle);
    PacketBuilder p(kShortPacket);
    std::vector<float> none;
    h.decoder.setSetParam(100, &none);  // keep the record's angles: H 0
    p.mirror12(0, 0, 0, 0, 10000, 1, 5000, 1).mirror12(1, 0, 0, 0, 3000, 1, 1000, 1)
        .mirror12(2, 500, 0, 0, 10000, 1, 5000, 1)  // H 5: outside
        .scanSeconds(1194, 10, 0).u8(1205, 2);
    h.feed(p);
    h.decoder.writeCalibrationData(0, row.reference, false, {-1.f, 1.f, -90.f, 90.f}, path, true);
    EXPECT_EQ(readFile(path), "ID,ActualDistance,LidarDistanc,Diff,PulseWidth,T\n" + row.rows);
    EXPECT_EQ(h.selected().size(), row.selected);
  }
}

TEST(MirrorDecoders, UlmethSecondRangeFillsTheSecondFile) {
  WorkingDirectory dir("");
  Harness<LIDAR_Ulmeth> h;
  const std::string path = dir.path() + "/calib_10%_a.csv";
  h.decoder.writeCalibrationData(0, 0.f, true, {-1.f, 1.f, -90.f, 90.f, 19.f, 21.f, 0.f, 1.f}, path, false);
  std::vector<float> none;
  h.decoder.setSetParam(100, &none);
  PacketBuilder p(kShortPacket);
  p.mirror12(0, 0, 1, 0, 4000, 1, 0, 0).mirror12(1, 2000, 2, 0, 6000, 1, 0, 0).scanSeconds(1194, 10, 0).u8(1205, 2);
  h.feed(p);
  h.decoder.writeCalibrationData(0, 0.f, false, {-1.f, 1.f, -90.f, 90.f, 19.f, 21.f, 0.f, 1.f}, path, true);
  const std::string header = "ID,ActualDistance,LidarDistanc,Diff,PulseWidth,T\n";
  EXPECT_EQ(readFile(path), header + "1,0,4000,4000,0,T\n");
  EXPECT_EQ(readFile(dir.path() + "/calib_70%_a.csv"), header + "2,0,6000,6000,0,T\n");
}

TEST(MirrorDecoders, UlmethSecondRangeRowsGoToTheOneFileOfAnUnmarkedPath) {
  WorkingDirectory dir("");
  Harness<LIDAR_Ulmeth> h;
  const std::string path = dir.path() + "/calib_plain.csv";
  const std::vector<float> bounds = {-1.f, 1.f, -90.f, 90.f, 19.f, 21.f};  // rectangle, second H range
  h.decoder.writeCalibrationData(0, 0.f, true, bounds, path, false);
  std::vector<float> none;
  h.decoder.setSetParam(100, &none);
  PacketBuilder p(kShortPacket);
  p.mirror12(0, 0, 1, 0, 4000, 1, 0, 0).mirror12(1, 2000, 2, 0, 6000, 1, 0, 0).scanSeconds(1194, 10, 0).u8(1205, 2);
  h.feed(p);
  h.decoder.writeCalibrationData(0, 0.f, false, bounds, path, true);
  EXPECT_EQ(readFile(path), "ID,ActualDistance,LidarDistanc,Diff,PulseWidth,T\n1,0,4000,4000,0,T\n2,0,6000,6000,0,T\n");
}

TEST(MirrorDecoders, ClosingCalibrationWithAnEmptyListGivesTheSelectBoxBack) {
  WorkingDirectory dir("");
  Harness<LIDAR_Ulmeth> h;
  const std::string path = dir.path() + "/calib_10%_c.csv";
  std::vector<float> none;
  h.decoder.setSetParam(100, &none);
  h.decoder.setSelectRange(true, -100, -100, -100, 100, 100, 100);
  h.decoder.writeCalibrationData(0, 0.f, true, {-1.f, 1.f, -90.f, 90.f}, path, false);
  PacketBuilder p(kShortPacket);
  p.mirror12(0, 500, 0, 0, 10000, 1, 5000, 1).scanSeconds(1194, 10, 0).u8(1205, 2);  // H 5: in the box only
  h.feed(p);
  EXPECT_TRUE(h.selected().empty());
  h.decoder.writeCalibrationData(0, 0.f, false, {}, "", true);
  EXPECT_EQ(readFile(path), "ID,ActualDistance,LidarDistanc,Diff,PulseWidth,T\n");
  h.feed(p);
  EXPECT_EQ(h.selected().size(), 2u);  // both echoes, by the box
}

TEST(MirrorDecoders, UlmethAngleKeysOfConfigIni) {
  // The mirror tilt is offsetAngle_V_Zorvane: 4.45 degrees more tilt is 4.45 degrees more V.
  constexpr int kTiltCounts = 1780;  // 4.45 degrees in 0.0025-degree counts
  auto packet = [](int vCount) {
    PacketBuilder p(kShortPacket);
    p.mirror8(0, 1000, 1, vCount, kTenMetres, 5).scanSeconds(1194, 10, 0);
    return p;
  };
  auto decode = [&](const std::string& config, int vCount) {
    WorkingDirectory dir(config);
    Harness<LIDAR_Ulmeth> h;
    h.feed(packet(vCount));
    EXPECT_EQ(h.current().size(), 1u);
    return h.current().empty() ? PointInfo{} : h.current().points[0];
  };
  const PointInfo plain = decode("", 200);
  const PointInfo raised = decode("", 200 + kTiltCounts);
  const PointInfo tilted = decode("[SetD]\r\noffsetAngle_V_Zorvane=10.82\r\n", 200);
  expectPoint(tilted, raised.x, raised.y, raised.z, raised.H_angle, raised.V_angle);
  EXPECT_GT(std::fabs(tilted.z - plain.z), 0.5f);
  // OriginalAngleOutput keeps the record's H and gives the channel's bias plus its V.
  const PointInfo original = decode("[SetD]\r\nOriginalAngleOutput=1\r\n", 200);
  expectPoint(original, plain.x, plain.y, plain.z, 10.f, 6.1f + 0.5f);
  EXPECT_GT(std::fabs(plain.H_angle - 10.f), 0.1f);
}

// A frame already at the limit takes the record or block that reaches past it, then reports
// once and takes nothing more.
template <typename Decoder>
void expectThreeMillionPointLimit(const PacketBuilder& p, std::size_t firstAdmitted) {
  constexpr std::size_t kLimit = 3000000;
  Harness<Decoder> h;
  h.decoder.m_FrameCloud->resize(kLimit);
  h.feed(p);
  EXPECT_EQ(h.current().size(), kLimit + firstAdmitted);
  EXPECT_EQ(h.messagesWithCode(kFrameSyncCode), 1);
  h.feed(p);
  EXPECT_EQ(h.current().size(), kLimit + firstAdmitted);
  EXPECT_EQ(h.messagesWithCode(kFrameSyncCode), 1);
}

TEST(ScanDecoders, FrameLimitOfThreeMillionPoints) {
  {
    SCOPED_TRACE("Ulmeth");
    PacketBuilder p(kShortPacket);
    for (int k = 0; k < 3; ++k) p.mirror8(k, 0, 0, 0, kTenMetres, 5);
    expectThreeMillionPointLimit<LIDAR_Ulmeth>(p.scanSeconds(1194, 10, 0), 1);
  }
  {
    SCOPED_TRACE("Fenwyr");
    PacketBuilder p(kShortPacket);
    for (int k = 0; k < 3; ++k) p.wedge8(k, 100, 100, 0, kTenMetres, 5);
    expectThreeMillionPointLimit<LIDAR_Fenwyr>(p.scanSeconds(1194, 10, 0), 1);
  }
  {
    SCOPED_TRACE("Tiskar");
    PacketBuilder p(kLongPacket);
    p.blocksOutside().block23(0, 0, 0, 1000, 10).block23(1, 0, 0, 1000, 10);
    expectThreeMillionPointLimit<LIDAR_Tiskar>(p.scanSeconds(1200, 10, 0), 5);  // five returns
  }
}

TEST(ScanDecoders, IntensityColours) {
  struct Row {
    int intensity;
    std::uint8_t r, g, b;
  } rows[] = {{0, 0, 128, 255},   {15, 0, 248, 255}, {16, 0, 255, 255}, {69, 0, 255, 43},
              {70, 0, 255, 0},    {127, 228, 255, 0}, {128, 255, 255, 0}, {255, 255, 1, 0}};
  LIDAR_Tiskar decoder;
  for (const Row& row : rows) {
    PointInfo p{};
    p.Intensity = static_cast<std::uint8_t>(row.intensity);
    decoder.setIntensityColor(&p);
    EXPECT_EQ(p.r, row.r) << row.intensity;
    EXPECT_EQ(p.g, row.g) << row.intensity;
    EXPECT_EQ(p.b, row.b) << row.intensity;
  }
}

TEST(ScanDecoders, DeviceOperations) {
  expectConfigEdits<LIDAR_Ulmeth>(&ScanDecoder::setLidarRotateSpeed, {{100, 7}});
  expectConfigEdits<LIDAR_Fenwyr>(&ScanDecoder::setLidarSoureSelection, {{44, 7}});
  Harness<LIDAR_Coravel> h;
  h.feed(devicePacket());
  EXPECT_FALSE(h.decoder.setLidarRotateState(1));
  ASSERT_EQ(h.messagesWithCode(10024), 1);
  EXPECT_EQ(h.messages.back().first, "The Lidar does not support this function (setLidarRotateState)!!");
}

// ------------------------------------------------------------------ Fenwyr

TEST(FenwyrDecoder, BeamThroughTheWedges) {
  struct Row {
    unsigned a, b, channel;
    float x, y, z, h, v;
  } rows[] = {
      {30000, 3000, 5, -1.89947f, 9.57075f, 2.18923f, 130.94638f, 16.84838f},
      {20000, 12000, 3, 2.22421f, 9.56065f, 1.90969f, 40.64911f, 17.04698f},
  };
  Harness<LIDAR_Fenwyr> h;
  PacketBuilder p(kShortPacket);
  for (std::size_t i = 0; i < 2; ++i) p.wedge8(static_cast<int>(i), rows[i].a, rows[i].b, rows[i].channel, kTenMetres, 1);
  h.feed(p.scanSeconds(1194, 10, 0));
  ASSERT_EQ(h.current().size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(rows[i].channel);
    const PointInfo& pt = h.current().points[i];
    expectPoint(pt, rows[i].x, rows[i].y, rows[i].z, rows[i].h, rows[i].v);
    EXPECT_FLOAT_EQ(pt.Distance2, -static_cast<float>(rows[i].b) / 100.f);  // wedge B as decoded
  }
  // Keeping the wedge angles: A, and B with the sign the record gives it.
  std::vector<float> none;
  h.decoder.setSetParam(100, &none);
  h.feed(p);
  ASSERT_EQ(h.current().size(), 4u);
  EXPECT_FLOAT_EQ(h.current().points[2].H_angle, 300.f);
  EXPECT_FLOAT_EQ(h.current().points[2].V_angle, 30.f);
}

TEST(FenwyrDecoder, ChannelBitsAndEchoBytes) {
  Harness<LIDAR_Fenwyr> h;
  PacketBuilder p(kShortPacket);
  p.u8(4, 0xE0).u8(5, 0x00).u8(6, 0x01).scanSeconds(1194, 10, 0);
  h.feed(p);
  ASSERT_EQ(h.current().size(), 1u);
  EXPECT_EQ(h.current().points[0].Channel, 7);
  EXPECT_FLOAT_EQ(h.current().points[0].Distance, 0.001f);
  for (unsigned echoByte : {2u, 6u}) {
    PacketBuilder d(kShortPacket);
    d.wedge12(0, 100, 100, 2, kTenMetres, 1, kTenMetres / 2, 2).scanSeconds(1194, 10, 0).u8(1205, echoByte);
    const std::size_t before = h.current().size();
    h.feed(d);
    EXPECT_EQ(h.current().size(), before + 2) << echoByte;
    EXPECT_FLOAT_EQ(h.current().points.back().Distance, 5.f);
  }
  h.decoder.setLineParam(3);
  h.feed(p);
  EXPECT_EQ(h.decoder.m_ModelValue, 3);  // the frame mode travels as the model value
}

// ------------------------------------------------------------------ Tiskar

PacketBuilder tiskarSweep() {
  PacketBuilder p(kLongPacket);
  p.blocksOutside();
  for (int c = 0; c < 5; ++c) p.block23(c, c, 10000 * c, 1000, 10);  // channel c at c x 10 degrees
  for (int m = 0; m < 5; ++m) p.marker23(10 + m);
  return p.scanSeconds(1200, 10, 0);
}

TEST(TiskarDecoder, SubFramesHoldOneChannelEach) {
  Harness<LIDAR_Tiskar> h;
  PacketBuilder dev = devicePacket();
  for (int c = 0; c < 5; ++c) dev.be16(327 + 2 * c, static_cast<unsigned>(1000 * (c + 1)));  // 1..5 degrees
  h.feed(dev);
  const PacketBuilder sweep = tiskarSweep();
  for (int n = 0; n < 6; ++n) h.feed(sweep);
  ASSERT_EQ(h.frames.size(), 6u);
  const int expected[] = {0, 1, 2, 3, 4, 0};
  for (int n = 0; n < 6; ++n) {
    SCOPED_TRACE(n);
    const LidarCloud& f = *h.frames[n].cloud;
    ASSERT_EQ(f.size(), 5u);  // five returns
    for (std::size_t r = 0; r < 5; ++r) {
      EXPECT_EQ(f.points[r].Channel, expected[n]);
      EXPECT_FLOAT_EQ(f.points[r].V_angle, expected[n] + 1.f);
      EXPECT_FLOAT_EQ(f.points[r].Distance, (r + 1) * 1.f);
      EXPECT_FLOAT_EQ(f.points[r].Distance2, r + 1.f);
      EXPECT_EQ(f.points[r].Intensity2, r + 1);
    }
  }
}

TEST(TiskarDecoder, ChannelFlagsLeaveSubFramesAndGateReturns) {
  Harness<LIDAR_Tiskar> h;
  int flags[256];
  std::fill(std::begin(flags), std::end(flags), 1);
  flags[0] = flags[1] = flags[3] = flags[4] = 0;  // channel 2 only
  flags[7] = 0;                                   // no third return
  h.decoder.setChannelSelection(flags);
  PacketBuilder p(kLongPacket);
  p.blocksOutside().block23(0, 2, -30000, 1000, 10).block23(1, 3, 0, 1000, 10).scanSeconds(1200, 10, 0);
  h.feed(p);
  EXPECT_FALSE(h.decoder.m_subFrameMode);
  ASSERT_EQ(h.current().size(), 4u);
  const float expectedDistances[] = {1.f, 2.f, 4.f, 5.f};
  for (std::size_t i = 0; i < 4; ++i) {
    const PointInfo& pt = h.current().points[i];
    EXPECT_FLOAT_EQ(pt.Distance, expectedDistances[i]);
    // H -30 degrees, V = channel x 0.1.
    expectPoint(pt, -0.5f * pt.Distance * std::cos(0.2f * kDecoderPi / 180), 0.866025f * pt.Distance * std::cos(0.2f * kDecoderPi / 180),
                pt.Distance * std::sin(0.2f * kDecoderPi / 180), -30.f, 0.2f);
  }
}

TEST(TiskarDecoder, EchoSettingIsNotConsulted) {
  for (int echo = 0; echo < 4; ++echo) {
    for (bool dual : {false, true}) {
      SCOPED_TRACE(testing::Message() << "echo " << echo << (dual ? " dual" : " single"));
      Harness<LIDAR_Tiskar> h;
      h.decoder.setEcho(echo);
      PacketBuilder p(kLongPacket);
      p.blocksOutside().block23(0, 0, 0, 1000, 10).scanSeconds(1200, 10, 0);
      if (dual) p.u8(1211, 6);
      h.feed(p);
      EXPECT_EQ(h.current().size(), dual ? 2u : 5u);
    }
  }
}

TEST(TiskarDecoder, DualEchoKeepsTwoReturns) {
  Harness<LIDAR_Tiskar> h;
  PacketBuilder p = tiskarSweep();
  p.u8(1211, 6);
  h.feed(p);
  ASSERT_EQ(h.current().size(), 0u);  // five markers handed the first channel's two points over
  ASSERT_EQ(h.frames.size(), 1u);
  const LidarCloud& f = *h.frames[0].cloud;
  ASSERT_EQ(f.size(), 2u);
  EXPECT_FLOAT_EQ(f.points[0].Distance2, 2.f);   // the second distance, metres
  EXPECT_EQ(f.points[0].Intensity2, 11);
  EXPECT_FLOAT_EQ(f.points[1].Distance, 2.f);
  EXPECT_FLOAT_EQ(f.points[1].Distance2, 2.f);  // the return number
  EXPECT_EQ(h.decoder.m_subFrameIndex, 0);      // dual-echo markers do not advance it
}

}  // namespace
