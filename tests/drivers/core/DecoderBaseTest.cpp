#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include "CoreTestSupport.h"

using coretest::DevicePacket;
using coretest::Message;
using coretest::MessageLog;
using coretest::PointPacket;

namespace {

PointInfo pointWith(float distance, std::uint8_t intensity) {
  PointInfo p{};
  p.Distance = distance;
  p.Intensity = intensity;
  p.x = distance;
  return p;
}

TEST(DecoderPacketEntry, QueuesStoresAndFlagsByKindLengthAndHeader) {
  enum Header { Point, DeviceA5, Device00, BadByte3 };
  struct Row {
    const char* name;
    bool primedWithValid;  // a valid device packet came first
    int kind;
    std::size_t length;
    Header header;
    std::size_t queued;
    bool stored;
    bool flag;
    int callbacks;
  };
  const Row rows[] = {
      {"point packet 1212", false, 0, 1212, Point, 1, false, false, 0},
      {"short point packet", false, 0, 1000, Point, 0, false, false, 0},
      {"device header as kind 0", false, 0, 1206, DeviceA5, 1, false, false, 0},
      {"device packet A5", false, 1, 1206, DeviceA5, 1, true, true, 1},
      {"device packet 00", false, 1, 1206, Device00, 1, true, true, 1},
      // Only a whole device packet is taken: configuration packets are built from it.
      {"short device packet", false, 1, 100, DeviceA5, 0, false, false, 0},
      {"short device packet keeps the stored one", true, 1, 14, DeviceA5, 1, false, true, 1},
      {"long device packet is cut", false, 1, 3000, DeviceA5, 1, true, true, 1},
      {"bad header leaves flag clear", false, 1, 1206, BadByte3, 1, true, false, 0},
      {"bad header leaves flag set", true, 1, 1206, BadByte3, 2, true, true, 1},
      {"kind 2 ignored", false, 2, 1212, DeviceA5, 0, false, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TestDecoder decoder;
    int calls = 0, offlineArg = -1;
    std::function<void(unsigned char*, int)> onDevice = [&](unsigned char* bytes, int offline) {
      ++calls;
      offlineArg = offline;
      EXPECT_EQ(bytes[0] == 0xA5 || bytes[0] == 0x00, true);
    };
    decoder.setDevicePacketCallback(&onDevice);
    if (row.primedWithValid) {
      DevicePacket first;
      decoder.onReceiveData(LidarDataType_Device, first.bytes.data(), 1206);
    }
    std::vector<unsigned char> bytes(row.length, 0x33);
    if (row.header != Point) {
      DevicePacket d;
      if (row.header == Device00) d.byte(0, 0x00);
      if (row.header == BadByte3) d.byte(3, 0x5B);
      std::copy(d.bytes.begin(),
                d.bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(row.length, 8)),
                bytes.begin());
    }
    decoder.onReceiveData(static_cast<_LidarDataType>(row.kind), bytes.data(),
                          static_cast<unsigned short>(row.length));

    EXPECT_EQ(decoder.queuedPackets(), row.queued);
    const auto stored = decoder.devicePacketCopy();
    EXPECT_EQ(stored[15] == 0x33, row.stored);
    EXPECT_EQ(decoder.GetLidarRotateSpeed() != -1, row.flag);
    EXPECT_EQ(calls, row.callbacks);
    if (calls > 0) {
      EXPECT_EQ(offlineArg, 0);
    }
  }
}

TEST(DecoderPacketEntry, QueuedCopiesKeepTheirLengthAndBytes) {
  TestDecoder decoder;
  std::vector<unsigned char> bytes(1300);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i);
  decoder.onReceiveData(LidarDataType_Point, bytes.data(), 1300);
  bytes.assign(bytes.size(), 0);  // the caller reuses its buffer at once
  std::unique_ptr<unsigned char[]> data;
  std::size_t length = 0;
  ASSERT_TRUE(decoder.popPacket(data, length));
  EXPECT_EQ(length, 1300u);
  EXPECT_EQ(data[1299], static_cast<unsigned char>(1299));
  EXPECT_FALSE(decoder.popPacket(data, length));
  EXPECT_TRUE(decoder.queueEmpty());
}

