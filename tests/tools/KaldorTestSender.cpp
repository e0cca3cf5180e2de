// Sends an endless sweep of Kaldor_v4_0 point-data packets to a UDP port, standing in for a
// sensor: kaldor_test_sender [--ip 127.0.0.1] [--port 2368] [--hz 10] [--turns 0 = endless]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "KaldorSweep.h"
#include "UdpSocket.h"

int main(int argc, char** argv) {
  std::string ip = "127.0.0.1";
  int port = 2368;
  double hz = 10.0;
  long turns = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const char* value = argv[i + 1];
    if (key == "--ip") ip = value;
    else if (key == "--port") port = std::atoi(value);
    else if (key == "--hz") hz = std::atof(value);
    else if (key == "--turns") turns = std::atol(value);
    else {
      std::fprintf(stderr, "usage: %s [--ip A.B.C.D] [--port N] [--hz turns per second] [--turns N]\n", argv[0]);
      return 2;
    }
  }
  if (port < 1 || port > 65535 || hz <= 0.0) {
    std::fprintf(stderr, "port must be 1-65535 and hz above 0\n");
    return 2;
  }
  lumivar::UdpSocket socket;
  if (!socket.open()) {
    std::fprintf(stderr, "cannot open a UDP socket: %s\n", socket.lastError().c_str());
    return 1;
  }
  std::printf("Sending Kaldor_v4_0 packets (sub-model byte %d, %d points a turn) to %s:%d at %.1f Hz\n",
              kaldor_sweep::kModelLormet, kaldor_sweep::kPointsPerFrame, ip.c_str(), port, hz);
  std::fflush(stdout);

  using Clock = std::chrono::steady_clock;
  const auto packetPeriod = std::chrono::duration<double>(1.0 / (hz * kaldor_sweep::kPacketsPerTurn));
  const auto start = Clock::now();
  const long lastPacket = turns > 0 ? turns * kaldor_sweep::kPacketsPerTurn : -1;
  for (long n = 0; lastPacket < 0 || n < lastPacket; ++n) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
    const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds);
    const auto packet = kaldor_sweep::buildPacket(n, static_cast<std::uint64_t>(seconds.count()),
                                                  static_cast<std::uint32_t>(nanos.count()));
    if (socket.sendTo(ip, static_cast<std::uint16_t>(port), packet.data(), packet.size()) < 0) {
      std::fprintf(stderr, "send failed: %s\n", socket.lastError().c_str());
      return 1;
    }
    std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(packetPeriod * (n + 1)));
  }
  return 0;
}
