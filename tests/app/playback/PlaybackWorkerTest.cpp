// The replay worker on real captures written by libpcap: what it hands to the glue and in
// which order, the pause gate and one-frame steps, turns, seeks, stop and the end of data;
// and the whole road through the real glue into the real Kaldor driver library.
#include "PlaybackWorker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "Halverd.h"
#include "KaldorSweep.h"
#include "PlaybackFixtures.h"

namespace {

using playback::Player;
using playback::PlaybackWorker;

struct Fed {
  int tag;  // running number of a tagged packet, -1 otherwise
  int kind;
  int length;
  bool end;
  int step;
  bool allZero;
};

// Everything the worker reports, written on its thread and read on the test's.
class Recording {
 public:
  playback::PlaybackEvents events(std::function<void(unsigned char*, unsigned short, int, bool, int)> forward = {}) {
    playback::PlaybackEvents e;
    e.feed = [this, forward](unsigned char* data, unsigned short length, int kind, bool end, int step) {
      const bool zero = std::all_of(data, data + length, [](unsigned char c) { return c == 0; });
      {
        std::lock_guard<std::mutex> lock(m);
        fed.push_back({playfix::tagOf(data, length), kind, length, end, step, zero});
      }
      if (forward) forward(data, length, kind, end, step);
    };
    e.finish = [this](bool done) {
      std::lock_guard<std::mutex> lock(m);
      finishes.push_back(done);
    };
    e.progress = [this](std::int64_t, int frame) {
      std::lock_guard<std::mutex> lock(m);
      frames.push_back(frame);
    };
    e.showPcdFrame = [this](int index) {
      std::lock_guard<std::mutex> lock(m);
      shown.push_back(index);
    };
    return e;
  }
  template <typename T>
  T read(const T& member) {
    std::lock_guard<std::mutex> lock(m);
    return member;
  }
  std::vector<int> tags() {
    std::vector<int> out;
    for (const Fed& f : read(fed))
      if (f.tag >= 0) out.push_back(f.tag);
    return out;
  }

  std::mutex m;
  std::vector<Fed> fed;
  std::vector<bool> finishes;
  std::vector<int> frames;
  std::vector<int> shown;
};

// Polls (with the Qt event loop when there is one); a generous bound, not a timing.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// A capture written by libpcap and indexed for the player.
class OpenCapture {
 public:
  OpenCapture(const std::vector<capfix::Bytes>& frames, int family = 0) {
    rules.lidarFamily = family;
    capfix::writeCapture(path, frames);
    EXPECT_TRUE(file.open(path));
    const capture::IndexResult result = family == capture::kReassembledFamily
                                            ? capture::buildReassembledIndex(file, index)
                                            : capture::buildIndex(file, rules, index);
    EXPECT_EQ(result, capture::IndexResult::Completed);
  }
  playback::PlaybackJob job(Player player = Player::Capture) {
    playback::PlaybackJob j;
    j.player = player;
    j.file = &file;
    j.index = &index;
    j.rules = rules;
    return j;
  }