// Frame callbacks that hold the decode thread until the test lets `allowed` frames through.
struct FrameGate {
  std::mutex mutex;
  std::condition_variable changed;
  int frames = 0, allowed = 0;
  TwoCloudCallback fn = [this](LidarCloudPtr, LidarCloudPtr, int, int, int, int) {
    std::unique_lock<std::mutex> lock(mutex);
    ++frames;
    changed.notify_all();
    changed.wait(lock, [&] { return frames <= allowed; });
  };
  void allow(int n) {
    std::lock_guard<std::mutex> lock(mutex);
    allowed = n;
    changed.notify_all();
  }
  bool waitFrames(int n) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return frames >= n; });
  }
};

TEST(DecoderQueue, WhatDoesNotFitIsDroppedCountedAndReported) {
  MessageLog log;
  FrameGate gate;
  TestDecoder decoder;
  decoder.setMessageCallback(&log.fn);
  decoder.setTwoCloudCallback(&gate.fn);
  decoder.setQueueByteLimit(10 * TestDecoder::kPacketBytes);
  PointPacket packet;
  packet.points({{5, 10}});
  auto feed = [&](int n) {
    for (int i = 0; i < n; ++i)
      decoder.setOffLineData(packet.bytes.data(), TestDecoder::kPacketBytes, LidarDataType_Point, false, 1);
  };
  feed(1);
  ASSERT_TRUE(gate.waitFrames(1));  // the decode thread now waits inside the callback
  feed(15);
  EXPECT_EQ(decoder.queuedPackets(), 10u);
  gate.allow(100);
  ASSERT_TRUE(gate.waitFrames(11));  // what was queued is decoded
  ASSERT_TRUE(coretest::waitUntil([&] { return !log.withCode(kPacketsDroppedCode).empty(); }));
  EXPECT_EQ(log.withCode(kPacketsDroppedCode),
            (std::vector<Message>{{"Packet queue full: 5 packets dropped", kPacketsDroppedCode}}));
  decoder.stopAndWait();
  EXPECT_EQ(gate.frames, 11);
}

// Each step is one report check of the decode loop: the decode thread waits in the frame
// of the step before, the step queues one packet (the queue holds one), drops the rest,
// sets the clock, then lets that frame go and waits for the queued one.
TEST(DecoderQueue, DropsAreReportedAtMostOncePerSecondWithTheirCount) {
  using namespace std::chrono;
  const struct {
    int atMs;      // the clock
    int drops;     // packets dropped since the step before
    int reported;  // count of the report this step sends; 0: none
  } steps[] = {
      {0, 3, 3},     // the first drops go out at once
      {400, 5, 0},   // the rest of that second is collected
      {999, 2, 0},
      {1000, 0, 7},  // the second is over: one report with the total
      {1500, 1, 0},
      {2000, 0, 1},
      {5000, 0, 0},  // no drops, no report
      {5000, 4, 4},  // long after the last report: at once
  };
  MessageLog log;
  FrameGate gate;
  std::atomic<int> clockMs{0};
  const auto origin = steady_clock::time_point{} + hours(1);
  TestDecoder decoder;
  decoder.setClock([&] { return origin + milliseconds(clockMs.load()); });
  decoder.setMessageCallback(&log.fn);
  decoder.setTwoCloudCallback(&gate.fn);
  decoder.setQueueByteLimit(TestDecoder::kPacketBytes);
  PointPacket packet;
  packet.points({{5, 10}});
  auto feed = [&](int n) {
    for (int i = 0; i < n; ++i)
      decoder.setOffLineData(packet.bytes.data(), TestDecoder::kPacketBytes, LidarDataType_Point, false, 1);
  };
  feed(1);
  ASSERT_TRUE(gate.waitFrames(1));
  std::vector<Message> expected;
  int frames = 1;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.atMs);
    clockMs = step.atMs;
    feed(1 + step.drops);
    EXPECT_EQ(decoder.queuedPackets(), 1u);
    gate.allow(frames);
    ASSERT_TRUE(gate.waitFrames(++frames));
    if (step.reported > 0)
      expected.push_back({"Packet queue full: " + std::to_string(step.reported) + " packets dropped",
                          kPacketsDroppedCode});
    EXPECT_EQ(log.withCode(kPacketsDroppedCode), expected);
  }
  gate.allow(frames);
  decoder.stopAndWait();
}

