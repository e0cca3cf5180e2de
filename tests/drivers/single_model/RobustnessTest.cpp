// Random packets through every single-model decoder (run under ASan/UBSan), and the
// exported classes fed offline while the caller's thread changes settings (run under TSan).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "DecoderHarness.h"
#include "SeededStream.h"
#include "GetLidarDataDll_Coravel.h"
#include "GetLidarDataDll_Drovik.h"
#include "GetLidarDataDll_Fenwyr.h"
#include "GetLidarDataDll_Hestin.h"
#include "GetLidarDataDll_Sembrel.h"
#include "GetLidarDataDll_Sembrel_WideAngle.h"
#include "GetLidarDataDll_Tiskar.h"
#include "GetLidarDataDll_Ulmeth.h"
#include "GetLidarDataDll_Yorbek.h"
#include "LIDAR_Coravel.h"
#include "LIDAR_Drovik.h"
#include "LIDAR_Fenwyr.h"
#include "LIDAR_Hestin.h"
#include "LIDAR_Sembrel.h"
#include "LIDAR_Sembrel_WideAngle.h"
#include "LIDAR_Tiskar.h"
#include "LIDAR_Ulmeth.h"
#include "LIDAR_Yorbek.h"

using namespace single_model_test;

namespace {

template <typename Decoder>
void feedRandomPackets(std::uint32_t seed) {
  Harness<Decoder> h;
  std::size_t checked = 0;
  randomPacketStream(seed, h.decoder, [&](const PacketBuilder& p) {
    h.feed(p);
    for (; checked < h.frames.size(); ++checked) {
      const LidarCloud& f = *h.frames[checked].cloud;
      EXPECT_EQ(f.width, f.size());
      EXPECT_EQ(f.height, f.empty() ? f.height : 1u);
    }
  });
}

TEST(SingleModelRobustness, RandomPacketsNeverBreakADecoder) {
  feedRandomPackets<LIDAR_Sembrel>(1);
  feedRandomPackets<LIDAR_Sembrel_WideAngle>(2);
  feedRandomPackets<LIDAR_Hestin>(3);
  feedRandomPackets<LIDAR_Yorbek>(4);
  feedRandomPackets<LIDAR_Drovik>(5);
  feedRandomPackets<LIDAR_Ulmeth>(6);
  feedRandomPackets<LIDAR_Coravel>(7);
  feedRandomPackets<LIDAR_Fenwyr>(8);
  feedRandomPackets<LIDAR_Tiskar>(9);
}

// Offline packets decoded on the driver's thread while this thread changes its settings.
template <typename Driver>
void feedWhileChangingSettings(std::uint32_t seed) {
  std::mt19937 rng(seed);
  Driver driver;
  std::atomic<int> frames{0};
  std::function<void(GetLidarDataDll::CloudPtr, GetLidarDataDll::CloudPtr, int, int, int, int)> onFrame =
      [&](GetLidarDataDll::CloudPtr, GetLidarDataDll::CloudPtr, int, int, int, int) { ++frames; };
  driver.SetControllerCallBackFun(&onFrame);
  for (int n = 0; n < 150; ++n) {
    if (n % 15 == 0) {
      driver.SetEcho_SingleOrDouble(static_cast<int>(rng() % 4));
      driver.SetHangleRange(-360.f, static_cast<float>(rng() % 360));
      int flags[256];
      for (int& f : flags) f = static_cast<int>(rng() % 2);
      driver.SetChannelSelection(flags);
      driver.SetXandrilLineSetParam(static_cast<int>(rng() % 2));
    }
    std::vector<unsigned char> p(1212);
    for (auto& b : p) b = static_cast<unsigned char>(rng() & 0xFF);
    for (int k = 0; k < 6; ++k) {
      const std::size_t at = 23 * (rng() % 40);
      const unsigned char marker[] = {0xFF, 0xAA, 0xBB, 0xCC, 0xDD};
      std::copy(marker, marker + 5, p.begin() + static_cast<std::ptrdiff_t>(at));
    }
    driver.setOffLineData(p.data(), static_cast<unsigned short>(p.size()), LidarDataType_Point, false, 1);
  }
  driver.setOffLineData(nullptr, 0, LidarDataType_Point, true, 1);
  // The end of the data is announced once the queue is drained.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (frames.load() == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_GT(frames.load(), 0);
}

TEST(SingleModelRobustness, OfflineFeedWithSettingsChangedMeanwhile) {
  feedWhileChangingSettings<GetLidarDataDll_Sembrel>(11);
  feedWhileChangingSettings<GetLidarDataDll_Sembrel_WideAngle>(12);
  feedWhileChangingSettings<GetLidarDataDll_Hestin>(13);
  feedWhileChangingSettings<GetLidarDataDll_Yorbek>(14);
  feedWhileChangingSettings<GetLidarDataDll_Drovik>(15);
  feedWhileChangingSettings<GetLidarDataDll_Ulmeth>(16);
  feedWhileChangingSettings<GetLidarDataDll_Coravel>(17);
  feedWhileChangingSettings<GetLidarDataDll_Fenwyr>(18);
  feedWhileChangingSettings<GetLidarDataDll_Tiskar>(19);
}

}  // namespace
