// Records the clouds a decoder hands out: a digest of every frame and selected-points cloud
// as it was at the hand-over, and, for the clouds the caller keeps, the cloud itself with a
// full copy. Kept clouds must still equal their copies, byte for byte, however much is
// decoded after them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "LIDAR_Template.h"

namespace frame_test {

struct CloudCopy {
  decltype(LidarCloud::points) points;
  std::uint32_t width = 0, height = 0;
  bool dense = true;
  pcl::PCLHeader header;
  Eigen::Vector4f origin;
  Eigen::Quaternionf orientation;

  explicit CloudCopy(const LidarCloud& c)
      : points(c.points), width(c.width), height(c.height), dense(c.is_dense), header(c.header),
        origin(c.sensor_origin_), orientation(c.sensor_orientation_) {}
};

// Byte equality, so that a NaN or a stray byte in the padding counts too.
inline ::testing::AssertionResult sameCloud(const CloudCopy& a, const CloudCopy& b) {
  if (a.points.size() != b.points.size())
    return ::testing::AssertionFailure() << a.points.size() << " points against " << b.points.size();
  for (std::size_t i = 0; i < a.points.size(); ++i)
    if (std::memcmp(&a.points[i], &b.points[i], sizeof(PointInfo)) != 0)
      return ::testing::AssertionFailure() << "point " << i << " differs";
  if (a.width != b.width || a.height != b.height || a.dense != b.dense)
    return ::testing::AssertionFailure() << "width, height or density differ";
  if (a.header.seq != b.header.seq || a.header.stamp != b.header.stamp || a.header.frame_id != b.header.frame_id)
    return ::testing::AssertionFailure() << "header differs";
  if (a.origin != b.origin || a.orientation.coeffs() != b.orientation.coeffs())
    return ::testing::AssertionFailure() << "sensor pose differs";
  return ::testing::AssertionSuccess();
}

// FNV-1a over the cloud's bytes: its points, sizes, density, header and sensor pose.
inline std::uint64_t digest(const LidarCloud& c) {
  std::uint64_t h = 1469598103934665603ull;
  auto add = [&h](const void* bytes, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  };
  add(c.points.data(), c.points.size() * sizeof(PointInfo));
  const std::uint64_t sizes[] = {c.points.size(), c.width, c.height, c.is_dense ? 1u : 0u, c.header.seq,
                                 c.header.stamp};
  add(sizes, sizeof sizes);
  add(c.header.frame_id.data(), c.header.frame_id.size());
  add(c.sensor_origin_.data(), 4 * sizeof(float));
  add(c.sensor_orientation_.coeffs().data(), 4 * sizeof(float));
  return h;
}

enum class Keep { All, None, EveryOther };

class FrameRecorder {
public:
  explicit FrameRecorder(Keep keep) : m_Keep(keep) {}

  // Called on the decode thread; returns the index of the frame cloud's record (the
  // selected-points cloud's is the next one).
  std::size_t record(const LidarCloudPtr& frame, const LidarCloudPtr& selected) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    const std::size_t first = m_Digests.size();
    for (const LidarCloudPtr& c : {frame, selected}) {
      m_Digests.push_back(digest(*c));
      m_Sizes.push_back(c->size());
      const bool keep = m_Keep == Keep::All || (m_Keep == Keep::EveryOther && m_Digests.size() % 2 == 1);
      if (keep) m_Kept.push_back({c, CloudCopy(*c)});
    }
    return first;
  }

  TwoCloudCallback callback() {
    return [this](LidarCloudPtr frame, LidarCloudPtr selected, int, int, int, int) { record(frame, selected); };
  }

  std::vector<std::uint64_t> digests() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Digests;
  }
  std::vector<std::size_t> sizes() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Sizes;
  }
  std::size_t frames() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Digests.size() / 2;
  }

  // Every kept cloud as it was handed over.
  ::testing::AssertionResult keptUnchanged() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    for (std::size_t i = 0; i < m_Kept.size(); ++i) {
      const ::testing::AssertionResult same = sameCloud(m_Kept[i].copy, CloudCopy(*m_Kept[i].cloud));
      if (!same) return ::testing::AssertionFailure() << "kept cloud " << i << ": " << same.message();
    }
    return ::testing::AssertionSuccess();
  }

