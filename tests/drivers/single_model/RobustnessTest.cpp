// Random packets through every single-model decoder (run under ASan/UBSan), and the
// exported classes fed offline while the caller's thread changes settings.
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

// Offline packets decoded on the driver's thread while this thread changes its settings
// (the race itself is ThreadSanitizer's to find). Every packet starts with a frame marker,
// which is record 0 of every layout, and every echo setting used walks every packet: each
// packet must hand over a frame (Tiskar: every fifth), and the end of the data comes once,
// after them.
template <typename Driver>
void feedWhileChangingSettings(std::uint32_t seed, int packetsPerFrame) {
  std::mt19937 rng(seed);
  Driver driver;
  std::atomic<int> frames{0}, ends{0}, framesAtEnd{-1};
  GetLidarDataDll::CloudPtr last;  // decode thread only
  std::function<void(GetLidarDataDll::CloudPtr, GetLidarDataDll::CloudPtr, int, int, int, int)> onFrame =
      [&](GetLidarDataDll::CloudPtr frame, GetLidarDataDll::CloudPtr, int, int, int, int) {
        if (frame == last) {  // the end of the data hands the last frame over again
          framesAtEnd = frames.load();
          ++ends;
          return;
        }
        last = frame;
        ++frames;
      };
  driver.SetControllerCallBackFun(&onFrame);
  constexpr int kPackets = 150;
  const unsigned char marker[] = {0xFF, 0xAA, 0xBB, 0xCC, 0xDD};
  for (int n = 0; n < kPackets; ++n) {
    if (n % 15 == 0) {
      driver.SetEcho_SingleOrDouble(static_cast<int>(rng() % 2));
      driver.SetHangleRange(-360.f, static_cast<float>(rng() % 360));
      int flags[256];
      for (int& f : flags) f = static_cast<int>(rng() % 2);
      driver.SetChannelSelection(flags);
      driver.SetXandrilLineSetParam(static_cast<int>(rng() % 2));
    }
    std::vector<unsigned char> p(1212);
    for (auto& b : p) b = static_cast<unsigned char>(rng() & 0xFF);
    for (int k = 0; k < 6; ++k) {
      const std::size_t at = k == 0 ? 0 : 23 * (rng() % 40);
      std::copy(marker, marker + 5, p.begin() + static_cast<std::ptrdiff_t>(at));
    }
    driver.setOffLineData(p.data(), static_cast<unsigned short>(p.size()), LidarDataType_Point, false, 1);
  }
  driver.setOffLineData(nullptr, 0, LidarDataType_Point, true, 1);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (ends.load() == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // room for a stray second end
  EXPECT_EQ(ends.load(), 1);
  EXPECT_GE(framesAtEnd.load(), kPackets / packetsPerFrame);
  EXPECT_EQ(framesAtEnd.load(), frames.load());  // nothing after the end
}

TEST(SingleModelRobustness, OfflineFeedWithSettingsChangedMeanwhile) {
  feedWhileChangingSettings<GetLidarDataDll_Sembrel>(11, 1);
  feedWhileChangingSettings<GetLidarDataDll_Sembrel_WideAngle>(12, 1);
  feedWhileChangingSettings<GetLidarDataDll_Hestin>(13, 1);
  feedWhileChangingSettings<GetLidarDataDll_Yorbek>(14, 1);
  feedWhileChangingSettings<GetLidarDataDll_Drovik>(15, 1);
  feedWhileChangingSettings<GetLidarDataDll_Ulmeth>(16, 1);
  feedWhileChangingSettings<GetLidarDataDll_Coravel>(17, 1);
  feedWhileChangingSettings<GetLidarDataDll_Fenwyr>(18, 1);
  feedWhileChangingSettings<GetLidarDataDll_Tiskar>(19, 5);
}

}  // namespace
