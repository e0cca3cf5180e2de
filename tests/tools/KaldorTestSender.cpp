// Sends an endless sweep of Kaldor_v4_0 point-data packets to a UDP port, standing in for a
// sensor. Like a sensor it sends from its own port, 2368, so captures filtered on the
// sensor's source ports record it.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "KaldorSweep.h"
#include "UdpSocket.h"

namespace {

constexpr int kSensorPort = 2368;

void printUsage(std::FILE* to, const char* program) {
  std::fprintf(to,
               "usage: %s [--ip A.B.C.D] [--port N] [--source-port N] [--hz turns per second] [--turns N]\n"
               "  --ip           destination address (default 127.0.0.1)\n"
               "  --port         destination port (default %d)\n"
               "  --source-port  port the packets are sent from, as a sensor's (default %d; 0: any free port)\n"
               "  --hz           turns per second (default 10)\n"
               "  --turns        turns to send, 0 for endless (default 0)\n"
               "A viewer on this machine listening on port %d takes that port: send to another one\n"
               "(--port 2370, and Data Port 2370 in the viewer's connection dialog).\n",
               program, kSensorPort, kSensorPort, kSensorPort);
}

bool parseInt(const char* text, long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtol(text, &end, 10);
  return errno == 0 && end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  std::string ip = "127.0.0.1";
  long port = kSensorPort;
  long sourcePort = kSensorPort;
  double hz = 10.0;
  long turns = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string key = argv[i];
    if (key == "--help" || key == "-h") {
      printUsage(stdout, argv[0]);
      return 0;
    }
    const bool known = key == "--ip" || key == "--port" || key == "--source-port" || key == "--hz" || key == "--turns";
    if (!known || i + 1 >= argc) {
      std::fprintf(stderr, known ? "%s needs a value\n" : "unknown option %s\n", key.c_str());
      printUsage(stderr, argv[0]);
      return 2;
    }
    const char* value = argv[++i];
    bool ok = true;
    if (key == "--ip") {
      ip = value;
    } else if (key == "--port") {
      ok = parseInt(value, port);
    } else if (key == "--source-port") {
      ok = parseInt(value, sourcePort);
    } else if (key == "--hz") {
      char* end = nullptr;
      hz = std::strtod(value, &end);
      ok = end != value && *end == '\0';
    } else {
      ok = parseInt(value, turns) && turns >= 0;
    }
    if (!ok) {
      std::fprintf(stderr, "%s: \"%s\" is not a valid value\n", key.c_str(), value);
      printUsage(stderr, argv[0]);
      return 2;
    }
  }
  if (port < 1 || port > 65535 || sourcePort < 0 || sourcePort > 65535 || hz <= 0.0) {
    std::fprintf(stderr, "port must be 1-65535, source port 0-65535 and hz above 0\n");
    return 2;
  }
  lumivar::UdpSocket socket;
  if (!socket.open()) {
    std::fprintf(stderr, "cannot open a UDP socket: %s\n", socket.lastError().c_str());
    return 1;
  }
  if (sourcePort != 0 && !socket.bindAny(static_cast<std::uint16_t>(sourcePort))) {
    std::fprintf(stderr,
                 "cannot send from port %ld: %s\n"
                 "(a viewer on this machine listening on %ld? send to another port with --port, "
                 "or from any port with --source-port 0)\n",
                 sourcePort, socket.lastError().c_str(), sourcePort);
    return 1;
  }
  std::printf("Sending Kaldor_v4_0 packets (sub-model byte %d, %d points a turn) from port %u to %s:%ld at %.1f Hz\n",
              kaldor_sweep::kModelLormet, kaldor_sweep::kPointsPerFrame, unsigned(socket.localPort()), ip.c_str(), port,
              hz);
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
