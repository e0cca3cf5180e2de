// The nine single-model driver libraries loaded with dlopen and driven through their C
// entry: names, device-information offsets, offline frames and a live run over loopback UDP.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LidarDriverInterface.h"
#include "PacketBuilder.h"
#include "UdpSocket.h"

using namespace single_model_test;
using namespace std::chrono_literals;

namespace {

class LoadedDriver {
public:
  explicit LoadedDriver(const std::string& library) {
    const char* dir = std::getenv("LUMIVAR_DRIVER_DIR");
    const std::string path = std::string(dir ? dir : ".") + "/lib" + library + ".so";
    m_Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_Handle) {
      ADD_FAILURE() << dlerror();
      return;
    }
    auto create = reinterpret_cast<LumivarCreateDriverFn>(dlsym(m_Handle, LUMIVAR_CREATE_DRIVER_SYMBOL));
    m_Destroy = reinterpret_cast<LumivarDestroyDriverFn>(dlsym(m_Handle, LUMIVAR_DESTROY_DRIVER_SYMBOL));
    if (create && m_Destroy) m_Driver = create();
  }
  // Left loaded: clouds made inside the library may outlive the test's last call into it.
  ~LoadedDriver() {
    if (m_Driver) m_Destroy(m_Driver);
  }
  ILidarDriver* operator->() const { return m_Driver; }
  explicit operator bool() const { return m_Driver != nullptr; }

private:
  void* m_Handle = nullptr;
  LumivarDestroyDriverFn m_Destroy = nullptr;
  ILidarDriver* m_Driver = nullptr;
};

// Frames from the decode thread.
struct Collector {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::size_t> frameSizes;
  ILidarDriver::TwoCloudFn onFrame = [this](ILidarDriver::CloudPtr cloud, ILidarDriver::CloudPtr, int, int, int,
                                            int) {
    std::lock_guard<std::mutex> lock(mutex);
    frameSizes.push_back(cloud->size());
    changed.notify_all();
  };
  // End-of-data calls of the shared-vector form that got a vector rather than null.
  int sharedEnds = 0;
  ILidarDriver::SharedVectorFn onSharedVector = [this](std::shared_ptr<std::vector<_MuchLidarData>> v, int status) {
    std::lock_guard<std::mutex> lock(mutex);
    if (status == 2 && v && v->empty()) ++sharedEnds;
  };
  bool waitFor(std::size_t frames) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, 10s, [&] { return frameSizes.size() >= frames; });
  }
};

// One point record then a frame marker, in each model's layout.
PacketBuilder sembrelPacket() { return PacketBuilder(kShortPacket).record7(0, 1, 4500, 256000, 9).marker7(1); }
PacketBuilder tailTimePacket() {
  return PacketBuilder(kLongPacket).record7(0, 1, 4500, 256000, 9).marker7(1).tailSeconds(100, 0);
}
PacketBuilder mirrorPacket() {
  return PacketBuilder(kShortPacket).mirror8(0, 100, 1, 0, 10000, 9).marker8(1).scanSeconds(1194, 100, 0);
}
PacketBuilder fenwyrPacket() {
  return PacketBuilder(kShortPacket).wedge8(0, 100, 100, 1, 10000, 9).marker8(1).scanSeconds(1194, 100, 0);
}
PacketBuilder tiskarPacket() {
  PacketBuilder p(kLongPacket);
  p.blocksOutside();
  // One block per sub-frame channel: each frame keeps the five returns of one of them.
  for (int c = 0; c < 5; ++c) p.block23(c, c, 1000, 1000, 9);
  for (int m = 5; m < 10; ++m) p.marker23(m);
  return p.scanSeconds(1200, 100, 0);
}

struct Model {
  const char* library;
  const char* name;  // type key, version and date
  std::function<PacketBuilder()> packet;
  std::size_t pointsPerFrame;
  int gpsTimeOffset;
  int rotateStateOffset;
  int gpsPositionOffset;
};

const Model kModels[] = {
    {"LidarDriverSembrel", "LidarType_Sembrel_v3.1.0_2023/08/31", sembrelPacket, 1, 36, 46, 212},
    {"LidarDriverSembrelWide", "LidarType_Sembrel_WideAngle_v3.1.0_2023/08/31", sembrelPacket, 1, 36, 46, 212},
    {"LidarDriverHestin", "LidarType_Hestin_v1.1.0_2023/08/31", tailTimePacket, 1, 52, 40, 58},
    {"LidarDriverYorbek", "LidarType_Yorbek_v1.0.0_2023/11/18", tailTimePacket, 1, 52, 40, 58},
    {"LidarDriverDrovik", "LidarType_Drovik_v1.0.0_2023/08/31", tailTimePacket, 1, 52, 40, 58},
    {"LidarDriverUlmeth", "LidarType_Ulmeth_v3.0.0_2024/08/29", mirrorPacket, 1, 52, 40, 58},
    {"LidarDriverCoravel", "LidarType_Yarrel_v3.0.0_2024/08/29", mirrorPacket, 1, 52, 40, 58},
    {"LidarDriverFenwyr", "LidarType_Fenwyr_v3.0.0_2024/08/29", fenwyrPacket, 1, 52, 40, 58},
    {"LidarDriverTiskar", "LidarType_Tiskar_v3.0.0_2024/09/05", tiskarPacket, 5, 52, 40, 58},
};

