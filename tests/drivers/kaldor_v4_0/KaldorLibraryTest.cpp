// The driver library loaded with dlopen and driven through its C entry: packets fed offline
// and over UDP on loopback come back as frames through the two-cloud callback.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "KaldorPacketBuilder.h"
#include "LidarDriverInterface.h"
#include "UdpSocket.h"

using namespace kaldor_test;
using namespace std::chrono_literals;

namespace {

class LoadedDriver {
public:
  LoadedDriver() {
    const char* dir = std::getenv("LUMIVAR_DRIVER_DIR");
    const std::string path = std::string(dir ? dir : ".") + "/libLidarDriverKaldor.so";
    m_Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_Handle) {
      ADD_FAILURE() << dlerror();
      return;
    }
    m_Create = reinterpret_cast<LumivarCreateDriverFn>(dlsym(m_Handle, LUMIVAR_CREATE_DRIVER_SYMBOL));
    m_Destroy = reinterpret_cast<LumivarDestroyDriverFn>(dlsym(m_Handle, LUMIVAR_DESTROY_DRIVER_SYMBOL));
    if (m_Create && m_Destroy) m_Driver = m_Create();
  }
  ~LoadedDriver() {
    if (m_Driver) m_Destroy(m_Driver);
    if (m_Handle) dlclose(m_Handle);
  }
  ILidarDriver* operator->() const { return m_Driver; }
  explicit operator bool() const { return m_Driver != nullptr; }

private:
  void* m_Handle = nullptr;
  LumivarCreateDriverFn m_Create = nullptr;
  LumivarDestroyDriverFn m_Destroy = nullptr;
  ILidarDriver* m_Driver = nullptr;
};

struct FrameInfo {
  std::size_t points;
  int status, returnMode, model;
  float maxH;
};

// Frames and messages collected from the decode and receive threads.
struct Collector {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<FrameInfo> frames;
  int endOfData = 0;
  int sharedEnds = 0;  // end-of-data calls of the shared-vector callback with an empty vector
  int timeMessages = 0;
  int devicePackets = 0;

  ILidarDriver::TwoCloudFn onFrame = [this](ILidarDriver::CloudPtr cloud, ILidarDriver::CloudPtr, int status,
                                            int mode, int model, int) {
    float maxH = 0.f;
    for (const auto& p : cloud->points) maxH = std::max(maxH, p.H_angle);
    std::lock_guard<std::mutex> lock(mutex);
    frames.push_back({cloud->size(), status, mode, model, maxH});
    changed.notify_all();
  };
  ILidarDriver::VectorFn onVector = [this](std::vector<_MuchLidarData>, int status) {
    std::lock_guard<std::mutex> lock(mutex);
    if (status == 2) ++endOfData;
    changed.notify_all();
  };
  ILidarDriver::SharedVectorFn onSharedVector = [this](std::shared_ptr<std::vector<_MuchLidarData>> v, int status) {
    std::lock_guard<std::mutex> lock(mutex);
    if (status == 2 && v && v->empty()) ++sharedEnds;
    changed.notify_all();
  };
  ILidarDriver::MessageFn onMessage = [this](std::string, int code) {
    std::lock_guard<std::mutex> lock(mutex);
    if (code == 50) ++timeMessages;
    changed.notify_all();
  };
  ILidarDriver::DeviceFn onDevice = [this](unsigned char*, int offline) {
    std::lock_guard<std::mutex> lock(mutex);
    if (offline == 0) ++devicePackets;
    changed.notify_all();
  };

  template <typename Pred>
  bool waitFor(Pred pred, std::chrono::seconds limit = 20s) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, limit, pred);
  }
};

std::uint16_t freePort() {
  lumivar::UdpSocket s;
  if (!s.open() || !s.bindAny(0)) return 0;
  return s.localPort();
}

}  // namespace

