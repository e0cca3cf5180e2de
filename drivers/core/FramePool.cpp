#include "FramePool.h"

#include <utility>

struct FramePool::Shelf {
  std::mutex mutex;
  std::vector<std::unique_ptr<Cloud>> clouds;  // released, not yet cleared
  std::size_t capacity;
  bool open = true;
  explicit Shelf(std::size_t n) : capacity(n) { clouds.reserve(n); }
};

namespace {

// Everything but the point memory as in a new cloud: a holder may have changed the header,
// the sensor pose or the sizes.
void makeEmpty(FramePool::Cloud& cloud) {
  decltype(cloud.points) memory;
  memory.swap(cloud.points);
  cloud = FramePool::Cloud();
  memory.clear();
  cloud.points.swap(memory);
}

}  // namespace

FramePool::FramePool(std::size_t shelfSize) : m_Shelf(std::make_shared<Shelf>(shelfSize)) {}

FramePool::~FramePool() {
  std::vector<std::unique_ptr<Cloud>> dropped;
  std::lock_guard<std::mutex> lock(m_Shelf->mutex);
  m_Shelf->open = false;
  dropped.swap(m_Shelf->clouds);
}

void FramePool::ReturnToShelf::operator()(Cloud* cloud) const {
  std::unique_ptr<Cloud> owned(cloud);
  std::lock_guard<std::mutex> lock(shelf->mutex);
  if (shelf->open && shelf->clouds.size() < shelf->capacity) shelf->clouds.push_back(std::move(owned));
  // otherwise freed here, after the lock is released
}

FramePool::CloudPtr FramePool::take(std::size_t points) {
  const auto farLarger = [points](const std::unique_ptr<Cloud>& c) {
    return c->points.capacity() > 2 * points + kSlackPoints;
  };
  std::unique_ptr<Cloud> cloud;
  std::vector<std::unique_ptr<Cloud>> dropped;  // freed after the lock
  {
    std::lock_guard<std::mutex> lock(m_Shelf->mutex);
    auto& shelved = m_Shelf->clouds;
    // Memory of an outsized frame is not kept for frames of the usual size.
    for (auto it = shelved.begin(); it != shelved.end();) {
      if (farLarger(*it)) {
        dropped.push_back(std::move(*it));
        it = shelved.erase(it);
      } else {
        ++it;
      }
    }
    // The smallest one with room enough, else the roomiest.
    auto best = shelved.end();
    for (auto it = shelved.begin(); it != shelved.end(); ++it) {
      if (best == shelved.end()) {
        best = it;
        continue;
      }
      const std::size_t have = (*it)->points.capacity(), kept = (*best)->points.capacity();
      const bool fits = have >= points, keptFits = kept >= points;
      if ((fits && (!keptFits || have < kept)) || (!fits && !keptFits && have > kept)) best = it;
    }
    if (best != shelved.end()) {
      cloud = std::move(*best);
      shelved.erase(best);
    }
  }
  if (cloud) makeEmpty(*cloud);
  else cloud.reset(new Cloud);
  cloud->points.reserve(points);
  return CloudPtr(cloud.release(), ReturnToShelf{m_Shelf});
}

std::size_t FramePool::shelved() const {
  std::lock_guard<std::mutex> lock(m_Shelf->mutex);
  return m_Shelf->clouds.size();
}