TEST(DecoderFrames, EmptyFunctionsBehindCallbackPointersAreSkipped) {
  TestDecoder decoder;
  VectorFrameCallback vector;
  SharedVectorFrameCallback shared;
  TwoCloudCallback two;
  ThreeCloudCallback three;
  DevicePacketCallback device;
  MessageCallback message;
  decoder.setVectorCallback(&vector);
  decoder.setSharedVectorCallback(&shared);
  decoder.setTwoCloudCallback(&two);
  decoder.setThreeCloudCallback(&three);
  decoder.setDevicePacketCallback(&device);
  decoder.setMessageCallback(&message);
  decoder.m_WorkVector.resize(3);
  decoder.m_WorkSharedVector = std::make_shared<std::vector<_MuchLidarData>>(2);
  DevicePacket packet;
  EXPECT_NO_THROW(decoder.onReceiveData(LidarDataType_Device, packet.bytes.data(), 1206));
  EXPECT_NO_THROW(decoder.publishFrame());  // also sends the 10022 message
  EXPECT_TRUE(decoder.frameReady());
}

TEST(DecoderFrames, CloudCallbacksGetTheirArgumentOrderAndFreshCloudsAfterEachHandOver) {
  TestDecoder decoder;
  std::vector<std::vector<std::size_t>> twoSizes, threeSizes;
  std::vector<std::vector<int>> twoInts, threeInts;
  std::vector<LidarCloudPtr> handed;
  TwoCloudCallback two = [&](LidarCloudPtr a, LidarCloudPtr b, int s, int r, int m, int line) {
    twoSizes.push_back({a->size(), b->size()});
    twoInts.push_back({s, r, m, line});
    handed.push_back(a);
  };
  ThreeCloudCallback three = [&](LidarCloudPtr a, LidarCloudPtr b, LidarCloudPtr c, int s, int r, int m) {
    threeSizes.push_back({a->size(), b->size(), c->size()});
    threeInts.push_back({s, r, m});
  };
  decoder.setLineParam(9);
  decoder.refreshSettings();
  decoder.m_ReturnMode = 55;
  decoder.m_ModelValue = 7;

  auto fill = [&] {
    for (int i = 0; i < 3; ++i) decoder.m_FrameCloud->push_back(pointWith(1.f, 1));
    for (int i = 0; i < 2; ++i) decoder.m_SelectedCloud->push_back(pointWith(1.f, 1));
    decoder.m_ThirdCloud->push_back(pointWith(1.f, 1));
  };
  // Only the three-cloud callback: frame, third, selected.
  decoder.setThreeCloudCallback(&three);
  fill();
  decoder.publishFrame();
  // Both: the two-cloud form gets frame and selected clouds and the line parameter last.
  decoder.setTwoCloudCallback(&two);
  fill();
  decoder.publishFrame();
  decoder.publishFrame();  // an empty frame still goes out on fresh clouds

  const std::vector<std::vector<std::size_t>> expectThree = {{3, 1, 2}, {3, 1, 2}, {0, 0, 0}};
  const std::vector<std::vector<std::size_t>> expectTwo = {{3, 2}, {0, 0}};
  EXPECT_EQ(threeSizes, expectThree);
  EXPECT_EQ(twoSizes, expectTwo);
  EXPECT_EQ(threeInts[0], (std::vector<int>{1, 55, 7}));
  EXPECT_EQ(twoInts[0], (std::vector<int>{1, 55, 7, 9}));
  ASSERT_EQ(handed.size(), 2u);
  EXPECT_NE(handed[0], handed[1]);
  EXPECT_EQ(handed[0]->size(), 3u);  // the handed cloud is the receiver's; not cleared later
  EXPECT_NE(decoder.m_FrameCloud, handed[1]);
  EXPECT_TRUE(decoder.m_FrameCloud->empty());
}