  capfix::ScratchDir dir;
  std::string path = dir.file("replay.pcap");
  capture::CaptureRules rules;
  capture::CaptureFile file;
  capture::CaptureIndex index;
};

constexpr int kFastest = 4;  // "2.0x"

std::vector<int> range(int from, int to) {  // from..to inclusive, either way
  std::vector<int> out;
  for (int i = from; from <= to ? i <= to : i >= to; i += from <= to ? 1 : -1) out.push_back(i);
  return out;
}

TEST(PlaybackWorker, ReplaysEveryUsedRecordInOrderThenTheEndPacket) {
  std::vector<capfix::Bytes> frames = playfix::taggedFrames(4, 3);
  capfix::UdpFrame device;
  device.payload = capfix::devicePacket();
  frames.insert(frames.begin() + 4, device.build());
  capfix::UdpFrame ignored;
  ignored.payload = playfix::taggedPacket(99, true);
  ignored.destPort = 1234;
  frames.insert(frames.begin() + 2, ignored.build());
  OpenCapture cap(frames);
  ASSERT_EQ(cap.index.frameCount, 4);

  Recording rec;
  PlaybackWorker worker;
  worker.speedIndex = kFastest;
  worker.start(cap.job(), rec.events());
  ASSERT_TRUE(waitUntil([&] { return rec.read(rec.finishes).size() == 2; }));
  worker.stop();

  EXPECT_EQ(rec.read(rec.finishes), (std::vector<bool>{false, true}));
  EXPECT_EQ(rec.tags(), range(0, 11)) << "the first record is replayed too; port 1234 never";
  const std::vector<Fed> fed = rec.read(rec.fed);
  const auto device1 = std::find_if(fed.begin(), fed.end(), [](const Fed& f) { return f.kind == 1; });
  ASSERT_NE(device1, fed.end());
  EXPECT_EQ(device1->length, 1206);
  EXPECT_EQ(std::count_if(fed.begin(), fed.end(), [](const Fed& f) { return f.end; }), 1);
  const Fed& last = fed.back();
  EXPECT_TRUE(last.end && last.allZero && last.kind == 0 && last.step == 1);
  EXPECT_EQ(last.length, 1212);
  EXPECT_EQ(rec.read(rec.frames), range(1, 4));
  EXPECT_FALSE(worker.isActive());
  EXPECT_FALSE(worker.lastRunStopped());
}

// Waits until the worker rests at the gate with the given frame counted.
void expectAtGate(PlaybackWorker& worker, int frame) {
  ASSERT_TRUE(waitUntil([&] { return worker.isWaitingAtGate() && worker.currentFrame == frame; }))
      << "frame " << worker.currentFrame << ", waiting " << worker.isWaitingAtGate();
}

TEST(PlaybackWorker, PauseHoldsAtAFrameEndAndEachStepPlaysOneFrame) {
  OpenCapture cap(playfix::taggedFrames(8, 3));
  Recording rec;
  PlaybackWorker worker;
  worker.speedIndex = kFastest;
  worker.pause();
  worker.start(cap.job(), rec.events());
  expectAtGate(worker, 1);
  EXPECT_EQ(rec.tags(), range(0, 2)) << "held right after the packet that closed frame 1";

  for (int i = 0; i < 3; ++i) worker.releaseOnce();  // pressed faster than frames play
  expectAtGate(worker, 4);
  EXPECT_EQ(rec.tags(), range(0, 11));
  EXPECT_EQ(rec.read(rec.frames), range(1, 4));

  worker.resume();
  ASSERT_TRUE(waitUntil([&] { return !worker.isActive(); }));
  EXPECT_EQ(rec.tags(), range(0, 23));
}

TEST(PlaybackWorker, TurningBackSkipsTheCutFrameAndEndsAtFrameZero) {
  OpenCapture cap(playfix::taggedFrames(5, 3));
  Recording rec;
  PlaybackWorker worker;
  worker.speedIndex = kFastest;
  worker.pause();
  worker.start(cap.job(), rec.events());
  expectAtGate(worker, 1);
  worker.releaseOnce();
  expectAtGate(worker, 2);

  worker.reqDirection = -1;
  worker.releaseOnce();
  expectAtGate(worker, 1);
  // Packet 5 closed frame 2 and opens the walk back: the cut frame, not handed on or counted.
  EXPECT_EQ(rec.tags(), (std::vector<int>{0, 1, 2, 3, 4, 5, 4, 3, 2}));

  worker.releaseOnce();  // back past the start of the file
  ASSERT_TRUE(waitUntil([&] { return !worker.isActive(); }));
  EXPECT_EQ(rec.tags(), (std::vector<int>{0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 0}));
  const std::vector<int> frames = rec.read(rec.frames);
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 1, 0}));
  EXPECT_EQ(worker.currentFrame, 0);
  const std::vector<Fed> fed = rec.read(rec.fed);
  EXPECT_TRUE(fed.back().end);
}

TEST(PlaybackWorker, SeekGoesOnFromTheFrameAfterTheTarget) {
  struct Row {
    int target;
    int firstTag;  // first packet handed on after the seek; -1: the replay ends
    int frame;     // frame counter right after the seek
  };
  // 8 frames of 3 packets; the slider's maximum (8) has no frame end of its own.
  for (const Row row : {Row{0, 3, 1}, Row{3, 12, 4}, Row{7, -1, 8}, Row{8, -1, 8}, Row{-5, 3, 1}}) {
    SCOPED_TRACE(row.target);
    OpenCapture cap(playfix::taggedFrames(8, 3));
    Recording rec;
    PlaybackWorker worker;
    worker.speedIndex = kFastest;
    worker.pause();
    worker.start(cap.job(), rec.events());
    expectAtGate(worker, 1);
    const std::size_t before = rec.tags().size();
    worker.seekTarget = row.target;
    worker.isSeekPending = true;
    worker.releaseOnce();  // one frame on from the target, then held again
    ASSERT_TRUE(waitUntil(
        [&] { return !worker.isActive() || (rec.read(rec.frames).size() >= 3 && worker.isWaitingAtGate()); }));
    const std::vector<int> tags = rec.tags();
    if (row.firstTag < 0) {
      EXPECT_EQ(tags.size(), before);
    } else {
      ASSERT_GT(tags.size(), before);
      EXPECT_EQ(tags[before], row.firstTag);
    }
    const std::vector<int> frames = rec.read(rec.frames);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[1], row.frame);
    worker.stop();
  }
}