TEST(SingleModelLibraries, NameOffsetsAndOfflineFrames) {
  for (const Model& model : kModels) {
    SCOPED_TRACE(model.library);
    LoadedDriver driver(model.library);
    ASSERT_TRUE(driver);
    EXPECT_EQ(driver->GetDllCurrentTypeVersionDate(), model.name);

    // The GPS time is read where this model keeps it.
    PacketBuilder dev = devicePacket();
    dev.u8(36, 23).u8(37, 8).u8(38, 31).u8(39, 1).u8(40, 2).u8(41, 3);
    dev.u8(52, 24).u8(53, 9).u8(54, 5).u8(55, 4).u8(56, 5).u8(57, 6);
    Collector frames;
    driver->SetTwoCloudCallback(&frames.onFrame);
    driver->SetSharedVectorCallback(&frames.onSharedVector);
    driver->setOffLineData(const_cast<unsigned char*>(dev.data()), 1206, LidarDataType_Device, false, 1);
    EXPECT_EQ(driver->GetGPS_Time(), model.gpsTimeOffset == 36 ? "2023/8/31 1:2:3" : "2024/9/5 4:5:6");
    // So are the rotate state and the GPS position (text, then the two suffixes 20 on).
    struct Position {
      int offset;
      const char* latitude;
      const char* longitude;
      char suffixes[2];
    };
    for (const Position& at : {Position{58, "1111.1111N", "22222.2222", {'A', 'B'}},
                               Position{212, "3333.3333S", "44444.4444", {'C', 'D'}}}) {
      for (int i = 0; i < 10; ++i) dev.u8(at.offset + i, at.latitude[i]).u8(at.offset + 10 + i, at.longitude[i]);
      dev.u8(at.offset + 20, at.suffixes[0]).u8(at.offset + 21, at.suffixes[1]);
    }
    dev.be16(40, 0x0102).be16(46, 0x0304);
    driver->setOffLineData(const_cast<unsigned char*>(dev.data()), 1206, LidarDataType_Device, false, 1);
    const bool own = model.gpsPositionOffset == 212;
    EXPECT_EQ(driver->GetGPS_Latitude(), own ? "3333.3333SC" : "1111.1111NA");
    EXPECT_EQ(driver->GetGPS_Longitude(), own ? "44444.4444D" : "22222.2222B");
    EXPECT_EQ(driver->GetLidarRotateState(), model.rotateStateOffset == 46 ? 0x0304 : 0x0102);

    // Two frames, then the end of the data repeats the last one; the shared-vector form,
    // called just before, gets an empty vector rather than null.
    PacketBuilder p = model.packet();
    for (int n = 0; n < 2; ++n)
      driver->setOffLineData(const_cast<unsigned char*>(p.data()), static_cast<unsigned short>(p.size()),
                             LidarDataType_Point, false, 1);
    driver->setOffLineData(nullptr, 0, LidarDataType_Point, true, 1);
    ASSERT_TRUE(frames.waitFor(3));
    std::lock_guard<std::mutex> lock(frames.mutex);
    EXPECT_EQ(frames.frameSizes,
              (std::vector<std::size_t>{model.pointsPerFrame, model.pointsPerFrame, model.pointsPerFrame}));
    EXPECT_EQ(frames.sharedEnds, 1);
  }
}

std::uint16_t freePort() {
  lumivar::UdpSocket s;
  return s.open() && s.bindAny(0) ? s.localPort() : 0;
}

TEST(SingleModelLibraries, LivePacketsOverLoopback) {
  LoadedDriver driver("LidarDriverHestin");
  ASSERT_TRUE(driver);
  Collector frames;
  driver->SetTwoCloudCallback(&frames.onFrame);
  const std::uint16_t dataPort = freePort(), devPort = freePort();
  ASSERT_NE(dataPort, 0);
  ASSERT_NE(devPort, 0);
  driver->LidarTypeInit(dataPort, devPort, "127.0.0.1");
  driver->LidarStart();
  lumivar::UdpSocket sender;
  ASSERT_TRUE(sender.open());
  const PacketBuilder p = tailTimePacket();
  // Datagrams may be sent before the receiver listens: send until frames arrive.
  for (int n = 0; n < 200; ++n) {
    sender.sendTo("127.0.0.1", dataPort, p.data(), p.size());
    std::unique_lock<std::mutex> lock(frames.mutex);
    if (frames.changed.wait_for(lock, 20ms, [&] { return frames.frameSizes.size() >= 2; })) break;
  }
  driver->LidarStop();
  std::lock_guard<std::mutex> lock(frames.mutex);
  ASSERT_GE(frames.frameSizes.size(), 2u);
  EXPECT_EQ(frames.frameSizes[1], 1u);
}

}  // namespace
