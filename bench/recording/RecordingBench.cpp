// Datagrams recorded / sent while a recording runs on the loopback adapter: one second of
// 1212-byte datagrams at a fixed rate, paced in 1 ms slices, then the file is read back.
// Needs capture rights: sudo build/release/bin/bench_recording
#include <benchmark/benchmark.h>

#include <pcap/pcap.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "CaptureRecording.h"
#include "UdpSocket.h"

namespace {

constexpr std::size_t kDatagramBytes = 1212;  // a point-data packet
constexpr int kUdpDestPortOffset = 36;        // in a plain Ethernet/IPv4/UDP frame

long countRecorded(const std::string& path, int port) {
  char error[PCAP_ERRBUF_SIZE] = {};
  pcap_t* file = pcap_open_offline(path.c_str(), error);
  if (!file) return -1;
  long count = 0;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  while (pcap_next_ex(file, &header, &data) == 1)
    if (header->caplen > kUdpDestPortOffset + 1 && ((data[kUdpDestPortOffset] << 8) | data[kUdpDestPortOffset + 1]) == port)
      ++count;
  pcap_close(file);
  return count;
}

void BM_RecordLoopback(benchmark::State& state) {
  const long rate = long(state.range(0));  // datagrams per second
  lumivar::UdpSocket sink;                   // where the datagrams go
  if (!sink.open() || !sink.bindAny(0)) {
    state.SkipWithError("no UDP socket");
    return;
  }
  const int port = sink.localPort();
  const std::string path = "/tmp/lumivar_bench_recording_" + std::to_string(getpid()) + ".pcap";
  long sent = 0;
  long recorded = 0;
  double sendSeconds = 0;
  for (auto _ : state) {
    RecordingSession session;
    RecordSettings settings;
    settings.deviceName = "lo";
    settings.path = path;
    settings.mode = 10;  // the connection's ports: only this benchmark's datagrams
    settings.dataPort = port;
    settings.devPort = port;
    std::string error;
    if (!session.open(settings, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    std::atomic<bool> stop{false};
    std::string failure;
    std::thread recorder([&] { failure = session.run(stop); });

    lumivar::UdpSocket sender;
    sender.open();
    const std::vector<unsigned char> payload(kDatagramBytes, 0x5A);
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    sent = 0;
    for (int slice = 1; slice <= 1000; ++slice) {
      for (const long due = rate * slice / 1000; sent < due; ++sent)
        sender.sendTo("127.0.0.1", std::uint16_t(port), payload.data(), payload.size());
      std::this_thread::sleep_until(start + std::chrono::milliseconds(slice));
      // Keep the sink from filling: the datagrams are counted in the capture, not here.
      unsigned char buffer[2048];
      while (sink.receive(buffer, sizeof buffer) >= 0) {
      }
    }
    sendSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    stop = true;
    recorder.join();
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      return;
    }
    recorded = countRecorded(path, port);
  }
  std::remove(path.c_str());
  state.counters["sent"] = double(sent);
  state.counters["recorded"] = double(recorded);
  state.counters["recorded/sent"] = sent > 0 ? double(recorded) / double(sent) : 0.0;
  // One sending thread may not reach the asked-for rate: what it did reach.
  state.counters["sent/s"] = sendSeconds > 0 ? double(sent) / sendSeconds : 0.0;
}

BENCHMARK(BM_RecordLoopback)
    ->Arg(1700)
    ->Arg(20000)
    ->Arg(60000)
    ->Arg(100000)
    ->Arg(150000)
    ->Arg(200000)
    ->Arg(300000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