TEST(DecoderFrames, VectorFormsGoOutOnlyWhenTheyHoldAFrameAndLeavePollingCopies) {
  TestDecoder decoder;
  int vectorCalls = 0, sharedCalls = 0;
  std::size_t vectorSize = 0;
  std::shared_ptr<std::vector<_MuchLidarData>> sharedSeen;
  VectorFrameCallback vector = [&](std::vector<_MuchLidarData> v, int status) {
    ++vectorCalls;
    vectorSize = v.size();
    EXPECT_EQ(status, 1);
  };
  SharedVectorFrameCallback shared = [&](std::shared_ptr<std::vector<_MuchLidarData>> v, int) {
    ++sharedCalls;
    sharedSeen = v;
  };
  decoder.setVectorCallback(&vector);
  decoder.setSharedVectorCallback(&shared);

  decoder.publishFrame();  // empty working vector, no shared vector: neither is called
  EXPECT_EQ(vectorCalls + sharedCalls, 0);

  decoder.m_WorkVector.resize(4);
  auto work = std::make_shared<std::vector<_MuchLidarData>>(5);
  decoder.m_WorkSharedVector = work;
  decoder.publishFrame();
  EXPECT_EQ(vectorCalls, 1);
  EXPECT_EQ(vectorSize, 4u);
  EXPECT_TRUE(decoder.m_WorkVector.empty());
  EXPECT_EQ(sharedCalls, 1);
  EXPECT_EQ(sharedSeen, work);
  EXPECT_NE(decoder.m_WorkSharedVector, work);
  EXPECT_TRUE(decoder.frameReady());
  EXPECT_EQ(decoder.takePolledVector().size(), 4u);
  EXPECT_FALSE(decoder.frameReady());
  EXPECT_EQ(decoder.takePolledSharedVector(), work);
}

TEST(DecoderFrames, FewerThanTwentyNonZeroDistancesReportCode10022) {
  struct Row {
    int nonZero;
    std::vector<Message> expected;
  };
  const Row rows[] = {
      {19, {{"Data error! All liadr distanceValue are 0! m_DistanceIsNotZero = 19", 10022}}},
      {20, {}},
      {0, {{"Data error! All liadr distanceValue are 0! m_DistanceIsNotZero = 0", 10022}}},
  };
  for (const Row& row : rows) {
    TestDecoder decoder;
    MessageLog log;
    decoder.setMessageCallback(&log.fn);
    decoder.m_DistanceIsNotZero = row.nonZero;
    decoder.publishFrame();
    EXPECT_EQ(log.all(), row.expected) << row.nonZero;
    EXPECT_EQ(decoder.m_DistanceIsNotZero, 0);
  }
}

TEST(DecoderMessages, TimeMessageOncePerSecondOfPacketTime) {
  TestDecoder decoder;
  MessageLog log;
  decoder.setMessageCallback(&log.fn);
  decoder.m_Year = 2024;
  decoder.m_Month = 9;
  decoder.m_Day = 5;
  decoder.m_Hour = 8;
  decoder.m_Minute = 3;
  for (int second : {7, 7, 7, 59, 0, 0}) {
    decoder.m_Second = second;
    decoder.sendTimeMessage();
  }
  const std::vector<Message> expected = {
      {"2024/9/5 8:3:7", 50}, {"2024/9/5 8:3:59", 50}, {"2024/9/5 8:3:0", 50}};
  EXPECT_EQ(log.all(), expected);
}

TEST(DecoderMessages, SilentWhileStopped) {
  TestDecoder decoder;
  MessageLog log;
  decoder.setMessageCallback(&log.fn);
  decoder.LidarStop();
  decoder.sendMessage("x", 1);
  decoder.publishFrame();
  EXPECT_TRUE(log.all().empty());
}

