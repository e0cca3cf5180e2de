#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "FakeDriverControl.h"
#include "Halverd.h"
#include "HalverdPanels.h"

namespace {

QApplication& widgetApplication() {
  static int argc = 1;
  static char name[] = "glue_panels_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Runs the event loop until the condition holds (generous bound: a failure, not a timing).
bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 10000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

const FakeDriverControl& fakeCoravel() {
  void* handle = ::dlopen(FAKE_DRIVER_DIR "/libLidarDriverCoravel.so", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) throw std::runtime_error(::dlerror());
  auto get = reinterpret_cast<const FakeDriverControl* (*)()>(::dlsym(handle, FAKE_DRIVER_CONTROL_SYMBOL));
  return *get();
}

TEST(HalverdPanels, PanelsShowTheDriverAndTheSelection) {
  widgetApplication();
  ::setenv("LUMIVAR_DRIVER_DIR", FAKE_DRIVER_DIR, 1);
  Halverd glue;
  ASSERT_NE(glue.settingWidget, nullptr);
  ASSERT_NE(glue.aboutWidget, nullptr);
  ASSERT_NE(glue.advancedSettingWidget, nullptr);

  glue.settingWidget->show();  // switches still 0
  EXPECT_EQ(glue.settingWidget->shownText(), QStringLiteral("Nothing to show"));
  glue.settingWidget->hide();
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Coravel"));
  glue.settingWidget->isShowDeviceInfo = 1;
  glue.settingWidget->isShowNetworkInfo = 1;
  glue.settingWidget->show();
  const QString summary = glue.settingWidget->shownText();
  EXPECT_TRUE(summary.contains(QStringLiteral("LidarType_Coravel"))) << summary.toStdString();
  EXPECT_TRUE(summary.contains(QStringLiteral("LidarType_Fake_v0.0.1_2024/01/01")));
  // The device values once the driver has had a device packet.
  fakeCoravel().emitDevicePacket();
  EXPECT_TRUE(waitFor([&] { return glue.settingWidget->shownText().contains(QStringLiteral("192.168.1.200")); }))
      << glue.settingWidget->shownText().toStdString();

  glue.aboutWidget->setupAbout(true);
  EXPECT_FALSE(glue.aboutWidget->shownText().contains(QStringLiteral("Lumivar")));
  glue.aboutWidget->setupAbout(false);
  EXPECT_TRUE(glue.aboutWidget->shownText().contains(QStringLiteral("Lumivar")));

  HalverdAdvancedPanel& advanced = *glue.advancedSettingWidget;
  advanced.angleWindow = SelectionAngleWindow{10.f, 20.5f, -2.f, 3.f, 42};
  advanced.setSelectionState(true);
  EXPECT_TRUE(advanced.shownText().contains(QStringLiteral("42")));
  EXPECT_TRUE(advanced.shownText().contains(QStringLiteral("20.500")));
  advanced.setSelectionState(false);
  EXPECT_EQ(advanced.shownText(), QStringLiteral("No selection"));
}

#ifdef KALDOR_DRIVER

// A UDP port free at the moment of asking (the tests run in parallel).
unsigned freeUdpPort() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  socklen_t n = sizeof a;
  unsigned port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) == 0)
    port = ntohs(a.sin_port);
  ::close(fd);
  return port;
}

void sendTo(unsigned port, const std::vector<unsigned char>& bytes) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  ::close(fd);
}

// A device-information packet: 1206 bytes, big-endian fields.
std::vector<unsigned char> devicePacket() {
  std::vector<unsigned char> p(1206, 0);
  const unsigned char header[8] = {0xA5, 0xFF, 0x00, 0x5A, 0x11, 0x11, 0x55, 0x55};
  std::copy(header, header + 8, p.begin());
  const unsigned char lidarIp[4] = {192, 168, 1, 201};
  std::copy(lidarIp, lidarIp + 4, p.begin() + 10);
  const unsigned char mac[6] = {0x00, 0x0A, 0xFF, 0x10, 0x02, 0x03};
  std::copy(mac, mac + 6, p.begin() + 18);
  p[24] = 0x09, p[25] = 0x40;  // data port 2368
  p[26] = 0x09, p[27] = 0x41;  // device port 2369
  const unsigned char firmware[6] = {0x01, 0x02, 0x03, 0x04, 0x56, 0x78};
  std::copy(firmware, firmware + 6, p.begin() + 1198);
  return p;
}

