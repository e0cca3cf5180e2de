// Random packets through the decoder (run under ASan/UBSan) and start/stop cycles of the
// decode thread with settings changed meanwhile (run under TSan).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

#include "KaldorSeededStream.h"
#include "KaldorTestHarness.h"
#include "UdpSocket.h"

using namespace kaldor_test;
using namespace std::chrono_literals;

TEST(KaldorRobustness, RandomBytesWithValidModelBytes) {
  Harness h;
  std::size_t published = 0;
  seededStream(kRobustnessSeed, h.decoder, [&](const std::vector<unsigned char>& p) {
    h.feed(p);
    for (; published < h.frames.size(); ++published) {
      const LidarCloud& f = *h.frames[published];
      EXPECT_EQ(f.width, f.size());
      for (const auto& pt : f.points) {
        ASSERT_LT(pt.Channel, 32);
        ASSERT_GE(pt.H_angle, 0.f);
        ASSERT_LT(pt.H_angle, 360.f);
      }
    }
  });
}

// Sub-models with per-process angle tables, built and decoding in two driver objects at
// once: both must see the same angles, whatever the other one constructs meanwhile.
TEST(KaldorRobustness, SubModelsOfTwoDecodersOnTwoThreads) {
  const auto nimbrel = rotationPackets(70, kSingle, 60);
  const auto quenry = rotationPackets(92, kDual, 60);
  auto run = [&](Harness& h) {
    for (int round = 0; round < 6; ++round) h.feedAll(round % 2 ? quenry : nimbrel);  // each change rebuilds
  };
  Harness reference, first, second;
  run(reference);
  std::thread a([&] { run(first); });
  std::thread b([&] { run(second); });
  a.join();
  b.join();
  for (Harness* h : {&first, &second}) {
    ASSERT_EQ(h->current().size(), reference.current().size());
    for (std::size_t i = 0; i < reference.current().size(); ++i) {
      const PointInfo& p = h->current().points[i];
      const PointInfo& q = reference.current().points[i];
      ASSERT_EQ(p.V_angle, q.V_angle);
      ASSERT_EQ(p.x, q.x);
      ASSERT_EQ(p.z, q.z);
    }
  }
}

namespace {

// Counts how many decode loops run at once.
class CountingDecoder : public LIDAR_Kaldor_v4_0 {
public:
  std::atomic<int> active{0};
  std::atomic<int> mostActive{0};
  std::atomic<int> loops{0};
  ~CountingDecoder() override { stopAndWait(); }
  void dataProcessThread() override {
    const int now = ++active;
    int seen = mostActive.load();
    while (now > seen && !mostActive.compare_exchange_weak(seen, now)) {
    }
    ++loops;
    LIDAR_Kaldor_v4_0::dataProcessThread();
    --active;
  }
};

struct EndWatcher {
  std::mutex mutex;
  std::condition_variable changed;
  int ends = 0;
  std::size_t frames = 0;
  VectorFrameCallback onVector = [this](std::vector<_MuchLidarData>, int status) {
    std::lock_guard<std::mutex> lock(mutex);
    if (status == 2) ++ends;
    changed.notify_all();
  };
  TwoCloudCallback onFrame = [this](LidarCloudPtr, LidarCloudPtr, int, int, int, int) {
    std::lock_guard<std::mutex> lock(mutex);
    ++frames;
  };
  bool waitEnds(int n) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, 20s, [&] { return ends >= n; });
  }
};

}  // namespace

TEST(KaldorRobustness, OfflineRunsRestartWithOneDecodeThread) {
  EndWatcher w;
  CountingDecoder d;
  d.setVectorCallback(&w.onVector);
  d.setTwoCloudCallback(&w.onFrame);
  std::atomic<bool> done{false};
  std::thread settings([&] {
    for (int i = 0; !done.load(); ++i) {
      d.setEcho(i % 2);
      d.setSelectRange(i % 2, -10, -10, -10, 10, 10, 10);
      d.setHangleRange(0.f, 360.f);
      std::this_thread::sleep_for(100us);
    }
  });
  // One and a half turns per run: one frame, every queued packet decoded before the end.
  const auto packets = rotationPackets(32, kSingle, 225);
  constexpr int kRuns = 8;
  for (int run = 1; run <= kRuns; ++run) {
    for (const auto& p : packets)
      d.setOffLineData(p.data(), static_cast<unsigned short>(p.size()), LidarDataType_Point, false, 1);
    d.setOffLineData(nullptr, 0, LidarDataType_Point, true, 1);
    ASSERT_TRUE(w.waitEnds(run));
  }
  // Runs cut short by a stop while packets are queued, then started again at once.
  for (int run = 0; run < 20; ++run) {
    for (int i = 0; i < 30; ++i)
      d.setOffLineData(packets[i].data(), static_cast<unsigned short>(packets[i].size()), LidarDataType_Point,
                       false, 1);
    d.LidarStop();
  }
  done = true;
  settings.join();
  d.stopAndWait();
  EXPECT_EQ(d.mostActive.load(), 1);
  EXPECT_GE(d.loops.load(), kRuns);
  std::lock_guard<std::mutex> lock(w.mutex);
  EXPECT_EQ(w.ends, kRuns);
  // Each run is a new run of the same sub-model: its split comes at 90 degrees each time.
  EXPECT_GE(w.frames, static_cast<std::size_t>(kRuns) * 2);  // frames plus the end repeats
}

