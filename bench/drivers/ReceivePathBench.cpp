// Receive path on loopback: a paced sender sends 1,212-byte datagrams to a driver's data
// port; the receive thread hands them to the decoder's packet entry, whose queue a decode
// loop empties. Counters: datagrams sent, delivered to the queue, lost, and the delivered rate.
// Argument: send rate in datagrams per second (0: as fast as the sender can).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "LIDAR_Template.h"
#include "UdpSocket.h"

namespace {

constexpr std::size_t kDatagramBytes = 1212;                  // a point packet of the 1,212-byte models
constexpr long kUnpacedDatagrams = 200000;                    // paced runs send one second of traffic
constexpr auto kDrainQuiet = std::chrono::milliseconds(100);  // no arrival for this long: done

// Counts what reaches the queue; its loop pops like a model decoder, without decoding.
class CountingDecoder : public LIDAR_Template {
public:
  ~CountingDecoder() override { stopAndWait(); }
  void onReceiveData(_LidarDataType kind, const unsigned char* bytes, unsigned short length) override {
    LIDAR_Template::onReceiveData(kind, bytes, length);
    if (length >= kMinQueuedPacketBytes) delivered.fetch_add(1, std::memory_order_relaxed);
  }
  void dataProcessThread() override {
    while (!m_Stop.load()) {
      std::unique_ptr<unsigned char[]> data;
      std::size_t length = 0;
      if (!popPacket(data, length)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    clearQueue();
  }
  std::atomic<long> delivered{0};
};

std::uint16_t freePort() {
  lumivar::UdpSocket probe;
  probe.open();
  probe.bindAny(0);
  return probe.localPort();
}

void BM_ReceivePath(benchmark::State& state) {
  const long rate = state.range(0);
  CountingDecoder decoder;
  const std::uint16_t dataPort = freePort();
  decoder.LidarTypeInit(dataPort, freePort(), "127.0.0.1");
  if (!decoder.LidarStart()) {
    state.SkipWithError("the receiver did not start");
    return;
  }
  lumivar::UdpSocket sender;
  sender.open();
  std::vector<unsigned char> packet(kDatagramBytes, 0x5A);

  long sent = 0, delivered = 0;
  double sendSeconds = 0;
  for (auto _ : state) {
    const long before = decoder.delivered.load();
    const auto start = std::chrono::steady_clock::now();
    const long count = rate > 0 ? rate : kUnpacedDatagrams;
    for (long i = 0; i < count; ++i) {
      if (rate > 0) {
        const auto due = start + std::chrono::nanoseconds(i * 1000000000LL / rate);
        while (std::chrono::steady_clock::now() < due) {
        }
      }
      if (sender.sendTo("127.0.0.1", dataPort, packet.data(), packet.size()) ==
          static_cast<long>(kDatagramBytes))
        ++sent;
    }
    sendSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long seen = decoder.delivered.load();
    for (;;) {
      std::this_thread::sleep_for(kDrainQuiet);
      const long now = decoder.delivered.load();
      if (now == seen) break;
      seen = now;
    }
    delivered += seen - before;
  }
  state.counters["sent"] = static_cast<double>(sent);
  state.counters["delivered"] = static_cast<double>(delivered);
  state.counters["lost"] = static_cast<double>(sent - delivered);
  state.counters["loss_pct"] =
      sent > 0 ? 100.0 * static_cast<double>(sent - delivered) / static_cast<double>(sent) : 0;
  state.counters["send_rate_per_s"] = sendSeconds > 0 ? static_cast<double>(sent) / sendSeconds : 0;
}

BENCHMARK(BM_ReceivePath)
    ->Arg(1700)
    ->Arg(20000)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(125000)
    ->Arg(150000)
    ->Arg(200000)
    ->Arg(300000)
    ->Arg(400000)
    ->Arg(0)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
