// The frame pool: what a holder keeps stays its own, what comes back is as new, and clouds
// come back from any thread, also after the pool is gone.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "FramePool.h"

namespace {

using Cloud = FramePool::Cloud;
using CloudPtr = FramePool::CloudPtr;

PointInfo pointAt(float x) {
  PointInfo p{};
  p.x = x;
  p.Distance = x;
  return p;
}

void fill(Cloud& cloud, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) cloud.push_back(pointAt(static_cast<float>(i)));
}

}  // namespace

TEST(FramePool, AReleasedCloudComesBackAsNewWithItsMemory) {
  FramePool pool;
  CloudPtr cloud = pool.take(1000);
  ASSERT_GE(cloud->points.capacity(), 1000u);
  fill(*cloud, 1000);
  // Whatever a holder changed besides the points.
  cloud->header.frame_id = "held";
  cloud->header.stamp = 77;
  cloud->header.seq = 5;
  cloud->is_dense = false;
  cloud->sensor_origin_ = Eigen::Vector4f(1, 2, 3, 4);
  cloud->sensor_orientation_ = Eigen::Quaternionf(0, 1, 0, 0);
  cloud->width = 10;
  cloud->height = 100;
  const PointInfo* memory = cloud->points.data();
  cloud.reset();
  EXPECT_EQ(pool.shelved(), 1u);

  CloudPtr again = pool.take(800);
  EXPECT_EQ(pool.shelved(), 0u);
  EXPECT_EQ(again->points.data(), memory);  // the same memory, no new pages
  const Cloud fresh;
  EXPECT_TRUE(again->points.empty());
  EXPECT_EQ(again->width, fresh.width);
  EXPECT_EQ(again->height, fresh.height);
  EXPECT_EQ(again->is_dense, fresh.is_dense);
  EXPECT_EQ(again->header.frame_id, fresh.header.frame_id);
  EXPECT_EQ(again->header.stamp, fresh.header.stamp);
  EXPECT_EQ(again->header.seq, fresh.header.seq);
  EXPECT_EQ(again->sensor_origin_, fresh.sensor_origin_);
  EXPECT_EQ(again->sensor_orientation_.coeffs(), fresh.sensor_orientation_.coeffs());
}

TEST(FramePool, AHeldCloudIsNeverHandedOutAgain) {
  FramePool pool;
  std::vector<CloudPtr> held;
  for (int i = 0; i < 10; ++i) {
    CloudPtr c = pool.take(64);
    fill(*c, 64);
    for (const CloudPtr& h : held) ASSERT_NE(h.get(), c.get());
    if (i % 2) held.push_back(c);  // every other one is kept; the rest go back
  }
  for (const CloudPtr& h : held) EXPECT_EQ(h->size(), 64u);
}

TEST(FramePool, ChoosesByRoomAndGivesBackFarLargerMemory) {
  struct Row {
    const char* what;
    std::vector<std::size_t> shelvedCapacities;
    std::size_t asked;
    std::size_t expectCapacity;  // 0: new memory of the asked size
    std::size_t expectShelved;   // left on the shelf afterwards
  };
  const std::size_t slack = FramePool::kSlackPoints;
  const Row rows[] = {
      {"smallest that fits; over twice the room dropped", {50000, 20000, 30000}, 19000, 20000, 1},
      {"none fits: the roomiest grows", {1000, 3000, 2000}, 5000, 5000, 2},
      {"far larger: new memory instead", {4 * slack + 100000}, 100, 0, 0},
      {"within twice plus slack: kept", {2 * 1000 + slack}, 1000, 2 * 1000 + slack, 0},
      // An outsized frame's memory goes, even when a cloud of the usual size is taken.
      {"outsized ones dropped", {10 * slack, 1000, 10 * slack, 900}, 950, 1000, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FramePool pool;
    {
      std::vector<CloudPtr> clouds;
      for (std::size_t c : row.shelvedCapacities) clouds.push_back(pool.take(c));
    }
    ASSERT_EQ(pool.shelved(), row.shelvedCapacities.size());
    const CloudPtr c = pool.take(row.asked);
    if (row.expectCapacity) {
      EXPECT_EQ(c->points.capacity(), row.expectCapacity);
    } else {
      EXPECT_LT(c->points.capacity(), row.shelvedCapacities[0]);
    }
    EXPECT_GE(c->points.capacity(), row.asked);
    EXPECT_EQ(pool.shelved(), row.expectShelved);
  }
}

TEST(FramePool, KeepsNoMoreThanItsShelfHolds) {
  FramePool pool(2);
  {
    std::vector<CloudPtr> clouds;
    for (int i = 0; i < 5; ++i) clouds.push_back(pool.take(10));
  }
  EXPECT_EQ(pool.shelved(), 2u);
}

// Clouds released on other threads (a viewer, the glue) while the decode thread takes new
// ones; each holder's points must be untouched until it lets go. Run under TSan and ASan.
TEST(FramePool, CloudsComeBackFromOtherThreads) {
  FramePool pool;
  std::mutex mutex;
  std::vector<CloudPtr> inbox;
  std::atomic<bool> done{false};
  std::atomic<int> damaged{0};
  auto holder = [&] {
    for (;;) {
      std::vector<CloudPtr> mine;
      {
        std::lock_guard<std::mutex> lock(mutex);
        mine.swap(inbox);
      }
      for (const CloudPtr& c : mine) {
        const float tag = c->points.front().x;
        for (const PointInfo& p : c->points)
          if (p.x != tag) ++damaged;
      }
      if (mine.empty() && done.load()) return;
      std::this_thread::yield();
    }  // released here, on this thread
  };
  std::thread a(holder), b(holder);
  for (int frame = 0; frame < 2000; ++frame) {
    CloudPtr c = pool.take(256);
    for (int i = 0; i < 256; ++i) c->push_back(pointAt(static_cast<float>(frame)));
    std::lock_guard<std::mutex> lock(mutex);
    inbox.push_back(std::move(c));
  }
  done.store(true);
  a.join();
  b.join();
  EXPECT_EQ(damaged.load(), 0);
}

TEST(FramePool, CloudsOutliveThePool) {
  CloudPtr kept;
  {
    FramePool pool;
    kept = pool.take(100);
    fill(*kept, 100);
    pool.take(100);  // back on the shelf, freed with the pool
  }
  EXPECT_EQ(kept->size(), 100u);
  kept.reset();  // freed, not shelved: ASan sees no leak and no use after free
}
