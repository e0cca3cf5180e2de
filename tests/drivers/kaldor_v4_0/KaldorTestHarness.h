// A family decoder fed packet by packet, with the frames and messages it hands out.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KaldorPacketBuilder.h"
#include "LIDAR_Kaldor_v4_0.h"

namespace kaldor_test {

struct Harness {
  std::vector<LidarCloudPtr> frames;
  std::vector<LidarCloudPtr> selectedFrames;
  std::vector<std::pair<std::string, int>> messages;
  TwoCloudCallback onFrame = [this](LidarCloudPtr cloud, LidarCloudPtr selected, int, int, int, int) {
    frames.push_back(cloud);
    selectedFrames.push_back(selected);
  };
  MessageCallback onMessage = [this](std::string text, int code) { messages.emplace_back(std::move(text), code); };
  LIDAR_Kaldor_v4_0 decoder;  // after the callbacks: it must go first

  Harness() {
    decoder.setTwoCloudCallback(&onFrame);
    decoder.setMessageCallback(&onMessage);
  }
  void feed(const KaldorPacketBuilder& b) { decoder.processPacket(b.data(), b.size()); }
  void feed(const std::vector<unsigned char>& p) { decoder.processPacket(p.data(), p.size()); }
  void feedAll(const std::vector<std::vector<unsigned char>>& packets) {
    for (const auto& p : packets) feed(p);
  }
  DataDispose& sub() { return *decoder.subModel(); }
  const LidarCloud& current() { return *decoder.subModel()->m_CurrentCloud; }
  int messagesWithCode(int code) const {
    int n = 0;
    for (const auto& m : messages) n += m.second == code;
    return n;
  }
};

}  // namespace kaldor_test
