// Recording on the loopback adapter: datagrams sent to chosen ports on 127.0.0.1 are read
// back from the .pcap file with libpcap and with the program's own capture reader.
#include "CaptureIndex.h"
#include "CaptureRecording.h"
#include "NetWorkAdapterView.h"

#include "../discovery/DiscoveryFixtures.h"
#include "../support/MessageRecorder.h"
#include "RecordingFixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <gtest/gtest.h>

#include <pcap/pcap.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace {

using recording::Bytes;
using recording::CaptureContents;
using recording::LoopbackSocket;

std::string tempPath(const QTemporaryDir& dir, const QString& name) {
  return QFile::encodeName(dir.filePath(name)).toStdString();
}

// Records each mode while the same traffic goes by: datagrams to the connection's data and
// device ports, to a third port, and from source port 2368 to yet another port.
TEST(CaptureRecording, EachModeRecordsItsTrafficAndNothingElse) {
  enum Tag { ToDataPort, ToDevPort, ToOtherPort, FromSensorPort };
  struct Case {
    int mode;
    std::set<int> recorded;
  };
  const std::vector<Case> cases = {
      {10, {ToDataPort, ToDevPort}},
      {0, {FromSensorPort}},
      {1, {FromSensorPort}},  // any mode but 10 records the sensor's source ports
  };

  QTemporaryDir dir;
  LoopbackSocket dataPort, devPort, otherPort, client;
  ASSERT_TRUE(dataPort.ok() && devPort.ok() && otherPort.ok() && client.ok());
  fixtures::SensorSender sensor(fixtures::uniqueLoopbackAddress(7));
  ASSERT_TRUE(sensor.ok()) << sensor.error();

  for (const Case& row : cases) {
    SCOPED_TRACE("mode " + std::to_string(row.mode));
    MessageRecorder messages;
    const std::string path = tempPath(dir, QString("mode%1.pcap").arg(row.mode));
    NetWorkAdapterView view;
    view.m_stDevName = "lo";
    view.recordPath = path;
    view.recordMode = row.mode;
    view.recordDataPort = dataPort.port();
    view.recordDevPort = devPort.port();
    ASSERT_TRUE(view.startRecord()) << messages.shown.join("; ").toStdString();
    // Read at the start: a change now must not reach the running recording.
    view.recordMode = row.mode == 10 ? 0 : 10;
    view.recordPath = tempPath(dir, "changed.pcap");

    constexpr int kRounds = 3;
    for (int round = 0; round < kRounds; ++round) {
      sensor.sendTo(fixtures::uniqueLoopbackAddress(8), recording::taggedPayload(FromSensorPort));
      client.sendTo(dataPort.port(), recording::taggedPayload(ToDataPort));
      client.sendTo(devPort.port(), recording::taggedPayload(ToDevPort));
      client.sendTo(otherPort.port(), recording::taggedPayload(ToOtherPort));
    }
    ASSERT_TRUE(dataPort.receive(kRounds, 3000) && devPort.receive(kRounds, 3000) &&
                otherPort.receive(kRounds, 3000));
    view.stopRecord();
    EXPECT_FALSE(view.isRecording());
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join("; ").toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("changed.pcap")));

    const CaptureContents contents = recording::readCapture(path);
    ASSERT_TRUE(contents.opened) << contents.error;
    EXPECT_EQ(contents.linkType, DLT_EN10MB);
    EXPECT_TRUE(contents.error.empty()) << contents.error;
    // Other tests may send on loopback too: every record must pass the filter, and ours
    // must all be there.
    EXPECT_EQ(contents.otherRecords, 0);
    for (const recording::CapturedPacket& packet : contents.packets) {
      if (row.mode == 10)
        EXPECT_TRUE(packet.destPort == dataPort.port() || packet.destPort == devPort.port())
            << packet.destPort;
      else
        EXPECT_TRUE(packet.sourcePort == 2368 || packet.sourcePort == 2369) << packet.sourcePort;
    }
    std::vector<int> tags = recording::ourTags(contents);
    std::map<int, int> counts;
    for (int tag : tags) ++counts[tag];
    std::map<int, int> expected;
    for (int tag : row.recorded) expected[tag] = kRounds;
    EXPECT_EQ(counts, expected);
    for (const recording::CapturedPacket& packet : contents.packets) {
      const int tag = recording::tagOf(packet.payload);
      if (tag < 0) continue;
      EXPECT_EQ(packet.payload, recording::taggedPayload(tag));
    }
    EXPECT_EQ(view.recordedPackets(), contents.packets.size());

    // The playback reader walks the same file and uses every record of sensor size.
    capture::CaptureFile file;
    ASSERT_TRUE(file.open(path));
    capture::CaptureIndex index;
    ASSERT_EQ(capture::buildIndex(file, capture::CaptureRules{}, index),
              capture::IndexResult::Completed);
    const auto sensorSized = std::count_if(
        contents.packets.begin(), contents.packets.end(), [](const recording::CapturedPacket& p) {
          return p.recordBytes >= capture::kMinRecordBytes && p.recordBytes <= capture::kMaxRecordBytes;
        });
    EXPECT_EQ(static_cast<long>(index.dataPositionsPerPacket.size()), sensorSized);
    EXPECT_GE(sensorSized, kRounds);
  }
}