TEST(DecoderSettingsTest, SetterValuesReachTheDecodeSideAtTheNextRefresh) {
  TestDecoder decoder;
  decoder.refreshSettings();
  decoder.setRGBType(RGB_Solid, 0);
  _FiltrationDataInitParam filter;
  filter.IntensityMin = 200.f;
  filter.IntensityMax = 200.f;
  decoder.setFiltrationData(filter);
  decoder.setSelectRange(true, -1.f, -2.f, -3.f, 4.f, 5.f, 6.f);

  // Not yet refreshed: the decode side still has the defaults.
  EXPECT_EQ(decoder.activeSettings().rgbType, RGB_Intensity);
  PointInfo p = pointWith(3.f, 100);
  EXPECT_TRUE(decoder.checkFiltrationData(&p));

  decoder.refreshSettings();
  const DecoderSettings& s = decoder.activeSettings();
  EXPECT_EQ(s.rgbType, RGB_Solid);
  EXPECT_TRUE(s.selectBox.enabled);
  EXPECT_FLOAT_EQ(s.selectBox.zMin, -3.f);
  EXPECT_FLOAT_EQ(s.selectBox.xMax, 4.f);
  EXPECT_FALSE(decoder.checkFiltrationData(&p));
  PointInfo at200 = pointWith(3.f, 200);
  EXPECT_TRUE(decoder.checkFiltrationData(&at200));  // bounds are inclusive
}

TEST(DecoderColouring, ModeZeroUsesTheVirtualIntensityColourOthersTheModes) {
  struct Row {
    _SetRGB_Type type;
    int useColorBar;
    std::array<int, 3> rgb;
    int virtualCalls;
  };
  const Row rows[] = {
      {RGB_Intensity, 0, {144, 255, 0}, 1},
      {RGB_Solid, 0, {255, 255, 255}, 0},
      {RGB_Solid, 1, {255, 255, 255}, 0},  // no colour table loaded: the mode still applies
      {RGB_Channel, 0, {0, 255, 255}, 0},
  };
  for (const Row& row : rows) {
    TestDecoder decoder;
    decoder.setRGBType(row.type, row.useColorBar);
    decoder.refreshSettings();
    PointInfo p = pointWith(1.f, 100);
    p.Channel = 4;
    decoder.setPointColor(&p, row.type);
    EXPECT_EQ((std::array<int, 3>{p.r, p.g, p.b}), row.rgb) << row.type;
    EXPECT_EQ(p.a, 255);
    EXPECT_EQ(decoder.intensityColourCalls.load(), row.virtualCalls);
  }
}

// Runs in a scratch working directory, where the driver reads its files.
class DecoderConstruction : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/lumivar_core_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_Dir = pattern;
    ASSERT_NE(getcwd(m_Old, sizeof m_Old), nullptr);
    ASSERT_EQ(chdir(m_Dir.c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(m_Old), 0);
    std::filesystem::remove_all(m_Dir);
  }
  std::string m_Dir;
  char m_Old[4096] = {};
};

TEST_F(DecoderConstruction, DefaultsWithoutConfigFiles) {
  TestDecoder decoder;
  const DriverConfig& c = decoder.config();
  EXPECT_DOUBLE_EQ(c.offsetAngle_V_Xandril, -28.0);
  EXPECT_DOUBLE_EQ(c.offsetAngle_V_Zorvane, 6.37);
  EXPECT_EQ(c.OriginalAngleOutput + c.isUserOskel + c.isUser160_or_200 + c.isUserNewShowLidarParamStatus, 0);
  EXPECT_EQ(c.colorBarCount, 0);
  const auto bounds = decoder.calibrationBounds();
  for (const auto& record : bounds)
    EXPECT_EQ(record, (std::array<float, 4>{9999.f, -999.f, 9999.f, -9999.f}));
  // Tables use the decoders' pi: sin(180 degrees) is not quite zero.
  EXPECT_DOUBLE_EQ(decoder.cosTable()[0], 1.0);
  EXPECT_NEAR(decoder.sinTable()[90000], 1.0, 1e-12);
  EXPECT_DOUBLE_EQ(decoder.sinTable()[180000], std::sin(3.1415926));
}

