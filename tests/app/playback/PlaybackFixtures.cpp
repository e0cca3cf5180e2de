#include "PlaybackFixtures.h"

#include "KaldorSweep.h"

namespace playfix {

Bytes taggedPacket(int tag, bool closesFrame, int position) {
  // Azimuths rise from packet to packet through a frame; the closing packet wraps inside.
  const double first = 20.0 + 0.25 * position;
  Bytes p = closesFrame ? capfix::azimuthPair(350.0, 10.0) : capfix::azimuthPair(first, first + 0.2);
  p[kTagOffset] = std::uint8_t(tag >> 8);
  p[kTagOffset + 1] = std::uint8_t(tag);
  p[kTagOffset + 2] = 0x7A;  // marks a tagged packet
  return p;
}

int tagOf(const unsigned char* payload, std::size_t length) {
  if (length <= kTagOffset + 2 || payload[0] != 0xFF || payload[1] != 0xEE || payload[kTagOffset + 2] != 0x7A)
    return -1;
  return (payload[kTagOffset] << 8) | payload[kTagOffset + 1];
}

std::vector<Bytes> taggedFrames(int frames, int perFrame) {
  std::vector<Bytes> out;
  for (int f = 0; f < frames; ++f)
    for (int k = 0; k < perFrame; ++k) {
      capfix::UdpFrame frame;
      frame.payload = taggedPacket(f * perFrame + k, k == perFrame - 1, k);
      out.push_back(frame.build());
    }
  return out;
}

std::vector<Bytes> kaldorTurns(int turns) {
  constexpr int kStartAzimuth = 600;  // hundredths of a degree: the wrap falls inside a packet
  constexpr int kStep = 100;
  std::vector<Bytes> out;
  const int packets = turns * kKaldorPacketsPerTurn;
  for (int n = 0; n < packets; ++n) {
    auto packet = kaldor_sweep::buildPacket(n, 1700000000 + std::uint64_t(n / 300), std::uint32_t(n) * 1000u);
    for (int b = 0; b < kaldor_sweep::kBlocksPerPacket; ++b) {
      const int azimuth = (kStartAzimuth + (n * kaldor_sweep::kBlocksPerPacket + b) * kStep) % 36000;
      kaldor_sweep::writeLE16(packet.data(), kaldor_sweep::kBlockBytes * std::size_t(b) + 2, std::uint16_t(azimuth));
    }
    capfix::UdpFrame frame;
    frame.payload.assign(packet.begin(), packet.end());
    out.push_back(frame.build());
  }
  return out;
}

}  // namespace playfix
