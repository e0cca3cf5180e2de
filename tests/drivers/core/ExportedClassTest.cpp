#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "CoreTestSupport.h"
#include "TestDriver.h"

using coretest::DevicePacket;
using coretest::Message;
using coretest::MessageLog;
using coretest::PointPacket;
using coretest::waitUntil;

namespace {

const Message kNoClass{"Failed to define a Lidar Class!!!\n", 0};

TEST(ExportedClass, BareObjectReportsOrStaysSilentPerExport) {
  struct Row {
    const char* name;
    std::function<std::string(GetLidarDataDll&)> call;
    std::string result;
    bool reports;
  };
  auto b = [](bool v) { return std::string(v ? "true" : "false"); };
  auto i = [](int v) { return std::to_string(v); };
  std::vector<float> floats = {1, 2, 3, 4};
  int flags[256] = {};
  unsigned char bytes[1206] = {};
  std::function<void(GetLidarDataDll::CloudPtr, GetLidarDataDll::CloudPtr, int, int, int, int)> two;
  const std::vector<Row> rows = {
      {"LidarStart",
       [](GetLidarDataDll& d) {
         d.LidarStart();
         return std::string();
       },
       "", true},
      {"LidarTypeInit",
       [](GetLidarDataDll& d) {
         d.LidarTypeInit(1, 2, "x");
         return std::string();
       },
       "", true},
      {"GetLidarIP", [](GetLidarDataDll& d) { return d.GetLidarIP(); }, "-1", true},
      {"GetComputerIP", [](GetLidarDataDll& d) { return d.GetComputerIP(); }, "-1", true},
      {"GetMacAddress", [](GetLidarDataDll& d) { return d.GetMacAddress(); }, "-1", true},
      {"GetFPGA_Verdion", [](GetLidarDataDll& d) { return d.GetFPGA_Verdion(); }, "-1", true},
      {"GetGPS_Time", [](GetLidarDataDll& d) { return d.GetGPS_Time(); }, "-1", true},
      {"GetGPS_Latitude", [](GetLidarDataDll& d) { return d.GetGPS_Latitude(); }, "-1", true},
      {"GetGPS_Longitude", [](GetLidarDataDll& d) { return d.GetGPS_Longitude(); }, "-1", true},
      {"GetDataPort", [&](GetLidarDataDll& d) { return i(d.GetDataPort()); }, "-1", true},
      {"GetDevPort", [&](GetLidarDataDll& d) { return i(d.GetDevPort()); }, "-1", true},
      {"GetLidarRotateSpeed", [&](GetLidarDataDll& d) { return i(d.GetLidarRotateSpeed()); }, "-1", true},
      {"GetLidarRotateState", [&](GetLidarDataDll& d) { return i(d.GetLidarRotateState()); }, "-1", true},
      {"GetLidarSoureSelection", [&](GetLidarDataDll& d) { return i(d.GetLidarSoureSelection()); }, "-1",
       true},
      {"SendLidarData_UDP", [&](GetLidarDataDll& d) { return b(d.SendLidarData_UDP()); }, "false", true},
      {"SetLidarIP", [&](GetLidarDataDll& d) { return b(d.SetLidarIP("192.168.1.2")); }, "false", true},
      {"SetComputerIP", [&](GetLidarDataDll& d) { return b(d.SetComputerIP("192.168.1.2")); }, "false", true},
      {"SetDataPort", [&](GetLidarDataDll& d) { return b(d.SetDataPort(1)); }, "false", true},
      {"SetDevPort", [&](GetLidarDataDll& d) { return b(d.SetDevPort(1)); }, "false", true},
      {"SetLidarRotateSpeed", [&](GetLidarDataDll& d) { return b(d.SetLidarRotateSpeed(1)); }, "false", true},
      {"SetLidarRotateState", [&](GetLidarDataDll& d) { return b(d.SetLidarRotateState(1)); }, "false", true},
      {"SetLidarSoureSelection", [&](GetLidarDataDll& d) { return b(d.SetLidarSoureSelection(1)); }, "false",
       true},
      {"SetLidarWorkState", [&](GetLidarDataDll& d) { return b(d.SetLidarWorkState(1)); }, "false", true},
      {"SetCalibrationParam",
       [&](GetLidarDataDll& d) { return b(d.SetCalibrationParam(0, 0, false, floats, "", false)); }, "false",
       true},
      {"SetChannelSelection", [&](GetLidarDataDll& d) { return b(d.SetChannelSelection(flags)); }, "false",
       true},
      {"SetEcho_SingleOrDouble", [&](GetLidarDataDll& d) { return b(d.SetEcho_SingleOrDouble(1)); }, "false",
       true},
      {"SetFilteDistanceZero", [&](GetLidarDataDll& d) { return b(d.SetFilteDistanceZero(true)); }, "false",
       true},
      {"SetFiltrationDataParam",
       [&](GetLidarDataDll& d) { return b(d.SetFiltrationDataParam(_FiltrationDataInitParam())); }, "false",
       true},
      {"SetGroupIp", [&](GetLidarDataDll& d) { return b(d.SetGroupIp("224.1.1.2")); }, "false", true},
      {"SetHangleRange", [&](GetLidarDataDll& d) { return b(d.SetHangleRange(0, 10)); }, "false", true},
      {"SetXandrilLineSetParam", [&](GetLidarDataDll& d) { return b(d.SetXandrilLineSetParam(1)); }, "false",
       true},
      {"SetLidarSetParam", [&](GetLidarDataDll& d) { return b(d.SetLidarSetParam(1, &floats)); }, "false",
       true},
      {"SetRGB_TypeSelection", [&](GetLidarDataDll& d) { return b(d.SetRGB_TypeSelection(RGB_Solid, 0)); },
       "false", true},
      {"SetControllerCallBackFun",
       [&](GetLidarDataDll& d) {
         d.SetControllerCallBackFun(&two);
         return std::string();
       },
       "", true},
      {"SetDecCallBackFun",
       [](GetLidarDataDll& d) {
         d.SetDecCallBackFun(nullptr);
         return std::string();
       },
       "", true},
      {"LidarStop",
       [](GetLidarDataDll& d) {
         d.LidarStop();
         return std::string();
       },
       "", false},
      {"setOffLineData",
       [&](GetLidarDataDll& d) {
         d.setOffLineData(bytes, 1206, LidarDataType_Point, false, 1);
         return std::string();
       },
       "", false},
      {"setSelectRange",
       [](GetLidarDataDll& d) {
         d.setSelectRange(true, 0, 0, 0, 1, 1, 1);
         return std::string();
       },
       "", false},
      {"GetLidarPerFrameIsOK", [&](GetLidarDataDll& d) { return b(d.GetLidarPerFrameIsOK()); }, "false",
       false},
      {"GetLidarPerFrameDate", [&](GetLidarDataDll& d) { return i(int(d.GetLidarPerFrameDate().size())); },
       "0", false},
      {"GetLidarPerFrameDatePrt",
       [&](GetLidarDataDll& d) { return b(d.GetLidarPerFrameDatePrt() != nullptr); }, "false", false},
      {"GetDllCurrentTypeVersionDate", [](GetLidarDataDll& d) { return d.GetDllCurrentTypeVersionDate(); },
       "LidarType_XXX_v2.1.1_2023/08/31", false},
  };
  GetLidarDataDll bare;
  MessageLog log;
  bare.SetCallbackMessage(&log.fn);  // reaches the new function at once
  EXPECT_EQ(log.all(), std::vector<Message>{kNoClass});
  GetLidarDataDll copy(bare);  // a copy of a bare object is bare and keeps the callback
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (GetLidarDataDll* d : {&bare, &copy}) {
      log.clear();
      EXPECT_EQ(row.call(*d), row.result);
      EXPECT_EQ(log.all(), row.reports ? std::vector<Message>{kNoClass} : std::vector<Message>{});
    }
  }
  log.clear();
  bare.MessFunction("hello", 7);
  EXPECT_EQ(log.all(), std::vector<Message>{Message("hello\n", 7)});
}

