// Indexing a ~300 MB capture of the stand-in sensor's point-data packets (about 240,000
// records), as the open dialog does before a replay. Arg 0: clean; arg 1: one record header
// in every 1,000 has a believable but wrong length.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "CaptureIndex.h"
#include "KaldorSweep.h"

namespace {

constexpr long kRecords = 240000;
constexpr std::size_t kFrameHeaderBytes = 42;  // Ethernet + IPv4 + UDP

void putLE32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

std::string writeCapture(bool damaged) {
  const std::string path = "/tmp/bench-capture-index-" + std::to_string(getpid()) + ".pcap";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return {};
  std::uint8_t global[24] = {0xD4, 0xC3, 0xB2, 0xA1, 2, 0, 4, 0};
  putLE32(global + 16, 65535);
  putLE32(global + 20, 1);
  std::fwrite(global, 1, sizeof global, f);
  const std::uint32_t frameBytes = std::uint32_t(kFrameHeaderBytes + kaldor_sweep::kPacketBytes);
  std::vector<std::uint8_t> frame(frameBytes, 0);
  frame[12] = 0x08;  // IPv4
  frame[14] = 0x45;
  frame[23] = 17;  // UDP
  frame[36] = 0x09, frame[37] = 0x40;  // port 2368
  const std::uint32_t udpLength = std::uint32_t(8 + kaldor_sweep::kPacketBytes);
  frame[38] = std::uint8_t(udpLength >> 8), frame[39] = std::uint8_t(udpLength);
  for (long n = 0; n < kRecords; ++n) {
    const auto packet = kaldor_sweep::buildPacket(n, 1700000000, 0);
    std::copy(packet.begin(), packet.end(), frame.begin() + kFrameHeaderBytes);
    std::uint8_t header[16] = {};
    const std::uint32_t length = damaged && n % 1000 == 500 ? 20000 : frameBytes;
    putLE32(header + 4, std::uint32_t(n % 1000000));
    putLE32(header + 8, length);
    putLE32(header + 12, length);
    std::fwrite(header, 1, sizeof header, f);
    std::fwrite(frame.data(), 1, frame.size(), f);
  }
  std::fclose(f);
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