// A caller that feeds the next capture on hearing of the end starts a new run on the running
// decode thread: its first packet is timed from itself, not from the last run's last packet.
TEST(KaldorRobustness, ARunFedFromTheEndOfTheLastIsTimedFromItsOwnFirstPacket) {
  const auto first = rotationPackets(32, kSingle, 225, 20, 1000.0);
  const auto second = rotationPackets(32, kSingle, 225, 20, 5000.0);
  auto feed = [](LIDAR_Kaldor_v4_0& d, const std::vector<std::vector<unsigned char>>& packets) {
    for (const auto& p : packets)
      d.setOffLineData(p.data(), static_cast<unsigned short>(p.size()), LidarDataType_Point, false, 1);
    d.setOffLineData(nullptr, 0, LidarDataType_Point, true, 1);
  };
  LIDAR_Kaldor_v4_0 d;
  std::mutex mutex;
  std::condition_variable changed;
  int ends = 0;
  std::vector<double> times;
  VectorFrameCallback onVector = [&](std::vector<_MuchLidarData>, int status) {
    if (status != 2) return;
    std::lock_guard<std::mutex> lock(mutex);
    if (++ends == 1) feed(d, second);
    changed.notify_all();
  };
  TwoCloudCallback onFrame = [&](LidarCloudPtr frame, LidarCloudPtr, int, int, int, int) {
    std::lock_guard<std::mutex> lock(mutex);
    for (const PointInfo& p : frame->points) times.push_back(p.Mtimestamp_nsce);
  };
  d.setVectorCallback(&onVector);
  d.setTwoCloudCallback(&onFrame);
  feed(d, first);
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 20s, [&] { return ends >= 2; }));
  }
  d.stopAndWait();
  const double firstRunEnd = 1000.0 + 225 * 0.0006;
  std::size_t secondRun = 0;
  for (double t : times) {
    EXPECT_TRUE(t <= firstRunEnd + 1e-6 || t >= 5000.0) << t;
    secondRun += t >= 5000.0;
  }
  EXPECT_GT(secondRun, 0u);
}

TEST(KaldorRobustness, LiveStartStopCyclesWhilePacketsArrive) {
  std::uint16_t port = 0, devPort = 0;
  {
    lumivar::UdpSocket probe, probeDev;
    ASSERT_TRUE(probe.open() && probe.bindAny(0) && probeDev.open() && probeDev.bindAny(0));
    port = probe.localPort();
    devPort = probeDev.localPort();
  }
  EndWatcher w;
  CountingDecoder d;
  d.setTwoCloudCallback(&w.onFrame);
  d.LidarTypeInit(port, devPort, "127.0.0.1");
  std::atomic<bool> done{false};
  std::thread sender([&] {
    lumivar::UdpSocket s;
    if (!s.open()) return;
    const auto packets = rotationPackets(4, kDual, 300);
    for (std::size_t i = 0; !done.load(); i = (i + 1) % packets.size()) {
      s.sendTo("127.0.0.1", port, packets[i].data(), packets[i].size());
      if (i % 20 == 0) std::this_thread::sleep_for(1ms);
    }
  });
  for (int cycle = 0; cycle < 10; ++cycle) {
    ASSERT_TRUE(d.LidarStart());
    std::this_thread::sleep_for(20ms);
    d.setEcho(cycle % 4);
    d.LidarStop();
  }
  done = true;
  sender.join();
  d.stopAndWait();
  EXPECT_EQ(d.mostActive.load(), 1);
  EXPECT_EQ(d.active.load(), 0);
}
