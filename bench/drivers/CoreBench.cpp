#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "LidarData.h"
#include "PointColoring.h"
#include "UdpSocket.h"

namespace {

std::vector<PointInfo> samplePoints() {
  std::vector<PointInfo> points(4096);
  for (std::size_t i = 0; i < points.size(); ++i) {
    PointInfo& p = points[i];
    p.x = static_cast<float>(i % 40) - 20.f;
    p.y = static_cast<float>(i % 30) - 15.f;
    p.z = static_cast<float>(i % 12) - 4.f;
    p.H_angle = static_cast<float>(i % 360);
    p.V_angle = static_cast<float>(i % 30) - 15.f;
    p.Distance = static_cast<float>(i % 100);
    p.Intensity = static_cast<std::uint8_t>(i);
    p.Channel = static_cast<std::uint8_t>(i % 32);
  }
  return points;
}

// Per-point colouring by mode (0-4), or bar 0 of a colour table when the argument is 5.
void BM_ColourPoint(benchmark::State& state) {
  std::vector<PointInfo> points = samplePoints();
  const int mode = static_cast<int>(state.range(0));
  std::vector<ColorBar> bars(mode == 5 ? 1 : 0);
  const _SetRGB_Type type = static_cast<_SetRGB_Type>(mode == 5 ? 0 : mode);
  for (auto _ : state) {
    for (PointInfo& p : points)
      if (!colourPointByMode(&p, type, mode == 5 ? 1 : 0, bars)) applyIntensityRamp(&p, p.Intensity);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
}
BENCHMARK(BM_ColourPoint)->DenseRange(0, 5);

// Filter check with no pair on (argument 0) or all six tested pairs on (argument 1).
void BM_FilterPoint(benchmark::State& state) {
  const std::vector<PointInfo> points = samplePoints();
  _FiltrationDataInitParam filter;
  if (state.range(0) == 1) {
    const float bounds[14] = {0, 360, -20, 20, 0, 200, 0, 255, -30, 30, -30, 30, -10, 10};
    for (int i = 0; i < 14; ++i) filter.pairs()[i] = bounds[i];
  }
  for (auto _ : state) {
    int passed = 0;
    for (const PointInfo& p : points) passed += passesFiltration(filter, p) ? 1 : 0;
    benchmark::DoNotOptimize(passed);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
}
BENCHMARK(BM_FilterPoint)->Arg(0)->Arg(1);

class CountingListener : public Listener {
public:
  void onReceiveData(_LidarDataType, const unsigned char*, unsigned short length) override {
    bytes.fetch_add(length, std::memory_order_relaxed);
    packets.fetch_add(1, std::memory_order_release);
  }
  std::atomic<std::uint64_t> packets{0};
  std::atomic<std::uint64_t> bytes{0};
};

std::uint16_t freePort() {
  lumivar::UdpSocket s;
  s.open();
  s.bindAny(0);
  return s.localPort();
}

// Loopback datagrams of the given size through the receive thread to one listener, in
// bursts small enough for the socket buffer; lost datagrams are counted, not waited for.
void BM_ReceiverLoopback(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  constexpr int kBurst = 64;
  LidarData receiver;
  CountingListener listener;
  receiver.addListener(&listener);
  const std::uint16_t dataPort = freePort(), devPort = freePort();
  if (!receiver.start(dataPort, devPort, "192.168.1.102")) {
    state.SkipWithError("receiver did not start");
    return;
  }
  lumivar::UdpSocket out;
  out.open();
  std::vector<unsigned char> datagram(size, 0x5A);
  std::uint64_t sent = 0, lost = 0;
  for (auto _ : state) {
    for (int i = 0; i < kBurst; ++i) out.sendTo("127.0.0.1", dataPort, datagram.data(), datagram.size());
    sent += kBurst;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (listener.packets.load(std::memory_order_acquire) + lost < sent) {
      if (std::chrono::steady_clock::now() > limit) {
        lost = sent - listener.packets.load();
        break;
      }
      std::this_thread::yield();
    }
  }
  receiver.requestStop();
  receiver.waitStopped();
  state.SetItemsProcessed(static_cast<std::int64_t>(listener.packets.load()));
  state.SetBytesProcessed(static_cast<std::int64_t>(listener.bytes.load()));
  state.counters["lost"] = static_cast<double>(lost);
}
BENCHMARK(BM_ReceiverLoopback)->Arg(1206)->Arg(1212)->Arg(56280)->UseRealTime();

}  // namespace
