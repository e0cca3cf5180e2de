#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "TestDriver.h"

using coretest::DevicePacket;
using coretest::Message;
using coretest::MessageLog;

namespace {

const Message kNotUpdated{"Equipment package is not update!!!", 10023};

// A driver with a message log and (optionally) one device-information packet received.
struct DeviceFixture {
  MessageLog log;  // outlives the driver
  GetLidarDataDll_Test driver;
  explicit DeviceFixture(const DevicePacket* packet) {
    driver.SetCallbackMessage(&log.fn);
    if (packet) feed(*packet);
  }
  void feed(const DevicePacket& packet) {
    decoder()->onReceiveData(LidarDataType_Device, packet.bytes.data(), 1206);
  }
  TestDecoder* decoder() { return driver.testDecoder(); }
};

DevicePacket crafted() {
  DevicePacket p;
  p.be16(8, 600)
      .lidarIp({192, 168, 1, 100})
      .octets(14, {192, 168, 1, 102})
      .octets(18, {0x00, 0x0A, 0xFF, 0x10, 0x02, 0x03})
      .be16(24, 2368)
      .be16(26, 2369)
      .be16(40, 0x0102)
      .octets(44, {0x03, 0x04})
      .octets(52, {0x24, 0x09, 0x05, 0x08, 0x03, 0x07})
      .text(58, "3030.1234N")
      .text(68, "11412.5678")
      .byte(78, 'S')
      .byte(79, 'E')
      .octets(1198, {0x01, 0x02, 0x03, 0x04, 0x56, 0x78});
  return p;
}

TEST(DeviceGetters, ReadTheLastDeviceInformationPacket) {
  struct Row {
    const char* name;
    std::function<std::string(GetLidarDataDll&)> get;
    std::string expected;
  };
  auto num = [](int v) { return std::to_string(v); };
  const std::vector<Row> rows = {
      {"rotate speed", [&](GetLidarDataDll& d) { return num(d.GetLidarRotateSpeed()); }, "600"},
      {"lidar ip", [](GetLidarDataDll& d) { return d.GetLidarIP(); }, "192.168.1.100"},
      {"computer ip", [](GetLidarDataDll& d) { return d.GetComputerIP(); }, "192.168.1.102"},
      {"mac", [](GetLidarDataDll& d) { return d.GetMacAddress(); }, "0.a.ff.10.2.3"},
      {"data port", [&](GetLidarDataDll& d) { return num(d.GetDataPort()); }, "2368"},
      {"device port", [&](GetLidarDataDll& d) { return num(d.GetDevPort()); }, "2369"},
      {"rotate state", [&](GetLidarDataDll& d) { return num(d.GetLidarRotateState()); }, "258"},
      {"source selection", [&](GetLidarDataDll& d) { return num(d.GetLidarSoureSelection()); }, "3"},
      {"firmware", [](GetLidarDataDll& d) { return d.GetFPGA_Verdion(); }, "258.3.4- v5.6.7.8"},
      {"gps time", [](GetLidarDataDll& d) { return d.GetGPS_Time(); }, "2036/9/5 8:3:7"},
      {"latitude", [](GetLidarDataDll& d) { return d.GetGPS_Latitude(); }, "3030.1234NS"},
      {"longitude", [](GetLidarDataDll& d) { return d.GetGPS_Longitude(); }, "11412.5678E"},
  };
  const DevicePacket packet = crafted();
  DeviceFixture withPacket(&packet);
  DeviceFixture without(nullptr);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.get(withPacket.driver), row.expected);
    without.log.clear();
    EXPECT_EQ(row.get(without.driver), "-1");
    EXPECT_EQ(without.log.all(), std::vector<Message>{kNotUpdated});
  }
  EXPECT_TRUE(withPacket.log.all().empty());

  // Device layout flag clear: 16-bit source selection, major as byte x 100 + byte.
  withPacket.decoder()->m_DeviceLayoutFlag = false;
  EXPECT_EQ(withPacket.driver.GetLidarSoureSelection(), 0x0304);
  EXPECT_EQ(withPacket.driver.GetFPGA_Verdion(), "102.3.4- v5.6.7.8");
}

