// Frame clouds for the decode thread. A handed frame belongs to its holders; when the last
// one lets go (on any thread) the cloud comes back here with its point memory, so the next
// frame is written into memory already mapped instead of fresh pages grown point by point.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "LidarRecords.h"

class FramePool {
public:
  using Cloud = pcl::PointCloud<PointInfo>;
  using CloudPtr = Cloud::Ptr;

  // Keeps at most `shelfSize` released clouds; more are freed.
  explicit FramePool(std::size_t shelfSize = kDefaultShelfSize);
  ~FramePool();  // clouds still held elsewhere are freed when their last holder lets go
  FramePool(const FramePool&) = delete;
  FramePool& operator=(const FramePool&) = delete;

  // An empty cloud, as a new one would be, with room for at least `points` points. Shelved
  // point memory far larger than asked for is given back rather than kept.
  CloudPtr take(std::size_t points);

  std::size_t shelved() const;  // released clouds waiting to be taken again

  static constexpr std::size_t kDefaultShelfSize = 4;
  static constexpr std::size_t kSlackPoints = 4096;  // kept beyond twice the request

private:
  struct Shelf;
  struct ReturnToShelf {
    std::shared_ptr<Shelf> shelf;
    void operator()(Cloud* cloud) const;
  };
  std::shared_ptr<Shelf> m_Shelf;
};
