// The recording session on the loopback adapter without any window: the file is a valid
// capture from its first moment, a burst is recorded whole, and the stand-in sensor, which
// sends from the sensor's port, is what "Save all Lidar data" records and replays.
#include "CaptureIndex.h"
#include "CaptureRecording.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "CaptureFixtures.h"
#include "KaldorSweep.h"
#include "RecordingFixtures.h"

namespace {

using recording::LoopbackSocket;

constexpr int kSaveAllLidarData = 0;  // records the sensor's source ports 2368 and 2369
constexpr int kConnectionPorts = 10;

// A session running on its own thread until stopped.
class RunningRecording {
 public:
  explicit RunningRecording(const RecordSettings& settings) {
    std::string error;
    opened = session.open(settings, &error);
    EXPECT_TRUE(opened) << error;
  }
  ~RunningRecording() { stop(); }
  void start() {
    if (opened) thread = std::thread([this] { failure = session.run(stopFlag); });
  }
  std::string stop() {
    stopFlag = true;
    if (thread.joinable()) thread.join();
    return failure;
  }
  bool waitFor(std::size_t packets, int timeoutMs = 20000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (session.packetsWritten() < packets) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  RecordingSession session;
  bool opened = false;
  std::atomic<bool> stopFlag{false};
  std::string failure;
  std::thread thread;
};

RecordSettings loopback(const std::string& path, int mode, int dataPort = 0, int devPort = 0) {
  RecordSettings settings;
  settings.deviceName = "lo";
  settings.path = path;
  settings.mode = mode;
  settings.dataPort = dataPort;
  settings.devPort = devPort;
  return settings;
}

struct SenderRun {
  int status = -1;
  std::string output;
};

SenderRun runSender(const std::string& arguments) {
  SenderRun run;
  const std::string command = std::string("timeout 20 ") + LUMIVAR_TEST_SENDER + " " + arguments + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[512];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(RecordingSession, TheFileIsAValidCaptureBeforeTheFirstPacket) {
  capfix::ScratchDir dir;
  LoopbackSocket unused1, unused2;  // nobody sends to these ports
  const std::string path = dir.file("early.pcap");
  RunningRecording recording(loopback(path, kConnectionPorts, unused1.port(), unused2.port()));
  ASSERT_TRUE(recording.opened);
  // As a crash right now would leave it: the header alone, on disk.
  EXPECT_EQ(std::filesystem::file_size(path), 24u);
  const recording::CaptureContents contents = recording::readCapture(path);
  EXPECT_TRUE(contents.opened) << contents.error;
  EXPECT_TRUE(contents.packets.empty());
  capture::CaptureFile file;
  EXPECT_TRUE(file.open(path)) << file.error();
}

TEST(RecordingSession, ABurstIsRecordedWholeAndReachesTheFileWhileRecording) {
  capfix::ScratchDir dir;
  LoopbackSocket data, dev, client;
  const std::string path = dir.file("burst.pcap");
  RunningRecording recording(loopback(path, kConnectionPorts, data.port(), dev.port()));
  recording.start();
  constexpr int kBurst = 5000;
  for (int tag = 0; tag < kBurst; ++tag) client.sendTo(data.port(), recording::taggedPayload(tag));
  // Flushed on the recorder's timer while it still runs.
  ASSERT_TRUE(recording.waitFor(kBurst)) << recording.session.packetsWritten() << " of " << kBurst;
  EXPECT_EQ(recording::ourTags(recording::readCapture(path)).size(), std::size_t(kBurst));
  EXPECT_EQ(recording.stop(), "");
  const std::vector<int> tags = recording::ourTags(recording::readCapture(path));
  ASSERT_EQ(tags.size(), std::size_t(kBurst));
  for (int i = 0; i < kBurst; ++i) ASSERT_EQ(tags[std::size_t(i)], i);
}

TEST(RecordingSession, AStopEndsTheRecordingWhileTheSensorKeepsSending) {
  capfix::ScratchDir dir;
  LoopbackSocket data, dev, client;
  const std::string path = dir.file("steady.pcap");
  RunningRecording recording(loopback(path, kConnectionPorts, data.port(), dev.port()));
  recording.start();
  std::atomic<bool> sending{true};
  std::atomic<int> next{0};
  std::thread sensor([&] {
    while (sending) {
      client.sendTo(data.port(), recording::taggedPayload(next++));
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  ASSERT_TRUE(recording.waitFor(500));
  const int sentBeforeStop = next.load();
  EXPECT_EQ(recording.stop(), "");
  const int sentAfterStop = next.load();
  sending = false;
  sensor.join();
  const std::vector<int> tags = recording::ourTags(recording::readCapture(path));
  ASSERT_FALSE(tags.empty());
  for (std::size_t i = 0; i < tags.size(); ++i) ASSERT_EQ(tags[i], int(i)) << "recorded without a gap";
  EXPECT_GE(int(tags.size()), sentBeforeStop - 1) << "what came before the stop is kept";
  // Nothing from well after the stop: the drain ends at the first later frame.
  EXPECT_LE(int(tags.size()), sentAfterStop + 1);
}

TEST(StandInSensor, HelpAndUnknownOptionsPrintTheUsageAndExit) {
  struct Case {
    const char* arguments;
    int status;
  };
  for (const Case& c : {Case{"--help", 0}, Case{"-h", 0}, Case{"--bogus", 2}, Case{"--port", 2},
                        Case{"--port twelve", 2}, Case{"--turns -1", 2}}) {
    SCOPED_TRACE(c.arguments);
    const SenderRun run = runSender(c.arguments);
    EXPECT_EQ(run.status, c.status) << run.output;
    EXPECT_NE(run.output.find("usage:"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("--source-port"), std::string::npos);
  }
}

TEST(StandInSensor, SaveAllLidarDataRecordsEveryPacketAndTheRecordingReplaysItsTurns) {
  capfix::ScratchDir dir;
  LoopbackSocket viewer;  // where the stand-in sends: a viewer's data port
  const std::string path = dir.file("standin.pcap");
  RunningRecording recording(loopback(path, kSaveAllLidarData));
  recording.start();

  constexpr int kTurns = 10;
  const std::string arguments = "--port " + std::to_string(viewer.port()) + " --hz 20 --turns " + std::to_string(kTurns);
  SenderRun run = runSender(arguments);
  // The sensor's port may be held for a moment by another test sending from it.
  for (int attempt = 0; attempt < 40 && run.status == 1 && run.output.find("cannot send from port") != std::string::npos;
       ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    run = runSender(arguments);
  }
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("from port 2368"), std::string::npos) << run.output;
  const std::size_t sent = std::size_t(kTurns) * kaldor_sweep::kPacketsPerTurn;
  ASSERT_TRUE(viewer.receive(int(sent), 10000));
  EXPECT_EQ(recording.stop(), "");

  std::size_t recorded = 0;
  for (const recording::CapturedPacket& p : recording::readCapture(path).packets)
    if (p.destPort == viewer.port() && p.sourcePort == 2368 && p.payload.size() == kaldor_sweep::kPacketBytes)
      ++recorded;
  EXPECT_EQ(recorded, sent);

  // Replayed as the connection dialog opens it: one frame per turn wrap.
  capture::CaptureRules rules;
  rules.lidarFamily = 0;
  rules.lidarType = "LidarType_Kaldor_v4_0";
  rules.isUse = true;
  rules.lidarIP = "127.0.0.1";
  rules.destIP = "127.0.0.1";
  rules.dataPort = viewer.port();
  rules.devPort = viewer.port();
  capture::CaptureFile file;
  ASSERT_TRUE(file.open(path)) << file.error();
  capture::CaptureIndex index;
  ASSERT_EQ(capture::buildIndex(file, rules, index), capture::IndexResult::Completed);
  EXPECT_EQ(index.frameCount, kTurns);
  EXPECT_FALSE(index.damage.any()) << capture::describeDamage(index);

  // One record header in the middle given a believable length, as a flipped bit or a
  // half-written header leaves it: only that record is lost, and the user is told its byte.
  const std::size_t records = index.dataPositionsPerPacket.size();
  ASSERT_GT(records, 800u);
  const std::int64_t damagedAt = index.dataPositionsPerPacket[700];
  const std::int64_t recordBytes = index.dataPositionsPerPacket[701] - damagedAt;
  for (const std::uint32_t length : {1300u, 20000u, 65535u, 262144u}) {
    SCOPED_TRACE(length);
    const std::string copy = dir.file("damaged.pcap");
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    {
      std::fstream f(copy, std::ios::binary | std::ios::in | std::ios::out);
      f.seekp(damagedAt + 8);
      for (int field = 0; field < 2; ++field)  // included and wire length
        for (int i = 0; i < 4; ++i) f.put(char(length >> (8 * i)));
    }
    capture::CaptureFile damaged;
    ASSERT_TRUE(damaged.open(copy)) << damaged.error();
    capture::CaptureIndex kept;
    ASSERT_EQ(capture::buildIndex(damaged, rules, kept), capture::IndexResult::Completed);
    EXPECT_EQ(kept.dataPositionsPerPacket.size(), records - 1);
    EXPECT_EQ(kept.frameCount, kTurns);
    EXPECT_EQ(kept.damage.firstDamageAt, damagedAt);
    EXPECT_EQ(capture::describeDamage(kept),
              "The capture file is damaged at byte " + std::to_string(damagedAt) + ": 1 unreadable stretch of " +
                  std::to_string(recordBytes) + " bytes in all passed over. " + std::to_string(kTurns) +
                  " frames were kept.");
  }
}

}  // namespace
