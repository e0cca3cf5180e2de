// Decode rate of the family decoder on one core: packets through processPacket, for each
// sub-model, single and dual return. Frames are handed to an empty callback.
#include <benchmark/benchmark.h>

#include <vector>

#include "KaldorPacketBuilder.h"
#include "LIDAR_Kaldor_v4_0.h"

namespace {

void decode(benchmark::State& state) {
  const auto model = static_cast<std::uint8_t>(state.range(0));
  const bool dual = state.range(1) != 0;
  const std::uint8_t mode = dual ? kaldor_test::kDual : kaldor_test::kSingle;
  // Two turns at 0.2 degrees per block, replayed with the packet times moving on.
  const auto packets = kaldor_test::rotationPackets(model, mode, dual ? 600 : 300);
  std::size_t frames = 0, points = 0;
  TwoCloudCallback onFrame = [&](LidarCloudPtr cloud, LidarCloudPtr, int, int, int, int) {
    ++frames;
    points += cloud->size();
  };
  LIDAR_Kaldor_v4_0 decoder;
  decoder.setTwoCloudCallback(&onFrame);
  std::size_t i = 0;
  for (auto _ : state) {
    decoder.processPacket(packets[i].data(), packets[i].size());
    if (++i == packets.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["packets/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsRate);
  state.counters["frames"] = static_cast<double>(frames);
}

// Model bytes: Gorsk 4, Hulvan 7, Lormet 32, Nimbrel_N 69, Quenry 90, Jarnis 16 (table
// walk); Brisal 1, Fyrel 2, Drelka 3, Ostrik 5, Nimbrel 70, Quenry_40K 92 (fixed-constant
// walk); single and dual.
BENCHMARK(decode)
    ->ArgNames({"model", "dual"})
    ->ArgsProduct({{4, 7, 32, 69, 90, 16, 1, 2, 3, 5, 70, 92}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0);

}  // namespace