TEST(ExportedClass, CopiesShareOneDecoderUntilTheFirstIsDestroyed) {
  GetLidarDataDll_Test model;
  MessageLog log;
  model.SetCallbackMessage(&log.fn);
  DevicePacket packet;
  packet.lidarIp({10, 1, 2, 3});
  {
    GetLidarDataDll copy(model);
    GetLidarDataDll assigned;
    assigned = model;
    copy.setOffLineData(packet.bytes.data(), 1206, LidarDataType_Device, false, 1);
    EXPECT_EQ(model.GetLidarIP(), "10.1.2.3");
    EXPECT_EQ(assigned.GetLidarIP(), "10.1.2.3");
    EXPECT_EQ(model.GetDllCurrentTypeVersionDate(), "LidarType_Test_v0.0.1_2026/01/01");
  }  // the first copy destroyed stops and frees the decoder
  EXPECT_EQ(TestDecoder::alive.load(), 0);
  log.clear();
  EXPECT_EQ(model.GetLidarIP(), "-1");
  EXPECT_EQ(log.all(), std::vector<Message>{kNoClass});
  EXPECT_EQ(model.testDecoder(), nullptr);

  // Assigning over the last owner of a running decoder stops and frees it.
  const int aliveBefore = TestDecoder::alive.load();
  {
    GetLidarDataDll_Test last;
    last.setOffLineData(packet.bytes.data(), 1206, LidarDataType_Device, false, 1);  // its loop runs
    GetLidarDataDll_Test fresh;
    EXPECT_EQ(TestDecoder::alive.load(), aliveBefore + 2);
    last = fresh;
    EXPECT_EQ(TestDecoder::alive.load(), aliveBefore + 1);
    EXPECT_EQ(last.testDecoder(), fresh.testDecoder());
  }
  EXPECT_EQ(TestDecoder::alive.load(), aliveBefore);
}

