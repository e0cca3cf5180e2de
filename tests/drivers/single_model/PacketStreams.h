// Runs of packets as the single-model sensors send them, one per record layout: sweeps of
// valid records, a frame marker as the last record of each frame's last packet, packet
// times moving on. Shared by the decode benchmark and the frame tests.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "EightByteRecordDecoder.h"
#include "LIDAR_Fenwyr.h"
#include "LIDAR_Tiskar.h"
#include "MirrorDecoder.h"
#include "PacketBuilder.h"
#include "SevenByteRecordDecoder.h"
#include "TailTimeDecoder.h"

namespace single_model_test {

using Packets = std::vector<std::vector<unsigned char>>;

constexpr std::uint32_t kStreamTenMetres7 = 10 * 100 * 256;  // 1/256 cm
constexpr std::uint32_t kStreamTenMetresMm = 10000;          // millimetre counts
constexpr double kStreamPacketSeconds = 0.0006;

inline std::uint8_t streamIntensity(int j) { return static_cast<std::uint8_t>(j * 7 % 251); }

// `frames` frames of `packetsPerFrame` packets; fill(p, k, j) writes record k of the packet
// as the run's record j, marker(p, k) the frame marker, tail(p, n) packet n's tail.
inline Packets makeRun(std::size_t packetBytes, int records, int frames, int packetsPerFrame,
                       const std::function<void(PacketBuilder&, int, int)>& fill,
                       const std::function<void(PacketBuilder&, int)>& marker,
                       const std::function<void(PacketBuilder&, int)>& tail) {
  Packets out;
  int packet = 0;
  for (int f = 0; f < frames; ++f) {
    for (int n = 0; n < packetsPerFrame; ++n, ++packet) {
      PacketBuilder p(packetBytes);
      for (int k = 0; k < records; ++k) fill(p, k, n * records + k);
      if (n == packetsPerFrame - 1) marker(p, records - 1);
      tail(p, packet);
      out.push_back(p.bytes());
    }
  }
  return out;
}

inline void secondsTail(PacketBuilder& p, int n, std::size_t at) {
  const double t = 1000.0 + n * kStreamPacketSeconds;
  const auto whole = static_cast<std::uint64_t>(t);
  p.scanSeconds(at, whole, static_cast<std::uint32_t>((t - static_cast<double>(whole)) * 1e9));
}

// Seven-byte (single) and eleven-byte (dual) records: `channels` channels swept at 0.1
// degree over half a turn. Sembrel tail (1206 bytes) or tail time (1212 bytes).
inline Packets sevenByteRun(bool dual, int channels, bool sembrelTail, int frames, int packetsPerFrame) {
  const int records = dual ? seven_byte::kDualRecords : seven_byte::kSingleRecords;
  auto fill = [=](PacketBuilder& p, int k, int j) {
    const unsigned angle = static_cast<unsigned>(j / channels * 10 % 18000);  // 0.01 degree
    const unsigned channel = static_cast<unsigned>(j % channels);
    const std::uint32_t distance = kStreamTenMetres7 + static_cast<std::uint32_t>(j % 997);
    if (dual)
      p.record11(k, channel, angle, distance, streamIntensity(j), kStreamTenMetres7 + 5000, streamIntensity(j + 1));
    else
      p.record7(k, channel, angle, distance, streamIntensity(j));
  };
  auto marker = [=](PacketBuilder& p, int k) { dual ? p.marker11(k) : p.marker7(k); };
  const unsigned echo = dual ? seven_byte::kDualEchoByte : 0;
  auto tail = [=](PacketBuilder& p, int n) {
    if (sembrelTail) {
      const auto micros = static_cast<std::uint32_t>(n * kStreamPacketSeconds * 1e6);
      p.sembrelTail(1, 2, 3 + micros / 1000000, micros % 1000000, echo);
    } else {
      secondsTail(p, n, tail_time::kTimeFormOffset);
      p.u8(tail_time::kEchoByteOffset, echo);
    }
  };
  return makeRun(sembrelTail ? kShortPacket : kLongPacket, records, frames, packetsPerFrame, fill, marker, tail);
}

// Eight-byte (single) and twelve-byte (dual) mirror records: four channels over -60 to 60
// degrees, the vertical angle stepping slowly.
inline Packets mirrorRun(bool dual, int frames, int packetsPerFrame) {
  auto fill = [=](PacketBuilder& p, int k, int j) {
    const int h = j / 4 % 12000 - 6000;  // 0.01 degree
    const int v = j / 1000 % 400 - 200;
    const auto channel = static_cast<unsigned>(j % 4);
    const std::uint32_t distance = kStreamTenMetresMm + static_cast<std::uint32_t>(j % 991);
    if (dual)
      p.mirror12(k, h, channel, v, distance, streamIntensity(j), kStreamTenMetresMm + 700, streamIntensity(j + 1));
    else
      p.mirror8(k, h, channel, v, distance, streamIntensity(j));
  };
  auto marker = [=](PacketBuilder& p, int k) {
    p.marker8(k, 0, dual ? eight_byte::kDualRecordBytes : eight_byte::kSingleRecordBytes);
  };
  auto tail = [=](PacketBuilder& p, int n) {
    secondsTail(p, n, eight_byte::kTailTime);
    p.u8(eight_byte::kEchoByteOffset, dual ? mirror::kDualEcho : 0);
  };
  return makeRun(eight_byte::kPacketBytes, dual ? eight_byte::kDualRecords : eight_byte::kSingleRecords, frames,
                 packetsPerFrame, fill, marker, tail);
}

// Fenwyr's wedge records: eight channels, both wedges turning.
inline Packets wedgeRun(bool dual, int frames, int packetsPerFrame) {
  auto fill = [=](PacketBuilder& p, int k, int j) {
    const auto a = static_cast<unsigned>(j / 8 * 7 % 36000), b = static_cast<unsigned>(j / 8 * 11 % 36000);
    const auto channel = static_cast<unsigned>(j % 8);
    const std::uint32_t distance = kStreamTenMetresMm + static_cast<std::uint32_t>(j % 991);
    if (dual)
      p.wedge12(k, a, b, channel, distance, streamIntensity(j), kStreamTenMetresMm + 700, streamIntensity(j + 1));
    else
      p.wedge8(k, a, b, channel, distance, streamIntensity(j));
  };
  auto marker = [=](PacketBuilder& p, int k) {
    p.marker8(k, 0, dual ? eight_byte::kDualRecordBytes : eight_byte::kSingleRecordBytes);
  };
  auto tail = [=](PacketBuilder& p, int n) {
    secondsTail(p, n, eight_byte::kTailTime);
    p.u8(eight_byte::kEchoByteOffset, dual ? fenwyr::kDualEcho : 0);
  };
  return makeRun(eight_byte::kPacketBytes, dual ? eight_byte::kDualRecords : eight_byte::kSingleRecords, frames,
                 packetsPerFrame, fill, marker, tail);
}

// Tiskar at its start-up settings: a frame is five markers long and holds one channel, the
// sub-frame's, with all five returns; the run is five such frames, so that it repeats in
// step with the decoder. Dual echo stays on sub-frame 0.
inline Packets tiskarRun(bool dual, int packetsPerMarker) {
  Packets out;
  int packet = 0;
  for (int sub = 0; sub < tiskar::kSubFrames; ++sub) {
    const unsigned channel = dual ? 0u : static_cast<unsigned>(sub);
    for (int m = 0; m < 5; ++m) {
      const Packets part = makeRun(
          tiskar::kPacketBytes, tiskar::kBlocks, 1, packetsPerMarker,
          [=](PacketBuilder& p, int k, int j) {
            p.block23(k, channel, j * 3 % 240000 - 120000, 10000 + static_cast<std::uint32_t>(j % 991),
                      streamIntensity(j) / 2);
          },
          [](PacketBuilder& p, int k) { p.marker23(k); },
          [&](PacketBuilder& p, int n) {
            secondsTail(p, packet + n, tiskar::kTailTime);
            p.u8(tiskar::kEchoByteOffset, dual ? tiskar::kDualEcho : 0);
          });
      packet += packetsPerMarker;
      out.insert(out.end(), part.begin(), part.end());
    }
  }
  return out;
}

}  // namespace single_model_test