TEST(CaptureRecording, StopOnAQuietAdapterReturnsAtOnceWithAValidEmptyFile) {
  QTemporaryDir dir;
  LoopbackSocket unused1, unused2;  // nobody sends to these ports
  const std::string path = tempPath(dir, "quiet.pcap");
  NetWorkAdapterView view;
  view.m_stDevName = "lo";
  view.recordPath = path;
  view.recordMode = 10;
  view.recordDataPort = unused1.port();
  view.recordDevPort = unused2.port();
  ASSERT_TRUE(view.startRecord());
  EXPECT_TRUE(view.isRecording());
  QTest::qWait(300);
  QElapsedTimer timer;
  timer.start();
  view.stopRecord();
  EXPECT_LT(timer.elapsed(), 1000);
  EXPECT_FALSE(view.isRecording());
  const CaptureContents contents = recording::readCapture(path);
  ASSERT_TRUE(contents.opened) << contents.error;
  EXPECT_TRUE(contents.packets.empty());
}

TEST(CaptureRecording, PacketsReachTheFileAsTheyComeAndDestroyingTheViewEndsTheRecording) {
  QTemporaryDir dir;
  LoopbackSocket data, dev, client;
  const std::string path = tempPath(dir, "destroyed.pcap");
  auto view = std::make_unique<NetWorkAdapterView>();
  view->m_stDevName = "lo";
  view->recordPath = path;
  view->recordMode = 10;
  view->recordDataPort = data.port();
  view->recordDevPort = dev.port();
  ASSERT_TRUE(view->startRecord());
  for (int tag = 0; tag < 5; ++tag) client.sendTo(data.port(), recording::taggedPayload(tag));
  ASSERT_TRUE(data.receive(5, 3000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->recordedPackets() >= 5; }, 3000));
  // Read while the recording still runs: every packet is flushed as it is written.
  EXPECT_EQ(recording::ourTags(recording::readCapture(path)), (std::vector<int>{0, 1, 2, 3, 4}));
  for (int tag = 5; tag < 8; ++tag) client.sendTo(data.port(), recording::taggedPayload(tag));
  ASSERT_TRUE(data.receive(3, 3000));
  QElapsedTimer timer;
  timer.start();
  view.reset();
  EXPECT_LT(timer.elapsed(), 1000);
  EXPECT_EQ(recording::ourTags(recording::readCapture(path)),
            (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(CaptureRecording, StartingAgainEndsTheRunningRecordingFirst) {
  QTemporaryDir dir;
  LoopbackSocket data, dev, client;
  NetWorkAdapterView view;
  view.m_stDevName = "lo";
  view.recordMode = 10;
  view.recordDataPort = data.port();
  view.recordDevPort = dev.port();
  const std::vector<std::string> paths = {tempPath(dir, "first.pcap"), tempPath(dir, "second.pcap")};
  for (std::size_t i = 0; i < paths.size(); ++i) {
    view.recordPath = paths[i];
    ASSERT_TRUE(view.startRecord());
    client.sendTo(data.port(), recording::taggedPayload(static_cast<int>(i)));
    ASSERT_TRUE(data.receive(1, 3000));
  }
  view.stopRecord();
  EXPECT_EQ(recording::ourTags(recording::readCapture(paths[0])), std::vector<int>{0});
  EXPECT_EQ(recording::ourTags(recording::readCapture(paths[1])), std::vector<int>{1});
}

TEST(CaptureRecording, StartFailuresAreShownWithTheReasonAndNothingRecords) {
  QTemporaryDir dir;
  struct Case {
    const char* what;
    std::string device;
    std::string path;
    int mode;
    int dataPort;
    QString message;  // start of the one message shown
  };
  const std::vector<Case> cases = {
      {"no adapter", "", tempPath(dir, "a.pcap"), 0, 2368,
       "warring|Please Select the captured network adapter"},
      {"missing adapter", "lvnosuch0", tempPath(dir, "b.pcap"), 0, 2368,
       "warring|Unable to record: Unable to open the adapter lvnosuch0: "},
      {"port out of range", "lo", tempPath(dir, "c.pcap"), 10, 70000,
       "warring|Unable to record: Unable to compile filter \"udp dst port 70000 or udp dst port 2369 \": "},
      {"missing directory", "lo", tempPath(dir, "no/such/dir/d.pcap"), 0, 2368,
       "warring|Unable to record: Unable to create the capture file: "},
      {"a directory", "lo", QFile::encodeName(dir.path()).toStdString(), 0, 2368,
       "warring|Unable to record: Unable to create the capture file: "},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    MessageRecorder messages;
    NetWorkAdapterView view;
    view.m_stDevName = row.device;
    view.recordPath = row.path;
    view.recordMode = row.mode;
    view.recordDataPort = row.dataPort;
    view.recordDevPort = 2369;
    EXPECT_FALSE(view.startRecord());
    EXPECT_FALSE(view.isRecording());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].startsWith(row.message)) << messages.shown[0].toStdString();
    if (row.path != QFile::encodeName(dir.path()).toStdString()) {
      EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(row.path.c_str())));
    }
    view.stopRecord();  // harmless without a recording
  }
}

