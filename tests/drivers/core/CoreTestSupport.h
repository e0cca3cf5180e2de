// Small builders and helpers shared by the core's tests.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TestDecoder.h"
#include "UdpSocket.h"

namespace coretest {

using Message = std::pair<std::string, int>;

// Collects messages from any thread.
class MessageLog {
public:
  std::function<void(std::string, int)> fn = [this](std::string text, int code) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Items.emplace_back(std::move(text), code);
  };
  std::vector<Message> all() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Items;
  }
  std::vector<Message> withCode(int code) {
    std::vector<Message> out;
    for (auto& m : all())
      if (m.second == code) out.push_back(m);
    return out;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Items.clear();
  }

private:
  std::mutex m_Mutex;
  std::vector<Message> m_Items;
};

// A point packet of the test decoder's layout.
struct PointPacket {
  std::vector<unsigned char> bytes = std::vector<unsigned char>(TestDecoder::kPacketBytes, 0);
  // (distance in metres, intensity) per point.
  PointPacket& points(std::initializer_list<std::pair<int, int>> list) {
    std::size_t i = 0;
    for (auto& p : list) {
      bytes[TestDecoder::kDistanceOffset + i] = static_cast<unsigned char>(p.first);
      bytes[TestDecoder::kIntensityOffset + i] = static_cast<unsigned char>(p.second);
      ++i;
    }
    bytes[TestDecoder::kCountOffset] = static_cast<unsigned char>(i);
    return *this;
  }
  PointPacket& second(int s) {
    bytes[TestDecoder::kSecondOffset] = static_cast<unsigned char>(s);
    return *this;
  }
};

// A device-information packet (1206 bytes, big-endian fields).
struct DevicePacket {
  std::vector<unsigned char> bytes = std::vector<unsigned char>(1206, 0);
  DevicePacket() {
    const unsigned char header[8] = {0xA5, 0xFF, 0x00, 0x5A, 0x11, 0x11, 0x55, 0x55};
    std::copy(header, header + 8, bytes.begin());
  }
  DevicePacket& byte(std::size_t offset, int value) {
    bytes[offset] = static_cast<unsigned char>(value);
    return *this;
  }
  DevicePacket& be16(std::size_t offset, unsigned value) {
    bytes[offset] = static_cast<unsigned char>(value >> 8);
    bytes[offset + 1] = static_cast<unsigned char>(value & 0xFF);
    return *this;
  }
  DevicePacket& octets(std::size_t offset, std::initializer_list<int> values) {
    for (int v : values) bytes[offset++] = static_cast<unsigned char>(v);
    return *this;
  }
  DevicePacket& text(std::size_t offset, const std::string& s) {
    std::copy(s.begin(), s.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
  }
  DevicePacket& lidarIp(std::initializer_list<int> v) { return octets(10, v); }
};

// A UDP port free at the moment of asking (the tests run in parallel).
inline std::uint16_t freeUdpPort() {
  lumivar::UdpSocket probe;
  probe.open();
  probe.bindAny(0);
  return probe.localPort();
}

// Polls until pred holds or the (generous) limit passes.
inline bool waitUntil(const std::function<bool()>& pred,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace coretest
