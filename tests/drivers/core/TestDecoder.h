// A minimal model decoder for the core's tests: every point packet becomes one frame.
// Test packet layout (1212 bytes): byte 8 point count, byte 9 packet second, then for
// point i byte 16 + i its distance in metres and byte 48 + i its intensity.
#pragma once

#include <atomic>
#include <cstddef>

#include "LIDAR_Template.h"

class TestDecoder : public LIDAR_Template {
public:
  static constexpr std::size_t kPacketBytes = 1212;
  static constexpr std::size_t kCountOffset = 8;
  static constexpr std::size_t kSecondOffset = 9;
  static constexpr std::size_t kDistanceOffset = 16;
  static constexpr std::size_t kIntensityOffset = 48;
  static constexpr std::size_t kMaxPoints = 32;

  TestDecoder() { ++alive; }
  ~TestDecoder() override {
    stopAndWait();
    --alive;
  }
  static inline std::atomic<int> alive{0};  // decoders not yet destroyed

  void dataProcessThread() override;
  void setIntensityColor(PointInfo* point) override;
  // One packet of the layout above into the frame clouds, then the hand-over.
  void decodePacket(const unsigned char* packet);

  // Seen from the tests.
  std::atomic<int> loopsStarted{0};
  std::atomic<int> loopsRunning{0};
  std::atomic<int> maxLoopsRunning{0};
  std::atomic<int> framesDecoded{0};
  std::atomic<int> intensityColourCalls{0};

  using LIDAR_Template::devicePacketCopy;
  std::array<unsigned char, kConfigPacketBytes> configPacket() const { return m_ConfigPacket; }
  bool calibrationFileOpen(int which) {
    std::lock_guard<std::mutex> lock(m_CalibMutex);
    return which == 1 ? m_CalibFile1.is_open() : m_CalibFile2.is_open();
  }
};