// Counts frames; the end of offline data hands the last frame's clouds over once more.
struct FrameCounter {
  std::atomic<int> frames{0};
  std::atomic<int> endCalls{0};
  std::atomic<int> points{0};
  std::atomic<int> framesAtEnd{-1};  // frames handed out before the end-of-data call
  GetLidarDataDll::CloudPtr last;    // decode thread only
  std::function<void(GetLidarDataDll::CloudPtr, GetLidarDataDll::CloudPtr, int, int, int, int)> fn =
      [this](GetLidarDataDll::CloudPtr frame, GetLidarDataDll::CloudPtr, int, int, int, int) {
        if (frame == last) {
          framesAtEnd.store(frames.load());
          ++endCalls;
          return;
        }
        last = frame;
        ++frames;
        points += static_cast<int>(frame->size());
      };
};

TEST(OfflineData, StartsTheDecodeThreadOnceAndDecodesEveryPacketBeforeTheEnd) {
  FrameCounter counter;
  GetLidarDataDll_Test driver;
  driver.SetControllerCallBackFun(&counter.fn);
  TestDecoder* d = driver.testDecoder();

  // A null packet only marks the end, and without the end flag it is refused.
  driver.setOffLineData(nullptr, 0, LidarDataType_Point, true, 1);
  EXPECT_TRUE(d->m_EndOfData.load());
  driver.setOffLineData(nullptr, 1212, LidarDataType_Point, false, 1);
  EXPECT_EQ(d->loopsStarted.load(), 0);
  EXPECT_TRUE(d->m_EndOfData.load());

  PointPacket packet;
  packet.points({{5, 10}, {6, 20}, {0, 30}});
  constexpr int kPackets = 200;
  for (int n = 0; n < kPackets; ++n) {
    driver.setOffLineData(packet.bytes.data(), 1212, LidarDataType_Point, false, 1);
    packet.bytes[TestDecoder::kCountOffset] = 3;  // the driver copied it: reuse is safe
  }
  driver.setOffLineData(nullptr, 0, LidarDataType_Point, true, 1);
  ASSERT_TRUE(waitUntil([&] { return counter.endCalls.load() == 1; }));
  EXPECT_EQ(d->loopsStarted.load(), 1);
  EXPECT_EQ(counter.framesAtEnd.load(), kPackets);
  EXPECT_EQ(counter.frames.load(), kPackets);
  EXPECT_EQ(counter.points.load(), 2 * kPackets);  // the zero distance is dropped
  EXPECT_TRUE(driver.GetLidarPerFrameIsOK());
  driver.GetLidarPerFrameDate();
  EXPECT_FALSE(driver.GetLidarPerFrameIsOK());
}

TEST(OfflineData, OversizedPacketsAreCutToTheOfflineBuffer) {
  GetLidarDataDll_Test driver;
  TestDecoder* d = driver.testDecoder();
  d->m_Running = true;  // no decode loop: the queue stays for inspection
  int offlineArg = -1;
  std::function<void(unsigned char*, int)> onDevice = [&](unsigned char*, int offline) {
    offlineArg = offline;
  };
  driver.SetDecCallBackFun(&onDevice);
  std::vector<unsigned char> big(60000, 0x11);
  driver.setOffLineData(big.data(), 60000, LidarDataType_Point, false, -1);
  std::vector<unsigned char> device(3000, 0x22);
  DevicePacket header;
  std::copy(header.bytes.begin(), header.bytes.begin() + 8, device.begin());
  driver.setOffLineData(device.data(), 3000, LidarDataType_Device, false, 1);

  std::unique_ptr<unsigned char[]> data;
  std::size_t length = 0;
  ASSERT_TRUE(d->popPacket(data, length));
  EXPECT_EQ(length, 56280u);
  EXPECT_EQ(data[56279], 0x11);
  ASSERT_TRUE(d->popPacket(data, length));
  EXPECT_EQ(length, 3000u);  // the queue keeps the whole packet; the device buffer is cut
  EXPECT_EQ(d->devicePacketCopy()[1215], 0x22);
  EXPECT_EQ(driver.GetLidarRotateSpeed(), 0x2222);
  EXPECT_EQ(offlineArg, 1);  // an offline device packet says so
  EXPECT_EQ(d->m_OfflineStep, 1);
  EXPECT_EQ(d->loopsStarted.load(), 0);
}