TEST_F(DecoderConstruction, ReadsConfigIniAndColourTable) {
  {
    std::ofstream ini("config.ini");
    ini << "[SetD]\r\nOriginalAngleOutput=1\r\nisUser160_or_200=2\r\nisUserNewShowLidarParamStatus=3\r\n"
        << "offsetAngle_V_Xandril=-25.5\r\noffsetAngle_V_Zorvane=abc\r\n[Oskel]\r\nisUserOskel=4\r\n";
  }
  ASSERT_TRUE(std::filesystem::create_directory("colorbar"));
  {
    std::vector<char> bars(3000, 0);  // two whole bars and a partial one
    bars[1024 + 4 * 7 + 0] = 0x00;
    bars[1024 + 4 * 7 + 1] = 0x10;
    bars[1024 + 4 * 7 + 2] = 0x20;
    bars[1024 + 4 * 7 + 3] = 0x30;
    std::ofstream("colorbar/colorbar.bin", std::ios::binary)
        .write(bars.data(), static_cast<std::streamsize>(bars.size()));
  }
  TestDecoder decoder;
  const DriverConfig& c = decoder.config();
  EXPECT_EQ(c.OriginalAngleOutput, 1);
  EXPECT_EQ(c.isUser160_or_200, 2);
  EXPECT_EQ(c.isUserNewShowLidarParamStatus, 3);
  EXPECT_EQ(c.isUserOskel, 4);
  EXPECT_DOUBLE_EQ(c.offsetAngle_V_Xandril, -25.5);
  EXPECT_DOUBLE_EQ(c.offsetAngle_V_Zorvane, 0.0);
  EXPECT_EQ(c.colorBarCount, 2);

  decoder.setRGBType(static_cast<_SetRGB_Type>(1), 1);
  decoder.refreshSettings();
  PointInfo p = pointWith(1.f, 7);
  decoder.setPointColor(&p, static_cast<_SetRGB_Type>(1));
  EXPECT_EQ((std::array<int, 3>{p.r, p.g, p.b}), (std::array<int, 3>{0x10, 0x20, 0x30}));
}

TEST_F(DecoderConstruction, UnreadableColourTableMeansNoBarsAndAMessage) {
  struct Row {
    const char* name;
    std::function<void()> make;
  };
  const Row rows[] = {
      {"a directory", [] { std::filesystem::create_directories("colorbar/colorbar.bin"); }},
      {"a dangling link", [] {
         std::filesystem::create_directory("colorbar");
         std::filesystem::create_symlink("/nonexistent/colorbar.bin", "colorbar/colorbar.bin");
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all("colorbar");
    row.make();
    std::unique_ptr<TestDecoder> decoder;
    ASSERT_NO_THROW(decoder.reset(new TestDecoder));
    EXPECT_EQ(decoder->config().colorBarCount, 0);
    MessageLog log;
    decoder->setMessageCallback(&log.fn);
    decoder->setRGBType(RGB_Solid, 1);
    decoder->refreshSettings();
    PointInfo p = pointWith(1.f, 7);
    decoder->setPointColor(&p, RGB_Solid);
    EXPECT_EQ((std::array<int, 3>{p.r, p.g, p.b}), (std::array<int, 3>{255, 255, 255}));
    decoder.reset();
    if (std::string(row.name) == "a directory") {
      EXPECT_EQ(log.all(), (std::vector<Message>{{"Colour table ./colorbar/colorbar.bin ignored (it is not a "
                                                  "file): no colour bars",
                                                  kValuesIgnoredCode}}));
    } else {
      EXPECT_TRUE(log.all().empty());  // no table at all is no fault
    }
  }
}

}  // namespace
