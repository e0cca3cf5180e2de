// Indexing a ~300 MB capture of the stand-in sensor's point-data packets (about 240,000
// records), as the open dialog does before a replay. Arg 0: clean; arg 1: one record header
// in every 1,000 has a believable but wrong length.
//
// Hostile files against random bytes of the same size, which the indexer walks as one long
// search: a clean capture, "01 00 01 00" repeated (a believable header every other byte) in
// 15 MB stretches between good records, and runs of records whose header claims 262,144
// bytes. And how soon a Cancel asked during the search through the pattern ends the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "CaptureFixtures.h"
#include "CaptureIndex.h"
#include "KaldorSweep.h"

namespace {

constexpr long kRecords = 240000;
constexpr long kHostileRecords = 60000;           // ~75 MB
constexpr std::size_t kPatternStretch = 15 << 20;  // between three good records, five times
constexpr int kPatternStretches = 5;
constexpr long kDamagedEvery = 1000;
constexpr std::uint32_t kDamagedLength = 20000;

std::string benchPath(const std::string& name) {
  return "/tmp/bench-capture-index-" + name + "-" + std::to_string(getpid()) + ".pcap";
}

capfix::Bytes sensorFrame(long n) {
  const auto packet = kaldor_sweep::buildPacket(n, 1700000000, 0);
  return capfix::UdpFrame{capfix::Bytes(packet.begin(), packet.end())}.build();
}

std::string writeCapture(bool damaged) {
  const std::string path = benchPath("sweep");
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

// Indexes the capture at path once per iteration, as the open dialog does; index holds the
// last run's result.
void indexEachIteration(benchmark::State& state, const std::string& path, capture::CaptureIndex& index) {
  capture::CaptureRules rules;
  rules.lidarType = "LidarType_Kaldor_v4_0";
  for (auto _ : state) {
    capture::CaptureFile file;
    if (!file.open(path)) {
      state.SkipWithError("cannot open the capture");
      return;
    }
    index = capture::CaptureIndex{};
    capture::buildIndex(file, rules, index);
    benchmark::DoNotOptimize(index.frameCount);
  }
}

void BM_IndexCapture(benchmark::State& state) {
  const std::string path = writeCapture(state.range(0) != 0);
  capture::CaptureIndex index;
  indexEachIteration(state, path, index);
  const long records = long(index.dataPositionsPerPacket.size());
  state.counters["records"] = double(records);
  state.SetItemsProcessed(state.iterations() * records);
  std::remove(path.c_str());
}
BENCHMARK(BM_IndexCapture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

enum Shape { kClean, kPattern, kSuspectRuns };

capfix::Bytes hostileBytes(Shape shape) {
  std::vector<capfix::Bytes> frames;
  for (long n = 0; n < (shape == kPattern ? 3 : kHostileRecords); ++n) frames.push_back(sensorFrame(n));
  const capfix::WrittenRecords written = capfix::libpcapRecords(frames);
  capfix::Bytes bytes = written.globalHeader;
  if (shape == kPattern) {
    const capfix::Bytes pattern = capfix::repeated({0x01, 0x00, 0x01, 0x00}, kPatternStretch);
    for (int s = 0; s < kPatternStretches; ++s) {
      for (const capfix::Bytes& r : written.records) bytes.insert(bytes.end(), r.begin(), r.end());
      bytes.insert(bytes.end(), pattern.begin(), pattern.end());
    }
    for (const capfix::Bytes& r : written.records) bytes.insert(bytes.end(), r.begin(), r.end());
    return bytes;
  }
  for (std::size_t n = 0; n < written.records.size(); ++n) {
    capfix::Bytes r = written.records[n];
    // Every other record of a run of 20 claims the longest length there is.
    if (shape == kSuspectRuns && n % 40 < 20 && n % 2 == 1)
      capfix::setRecordLengths(r, capture::kMaxPlausibleRecordBytes, capture::kMaxPlausibleRecordBytes);
    bytes.insert(bytes.end(), r.begin(), r.end());
  }
  return bytes;
}

// Arg 0: the shape; arg 1: 1 for random bytes of the same size behind the same global header.
void BM_IndexAgainstRandom(benchmark::State& state) {
  capfix::Bytes bytes = hostileBytes(Shape(state.range(0)));
  if (state.range(1) != 0) {
    const capfix::Bytes noise = capfix::randomBytes(bytes.size() - std::size_t(capture::kGlobalHeaderBytes), 7);
    std::copy(noise.begin(), noise.end(), bytes.begin() + capture::kGlobalHeaderBytes);
  }
  const std::string path = benchPath("hostile");
  capfix::writeBytes(path, bytes);
  capture::CaptureIndex index;
  indexEachIteration(state, path, index);
  const long records = long(index.dataPositionsPerPacket.size());
  const std::int64_t skipped = index.damage.skippedBytes;
  state.counters["records"] = double(records);
  state.counters["skippedMB"] = double(skipped) / double(1 << 20);
  state.SetBytesProcessed(state.iterations() * std::int64_t(bytes.size()));
  std::remove(path.c_str());
}
BENCHMARK(BM_IndexAgainstRandom)
    ->ArgNames({"shape", "random"})
    ->ArgsProduct({{kClean, kPattern, kSuspectRuns}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Cancel asked from another thread (as the dialog's button sets its flag) during the search
// through the pattern; the run ends at the next progress report. Reports how long after the
// ask that was, and the longest stretch between two reports.
void BM_CancelDuringPatternSearch(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const std::string path = benchPath("pattern");
  capfix::writeBytes(path, hostileBytes(kPattern));
  capture::CaptureRules rules;
  double worstLatencyMs = 0, worstGapMs = 0;
  for (auto _ : state) {
    capture::CaptureFile file;
    if (!file.open(path)) {
      state.SkipWithError("cannot open the capture");
      break;
    }
    std::atomic<bool> asked{false};
    std::atomic<Clock::rep> askedAt{0};
    std::thread user([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
      askedAt = Clock::now().time_since_epoch().count();
      asked = true;
    });
    Clock::time_point last = Clock::now(), answered{};
    double gapMs = 0;
    capture::CaptureIndex index;
    const capture::IndexResult result =
        capture::buildIndex(file, rules, index, [&](std::int64_t, std::int64_t) {
          const Clock::time_point now = Clock::now();
          gapMs = std::max(gapMs, std::chrono::duration<double, std::milli>(now - last).count());
          last = now;
          if (!asked) return true;
          answered = now;
          return false;
        });
    user.join();
    if (result != capture::IndexResult::Cancelled) {
      state.SkipWithError("the run ended before the Cancel");
      break;
    }
    const Clock::time_point askTime{Clock::duration(askedAt.load())};
    worstLatencyMs = std::max(worstLatencyMs, std::chrono::duration<double, std::milli>(answered - askTime).count());
    worstGapMs = std::max(worstGapMs, gapMs);
  }
  state.counters["cancelLatencyMs"] = worstLatencyMs;
  state.counters["longestGapMs"] = worstGapMs;
  std::remove(path.c_str());
}
BENCHMARK(BM_CancelDuringPatternSearch)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