using Bytes = std::vector<std::pair<std::size_t, std::vector<int>>>;  // offset, expected bytes

TEST(DeviceSetters, WriteTheConfigurationPacketOrReportInOrder) {
  struct Row {
    const char* name;
    std::function<bool(GetLidarDataDll&)> set;
    bool result;
    std::vector<Message> messages;
    Bytes bytes;  // configuration packet bytes afterwards
  };
  const std::string lidarFail = "Failed to set the Lidar IP address!!!";
  const std::string destFail = "Failed to set the computer IP address!!!";
  const std::vector<Row> rows = {
      {"lidar ip",
       [](GetLidarDataDll& d) { return d.SetLidarIP("192.168.1.201"); },
       true,
       {},
       {{10, {0xC0, 0xA8, 0x01, 0xC9}}}},
      {"lidar ip three parts",
       [](GetLidarDataDll& d) { return d.SetLidarIP("192.168.1"); },
       false,
       {{"Please enter the full Lidar IP address!!!" + lidarFail, 10025}},
       {{10, {192, 168, 1, 100}}}},
      {"lidar ip empty fourth",
       [](GetLidarDataDll& d) { return d.SetLidarIP("192.168.1."); },
       false,
       {{"Please enter the full Lidar IP address!!!" + lidarFail, 10025}},
       {}},
      {"lidar ip broadcast",
       [](GetLidarDataDll& d) { return d.SetLidarIP("192.168.1.255"); },
       false,
       {{"The Lidar IP cannot be set to broadcast(x.x.x.255)!!!", 10025}, {lidarFail, 10025}},
       {{10, {192, 168, 1, 100}}}},
      {"lidar ip loopback",
       [](GetLidarDataDll& d) { return d.SetLidarIP("127.0.0.1"); },
       false,
       {{"The Lidar IP cannot be set to 127.x.x.x!!!", 10025}, {lidarFail, 10025}},
       {}},
      {"lidar ip zero",
       [](GetLidarDataDll& d) { return d.SetLidarIP("0.1.2.3"); },
       false,
       {{"The Lidar IP cannot be set to 0.x.x.x!!!", 10025}, {lidarFail, 10025}},
       {}},
      {"lidar ip multicast",
       [](GetLidarDataDll& d) { return d.SetLidarIP("224.1.1.1"); },
       false,
       {{"The Lidar IP cannot be set to 224.x.x.x!!!", 10025}, {lidarFail, 10025}},
       {}},
      {"lidar ip part above 255",
       [](GetLidarDataDll& d) { return d.SetLidarIP("192.168.1.300"); },
       false,
       {{lidarFail, 10025}},
       {{10, {192, 168, 1, 100}}}},
      {"lidar ip first above 255",
       [](GetLidarDataDll& d) { return d.SetLidarIP("448.1.1.1"); },
       false,
       {{lidarFail, 10025}},
       {{10, {192, 168, 1, 100}}}},
      {"lidar ip not a number",
       [](GetLidarDataDll& d) { return d.SetLidarIP("192.168.x.1"); },
       false,
       {{lidarFail, 10025}},
       {{10, {192, 168, 1, 100}}}},
      {"lidar ip empty part",
       [](GetLidarDataDll& d) { return d.SetLidarIP("192..1.2"); },
       false,
       {{lidarFail, 10025}},
       {}},
      {"lidar ip huge number",
       [](GetLidarDataDll& d) { return d.SetLidarIP("99999999999.1.1.1"); },
       false,
       {{lidarFail, 10025}},
       {}},
      {"dest ip multicast",
       [](GetLidarDataDll& d) { return d.SetComputerIP("226.1.1.102"); },
       true,
       {},
       {{14, {226, 1, 1, 102}}}},
      {"dest ip broadcast fourth",
       [](GetLidarDataDll& d) { return d.SetComputerIP("192.168.1.255"); },
       true,
       {},
       {{14, {192, 168, 1, 255}}}},
      {"dest ip 240",
       [](GetLidarDataDll& d) { return d.SetComputerIP("240.0.0.1"); },
       false,
       {{"The Dest IP cannot be set to 240.x.x.x!!!", 10026}, {destFail, 10026}},
       {{14, {192, 168, 1, 102}}}},
      {"dest ip three parts",
       [](GetLidarDataDll& d) { return d.SetComputerIP("10.0.0"); },
       false,
       {{"Please enter the full Dest IP address!!! Failed to set the Dest(Computer) IP address!!!", 10026}},
       {}},
      {"dest ip empty fourth",
       [](GetLidarDataDll& d) { return d.SetComputerIP("10.0.0."); },
       false,
       {{"Please enter the full Dest IP address!!!Failed to set the Dest(Computer) IP address!!!", 10026}},
       {}},
      {"dest ip not a number",
       [](GetLidarDataDll& d) { return d.SetComputerIP("10.0.0.-1"); },
       false,
       {{destFail, 10026}},
       {{14, {192, 168, 1, 102}}}},
      {"data port", [](GetLidarDataDll& d) { return d.SetDataPort(2368); }, true, {}, {{24, {0x09, 0x40}}}},
      {"device port", [](GetLidarDataDll& d) { return d.SetDevPort(6699); }, true, {}, {{26, {0x1A, 0x2B}}}},
      {"data port too large",
       [](GetLidarDataDll& d) { return d.SetDataPort(70000); },
       false,
       {{"Failed to set the data port!!! The port must be 1 to 65535.", 10024}},
       {{24, {0x09, 0x40}}}},
      {"device port zero",
       [](GetLidarDataDll& d) { return d.SetDevPort(0); },
       false,
       {{"Failed to set the device port!!! The port must be 1 to 65535.", 10024}},
       {{26, {0x09, 0x41}}}},
      {"rotate speed",
       [](GetLidarDataDll& d) { return d.SetLidarRotateSpeed(1200); },
       true,
       {},
       {{8, {0x04, 0xB0}}}},
      {"rotate speed negative",
       [](GetLidarDataDll& d) { return d.SetLidarRotateSpeed(-1); },
       false,
       {{"Failed to set the Lidar rotate speed!!! The speed must be 0 to 65535.", 10024}},
       {{8, {0x02, 0x58}}}},
      {"rotate state",
       [](GetLidarDataDll& d) { return d.SetLidarRotateState(1); },
       false,
       {{"The Lidar does not support this function (setLidarRotateState)!!!", 10024}},
       {}},
      {"source selection",
       [](GetLidarDataDll& d) { return d.SetLidarSoureSelection(1); },
       false,
       {{"The Lidar does not support this function (setLidarSoureSelection)!!!", 10024}},
       {}},
      {"work state",
       [](GetLidarDataDll& d) { return d.SetLidarWorkState(1); },
       false,
       {{"The Lidar does not support this function (setLidarWorkState)!!", 10024}},
       {}},
  };
  const DevicePacket packet = crafted();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DeviceFixture f(&packet);
    EXPECT_EQ(row.set(f.driver), row.result);
    EXPECT_EQ(f.log.all(), row.messages);
    const auto config = f.decoder()->configPacket();
    for (const auto& [offset, expected] : row.bytes)
      for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(config[offset + i], expected[i]) << offset + i;
  }
}

