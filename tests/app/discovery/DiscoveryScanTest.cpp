// Discovery scans on real adapters: loopback for device-information packets, a veth pair
// with its peer in a network namespace for ARP.
#include "DiscoveryScan.h"
#include "NetWorkAdapterView.h"

#include "DiscoveryFixtures.h"
#include "../support/MessageRecorder.h"
#include "QtPrinters.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <gtest/gtest.h>


#include <chrono>
#include <cstring>
#include <memory>

namespace {

using fixtures::Bytes;

QVector<NetworkInfoARP> waitForResult(QSignalSpy& spy, int timeoutMs) {
  if (spy.isEmpty() && !spy.wait(timeoutMs)) return {};
  return spy.takeFirst().at(0).value<QVector<NetworkInfoARP>>();
}

TEST(DiscoveryScan, DevicePacketsFromPort2368OnLoopbackAreFoundOnceEach) {
  const std::string source = fixtures::uniqueLoopbackAddress(1);
  const std::string first = fixtures::uniqueLoopbackAddress(2);
  const std::string second = fixtures::uniqueLoopbackAddress(3);
  const std::string rejected = fixtures::uniqueLoopbackAddress(4);
  fixtures::SensorSender sender(source);
  ASSERT_TRUE(sender.ok()) << sender.error();

  const Bytes sensorA = fixtures::DevicePacketBuilder().ports(2368, 2369).build();
  const Bytes sensorB = fixtures::DevicePacketBuilder().ports(3001, 3002).build();
  // Each rejected packet goes to its own address: accepted by mistake, it would show up.
  const std::vector<std::pair<std::string, Bytes>> traffic = {
      {first, sensorA},
      {first, sensorA},  // the same sensor again
      {second, sensorB},
      {rejected, fixtures::DevicePacketBuilder().mac(fixtures::kOtherMac).build()},
      {fixtures::uniqueLoopbackAddress(5), fixtures::DevicePacketBuilder().length(1205).build()},
      {fixtures::uniqueLoopbackAddress(6), fixtures::DevicePacketBuilder().length(1207).build()},
  };

  NetWorkAdapterView view;
  view.m_stDevName = "lo";
  view.isArpScan = false;
  view.scanWindowMs = 1500;
  QSignalSpy found(&view, &NetWorkAdapterView::onSignalAllARP);
  fixtures::RepeatingSender repeat([&] {
    for (const auto& [destination, payload] : traffic) sender.sendTo(destination, payload);
  });
  view.onSlotQueryARP_Mac();
  // Another run of this test may be sending on loopback too: keep our own source's records.
  const QVector<NetworkInfoARP> delivered = waitForResult(found, 10000);
  QVector<NetworkInfoARP> sensors;
  for (const NetworkInfoARP& sensor : delivered)
    if (sensor.srcIP.toStdString() == source) sensors.append(sensor);

  ASSERT_EQ(sensors.size(), 2);
  EXPECT_EQ(sensors[0].dstIP.toStdString(), first);
  EXPECT_EQ(sensors[0].dataPort, 2368);
  EXPECT_EQ(sensors[0].devPort, 2369);
  EXPECT_EQ(sensors[0].srcMAC, "00-00-00-00-00-00");  // loopback frames carry no MACs
  // raw holds the frame from its first byte: the 42 header bytes, then the packet's start.
  EXPECT_TRUE(std::equal(sensors[0].raw.begin() + 42, sensors[0].raw.end(), sensorA.begin()));
  EXPECT_EQ(sensors[1].dstIP.toStdString(), second);
  EXPECT_EQ(sensors[1].dataPort, 3001);
  EXPECT_EQ(sensors[1].devPort, 3002);
  EXPECT_EQ(view.foundSensors.size(), delivered.size());
  EXPECT_FALSE(view.isScanning());
}

TEST(DiscoveryScan, QuietAdapterEndsWithinTheWindowPlusOneSecond) {
  // Loopback never carries ARP, so an ARP scan there sees nothing for its whole window.
  NetWorkAdapterView view;
  view.m_stDevName = "lo";
  view.isArpScan = true;
  QSignalSpy found(&view, &NetWorkAdapterView::onSignalAllARP);
  QElapsedTimer timer;
  timer.start();
  view.onSlotQueryARP_Mac();
  ASSERT_TRUE(found.wait(20000));
  const qint64 elapsed = timer.elapsed();
  EXPECT_TRUE(found.at(0).at(0).value<QVector<NetworkInfoARP>>().isEmpty());
  EXPECT_GE(elapsed, discoveryModeParams(discovery::ScanMode::Arp).windowMs - 500);
  EXPECT_LE(elapsed, discoveryModeParams(discovery::ScanMode::Arp).windowMs + 1000);
}

TEST(DiscoveryScan, ArpFramesWithThePrefixAreFoundOnAVethPair) {
  fixtures::NamespacedVeth veth("Sensor LAN");
  if (!veth.ok()) GTEST_SKIP() << "network namespaces or veth pairs cannot be made here";

  const std::vector<Bytes> frames = {
      fixtures::ArpFrameBuilder().senderIp({10, 77, 0, 1}).build(),            // 42 bytes
      fixtures::ArpFrameBuilder().senderIp({10, 77, 0, 2}).padTo(60).build(),  // padded
      fixtures::ArpFrameBuilder().senderIp({10, 77, 0, 3}).source(fixtures::kOtherMac).build(),
      fixtures::ArpFrameBuilder().senderIp({10, 77, 0, 4}).vlanTag(true).padTo(64).build(),
  };

  // The alias names the adapter in the table; choosing its row picks the capture name.
  NetWorkAdapterView view;
  QTableWidget* table = view.findChild<QTableWidget*>("tableWidget");
  int row = -1;
  for (int r = 0; r < table->rowCount(); ++r)
    if (table->item(r, 1)->text() == "Sensor LAN") row = r;
  ASSERT_GE(row, 0);
  table->setCurrentCell(row, 0);
  QTest::mouseClick(view.findChild<QPushButton*>("Btn_Ensure"), Qt::LeftButton);
  ASSERT_EQ(view.m_stDevName, veth.localName());

  view.isArpScan = true;
  view.scanWindowMs = 1500;
  QSignalSpy found(&view, &NetWorkAdapterView::onSignalAllARP);
  fixtures::RepeatingSender repeat([&] { veth.sendFromPeer(frames); });
  view.onSlotQueryARP_Mac();
  const QVector<NetworkInfoARP> sensors = waitForResult(found, 10000);

  ASSERT_EQ(sensors.size(), 2);
  EXPECT_EQ(sensors[0].srcIP, "10.77.0.1");
  EXPECT_EQ(sensors[1].srcIP, "10.77.0.2");
  for (const NetworkInfoARP& sensor : sensors) {
    EXPECT_EQ(sensor.srcMAC, "02-4c-56-10-20-30");
    EXPECT_EQ(sensor.dstMAC, "ff-ff-ff-ff-ff-ff");
    EXPECT_EQ(sensor.dstIP, "10.77.0.254");
    EXPECT_EQ(sensor.dataPort, 0);
    EXPECT_EQ(sensor.devPort, 0);
  }
  EXPECT_TRUE(std::equal(frames[0].begin(), frames[0].end(), sensors[0].raw.begin()));
}

TEST(DiscoveryScan, AdapterThatCannotBeOpenedEndsAtOnceAndIsReportedOnce) {
  MessageRecorder messages;
  NetWorkAdapterView view;
  view.m_stDevName = "lvnosuch0";
  QSignalSpy found(&view, &NetWorkAdapterView::onSignalAllARP);
  for (int round = 0; round < 2; ++round) {
    view.onSlotQueryARP_Mac();
    ASSERT_TRUE(found.wait(3000)) << "round " << round;
    EXPECT_TRUE(found.takeFirst().at(0).value<QVector<NetworkInfoARP>>().isEmpty());
  }
  ASSERT_EQ(messages.shown.size(), 1) << messages.shown.join("; ").toStdString();
  EXPECT_TRUE(messages.shown[0].startsWith("warring|Unable to capture on the adapter: "));
}

TEST(DiscoveryScan, QueryWithoutAnAdapterAsksForOne) {
  MessageRecorder messages;
  NetWorkAdapterView view;
  QSignalSpy found(&view, &NetWorkAdapterView::onSignalAllARP);
  view.onSlotQueryARP_Mac();
  EXPECT_EQ(messages.shown,
            QStringList{"warring|The Ethernet network port is empty!Select a network port first!"});
  EXPECT_FALSE(view.isScanning());
}

TEST(DiscoveryScan, WithoutCapturePermissionTheScanEndsWithAClearMessage) {
  const fixtures::UnprivilegedRun run = fixtures::runUnprivileged([] {
    std::atomic<bool> stop{false};
    const DiscoveryScanResult result =
        scanDevices({"lo", discovery::ScanMode::DevicePacket, 3000}, stop);
    return std::to_string(result.sensors.size()) + "|" + result.error.toStdString();
  });
  ASSERT_TRUE(run.problem.empty()) << run.problem << " (the scan)";
  const std::string& report = run.report;
  EXPECT_EQ(report.substr(0, 2), "0|");
  EXPECT_NE(report.find("needs root or the CAP_NET_RAW capability"), std::string::npos) << report;
}

TEST(DiscoveryScan, DestroyingTheViewStopsARunningScan) {
  auto view = std::make_unique<NetWorkAdapterView>();
  view->m_stDevName = "lo";
  view->isArpScan = true;  // a ten-second window
  view->onSlotQueryARP_Mac();
  ASSERT_TRUE(view->isScanning());
  QTest::qWait(200);
  QElapsedTimer timer;
  timer.start();
  view.reset();
  EXPECT_LT(timer.elapsed(), 3000);
  QCoreApplication::processEvents();  // a result posted meanwhile must go nowhere
}

}  // namespace
