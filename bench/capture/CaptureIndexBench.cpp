// Indexing a ~300 MB capture of the stand-in sensor's point-data packets (about 240,000
// records), as the open dialog does before a replay. Arg 0: clean; arg 1: one record header
// in every 1,000 has a believable but wrong length.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <unistd.h>

#include "CaptureFixtures.h"
#include "CaptureIndex.h"
#include "KaldorSweep.h"

namespace {

constexpr long kRecords = 240000;
constexpr long kDamagedEvery = 1000;
constexpr std::uint32_t kDamagedLength = 20000;

std::string writeCapture(bool damaged) {
  const std::string path = "/tmp/bench-capture-index-" + std::to_string(getpid()) + ".pcap";
  std::size_t frameBytes = 0;
  {
    capfix::CaptureWriter writer(path);
    for (long n = 0; n < kRecords; ++n) {
      const auto packet = kaldor_sweep::buildPacket(n, 1700000000, 0);
      const capfix::Bytes frame = capfix::UdpFrame{capfix::Bytes(packet.begin(), packet.end())}.build();
      frameBytes = frame.size();
      writer.add(frame);
    }
  }
  if (damaged) {
    // Every record has the same size: the included and wire lengths of the chosen ones are
    // rewritten in place.
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    const std::int64_t recordBytes = std::int64_t(capture::kRecordHeaderBytes + frameBytes);
    for (long n = kDamagedEvery / 2; n < kRecords; n += kDamagedEvery) {
      f.seekp(capture::kGlobalHeaderBytes + n * recordBytes + std::int64_t(capture::kIncludedLengthOffset));
      for (int field = 0; field < 2; ++field)
        for (int i = 0; i < 4; ++i) f.put(char(kDamagedLength >> (8 * i)));
    }
  }
  return path;
}

void BM_IndexCapture(benchmark::State& state) {
  const std::string path = writeCapture(state.range(0) != 0);
  capture::CaptureRules rules;
  rules.lidarType = "LidarType_Kaldor_v4_0";
  long records = 0;
  for (auto _ : state) {
    capture::CaptureFile file;
    if (!file.open(path)) {
      state.SkipWithError("cannot open the capture");
      break;
    }
    capture::CaptureIndex index;
    capture::buildIndex(file, rules, index);
    records = long(index.dataPositionsPerPacket.size());
    benchmark::DoNotOptimize(index.frameCount);
  }
  state.counters["records"] = double(records);
  state.SetItemsProcessed(state.iterations() * records);
  std::remove(path.c_str());
}
BENCHMARK(BM_IndexCapture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