// Sends point packets to a driver's data port from a thread of its own.
struct PacketSender {
  std::atomic<bool> stop{false};
  std::thread thread;
  PacketSender(std::uint16_t port, const std::vector<unsigned char>& bytes) {
    thread = std::thread([this, port, bytes] {
      lumivar::UdpSocket socket;
      socket.open();
      while (!stop.load()) {
        socket.sendTo("127.0.0.1", port, bytes.data(), bytes.size());
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });
  }
  ~PacketSender() {
    stop = true;
    thread.join();
  }
};

TEST(LiveRun, FramesAndDevicePacketsArriveOverLoopbackAcrossRestarts) {
  // The caller's functions outlive the driver.
  FrameCounter counter;
  std::atomic<int> deviceCalls{0};
  std::function<void(unsigned char*, int)> onDevice = [&](unsigned char*, int offline) {
    EXPECT_EQ(offline, 0);
    ++deviceCalls;
  };
  MessageLog log;
  GetLidarDataDll_Test driver;
  driver.SetCallbackMessage(&log.fn);
  driver.SetControllerCallBackFun(&counter.fn);
  driver.SetDecCallBackFun(&onDevice);
  const std::uint16_t dataPort = coretest::freeUdpPort();
  const std::uint16_t devPort = coretest::freeUdpPort();
  driver.LidarTypeInit(dataPort, devPort, "127.0.0.1");
  TestDecoder* d = driver.testDecoder();
  {
    PointPacket packet;
    packet.points({{5, 10}});
    PacketSender sender(dataPort, packet.bytes);
    for (int cycle = 0; cycle < 4; ++cycle) {
      SCOPED_TRACE(cycle);
      driver.LidarStart();  // right after a stop: the old threads end first, the ports bind again
      const int before = counter.frames.load();
      ASSERT_TRUE(waitUntil([&] { return counter.frames.load() > before + 5; }));
      driver.LidarStop();
    }
  }
  // A device packet arrives while point data keeps flowing.
  driver.LidarStart();
  {
    PointPacket packet;
    packet.points({{5, 10}});
    PacketSender sender(dataPort, packet.bytes);
    DevicePacket device;
    device.lidarIp({127, 0, 0, 1});
    lumivar::UdpSocket socket;
    socket.open();
    socket.sendTo("127.0.0.1", devPort, device.bytes.data(), device.bytes.size());
    ASSERT_TRUE(waitUntil([&] { return deviceCalls.load() > 0; }));
  }
  EXPECT_EQ(driver.GetLidarIP(), "127.0.0.1");
  d->stopAndWait();
  EXPECT_EQ(d->maxLoopsRunning.load(), 1);
  EXPECT_EQ(d->loopsStarted.load(), 5);
  EXPECT_EQ(log.withCode(10001).size() + log.withCode(10002).size(), 0u);
}

TEST(LiveRun, DestroyedWhileBothThreadsRunAndFramesFlow) {
  for (int round = 0; round < 3; ++round) {
    FrameCounter counter;
    const std::uint16_t dataPort = coretest::freeUdpPort();
    PointPacket packet;
    packet.points({{5, 10}, {7, 1}});
    PacketSender sender(dataPort, packet.bytes);
    {
      GetLidarDataDll_Test driver;
      driver.SetControllerCallBackFun(&counter.fn);
      driver.LidarTypeInit(dataPort, coretest::freeUdpPort(), "127.0.0.1");
      driver.LidarStart();
      ASSERT_TRUE(waitUntil([&] { return counter.frames.load() > 3; }));
      // Offline packets from the caller's thread at the same time.
      for (int n = 0; n < 20; ++n)
        driver.setOffLineData(packet.bytes.data(), 1212, LidarDataType_Point, false, 1);
    }  // the destructor waits for both threads before freeing anything
    const int after = counter.frames.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(counter.frames.load(), after);  // nothing runs on after destruction
  }
}

TEST(LiveRun, OfflineRestartRightAfterStopNeverRunsTwoLoops) {
  GetLidarDataDll_Test driver;
  TestDecoder* d = driver.testDecoder();
  PointPacket packet;
  packet.points({{5, 10}});
  for (int cycle = 0; cycle < 20; ++cycle) {
    driver.setOffLineData(packet.bytes.data(), 1212, LidarDataType_Point, false, 1);
    driver.LidarStop();
  }
  d->stopAndWait();
  EXPECT_EQ(d->loopsStarted.load(), 20);
  EXPECT_EQ(d->maxLoopsRunning.load(), 1);
}

}  // namespace