TEST(CaptureRecording, AFileThatCannotBeWrittenIsRefusedAtTheStartWithAMessage) {
  // /dev/full opens but refuses every write: the file header, written at once, fails.
  MessageRecorder messages;
  LoopbackSocket data;
  NetWorkAdapterView view;
  view.m_stDevName = "lo";
  view.recordPath = "/dev/full";
  view.recordMode = 10;
  view.recordDataPort = data.port();
  EXPECT_FALSE(view.startRecord());
  EXPECT_FALSE(view.isRecording());
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_TRUE(messages.shown[0].startsWith("warring|Unable to record: Unable to write the capture file: Writing the "
                                           "capture file failed: "))
      << messages.shown[0].toStdString();
}

TEST(CaptureRecording, WithoutCapturePermissionTheStartFailsWithAClearMessage) {
  QTemporaryDir dir;
  const std::string path = tempPath(dir, "denied.pcap");
  const fixtures::UnprivilegedRun run = fixtures::runUnprivileged([&path] {
    RecordingSession session;
    std::string error;
    const bool opened = session.open({"lo", path, 0, 2368, 2369}, &error);
    return (opened ? "opened|" : "refused|") + error;
  });
  ASSERT_TRUE(run.problem.empty()) << run.problem << " (the start)";
  const std::string& report = run.report;
  EXPECT_EQ(report.rfind("refused|", 0), 0u) << report;
  EXPECT_NE(report.find("needs root or the CAP_NET_RAW capability"), std::string::npos) << report;
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
}

}  // namespace
