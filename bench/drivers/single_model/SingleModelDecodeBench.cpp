// Decode rate of the single-model decoders on one core: packets through feedPacket, one
// model per record layout (seven-byte records with the Sembrel tail and with the tail time,
// eight-byte mirror records, Fenwyr's wedge records, Tiskar's five-return blocks), single and
// dual echo. Each run of packets is a few frames of about 50,000 points, each ended by a
// frame marker; frames go to a callback that only counts them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "LIDAR_Fenwyr.h"
#include "LIDAR_Hestin.h"
#include "LIDAR_Sembrel.h"
#include "LIDAR_Tiskar.h"
#include "LIDAR_Ulmeth.h"
#include "PacketBuilder.h"

using single_model_test::PacketBuilder;

namespace {

constexpr int kFrames = 4;
constexpr std::uint32_t kTenMetres7 = 10 * 100 * 256;  // 1/256 cm
constexpr std::uint32_t kTenMetresMm = 10000;          // millimetre counts
constexpr double kPacketSeconds = 0.0006;

using Packets = std::vector<std::vector<unsigned char>>;
// Record j of the run (frame marker records are left out of the count) as one packet.
using PacketMaker = std::function<void(PacketBuilder&, int firstRecord, int records, bool dual)>;

struct Layout {
  std::size_t packetBytes;
  int singleRecords, dualRecords;
  int packetsPerFrame;
};

// `packetsPerFrame` packets per frame; the last record of a frame's last packet is its marker.
Packets makeRun(const Layout& l, bool dual, const std::function<void(PacketBuilder&, int, int)>& fill,
                const std::function<void(PacketBuilder&, int)>& marker,
                const std::function<void(PacketBuilder&, int)>& tail) {
  Packets out;
  const int records = dual ? l.dualRecords : l.singleRecords;
  int packet = 0;
  for (int f = 0; f < kFrames; ++f) {
    for (int n = 0; n < l.packetsPerFrame; ++n, ++packet) {
      PacketBuilder p(l.packetBytes);
      for (int k = 0; k < records; ++k) fill(p, k, n * records + k);
      if (n == l.packetsPerFrame - 1) marker(p, records - 1);
      tail(p, packet);
      out.push_back(p.bytes());
    }
  }
  return out;
}

template <typename Decoder>
void run(benchmark::State& state, const Packets& packets, const std::function<void(Decoder&)>& setUp = {}) {
  std::size_t frames = 0, points = 0;
  TwoCloudCallback onFrame = [&](LidarCloudPtr cloud, LidarCloudPtr, int, int, int, int) {
    ++frames;
    points += cloud->size();
  };
  auto decoder = std::make_unique<Decoder>();
  decoder->setTwoCloudCallback(&onFrame);
  if (setUp) setUp(*decoder);
  std::size_t i = 0;
  for (auto _ : state) {
    decoder->feedPacket(packets[i].data(), packets[i].size());
    if (++i == packets.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["packets/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsRate);
  state.counters["frames"] = static_cast<double>(frames);
}

std::uint8_t intensityOf(int j) { return static_cast<std::uint8_t>(j * 7 % 251); }

// --- seven-byte records: 32 channels (Hestin: 128) swept at 0.1 degree over half a turn ---
Packets sevenByteRun(bool dual, int channels, std::size_t packetBytes, const std::function<void(PacketBuilder&, int)>& tail) {
  const Layout l{packetBytes, seven_byte::kSingleRecords, seven_byte::kDualRecords, dual ? 470 : 300};
  auto fill = [&](PacketBuilder& p, int k, int j) {
    const unsigned angle = static_cast<unsigned>(j / channels * 10 % 18000);  // 0.01 degree
    const unsigned channel = static_cast<unsigned>(j % channels);
    if (dual)
      p.record11(k, channel, angle, kTenMetres7 + j % 997, intensityOf(j), kTenMetres7 + 5000, intensityOf(j + 1));
    else
      p.record7(k, channel, angle, kTenMetres7 + j % 997, intensityOf(j));
  };
  auto marker = [&](PacketBuilder& p, int k) { dual ? p.marker11(k) : p.marker7(k); };
  return makeRun(l, dual, fill, marker, tail);
}

void sembrel(benchmark::State& state) {
  const bool dual = state.range(0) != 0;
  const Packets packets = sevenByteRun(dual, sembrel::kChannels, single_model_test::kShortPacket, [&](PacketBuilder& p, int n) {
    const std::uint32_t micros = static_cast<std::uint32_t>(n * kPacketSeconds * 1e6);
    p.sembrelTail(1, 2, 3 + micros / 1000000, micros % 1000000, dual ? seven_byte::kDualEchoByte : 0);
  });
  run<LIDAR_Sembrel>(state, packets);
}

void hestin(benchmark::State& state) {
  const bool dual = state.range(0) != 0;
  const Packets packets = sevenByteRun(dual, hestin::kChannels, single_model_test::kLongPacket, [&](PacketBuilder& p, int n) {
    const double t = 1000.0 + n * kPacketSeconds;
    p.tailSeconds(static_cast<std::uint64_t>(t), static_cast<std::uint32_t>((t - static_cast<int>(t)) * 1e9))
        .u8(tail_time::kEchoByteOffset, dual ? seven_byte::kDualEchoByte : 0);
  });
  run<LIDAR_Hestin>(state, packets);
}

// --- eight-byte records with a ten-byte tail time at 1194 ---
void scanTail(PacketBuilder& p, int n, std::size_t at) {
  const double t = 1000.0 + n * kPacketSeconds;
  p.scanSeconds(at, static_cast<std::uint64_t>(t), static_cast<std::uint32_t>((t - static_cast<int>(t)) * 1e9));
}

// Ulmeth: four channels swept over -60 to 60 degrees, the vertical angle stepping slowly.
void ulmeth(benchmark::State& state) {
  const bool dual = state.range(0) != 0;
  const Layout l{eight_byte::kPacketBytes, eight_byte::kSingleRecords, eight_byte::kDualRecords, dual ? 530 : 350};
  auto fill = [&](PacketBuilder& p, int k, int j) {
    const int h = j / 4 % 12000 - 6000;  // 0.01 degree
    const int v = j / 1000 % 400 - 200;
    if (dual)
      p.mirror12(k, h, static_cast<unsigned>(j % 4), v, kTenMetresMm + j % 991, intensityOf(j), kTenMetresMm + 700,
                 intensityOf(j + 1));
    else
      p.mirror8(k, h, static_cast<unsigned>(j % 4), v, kTenMetresMm + j % 991, intensityOf(j));
  };
  auto marker = [&](PacketBuilder& p, int k) { p.marker8(k, 0, dual ? eight_byte::kDualRecordBytes : eight_byte::kSingleRecordBytes); };
  auto tail = [&](PacketBuilder& p, int n) {
    scanTail(p, n, eight_byte::kTailTime);
    p.u8(eight_byte::kEchoByteOffset, dual ? mirror::kDualEcho : 0);
  };
  run<LIDAR_Ulmeth>(state, makeRun(l, dual, fill, marker, tail));
}

// Fenwyr: eight channels, both wedges turning.
void fenwyr(benchmark::State& state) {
  const bool dual = state.range(0) != 0;
  const Layout l{eight_byte::kPacketBytes, eight_byte::kSingleRecords, eight_byte::kDualRecords, dual ? 530 : 350};
  auto fill = [&](PacketBuilder& p, int k, int j) {
    const unsigned a = static_cast<unsigned>(j / 8 * 7 % 36000), b = static_cast<unsigned>(j / 8 * 11 % 36000);
    const unsigned channel = static_cast<unsigned>(j % 8);
    if (dual)
      p.wedge12(k, a, b, channel, kTenMetresMm + j % 991, intensityOf(j), kTenMetresMm + 700, intensityOf(j + 1));
    else
      p.wedge8(k, a, b, channel, kTenMetresMm + j % 991, intensityOf(j));
  };
  auto marker = [&](PacketBuilder& p, int k) { p.marker8(k, 0, dual ? eight_byte::kDualRecordBytes : eight_byte::kSingleRecordBytes); };
  auto tail = [&](PacketBuilder& p, int n) {
    scanTail(p, n, eight_byte::kTailTime);
    p.u8(eight_byte::kEchoByteOffset, dual ? fenwyr::kDualEcho : 0);
  };
  run<LIDAR_Fenwyr>(state, makeRun(l, dual, fill, marker, tail));
}

// Tiskar at its start-up settings: five markers per frame, each frame one channel (the
// sub-frame's) with all five returns; dual echo stays on sub-frame 0.
void tiskar(benchmark::State& state) {
  const bool dual = state.range(0) != 0;
  const int markers = 5;
  const int packetsPerMarker = dual ? 100 : 40;
  const Layout l{tiskar::kPacketBytes, tiskar::kBlocks, tiskar::kBlocks, packetsPerMarker};
  int subFrame = 0, marker = 0;
  Packets packets;
  // Five sub-frames of five markers each, so that the run repeats in step with the decoder.
  for (int sub = 0; sub < tiskar::kSubFrames; ++sub) {
    for (marker = 0; marker < markers; ++marker) {
      const unsigned channel = dual ? 0u : static_cast<unsigned>(subFrame);
      const int base = static_cast<int>(packets.size());
      Packets part = makeRun(
          Layout{l.packetBytes, l.singleRecords, l.dualRecords, l.packetsPerFrame}, dual,
          [&](PacketBuilder& p, int k, int j) {
            p.block23(k, channel, (j * 3 % 240000) - 120000, 10000 + static_cast<std::uint32_t>(j % 991), intensityOf(j) / 2);
          },
          [&](PacketBuilder& p, int k) { p.marker23(k); },
          [&](PacketBuilder& p, int n) {
            scanTail(p, base + n, tiskar::kTailTime);
            p.u8(tiskar::kEchoByteOffset, dual ? tiskar::kDualEcho : 0);
          });
      part.resize(static_cast<std::size_t>(packetsPerMarker));  // one marker's worth
      packets.insert(packets.end(), part.begin(), part.end());
    }
    ++subFrame;
  }
  run<LIDAR_Tiskar>(state, packets);
}

#define LAYOUT_BENCHMARK(fn) \
  BENCHMARK(fn)->ArgName("dual")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(1.0)

LAYOUT_BENCHMARK(sembrel);
LAYOUT_BENCHMARK(hestin);
LAYOUT_BENCHMARK(ulmeth);
LAYOUT_BENCHMARK(fenwyr);
LAYOUT_BENCHMARK(tiskar);

}  // namespace
