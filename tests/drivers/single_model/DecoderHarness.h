// A single-model decoder fed packet by packet on the test's thread, with the frames and
// messages it hands out.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "PacketBuilder.h"
#include "SingleModelDecoder.h"
#include "UdpSocket.h"

namespace single_model_test {

template <typename Decoder>
struct Harness {
  struct Frame {
    LidarCloudPtr cloud, selected;
    int status, returnMode, model;
  };
  std::vector<Frame> frames;
  std::vector<std::pair<std::string, int>> messages;
  TwoCloudCallback onFrame = [this](LidarCloudPtr cloud, LidarCloudPtr selected, int status, int mode, int model,
                                    int) { frames.push_back({cloud, selected, status, mode, model}); };
  MessageCallback onMessage = [this](std::string text, int code) { messages.emplace_back(std::move(text), code); };
  Decoder decoder;  // after the callbacks: it must go first

  Harness() {
    decoder.setTwoCloudCallback(&onFrame);
    decoder.setMessageCallback(&onMessage);
  }
  void feed(const PacketBuilder& p) { decoder.feedPacket(p.data(), p.size()); }
  const LidarCloud& current() const { return *decoder.m_FrameCloud; }
  const LidarCloud& selected() const { return *decoder.m_SelectedCloud; }
  int messagesWithCode(int code) const {
    int n = 0;
    for (const auto& m : messages) n += m.second == code;
    return n;
  }
};

// Receives the configuration packet that the decoder sends to the lidar at 127.0.0.1.
struct ConfigReceiver {
  lumivar::UdpSocket socket;
  ConfigReceiver() {
    EXPECT_TRUE(socket.open());
    EXPECT_TRUE(socket.bindAny(0));
  }
  std::vector<unsigned char> receive() {
    std::vector<unsigned char> buffer(2048);
    bool readable = false;
    lumivar::WakeEvent wake;
    const lumivar::UdpSocket* sockets[] = {&socket};
    if (lumivar::waitReadable(sockets, &readable, 1, &wake, 5000) != lumivar::WaitResult::Readable) return {};
    const long n = socket.receive(buffer.data(), buffer.size());
    buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return buffer;
  }
};

// A setter refuses before any device-information packet and afterwards edits the given
// bytes of the configuration packet sent to the lidar.
template <typename Decoder, typename Base>
void expectConfigEdits(bool (Base::*setter)(int), std::vector<std::pair<std::size_t, int>> expected) {
  Harness<Decoder> h;
  EXPECT_FALSE((h.decoder.*setter)(7));
  EXPECT_EQ(h.messagesWithCode(kConfigNotReadyCode), 2);  // the core's refusal and ours
  ConfigReceiver receiver;
  h.decoder.setConfigDestinationPort(receiver.socket.localPort());
  const PacketBuilder dev = devicePacket();
  h.decoder.onReceiveData(LidarDataType_Device, dev.data(), static_cast<unsigned short>(dev.size()));
  EXPECT_TRUE((h.decoder.*setter)(0x107));  // the low byte is written
  ASSERT_TRUE(h.decoder.SendLidarData_UDP());
  const std::vector<unsigned char> sent = receiver.receive();
  ASSERT_EQ(sent.size(), 1206u);
  for (const auto& e : expected) EXPECT_EQ(sent[e.first], e.second) << "byte " << e.first;
}

}  // namespace single_model_test