// Live on loopback with the real Kaldor driver library: before any device packet the panel
// says that the sensor has not reported its values (and shows the connection's own address and
// ports); once a device packet comes, the open panel shows what it says.
TEST(HalverdPanels, SettingsPanelShowsTheSensorsDevicePacketOrThatNoneHasCome) {
  widgetApplication();
  const QByteArray driverDir = QFileInfo(QStringLiteral(KALDOR_DRIVER)).absolutePath().toLocal8Bit();
  ::setenv("LUMIVAR_DRIVER_DIR", driverDir.constData(), 1);
  Halverd glue;
  QStringList logs;
  QObject::connect(&glue, &Halverd::onSendDataLogToSaveSignal, [&](const QString& text, int) { logs << text; });
  const unsigned dataPort = freeUdpPort(), devPort = freeUdpPort();
  ASSERT_NE(dataPort, 0u);
  ASSERT_NE(devPort, 0u);

  HalverdSettingPanel& panel = *glue.settingWidget;
  panel.isShowDeviceInfo = 1;
  panel.isShowNetworkInfo = 1;
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Kaldor_v4_0"));
  panel.show();
  const QString library = QStringLiteral("Library: LidarType_Kaldor_v4_0_");
  EXPECT_TRUE(panel.shownText().contains(QStringLiteral("Connection: not started"))) << panel.shownText().toStdString();

  ASSERT_TRUE(glue.startRun(dataPort, devPort, "127.0.0.1", "224.1.1.1", false));
  const QString connection =
      QStringLiteral("Connection: address 127.0.0.1, data port %1, device port %2").arg(dataPort).arg(devPort);
  ASSERT_TRUE(waitFor([&] { return panel.shownText().contains(connection); })) << panel.shownText().toStdString();
  const QString before = panel.shownText();
  EXPECT_TRUE(before.startsWith(QStringLiteral("Model: LidarType_Kaldor_v4_0\n") + library)) << before.toStdString();
  EXPECT_TRUE(before.endsWith(connection + QStringLiteral("\n\n"
                                                           "Reported by the sensor (device packets):\n"
                                                           "No device packet has come from the sensor yet.\n"
                                                           "Lidar IP: not reported yet\n"
                                                           "Data port: not reported yet\n"
                                                           "Device port: not reported yet\n"
                                                           "Firmware: not reported yet\n"
                                                           "MAC: not reported yet")))
      << before.toStdString();
  EXPECT_FALSE(before.contains(QStringLiteral("-1")));

  sendTo(devPort, devicePacket());
  const QString reported = QStringLiteral(
      "Reported by the sensor (device packets):\n"
      "Lidar IP: 192.168.1.201\n"
      "Data port: 2368\n"
      "Device port: 2369\n"
      "Firmware: 102.3.4- v5.6.7.8\n"
      "MAC: 0.a.ff.10.2.3");
  ASSERT_TRUE(waitFor([&] { return panel.shownText().endsWith(reported); })) << panel.shownText().toStdString();
  EXPECT_TRUE(panel.shownText().contains(connection));
  EXPECT_TRUE(logs.filter(QStringLiteral("Equipment package is not update")).isEmpty())
      << "the panel asks the driver only for what it has: " << logs.join('\n').toStdString();

  // The last report stays with the disconnected driver; a new connection starts unreported.
  glue.stoptRun();
  ASSERT_TRUE(waitFor([&] { return panel.shownText().contains(QStringLiteral("Connection: disconnected")); }));
  EXPECT_TRUE(panel.shownText().endsWith(reported));
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Kaldor_v4_0"));
  ASSERT_TRUE(glue.startRun(dataPort, devPort, "127.0.0.1", "224.1.1.1", false));
  ASSERT_TRUE(waitFor([&] { return panel.shownText().contains(connection); }));
  EXPECT_TRUE(panel.shownText().contains(QStringLiteral("No device packet has come from the sensor yet.")));
  EXPECT_TRUE(panel.shownText().contains(QStringLiteral("Lidar IP: not reported yet")));
  glue.stoptRun();
}

#endif

}  // namespace