TEST(PlaybackWorker, StopJoinsAWorkerAtTheGateOrInItsPauseAndStillEndsTheData) {
  for (const bool paused : {true, false}) {
    SCOPED_TRACE(paused ? "at the gate" : "sleeping between frames");
    OpenCapture cap(playfix::taggedFrames(50, 2));
    Recording rec;
    PlaybackWorker worker;
    worker.speedIndex = 0;  // the slowest pace: the worker spends its time between frames
    if (paused) worker.pause();
    worker.start(cap.job(), rec.events());
    if (paused) {
      expectAtGate(worker, 1);
    } else {
      ASSERT_TRUE(waitUntil([&] { return worker.currentFrame >= 1; }));
    }
    worker.stop();
    EXPECT_FALSE(worker.isActive());
    EXPECT_TRUE(worker.lastRunStopped());
    EXPECT_LT(worker.currentFrame, 50);
    const std::vector<Fed> fed = rec.read(rec.fed);
    ASSERT_FALSE(fed.empty());
    EXPECT_TRUE(fed.back().end);
    EXPECT_EQ(rec.read(rec.finishes), (std::vector<bool>{false, true}));
    worker.stop();  // a second stop, and the destructor's, are harmless
  }
}

TEST(PlaybackWorker, FramePacePerPlayerSpeedAndModel) {
  struct Row {
    Player player;
    int speed;
    const char* model;
    int ms;
  };
  const Row rows[] = {
      {Player::Capture, 0, "LidarType_Kaldor_v4_0", 160}, {Player::Capture, 2, "", 80},
      {Player::Capture, 4, "LidarType_Wixel", 10},        {Player::Capture, 4, "LidarType_Wixel_X", 40},
      {Player::Capture, 4, "XLidarType_Wixel", 40},       {Player::Capture, 1, "LidarType_Pavrik_B", 30},
      {Player::Capture, 3, "LidarType_Pavrik", 15},       {Player::Capture, 7, "LidarType_Pavrik", 20},
      {Player::Capture, -1, "", 80},                      {Player::Datagram, 0, "", 200},
      {Player::Datagram, 4, "LidarType_Wixel", 50},       {Player::Datagram, 9, "", 100},
      {Player::Pcd, 1, "", 120},                          {Player::Pcd, 4, "LidarType_Wixel", 40},
      {Player::Pcd, 5, "", 80},
  };
  for (const Row& r : rows)
    EXPECT_EQ(playback::frameDelayMs(r.player, r.speed, r.model), r.ms) << r.model << " speed " << r.speed;
}

TEST(PlaybackWorker, DatagramsOfFamilyFourAreReassembledAndHandedOnWhole) {
  std::vector<double> still(2000, 5.0);
  std::vector<double> wrapping(2000, 5.0);
  wrapping[999] = -20.0;  // an azimuth step from below -10 to above 2: a frame end
  std::vector<capfix::Bytes> frames;
  for (const auto* angles : {&still, &wrapping, &still})
    for (capfix::Bytes& f : capfix::fragmentFrames(capfix::datagram(*angles))) frames.push_back(std::move(f));
  OpenCapture cap(frames, capture::kReassembledFamily);
  ASSERT_EQ(cap.index.frameCount, 1);

  Recording rec;
  PlaybackWorker worker;
  worker.speedIndex = kFastest;
  worker.start(cap.job(Player::Datagram), rec.events());
  ASSERT_TRUE(waitUntil([&] { return !worker.isActive(); }));
  worker.stop();
  const std::vector<Fed> fed = rec.read(rec.fed);
  ASSERT_EQ(fed.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(fed[std::size_t(i)].length, 56280);
    EXPECT_FALSE(fed[std::size_t(i)].end);
    EXPECT_EQ(fed[std::size_t(i)].step, 1);
  }
  EXPECT_TRUE(fed[3].end && fed[3].allZero);
  EXPECT_EQ(fed[3].length, 56280);
  EXPECT_EQ(rec.read(rec.frames), std::vector<int>{1});
}

