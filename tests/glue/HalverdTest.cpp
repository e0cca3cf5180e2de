#include <QMetaType>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "GlueTestSupport.h"

using gluetest::fake;
using gluetest::findCall;
using gluetest::hasCallStartingWith;
using gluetest::Recorder;
using gluetest::waitFor;

namespace {

constexpr std::size_t npos = std::string::npos;

class GlueTest : public ::testing::Test {
protected:
  void SetUp() override {
    gluetest::application();
    gluetest::useFakeDriverDirectory();
    for (const char* lib : {"LidarDriverUlmeth", "LidarDriverCoravel", "LidarDriverZentra"}) {
      fake(lib).setStreaming(false);
      fake(lib).setOfflineDelay(0);
      fake(lib).clearCalls();
    }
  }
  const FakeDriverControl& ulmeth = fake("LidarDriverUlmeth");
  const FakeDriverControl& coravel = fake("LidarDriverCoravel");
  const FakeDriverControl& zentra = fake("LidarDriverZentra");
};

TEST_F(GlueTest, KeysWithoutALibraryFailAndStartNothing) {
  Halverd glue;
  Recorder rec;
  ASSERT_TRUE(rec.attach(glue));
  // Unknown, wrong case, empty, and a real model whose library is not in the directory.
  for (const char* key : {"LidarType_Nothing", "lidartype_ulmeth", "", "LidarType_Hestin"}) {
    SCOPED_TRACE(key);
    EXPECT_FALSE(glue.initClassLidarType(key));
    EXPECT_EQ(glue.currentModelKey(), "");
    EXPECT_FALSE(glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", false));
  }
  unsigned char packet[1212] = {1};
  glue.getOffLineData(packet, sizeof packet, LidarDataType_Point, false, 1);
  glue.stoptRun();
  EXPECT_TRUE(ulmeth.calls().empty());
  ASSERT_TRUE(waitFor([&] { return rec.logged("LidarType_Hestin", 0); }));
  EXPECT_TRUE(rec.logged("unknown model key LidarType_Nothing", 0));

  // A failed switch leaves the running driver alone.
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  EXPECT_TRUE(glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", false));
  EXPECT_FALSE(glue.initClassLidarType("LidarType_Nothing"));
  EXPECT_FALSE(glue.initClassLidarType("LidarType_Hestin"));
  EXPECT_EQ(ulmeth.liveDrivers(), 1);
  EXPECT_EQ(glue.currentModelKey(), "LidarType_Ulmeth");
  EXPECT_EQ(ulmeth.calls().back(), "LidarStart");
}

TEST_F(GlueTest, LiveRunCallOrder) {
  {
    Halverd glue;
    ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
    EXPECT_EQ(glue.channelCount, 4);
    EXPECT_EQ(glue.channelsPerGroup, 4);
    EXPECT_TRUE(glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", false));
    unsigned char packet[1212] = {1};
    glue.getOffLineData(packet, sizeof packet, LidarDataType_Point, false, 1);  // not during a live run
    glue.stoptRun();
  }
  const std::vector<std::string> expected{"create",
                                          "SetCallbackMessage",
                                          "SetDecCallBackFun",
                                          "SetTwoCloudCallback",
                                          "SetGroupIp 226.1.1.102",
                                          "LidarTypeInit 2368 2369 192.168.1.102",
                                          "LidarStart",
                                          "LidarStop",
                                          "LidarStop",  // released at destruction
                                          "destroy"};
  EXPECT_EQ(ulmeth.calls(), expected);
}

TEST_F(GlueTest, OfflineRunCallOrderAndFeedWindow) {
  Halverd glue;
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  unsigned char device[1206] = {0xA5};
  unsigned char point[1212] = {7};
  unsigned char end[1212] = {};
  glue.getOffLineData(point, sizeof point, LidarDataType_Point, false, 1);  // before the run: dropped
  glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", true);
  EXPECT_TRUE(glue.isOffline);
  glue.getOffLineData(device, sizeof device, LidarDataType_Device, false, 1);
  glue.getOffLineData(point, sizeof point, LidarDataType_Point, false, -1);
  glue.getOffLineData(nullptr, 0, LidarDataType_Point, false, 1);  // nothing to copy
  glue.getOffLineData(end, sizeof end, LidarDataType_Point, true, 1);
  glue.getOffLineData(point, sizeof point, LidarDataType_Point, false, 1);  // a loop replays
  glue.stoptRun();
  glue.getOffLineData(point, sizeof point, LidarDataType_Point, false, 1);  // after the stop: dropped

  const std::vector<std::string> expected{"create",
                                          "SetCallbackMessage",
                                          "SetDecCallBackFun",
                                          "SetTwoCloudCallback",
                                          "SetGroupIp 226.1.1.102",
                                          "LidarTypeInit 2368 2369 192.168.1.102",
                                          "setOffLineData 1206 1 0 1 data",
                                          "setOffLineData 1212 0 0 -1 data",
                                          "setOffLineData 1212 0 1 1",
                                          "setOffLineData 1212 0 0 1 data",
                                          "LidarStop"};
  EXPECT_EQ(ulmeth.calls(), expected);
}

TEST_F(GlueTest, SettingsAreKeptAndReplayedToEveryNewDriver) {
  Halverd glue;
  int channels[256];
  for (int i = 0; i < 256; ++i) channels[i] = i < 16 ? 1 : 0;
  _FiltrationDataInitParam filter;
  filter.DistanceMin = 0.5f;
  filter.DistanceMax = 80.f;

  // Made before any connection: kept, nothing applied yet.
  EXPECT_FALSE(glue.SetEcho_SingleOrDouble(1));
  EXPECT_FALSE(glue.onRGB_TypeSelection(RGB_Elevation, 0));
  EXPECT_FALSE(glue.onChannelSelection(channels));
  EXPECT_FALSE(glue.onChannelSelection(nullptr));
  EXPECT_FALSE(glue.onHangleRange(10.f, 170.f));
  EXPECT_FALSE(glue.onFiltrationDataParam(filter));
  EXPECT_FALSE(glue.onSelectRange(true, -1.f, -2.f, -3.f, 1.f, 2.f, 3.f));
  EXPECT_FALSE(glue.onSetFilteDistanceZero(false));

  // Channel flags chosen before any model are not among them: their numbering is the model's.
  const std::vector<std::string> replay{"SetEcho_SingleOrDouble 1",
                                        "SetRGB_TypeSelection 2 0",
                                        "SetHangleRange 10 170",
                                        "SetFiltrationDataParam 0.5 80",
                                        "setSelectRange 1 -1 -2 -3 1 2 3",
                                        "SetFilteDistanceZero 0"};
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  std::vector<std::string> calls = ulmeth.calls();
  // The replay follows the callbacks' registration, the last of which is the frame callback.
  const std::size_t frameCallback = findCall(calls, "SetTwoCloudCallback");
  ASSERT_NE(frameCallback, npos);
  const std::size_t first = frameCallback + 1;
  ASSERT_GE(calls.size(), first + replay.size());
  const auto from = calls.begin() + static_cast<std::ptrdiff_t>(first);
  EXPECT_EQ(std::vector<std::string>(from, from + static_cast<std::ptrdiff_t>(replay.size())), replay);
  EXPECT_FALSE(hasCallStartingWith(calls, "SetChannelSelection"));

  // Changed while connected: applied now and kept for the next driver.
  EXPECT_TRUE(glue.SetEcho_SingleOrDouble(3));
  EXPECT_TRUE(glue.onSelectRange(false, 1000.f, 1000.f, 1000.f, -1000.f, -1000.f, -1000.f));
  EXPECT_TRUE(glue.onChannelSelection(channels));
  // A reconnect to the same model gets the channel flags too.
  ulmeth.clearCalls();
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  calls = ulmeth.calls();
  EXPECT_NE(findCall(calls, "SetChannelSelection 16 first 1", findCall(calls, "create")), npos);
  EXPECT_NE(findCall(calls, "SetEcho_SingleOrDouble 3"), npos);

  ASSERT_TRUE(glue.initClassLidarType("LidarType_Coravel"));
  EXPECT_EQ(ulmeth.liveDrivers(), 0);
  EXPECT_EQ(ulmeth.calls().back(), "destroy");
  calls = coravel.calls();
  EXPECT_NE(findCall(calls, "SetEcho_SingleOrDouble 3"), npos);
  EXPECT_NE(findCall(calls, "setSelectRange 0 1000 1000 1000 -1000 -1000 -1000"), npos);
  EXPECT_NE(findCall(calls, "SetHangleRange 10 170"), npos);
  EXPECT_EQ(findCall(calls, "SetEcho_SingleOrDouble 1"), npos);
  // Another model numbers its channels its own way (Tiskar's 5-9 are its returns).
  EXPECT_FALSE(hasCallStartingWith(calls, "SetChannelSelection"));
  // ... and a later return to the first model does not bring the old flags back.
  coravel.clearCalls();
  ulmeth.clearCalls();
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  EXPECT_FALSE(hasCallStartingWith(ulmeth.calls(), "SetChannelSelection"));
}

TEST_F(GlueTest, FramesFromADriverThreadArriveOnTheGlueThread) {
  Halverd glue;
  EXPECT_NE(QMetaType::type("pcl::PointCloud<PointInfo>::Ptr"), 0);
  Recorder rec;
  ASSERT_TRUE(rec.attach(glue));
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", false);
  ulmeth.emitFrames(3, 2, 5);
  ASSERT_TRUE(waitFor([&] { return rec.frames.size() == 3; }));
  for (const Recorder::Frame& f : rec.frames) {
    EXPECT_TRUE(f.onOwnThread);
    EXPECT_FALSE(f.threeClouds);
    EXPECT_EQ(f.points, 5u);
    EXPECT_EQ(f.selected, 1u);
    EXPECT_EQ(f.partialFrames, 2);
    EXPECT_TRUE(f.title.isEmpty());
  }
}

TEST_F(GlueTest, ADisplayThatFallsBehindLosesOldFramesNotMemory) {
  Halverd glue;
  Recorder rec;
  ASSERT_TRUE(rec.attach(glue));
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  const long before = ulmeth.framesEmitted();
  ulmeth.setStreaming(true);
  // The glue's thread is busy (no event processing) while the driver runs on.
  while (ulmeth.framesEmitted() < before + 500) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ulmeth.setStreaming(false);
  const long emitted = ulmeth.framesEmitted() - before;
  ASSERT_TRUE(waitFor([&] { return rec.logged("frames dropped", 0); }));
  QCoreApplication::processEvents();
  EXPECT_GT(rec.frames.size(), 0u);
  EXPECT_LT(rec.frames.size(), static_cast<std::size_t>(emitted));
  EXPECT_LE(rec.frames.size(), 64u);  // a bounded backlog, whatever the driver produced
}

// A backlog built while the glue's thread was busy: frames of 1, 2, ... n points.
class Backlog : public GlueTest {
protected:
  void SetUp() override {
    GlueTest::SetUp();
    glue = std::make_unique<Halverd>();  // after the application object
    ASSERT_TRUE(rec.attach(*glue));
    ASSERT_TRUE(glue->initClassLidarType("LidarType_Ulmeth"));
  }
  // Queues n frames without running the glue's event loop, then lets the glue deliver them.
  void queueAndDeliver(int n, int partialFrames) {
    const long before = ulmeth.framesEmitted();
    for (int k = 1; k <= n; ++k) ulmeth.emitFrames(1, partialFrames, k);
    while (ulmeth.framesEmitted() < before + n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::size_t had = rec.frames.size();
    ASSERT_TRUE(waitFor([&] { return rec.frames.size() > had; }));
    QCoreApplication::processEvents();
  }
  std::vector<std::size_t> sizes() const {
    std::vector<std::size_t> out;
    for (const Recorder::Frame& f : rec.frames) out.push_back(f.points);
    return out;
  }
  int dropLines() const {
    int n = 0;
    for (const gluetest::LogEntry& e : rec.logs) n += e.text.contains("frames dropped");
    return n;
  }
  std::unique_ptr<Halverd> glue;
  Recorder rec;
};

TEST_F(Backlog, OnlyTheNewestDisplayFrameIsHandedOnWhenNoSaveWantsThemAll) {
  glue->setEveryFrameWanted([] { return false; });
  queueAndDeliver(10, 1);
  EXPECT_EQ(sizes(), (std::vector<std::size_t>{10}));
  EXPECT_TRUE(rec.logged("9 frames dropped: the display fell behind the driver (9 in all)", 0));

  // Two partial frames make one display frame: both halves of the newest are handed on.
  rec.frames.clear();
  queueAndDeliver(6, 2);
  EXPECT_EQ(sizes(), (std::vector<std::size_t>{5, 6}));
}

TEST_F(Backlog, ASaveCollectingGetsEveryFrameAndTheDisplayTheNewestAfterIt) {
  // A save of three frames: wanted until it has them.
  glue->setEveryFrameWanted([this] { return rec.frames.size() < 3; });
  queueAndDeliver(10, 1);
  EXPECT_EQ(sizes(), (std::vector<std::size_t>{1, 2, 3, 10}));

  rec.frames.clear();
  glue->setEveryFrameWanted([] { return true; });
  queueAndDeliver(5, 1);
  EXPECT_EQ(sizes(), (std::vector<std::size_t>{1, 2, 3, 4, 5}));
}

// The glue reads the test's clock; the end of an interval is its drop-report timer going
// off, which the test brings about by starting it with no time left.
TEST_F(Backlog, DroppedFramesAreLoggedAtMostOncePerIntervalWithTheirCount) {
  constexpr int kInterval = Halverd::kDropReportIntervalMs;
  const struct {
    int atMs;           // the clock
    int frames;         // a backlog of this many, the newest handed on; 0: the timer goes off
    const char* line;   // the new drop line, if any
    int timerMs;        // the timer's time while it runs; -1: not running
  } steps[] = {
      {0, 10, "9 frames dropped: the display fell behind the driver (9 in all)", -1},
      {1000, 5, nullptr, kInterval - 1000},  // the count waits for the rest of the interval
      {2000, 3, nullptr, kInterval - 1000},
      {kInterval, 0, "6 frames dropped: the display fell behind the driver (15 in all)", -1},
      {kInterval + 30000, 4, nullptr, 30000},
      {2 * kInterval, 2, "4 frames dropped: the display fell behind the driver (19 in all)", 30000},
      {2 * kInterval + 30000, 0, nullptr, -1},  // nothing dropped since: no line
      {4 * kInterval, 1, nullptr, -1},
  };
  std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
  glue->setClock([&] { return now; });
  glue->setEveryFrameWanted([] { return false; });
  auto* timer = glue->findChild<QTimer*>("dropReportTimer");
  ASSERT_NE(timer, nullptr);
  const auto origin = now;
  int lines = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.atMs);
    now = origin + std::chrono::milliseconds(step.atMs);
    if (step.frames > 0) {
      queueAndDeliver(step.frames, 1);
    } else {
      timer->start(0);
      ASSERT_TRUE(waitFor([&] { return !timer->isActive(); }));
    }
    if (step.line != nullptr) {
      ++lines;
      EXPECT_TRUE(rec.logged(step.line, 0));
    }
    EXPECT_EQ(dropLines(), lines);
    EXPECT_EQ(timer->isActive() ? timer->interval() : -1, step.timerMs);
  }
}

// The summary asks the driver for its device values only once that driver has had a device
// packet; one that a released driver reported, still queued when the next driver came, does
// not count for the next one.
TEST_F(GlueTest, DevicePacketsCountOnlyForTheDriverThatGotThem) {
  Halverd glue;
  Recorder rec;
  ASSERT_TRUE(rec.attach(glue));
  const auto loads = [&] {
    return std::count_if(rec.logs.begin(), rec.logs.end(),
                         [](const gluetest::LogEntry& e) { return e.text.contains("driver LidarType_Ulmeth loaded"); });
  };
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  EXPECT_TRUE(glue.driverSummary().contains("No device packet has come from the sensor yet."));
  ulmeth.emitDevicePacket();
  // Handed to the glue on the driver's thread; not delivered while this thread runs no events.
  for (int i = 0; i < 10000 && findCall(ulmeth.calls(), "device packet") == npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_NE(findCall(ulmeth.calls(), "device packet"), npos);
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  ASSERT_TRUE(waitFor([&] { return loads() == 2; }));  // queued after the old driver's report
  EXPECT_TRUE(glue.driverSummary().contains("Lidar IP: not reported yet")) << glue.driverSummary().toStdString();

  ulmeth.emitDevicePacket();
  EXPECT_TRUE(waitFor([&] { return glue.driverSummary().contains("Lidar IP: 192.168.1.200"); }));
  EXPECT_FALSE(glue.driverSummary().contains("No device packet"));
}

TEST_F(GlueTest, ZentraKeysUseTheThreeCloudForm) {
  Halverd glue;
  Recorder rec;
  ASSERT_TRUE(rec.attach(glue));
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Zentra"));
  EXPECT_NE(findCall(zentra.calls(), "SetThreeCloudCallback"), npos);
  EXPECT_EQ(findCall(zentra.calls(), "SetTwoCloudCallback"), npos);
  zentra.emitFrames(1, 1, 4);
  ASSERT_TRUE(waitFor([&] { return rec.frames.size() == 1; }));
  EXPECT_TRUE(rec.frames[0].threeClouds);
  EXPECT_EQ(rec.frames[0].points, 4u);
  EXPECT_EQ(rec.frames[0].third, 0u);
  EXPECT_EQ(rec.frames[0].selected, 1u);
}

TEST_F(GlueTest, DriverMessagesBecomeLogEntriesAtTheirLevel) {
  Halverd glue;
  Recorder rec;
  ASSERT_TRUE(rec.attach(glue));
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  struct Case {
    const char* text;
    int code;
    const char* logged;
    int level;
  };
  const Case cases[] = {
      {"2024/9/5 8:3:7", 50, "LidarType_Ulmeth: 2024/9/5 8:3:7 (code 50)", 99},
      {"timeout\n", 10004, "LidarType_Ulmeth: timeout (code 10004)", 99},
      {"Bind mDataPort failed\n", 10001, "Bind mDataPort failed (code 10001)", 0},
      {"Frame synchronization failure!", 10021, "Frame synchronization failure! (code 10021)", 0},
      {"0,0,1,2,3,4", 51, "0,0,1,2,3,4 (code 51)", 0},
  };
  for (const Case& c : cases) ulmeth.emitMessage(c.text, c.code);
  ASSERT_TRUE(waitFor([&] { return rec.logged("(code 51)", 0); }));
  for (const Case& c : cases) EXPECT_TRUE(rec.logged(c.logged, c.level)) << c.logged;
}

TEST_F(GlueTest, SocketFailureAtStartIsReportedAsFailure) {
  Halverd glue;
  Recorder rec;
  ASSERT_TRUE(rec.attach(glue));
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  ulmeth.failNextStart();
  EXPECT_FALSE(glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", false));
  EXPECT_TRUE(glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", false));
  ASSERT_TRUE(waitFor([&] { return rec.logged("failed to open its sockets", 0); }));
  EXPECT_TRUE(rec.logged("Bind mDataPort failed (code 10001)", 0));
}

TEST_F(GlueTest, DestroyingTheGlueWhileADriverThreadEmits) {
  for (int round = 0; round < 10; ++round) {
    auto glue = std::make_unique<Halverd>();
    Recorder rec;
    ASSERT_TRUE(rec.attach(*glue));
    ASSERT_TRUE(glue->initClassLidarType(round % 2 ? "LidarType_Coravel" : "LidarType_Ulmeth"));
    const FakeDriverControl& lib = round % 2 ? coravel : ulmeth;
    glue->startRun(2368, 2369, "192.168.1.102", "226.1.1.102", false);
    const long before = lib.framesEmitted();
    lib.setStreaming(true);
    ASSERT_TRUE(waitFor([&] { return lib.framesEmitted() > before + 50; }));
    if (round % 3 == 0) QCoreApplication::processEvents();  // some frames delivered, some queued
    glue.reset();
    lib.setStreaming(false);
    EXPECT_EQ(lib.liveDrivers(), 0);
    const std::size_t delivered = rec.frames.size();
    QCoreApplication::processEvents();  // nothing arrives from a destroyed glue
    EXPECT_EQ(rec.frames.size(), delivered);
  }
}

TEST_F(GlueTest, ReplayFeedRacingStopAndModelSwitch) {
  Halverd glue;
  std::atomic<bool> done{false};
  std::atomic<long> fed{0};
  std::thread worker([&] {
    std::vector<unsigned char> packet(1212, 3);
    while (!done.load()) {
      glue.getOffLineData(packet.data(), static_cast<unsigned short>(packet.size()), LidarDataType_Point, false, 1);
      ++fed;
    }
  });
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(glue.initClassLidarType(i % 2 ? "LidarType_Coravel" : "LidarType_Ulmeth"));
    glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", true);
    const long mark = fed.load();
    ASSERT_TRUE(waitFor([&] { return fed.load() > mark + 20; }));
    glue.stoptRun();
    std::this_thread::yield();
  }
  done = true;
  worker.join();

  // No driver was fed once its run was stopped.
  for (const FakeDriverControl* lib : {&ulmeth, &coravel}) {
    const std::vector<std::string> calls = lib->calls();
    bool stopped = false;
    for (const std::string& c : calls) {
      if (c == "create") stopped = false;
      if (c == "LidarStop") stopped = true;
      if (stopped) {
        EXPECT_NE(c.rfind("setOffLineData", 0), 0u) << "fed after stop";
      }
    }
    EXPECT_TRUE(hasCallStartingWith(calls, "setOffLineData 1212 0 0 1 data"));
  }
}

TEST_F(GlueTest, DestructionWaitsForTheReplayedPacketInHand) {
  auto glue = std::make_unique<Halverd>();
  ASSERT_TRUE(glue->initClassLidarType("LidarType_Ulmeth"));
  glue->startRun(2368, 2369, "192.168.1.102", "226.1.1.102", true);
  ulmeth.setOfflineDelay(100);
  Halverd* playing = glue.get();
  std::thread worker([playing] {
    std::vector<unsigned char> packet(1212, 5);
    playing->getOffLineData(packet.data(), static_cast<unsigned short>(packet.size()), LidarDataType_Point, false, 1);
  });
  ASSERT_TRUE(waitFor([&] { return findCall(ulmeth.calls(), "setOffLineData begins") != npos; }));
  glue.reset();  // the program closing during playback
  worker.join();
  ulmeth.setOfflineDelay(0);

  const std::vector<std::string> calls = ulmeth.calls();
  const std::size_t fed = findCall(calls, "setOffLineData 1212 0 0 1 data");
  ASSERT_NE(fed, npos);
  EXPECT_LT(fed, findCall(calls, "destroy"));
  EXPECT_EQ(ulmeth.liveDrivers(), 0);
}

}  // namespace