TEST(KaldorLibrary, OfflinePacketsBecomeFramesThenEndOfData) {
  Collector c;  // outlives the driver, whose threads call it
  LoadedDriver driver;
  ASSERT_TRUE(driver);
  EXPECT_EQ(driver->GetDllCurrentTypeVersionDate(), "LidarType_Kaldor_v4_0_v4.1.2_2024/09/05");
  driver->SetTwoCloudCallback(&c.onFrame);
  driver->SetVectorCallback(&c.onVector);
  driver->SetSharedVectorCallback(&c.onSharedVector);

  // Three turns at 0.2 degrees per block, queued far faster than they are decoded.
  auto packets = rotationPackets(32, kSingle, 450);
  for (auto& p : packets) driver->setOffLineData(p.data(), static_cast<unsigned short>(p.size()), LidarDataType_Point, false, 1);
  driver->setOffLineData(nullptr, 0, LidarDataType_Point, true, 1);
  // The vector callback reports the end first, then the two-cloud one repeats the last frame.
  // The shared-vector form gets a vector, never a null pointer.
  ASSERT_TRUE(c.waitFor([&] { return c.endOfData == 1 && c.sharedEnds == 1 && c.frames.size() >= 4; }));

  std::lock_guard<std::mutex> lock(c.mutex);
  // One frame per pass of 90 degrees, all decoded before the end; then the last one again.
  ASSERT_EQ(c.frames.size(), 4u);
  EXPECT_EQ(c.frames[1].points, 1800u * 32);
  EXPECT_EQ(c.frames[2].points, 1800u * 32);
  EXPECT_EQ(c.frames[3].points, c.frames[2].points);
  for (const FrameInfo& f : c.frames) {
    EXPECT_EQ(f.status, 1);
    EXPECT_EQ(f.returnMode, kSingle);
    EXPECT_EQ(f.model, 32);
  }
}

TEST(KaldorLibrary, LivePacketsOverLoopback) {
  const std::uint16_t dataPort = freePort(), devPort = freePort();
  ASSERT_NE(dataPort, 0);
  ASSERT_NE(devPort, 0);
  Collector c;
  LoadedDriver driver;
  ASSERT_TRUE(driver);
  driver->SetTwoCloudCallback(&c.onFrame);
  driver->SetCallbackMessage(&c.onMessage);
  driver->SetDecCallBackFun(&c.onDevice);
  driver->SetEcho_SingleOrDouble(0);
  driver->LidarTypeInit(dataPort, devPort, "127.0.0.1");
  driver->LidarStart();

  lumivar::UdpSocket sender;
  ASSERT_TRUE(sender.open());
  auto packets = rotationPackets(69, kDual, 900);  // three turns in dual return
  ASSERT_EQ(sender.sendTo("127.0.0.1", dataPort, packets[0].data(), packets[0].size()), 1212);
  ASSERT_TRUE(c.waitFor([&] { return c.timeMessages >= 1; }));
  // The sensor reports a split at 180.00 degrees.
  const auto dev = devicePacket(18000, 0);
  ASSERT_EQ(sender.sendTo("127.0.0.1", devPort, dev.data(), dev.size()), 1206);
  ASSERT_TRUE(c.waitFor([&] { return c.devicePackets >= 1; }));
  for (std::size_t i = 1; i < packets.size(); ++i) {
    ASSERT_EQ(sender.sendTo("127.0.0.1", dataPort, packets[i].data(), packets[i].size()), 1212);
    if (i % 10 == 0) std::this_thread::sleep_for(1ms);  // stay well inside the socket buffer
  }
  ASSERT_TRUE(c.waitFor([&] { return c.frames.size() >= 3; }));
  driver->LidarStop();

  std::lock_guard<std::mutex> lock(c.mutex);
  EXPECT_GT(c.frames[0].maxH, 179.f);
  EXPECT_LE(c.frames[0].maxH, 180.f);
  EXPECT_EQ(c.frames[1].points, 1800u * 32 * 2);  // a turn of block pairs, two echoes each
  for (const FrameInfo& f : c.frames) {
    EXPECT_EQ(f.returnMode, kDual);
    EXPECT_EQ(f.model, 69);
  }
}
