// Replay feed through the glue into a real driver library (the core's test driver, placed
// under a model's library name): the per-packet cost the playback worker pays.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <vector>

#include "Halverd.h"

namespace {

QCoreApplication& application() {
  static int argc = 1;
  static char name[] = "bench_glue";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return *app;
}

// Test decoder packet: byte 8 point count, byte 16 + i distance (m).
std::vector<unsigned char> packet(int points) {
  std::vector<unsigned char> bytes(1212, 0);
  bytes[8] = static_cast<unsigned char>(points);
  for (int i = 0; i < points; ++i) bytes[16 + i] = 5;
  return bytes;
}

void BM_GlueReplayFeed(benchmark::State& state) {
  application();
  QTemporaryDir dir;
  const std::string link = dir.path().toStdString() + "/libLidarDriverUlmeth.so";
  if (::symlink(TEST_DRIVER_ALPHA, link.c_str()) != 0) {
    state.SkipWithError("cannot place the test driver");
    return;
  }
  ::setenv("LUMIVAR_DRIVER_DIR", dir.path().toLocal8Bit().constData(), 1);
  Halverd glue;
  if (!glue.initClassLidarType("LidarType_Ulmeth")) {
    state.SkipWithError("test driver not loaded");
    return;
  }
  glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", true);
  std::vector<unsigned char> bytes = packet(static_cast<int>(state.range(0)));
  long fed = 0;
  for (auto _ : state) {
    glue.getOffLineData(bytes.data(), static_cast<unsigned short>(bytes.size()), LidarDataType_Point, false, 1);
    // Let the event loop take the frames now and then, as the program's would.
    if (++fed % 1024 == 0) QCoreApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<long>(bytes.size()));
}
// A fixed count: the driver queues what its decode thread has not taken yet.
BENCHMARK(BM_GlueReplayFeed)->Arg(0)->Arg(32)->Iterations(100000)->UseRealTime();

}  // namespace
