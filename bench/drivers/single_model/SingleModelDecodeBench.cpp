// Decode rate of the single-model decoders on one core: packets through feedPacket, one
// model per record layout (seven-byte records with the Sembrel tail and with the tail time,
// eight-byte mirror records, Fenwyr's wedge records, Tiskar's five-return blocks), single and
// dual echo. Frames of about 50,000 points, each ended by a frame marker, go to a callback
// that only counts them.
#include <benchmark/benchmark.h>

#include <memory>

#include "LIDAR_Fenwyr.h"
#include "LIDAR_Hestin.h"
#include "LIDAR_Sembrel.h"
#include "LIDAR_Tiskar.h"
#include "LIDAR_Ulmeth.h"
#include "PacketStreams.h"

using namespace single_model_test;

namespace {

constexpr int kFrames = 4;

template <typename Decoder>
void run(benchmark::State& state, const Packets& packets) {
  std::size_t frames = 0, points = 0;
  TwoCloudCallback onFrame = [&](LidarCloudPtr cloud, LidarCloudPtr, int, int, int, int) {
    ++frames;
    points += cloud->size();
  };
  auto decoder = std::make_unique<Decoder>();
  decoder->setTwoCloudCallback(&onFrame);
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

bool dual(const benchmark::State& state) { return state.range(0) != 0; }

// 32 channels swept at 0.1 degree: 300 packets (470 dual) per frame.
void sembrel(benchmark::State& state) {
  run<LIDAR_Sembrel>(state, sevenByteRun(dual(state), sembrel::kChannels, true, kFrames, dual(state) ? 470 : 300));
}

// The seven-byte model with the tail time: Hestin's 128 channels.
void hestin(benchmark::State& state) {
  run<LIDAR_Hestin>(state, sevenByteRun(dual(state), hestin::kChannels, false, kFrames, dual(state) ? 470 : 300));
}

// The eight-byte model: Ulmeth's mirror records.
void ulmeth(benchmark::State& state) {
  run<LIDAR_Ulmeth>(state, mirrorRun(dual(state), kFrames, dual(state) ? 530 : 350));
}

void fenwyr(benchmark::State& state) {
  run<LIDAR_Fenwyr>(state, wedgeRun(dual(state), kFrames, dual(state) ? 530 : 350));
}

void tiskar(benchmark::State& state) { run<LIDAR_Tiskar>(state, tiskarRun(dual(state), dual(state) ? 100 : 40)); }

#define LAYOUT_BENCHMARK(fn) \
  BENCHMARK(fn)->ArgName("dual")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(1.0)

LAYOUT_BENCHMARK(sembrel);
LAYOUT_BENCHMARK(hestin);
LAYOUT_BENCHMARK(ulmeth);
LAYOUT_BENCHMARK(fenwyr);
LAYOUT_BENCHMARK(tiskar);

}  // namespace