private:
  struct KeptCloud {
    LidarCloudPtr cloud;
    CloudCopy copy;
  };
  Keep m_Keep;
  mutable std::mutex m_Mutex;
  std::vector<std::uint64_t> m_Digests;
  std::vector<std::size_t> m_Sizes;
  std::deque<KeptCloud> m_Kept;
};

inline ::testing::AssertionResult sameDigests(const std::vector<std::uint64_t>& a, const std::vector<std::uint64_t>& b) {
  if (a.size() != b.size()) return ::testing::AssertionFailure() << a.size() << " clouds against " << b.size();
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return ::testing::AssertionFailure() << "cloud " << i << " differs";
  return ::testing::AssertionSuccess();
}

// A consumer on its own thread, as the glue or a viewer would be: it keeps some clouds to
// the end, holds others a little while and lets the rest go at once, all on its thread.
// The repeated last frame at the end of offline data ends it.
class ReleasingConsumer {
public:
  explicit ReleasingConsumer(unsigned seed) : m_Thread([this, seed] { consume(seed); }) {}
  ~ReleasingConsumer() { finish(); }

  TwoCloudCallback callback() {
    return [this](LidarCloudPtr frame, LidarCloudPtr selected, int, int, int, int) {
      std::lock_guard<std::mutex> lock(m_Mutex);
      if (frame == m_LastFrame) {
        m_Ended = true;
      } else {
        m_LastFrame = frame;
        const std::size_t index = m_Recorder.record(frame, selected);
        m_Inbox.emplace_back(index, frame);
        m_Inbox.emplace_back(index + 1, selected);
      }
      m_Wake.notify_all();
    };
  }

  // Waits for the end of data and for the consumer to let go of all but the kept clouds.
  bool finish() {
    if (m_Thread.joinable()) m_Thread.join();
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_LastFrame.reset();
    return m_Ended;
  }

  const FrameRecorder& recorder() const { return m_Recorder; }

  // After finish(): every kept cloud as it was handed over.
  ::testing::AssertionResult keptUnchanged() const {
    const std::vector<std::uint64_t> digests = m_Recorder.digests();
    if (m_Kept.empty()) return ::testing::AssertionFailure() << "nothing kept";
    for (const auto& k : m_Kept)
      if (digest(*k.second) != digests[k.first]) return ::testing::AssertionFailure() << "cloud " << k.first << " changed";
    return ::testing::AssertionSuccess();
  }

private:
  void consume(unsigned seed) {
    std::mt19937 rng(seed);
    std::deque<LidarCloudPtr> holding;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::unique_lock<std::mutex> lock(m_Mutex);
    while (!(m_Ended && m_Inbox.empty()) && std::chrono::steady_clock::now() < deadline) {
      m_Wake.wait_for(lock, std::chrono::milliseconds(5), [&] { return !m_Inbox.empty() || m_Ended; });
      while (!m_Inbox.empty()) {
        auto entry = std::move(m_Inbox.front());
        m_Inbox.pop_front();
        const unsigned choice = rng() % 4;
        if (choice == 0) m_Kept.push_back(std::move(entry));
        else if (choice == 1) holding.push_back(std::move(entry.second));
      }
      while (holding.size() > 3) holding.pop_front();
    }
  }

  FrameRecorder m_Recorder{Keep::None};
  std::mutex m_Mutex;
  std::condition_variable m_Wake;
  std::deque<std::pair<std::size_t, LidarCloudPtr>> m_Inbox;  // index of the recorder's digest
  std::vector<std::pair<std::size_t, LidarCloudPtr>> m_Kept;
  LidarCloudPtr m_LastFrame;
  bool m_Ended = false;
  std::thread m_Thread;  // last: starts once the rest is there
};

// Plays the packets through a driver offline to the consumer; true when the end of data
// reached it. The callback outlives the driver, as a caller's must.
template <typename Driver, typename PacketList>
bool playOfflineTo(ReleasingConsumer& consumer, PacketList& packets) {
  TwoCloudCallback onFrame = consumer.callback();
  Driver driver;
  driver.SetControllerCallBackFun(&onFrame);
  for (auto& p : packets)
    driver.setOffLineData(p.data(), static_cast<unsigned short>(p.size()), LidarDataType_Point, false, 1);
  driver.setOffLineData(nullptr, 0, LidarDataType_Point, true, 1);
  return consumer.finish();
}

}  // namespace frame_test