TEST(PlaybackWorker, PcdFramesFollowSeeksAndTurnsAndEndAtEitherEdge) {
  struct Row {
    const char* name;
    int frames;
    int seekTo;      // applied while held after the first frame; -1 none
    int direction;   // asked for at the same time
    std::vector<int> shown;
  };
  const Row rows[] = {
      {"plain", 3, -1, 1, {0, 1, 2}},
      {"seek forward", 6, 4, 1, {0, 4, 5}},
      {"seek then back", 6, 2, -1, {0, 2, 1, 0}},
      {"seek past the end", 4, 9, 1, {0, 3}},
      {"back from the first", 4, -1, -1, {0}},
      {"no frames", 0, -1, 1, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Recording rec;
    PlaybackWorker worker;
    worker.speedIndex = kFastest;
    playback::PlaybackJob job;
    job.player = Player::Pcd;
    job.pcdFrames = row.frames;
    if (row.frames > 0) worker.pause();
    worker.start(job, rec.events());
    if (row.frames > 0) {
      ASSERT_TRUE(waitUntil([&] { return worker.isWaitingAtGate(); }));
      if (row.seekTo >= 0) {
        worker.seekTarget = row.seekTo;
        worker.isSeekPending = true;
      }
      worker.reqDirection = row.direction;
      worker.resume();
    }
    ASSERT_TRUE(waitUntil([&] { return !worker.isActive(); }));
    worker.stop();
    EXPECT_EQ(rec.read(rec.shown), row.shown);
    EXPECT_EQ(rec.read(rec.finishes), std::vector<bool>{true});
    EXPECT_TRUE(rec.read(rec.fed).empty()) << "PCD frames bypass the glue";
  }
}

// A frame of the glue as the program receives it.
struct GlueFrame {
  std::size_t points;
  int partialFrames;
};

TEST(PlaybackWorker, CapturedKaldorPacketsBecomeFramesThroughTheRealGlueAndDriver) {
  static int argc = 1;
  static char name[] = "playback_worker_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  constexpr int kTurns = 4;
  OpenCapture cap(playfix::kaldorTurns(kTurns));
  ASSERT_EQ(cap.index.frameCount, kTurns);

  Halverd glue;
  std::vector<GlueFrame> frames;
  QObject::connect(static_cast<HalverdFrameEmitter*>(glue.dataEmitter),
                   qOverload<pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr, int, QString>(
                       &HalverdFrameEmitter::SendLidarDataPrt),
                   [&](pcl::PointCloud<PointInfo>::Ptr frame, pcl::PointCloud<PointInfo>::Ptr, int partial, QString) {
                     frames.push_back({frame ? frame->size() : 0u, partial});
                   });
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Kaldor_v4_0")) << "LUMIVAR_DRIVER_DIR must hold the Kaldor library";
  ASSERT_TRUE(glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", true));

  Recording rec;
  PlaybackWorker worker;
  worker.speedIndex = kFastest;
  worker.start(cap.job(), rec.events([&glue](unsigned char* data, unsigned short length, int kind, bool end, int step) {
    glue.getOffLineData(data, length, static_cast<_LidarDataType>(kind), end, step);
  }));
  ASSERT_TRUE(waitUntil([&] { return !worker.isActive(); }));
  worker.stop();
  EXPECT_EQ(rec.read(rec.fed).size(), std::size_t(kTurns * playfix::kKaldorPacketsPerTurn + 1));

  // Splits at 90 degrees once 100 blocks are in: three frames, then the end of the data hands
  // the last one on again.
  ASSERT_TRUE(waitUntil([&] { return frames.size() >= 4; }));
  glue.stoptRun();
  constexpr std::size_t kTurnPoints = 360 * kaldor_sweep::kRecordsPerBlock;  // one block a degree
  EXPECT_GE(frames.front().points, kTurnPoints) << "the first frame runs from the start to its split";
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].partialFrames, 1);
    if (i > 0) {
      EXPECT_EQ(frames[i].points, kTurnPoints) << i;
    }
  }
}

}  // namespace