TEST(DeviceSetters, WithoutADevicePacketReportTwiceAndWriteNothing) {
  DeviceFixture f(nullptr);
  EXPECT_FALSE(f.driver.SetLidarIP("192.168.1.201"));
  EXPECT_FALSE(f.driver.SetDataPort(2368));
  EXPECT_EQ(f.log.all(), std::vector<Message>(4, kNotUpdated));
  EXPECT_EQ(f.decoder()->configPacket()[10], 0);
}

// Receives on a free loopback port, standing in for the sensor's configuration port.
struct FakeSensor {
  lumivar::UdpSocket socket;
  std::uint16_t port = 0;
  FakeSensor() {
    socket.open();
    socket.bindAny(0);
    port = socket.localPort();
  }
  // The next datagram within the wait, or empty.
  std::vector<unsigned char> receive(int waitMs) {
    const lumivar::UdpSocket* sockets[1] = {&socket};
    bool readable[1] = {false};
    if (lumivar::waitReadable(sockets, readable, 1, nullptr, waitMs) != lumivar::WaitResult::Readable)
      return {};
    std::vector<unsigned char> buffer(2000);
    const long n = socket.receive(buffer.data(), buffer.size());
    buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return buffer;
  }
};

TEST(DeviceSend, SendsTheEditedPacketToTheLidarAndStartsAFreshOneAfterwards) {
  FakeSensor sensor;
  DevicePacket packet = crafted();
  packet.lidarIp({127, 0, 0, 1}).octets(160, {1, 2, 3, 4, 5, 6, 7, 8});
  DeviceFixture f(&packet);
  f.decoder()->setConfigDestinationPort(sensor.port);

  ASSERT_TRUE(f.driver.SetLidarIP("192.168.1.201"));
  ASSERT_TRUE(f.driver.SetDataPort(2370));  // the second edit goes into the same packet
  ASSERT_TRUE(f.driver.SendLidarData_UDP());
  const std::vector<unsigned char> sent = sensor.receive(5000);
  ASSERT_EQ(sent.size(), 1206u);
  EXPECT_EQ(std::vector<unsigned char>(sent.begin(), sent.begin() + 8),
            (std::vector<unsigned char>{0xAA, 0x00, 0xFF, 0x11, 0x22, 0x22, 0xAA, 0xAA}));
  EXPECT_EQ(std::vector<unsigned char>(sent.begin() + 10, sent.begin() + 14),
            (std::vector<unsigned char>{0xC0, 0xA8, 0x01, 0xC9}));
  EXPECT_EQ(sent[24], 0x09);
  EXPECT_EQ(sent[25], 0x42);
  EXPECT_EQ(sent[8], 0x02);  // carried from the device packet
  EXPECT_EQ(sent[1198], 0x01);
  for (std::size_t i : {52u, 59u, 160u, 167u}) EXPECT_EQ(sent[i], 0) << i;

  // After the send a setter needs a newer device packet.
  EXPECT_FALSE(f.driver.SetDevPort(2371));
  EXPECT_EQ(f.log.all(), std::vector<Message>(2, kNotUpdated));
  f.feed(packet);
  ASSERT_TRUE(f.driver.SetDevPort(2371));
  ASSERT_TRUE(f.driver.SendLidarData_UDP());
  const std::vector<unsigned char> second = sensor.receive(5000);
  ASSERT_EQ(second.size(), 1206u);
  EXPECT_EQ(second[10], 127);  // the earlier edits are gone
  EXPECT_EQ(second[25], 0x40);
  EXPECT_EQ(second[27], 0x43);
}

TEST(DeviceSend, WithoutALidarAddressNothingIsSent) {
  FakeSensor sensor;
  DeviceFixture f(nullptr);
  f.decoder()->setConfigDestinationPort(sensor.port);
  EXPECT_FALSE(f.driver.SendLidarData_UDP());
  EXPECT_TRUE(sensor.receive(300).empty());
}

class Calibration : public ::testing::Test {
protected:
  void SetUp() override {
    m_Dir = std::filesystem::temp_directory_path() /
            ("lumivar_calib_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(m_Dir);
    std::filesystem::create_directories(m_Dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_Dir); }
  static std::string contents(const std::filesystem::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::filesystem::path m_Dir;
  const std::string m_Header = "ID,ActualDistance,LidarDistanc,Diff,PulseWidth,T\n";
};

TEST_F(Calibration, OpensBothFilesForAMarkedPathAndClosesThem) {
  GetLidarDataDll_Test driver;
  TestDecoder* d = driver.testDecoder();
  const std::vector<float> list = {1, 2, 3, 4, 5, 6, 7, 0.5f};
  const std::string path10 = (m_Dir / "cal_10%_a.csv").string();
  EXPECT_FALSE(driver.SetCalibrationParam(3, 1500.f, true, list, path10, false));  // false in every case
  EXPECT_TRUE(d->calibrationFileOpen(1));
  EXPECT_TRUE(d->calibrationFileOpen(2));
  const DecoderSettings s = d->settingsCopy();
  EXPECT_EQ(s.calibChannel, 3);
  EXPECT_FLOAT_EQ(s.calibDistance, 1500.f);
  EXPECT_EQ(s.calibPath, (m_Dir / "cal_70%_a.csv").string());
  const auto bounds = d->calibrationBounds();
  EXPECT_EQ(bounds[1], (std::array<float, 4>{5, 6, 7, 0.5f}));
  EXPECT_EQ(bounds[2], (std::array<float, 4>{9999.f, -999.f, 9999.f, -9999.f}));

  EXPECT_FALSE(driver.SetCalibrationParam(3, 1500.f, false, list, "", true));
  EXPECT_FALSE(d->calibrationFileOpen(1));
  EXPECT_FALSE(d->calibrationFileOpen(2));
  EXPECT_EQ(contents(path10), m_Header);
  EXPECT_EQ(contents(m_Dir / "cal_70%_a.csv"), m_Header);
}

TEST_F(Calibration, ClosingFinishesBothFilesWhateverListComesWithIt) {
  const std::vector<float> opened = {1, 2, 3, 4, 5, 6, 7, 0.5f};
  const std::vector<std::vector<float>> closingLists = {{}, {7, 7, 7, 7}, std::vector<float>(33, 1.f)};
  for (const std::vector<float>& closing : closingLists) {
    SCOPED_TRACE("closing with " + std::to_string(closing.size()) + " floats");
    MessageLog log;
    GetLidarDataDll_Test driver;
    driver.SetCallbackMessage(&log.fn);
    TestDecoder* d = driver.testDecoder();
    const std::string tag = std::to_string(closing.size());
    const std::string path10 = (m_Dir / ("cal_10%_" + tag + ".csv")).string();
    driver.SetCalibrationParam(3, 1500.f, true, opened, path10, false);
    ASSERT_TRUE(d->calibrationFileOpen(1) && d->calibrationFileOpen(2));

    EXPECT_FALSE(driver.SetCalibrationParam(3, 1500.f, false, closing, "", true));
    EXPECT_FALSE(d->calibrationFileOpen(1));
    EXPECT_FALSE(d->calibrationFileOpen(2));
    EXPECT_EQ(contents(path10), m_Header);
    EXPECT_EQ(contents(m_Dir / ("cal_70%_" + tag + ".csv")), m_Header);
    EXPECT_FALSE(d->settingsCopy().calibOpen);  // collection stops: the select box decides again
    EXPECT_TRUE(d->settingsCopy().calibClose);
    EXPECT_EQ(d->calibrationBounds()[0], (std::array<float, 4>{1, 2, 3, 4}));  // nothing copied
    EXPECT_EQ(d->settingsCopy().calibList, opened);
    EXPECT_TRUE(log.all().empty());
  }
}

TEST_F(Calibration, ListsOfAnyLengthUpToThirtyTwoAreTaken) {
  struct Row {
    const char* name;
    std::vector<float> list;
    bool taken;
    std::array<float, 4> record1;  // the second bounds record afterwards
  };
  const std::array<float, 4> unset = {9999.f, -999.f, 9999.f, -9999.f};
  const Row rows[] = {
      {"two floats: one angle range", {1, 2}, true, unset},
      {"six floats: three angle ranges", {1, 2, 3, 4, 5, 6}, true, unset},
      {"nine floats: two whole records", {1, 2, 3, 4, 5, 6, 7, 8, 9}, true, {5, 6, 7, 8}},
      {"thirty-two floats", std::vector<float>(32, 1.f), true, {1, 1, 1, 1}},
      {"thirty-three floats", std::vector<float>(33, 1.f), false, unset},
      {"empty list to open", {}, false, unset},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MessageLog log;
    GetLidarDataDll_Test driver;
    driver.SetCallbackMessage(&log.fn);
    TestDecoder* d = driver.testDecoder();
    const std::string path = (m_Dir / ("list_" + std::to_string(row.list.size()) + ".csv")).string();
    EXPECT_FALSE(driver.SetCalibrationParam(2, 1.f, true, row.list, path, false));
    EXPECT_EQ(d->settingsCopy().calibList, row.taken ? row.list : std::vector<float>());
    EXPECT_EQ(d->calibrationBounds()[1], row.record1);
    EXPECT_EQ(std::filesystem::exists(path), row.taken);
    if (row.taken) {
      EXPECT_TRUE(log.all().empty());
    } else {
      ASSERT_EQ(log.all().size(), 1u);
      EXPECT_EQ(log.all()[0].second, 10024);
      EXPECT_EQ(log.all()[0].first.rfind("Failed to set the calibration parameters!!!", 0), 0u);
    }
  }
}

TEST_F(Calibration, UnmarkedPathOpensOneFile) {
  GetLidarDataDll_Test driver;
  TestDecoder* d = driver.testDecoder();
  const std::string plain = (m_Dir / "plain.csv").string();
  driver.SetCalibrationParam(1, 1000.f, true, {1, 2, 3, 4, 5, 6}, plain, false);
  EXPECT_TRUE(d->calibrationFileOpen(1));
  EXPECT_FALSE(d->calibrationFileOpen(2));
  EXPECT_EQ(d->settingsCopy().calibPath, plain);
}

// A sensor stand-in on loopback: sends device packets to the driver's device port and
// receives the configuration packets the driver sends back.
TEST(DeviceSend, AShortDevicePacketNeverReachesTheConfigurationPacket) {
  MessageLog log;
  std::atomic<int> devicePackets{0};
  std::function<void(unsigned char*, int)> onDevice = [&](unsigned char*, int) { ++devicePackets; };
  FakeSensor sensor;
  GetLidarDataDll_Test driver;
  driver.SetCallbackMessage(&log.fn);
  driver.SetDecCallBackFun(&onDevice);
  driver.testDecoder()->setConfigDestinationPort(sensor.port);
  const std::uint16_t dataPort = coretest::freeUdpPort(), devPort = coretest::freeUdpPort();
  driver.LidarTypeInit(dataPort, devPort, "127.0.0.1");
  driver.LidarStart();

  DevicePacket full = crafted();
  full.lidarIp({127, 0, 0, 1});
  ASSERT_EQ(sensor.socket.sendTo("127.0.0.1", devPort, full.bytes.data(), full.bytes.size()), 1206);
  ASSERT_TRUE(coretest::waitUntil([&] { return devicePackets.load() == 1; }));
  const std::vector<unsigned char> shortPacket(full.bytes.begin(), full.bytes.begin() + 14);
  ASSERT_EQ(sensor.socket.sendTo("127.0.0.1", devPort, shortPacket.data(), shortPacket.size()), 14);
  ASSERT_TRUE(coretest::waitUntil([&] { return !log.withCode(kPacketsDroppedCode).empty(); }));
  EXPECT_EQ(log.withCode(kPacketsDroppedCode)[0].first,
            "Short device-information packets ignored: 1 (a device packet has 1206 bytes)");
  EXPECT_EQ(devicePackets.load(), 1);

  ASSERT_TRUE(driver.SetLidarRotateSpeed(1200));
  ASSERT_TRUE(driver.SendLidarData_UDP());
  const std::vector<unsigned char> sent = sensor.receive(5000);
  driver.LidarStop();
  ASSERT_EQ(sent.size(), 1206u);
  const std::vector<std::pair<std::size_t, std::vector<int>>> expected = {
      {8, {0x04, 0xB0}},              // the new speed
      {10, {127, 0, 0, 1}},           // lidar address
      {14, {192, 168, 1, 102}},       // destination address
      {24, {0x09, 0x40, 0x09, 0x41}}, // data and device ports
  };
  for (const auto& [offset, bytes] : expected)
    for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(sent[offset + i], bytes[i]) << offset + i;
}

}  // namespace
