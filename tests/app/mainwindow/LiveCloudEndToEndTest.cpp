// End to end: the test sender plays a sensor on loopback; the window, connected through the
// real glue and the real Kaldor driver library, shows its cloud. A screenshot of the window is
// kept in the build tree as mainwindow_live_cloud.png.
#include <QApplication>

#include <algorithm>
#include <iostream>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QFileDialog>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QProcess>
#include <QStandardItemModel>
#include <QTest>

#include <vtkMapper.h>
#include <vtkPointData.h>
#include <vtkPolyData.h>
#include <vtkUnsignedCharArray.h>

#include "DeviceLookupConnection.h"
#include "FileDialogSeam.h"
#include "OffLineClass.h"
#include "selectSaveDataPacket.h"
#include "KaldorSweep.h"
#include "NetWorkAdapterView.h"
#include "MainWindowTestSupport.h"
#include "UdpSocket.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

std::uint16_t freeUdpPort() {
  lumivar::UdpSocket probe;
  if (!probe.open() || !probe.bindAny(0)) return 0;
  return probe.localPort();
}

// Share of pixels in a rectangle that differ from the view's black background.
double litShare(const QImage& image, const QRect& area) {
  long lit = 0, all = 0;
  for (int y = area.top(); y <= area.bottom(); y += 2)
    for (int x = area.left(); x <= area.right(); x += 2) {
      const QRgb c = image.pixel(x, y);
      lit += qRed(c) + qGreen(c) + qBlue(c) > 120;
      ++all;
    }
  return all ? static_cast<double>(lit) / static_cast<double>(all) : 0.0;
}

// The cloud the viewer holds under an id: its bounds and the share of its points drawn in
// one colour.
vtkPolyData* viewerCloud(pcl::visualization::PCLVisualizer* viewer, const std::string& id) {
  auto clouds = viewer->getCloudActorMap();
  auto it = clouds->find(id);
  if (it == clouds->end() || !it->second.actor || !it->second.actor->GetMapper()) return nullptr;
  return vtkPolyData::SafeDownCast(it->second.actor->GetMapper()->GetInput());
}

double shareInColour(vtkPolyData* cloud, int r, int g, int b) {
  auto* colours = cloud ? vtkUnsignedCharArray::SafeDownCast(cloud->GetPointData()->GetScalars()) : nullptr;
  if (!colours || colours->GetNumberOfTuples() == 0) return 0.0;
  const int n = colours->GetNumberOfComponents();
  long same = 0;
  for (vtkIdType i = 0; i < colours->GetNumberOfTuples(); ++i)
    same += colours->GetValue(i * n) == r && colours->GetValue(i * n + 1) == g && colours->GetValue(i * n + 2) == b;
  return static_cast<double>(same) / static_cast<double>(colours->GetNumberOfTuples());
}

DeviceLookupConnection* shownConnectionDialog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<DeviceLookupConnection*>(w); dialog && dialog->isVisible()) return dialog;
  return nullptr;
}

template <typename T>
T* child(QWidget* parent, const char* name) {
  T* found = parent->findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// Connects the way a user does: the connect button, then the connection dialog's fields and OK.
void connectThroughTheDialog(newLumivar& window, std::uint16_t dataPort, std::uint16_t devPort) {
  window.form().pBn_Connect->click();
  DeviceLookupConnection* dialog = shownConnectionDialog();
  ASSERT_NE(dialog, nullptr) << "the connect button opens the connection dialog";
  child<QRadioButton>(dialog, "radioButton_Kaldor")->setChecked(true);
  QComboBox* models = child<QComboBox>(dialog, "comboBox_LidarType");
  models->setCurrentIndex(models->findText("LidarType_Kaldor_v4_0"));
  ASSERT_EQ(models->currentText(), "LidarType_Kaldor_v4_0");
  child<QLineEdit>(dialog, "lineEdit_DestIP")->setText("127.0.0.1");
  child<QLineEdit>(dialog, "lineEdit_DataPort")->setText(QString::number(dataPort));
  child<QLineEdit>(dialog, "lineEdit_DevPort")->setText(QString::number(devPort));
  NetWorkAdapterView* adapters = dialog->adapterView();
  if (adapters->adapterCount > 0) {  // OK wants a capture adapter chosen first
    child<QPushButton>(dialog, "pushButton_QueryNet")->click();
    child<QPushButton>(adapters, "Btn_Ensure")->click();
  }
  child<QPushButton>(dialog, "pBn_OK")->click();
}

class LiveCloud : public ::testing::Test {
protected:
  void TearDown() override {
    if (sender.state() != QProcess::NotRunning) {
      sender.kill();
      sender.waitForFinished(5000);
    }
  }
  QProcess sender;
};

TEST_F(LiveCloud, SenderCloudAppearsInTheView) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  application();
  WindowEnvironment env({"LidarType_Kaldor=LidarType_Kaldor_v4_0"});
  newLumivar window;
  window.show();

  const std::uint16_t dataPort = freeUdpPort();
  const std::uint16_t devPort = freeUdpPort();
  ASSERT_NE(dataPort, 0);
  ASSERT_NE(devPort, 0);
  connectThroughTheDialog(window, dataPort, devPort);
  ASSERT_TRUE(window.connected()) << "boxes: " << env.boxes.size()
                                  << (env.boxes.empty() ? "" : " " + env.boxes[0].text.toStdString());

  sender.start(LUMIVAR_TEST_SENDER, {"--port", QString::number(dataPort), "--source-port", "0", "--hz", "10"});
  ASSERT_TRUE(sender.waitForStarted(5000));

  // The first frame is the turn up to the split azimuth; the next ones are whole turns.
  auto* viewer = window.viewer();
  const bool whole = QTest::qWaitFor([&] {
    return viewerPointCount(viewer, "realTime_points") == kaldor_sweep::kPointsPerFrame;
  }, 30000);
  EXPECT_TRUE(whole) << "realTime_points holds " << viewerPointCount(viewer, "realTime_points");
  EXPECT_EQ(viewerPointCount(viewer, "realTime_points_0"), -1);
  EXPECT_NE(window.pointTable()->item(0, 4), nullptr);
  EXPECT_TRUE(env.boxes.empty());

  // The stand-in's room, as the README describes it.
  double bounds[6];
  ASSERT_NE(viewerCloud(viewer, "realTime_points"), nullptr);
  viewerCloud(viewer, "realTime_points")->GetBounds(bounds);
  const double across = std::max(bounds[1] - bounds[0], bounds[3] - bounds[2]);
  std::cout << "cloud spans x " << bounds[0] << " .. " << bounds[1] << ", y " << bounds[2] << " .. " << bounds[3]
            << ", z " << bounds[4] << " .. " << bounds[5] << "\n";
  EXPECT_GT(across, 25.0);
  EXPECT_LT(across, 35.0);

  // Let a few more frames replace it under the same id, then look at the window.
  QTest::qWait(500);
  EXPECT_EQ(viewerPointCount(viewer, "realTime_points"), kaldor_sweep::kPointsPerFrame);
  const QImage shot = window.grab().toImage();
  const QString path = QDir::current().absoluteFilePath("mainwindow_live_cloud.png");
  EXPECT_TRUE(shot.save(path)) << path.toStdString();
  const QRect view(window.form().screen->mapTo(&window, QPoint(0, 0)), window.form().screen->size());
  EXPECT_GT(litShare(shot, view), 0.01) << "the cloud is drawn in the view; see " << path.toStdString();

  window.form().pBn_Connect->click();
  EXPECT_FALSE(window.connected());
}

// The README's stand-in path: the sender sends from the sensor's port, "Save all Lidar data"
// records it, and the recording opens and replays in the same window. Capturing needs root
// or CAP_NET_RAW (the tests run as root). Screenshot: mainwindow_replayed_recording.png.
TEST_F(LiveCloud, TheStandInIsRecordedWithSaveAllLidarDataAndReplays) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  application();
  WindowEnvironment env({"LidarType_Kaldor=LidarType_Kaldor_v4_0"});
  newLumivar window;
  window.show();
  const std::uint16_t dataPort = freeUdpPort();
  const std::uint16_t devPort = freeUdpPort();
  connectThroughTheDialog(window, dataPort, devPort);
  ASSERT_TRUE(window.connected());
  window.connectionDialog()->adapterView()->m_stDevName = "lo";  // the adapter the user picks

  // From port 2368, as a sensor; another test may hold that port for a moment.
  for (int attempt = 0; attempt < 40; ++attempt) {
    sender.start(LUMIVAR_TEST_SENDER, {"--port", QString::number(dataPort), "--hz", "10"});
    ASSERT_TRUE(sender.waitForStarted(5000));
    if (!sender.waitForFinished(300)) break;
    QTest::qWait(250);
  }
  ASSERT_EQ(sender.state(), QProcess::Running) << sender.readAllStandardError().toStdString();
  auto* viewer = window.viewer();
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewerPointCount(viewer, "realTime_points") == kaldor_sweep::kPointsPerFrame; },
                              30000));

  QTemporaryDir dir;
  const QString recordingPath = dir.filePath("standin.pcap");
  ScopedFileDialogHook answer([&](const FileDialogRequest&) { return recordingPath; });
  window.getSelectSaveDataTypeSlot(0, 0);  // "Save all Lidar data"
  QTest::qWait(1500);                      // about 15 turns
  window.form().pBn_DataStorage->click();  // the same button ends the recording
  // Other programs may send from port 2368 too: the stand-in's turns at least.
  const QRegularExpression finished(R"(^Finished recording\n(\d+) packets were recorded\.$)");
  int recorded = 0;
  for (const RecordedBox& b : env.boxes)
    if (const QRegularExpressionMatch m = finished.match(b.text); m.hasMatch()) recorded = m.captured(1).toInt();
  ASSERT_GT(recorded, 10) << "the stand-in's packets are counted";
  sender.kill();
  sender.waitForFinished(5000);
  window.form().pBn_Connect->click();
  ASSERT_FALSE(window.connected());

  // Open the recording: model first, then the file.
  OffLineClass* panel = window.form().widget_offLineData;
  window.form().pBn_OpenPacket->click();
  selectSaveDataPacket* open = panel->mOpenDialog;
  ASSERT_TRUE(QTest::qWaitFor([&] { return open->isVisible(); }, 5000));
  open->ui.radioButton_Pcap->setChecked(true);
  open->ui.radioButton_Kaldor->setChecked(true);
  open->ui.comboBox_LidarType->setCurrentIndex(open->ui.comboBox_LidarType->findText("LidarType_Kaldor_v4_0"));
  ASSERT_EQ(open->ui.comboBox_LidarType->currentText(), "LidarType_Kaldor_v4_0");
  // Other programs on this machine may send from port 2368 too: only the stand-in's stream.
  open->ui.checkBox_isUse->setChecked(true);
  open->ui.lineEdit_LidarIP->setText("127.0.0.1");
  open->ui.lineEdit_DestIP->setText("127.0.0.1");
  open->ui.lineEdit_DataPort->setText(QString::number(dataPort));
  open->ui.lineEdit_DevPort->setText(QString::number(devPort));
  open->ui.pushButton_OK->click();
  QFileDialog* files = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] {
    for (QFileDialog* d : panel->findChildren<QFileDialog*>("captureFileDialog"))
      if (d->isVisible()) files = d;
    return files != nullptr;
  }, 5000));
  files->selectFile(recordingPath);
  static_cast<QDialog*>(files)->accept();
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->frameCount > 0; }, 10000));
  EXPECT_GE(panel->frameCount, 10) << "one frame per recorded turn";
  EXPECT_EQ(window.form().label_StatusBarShow_1->text(), "Current play Pcap pcaket: " + recordingPath);
  EXPECT_TRUE(window.windowTitle().endsWith(" --LidarType_Kaldor_v4_0"));

  viewer->removeAllPointClouds();
  panel->ui.toolButton_Play->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewerPointCount(viewer, "realTime_points") == kaldor_sweep::kPointsPerFrame; },
                              30000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->currentFrame() >= 3; }, 30000));
  const QImage shot = window.grab().toImage();
  const QString path = QDir::current().absoluteFilePath("mainwindow_replayed_recording.png");
  EXPECT_TRUE(shot.save(path)) << path.toStdString();
  const QRect view(window.form().screen->mapTo(&window, QPoint(0, 0)), window.form().screen->size());
  EXPECT_GT(litShare(shot, view), 0.01) << "the replayed cloud is drawn in the view; see " << path.toStdString();
  panel->ui.toolButton_GoToEnd->click();
}

// A colour mode chosen in the combo is still the one the cloud is drawn in after a
// disconnect and a new connection.
TEST_F(LiveCloud, TheColourModeShownSurvivesAReconnect) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  application();
  WindowEnvironment env({"LidarType_Kaldor=LidarType_Kaldor_v4_0"});
  newLumivar window;
  window.show();
  const std::uint16_t dataPort = freeUdpPort();
  const std::uint16_t devPort = freeUdpPort();
  ASSERT_NE(dataPort, 0);
  connectThroughTheDialog(window, dataPort, devPort);
  ASSERT_TRUE(window.connected());
  sender.start(LUMIVAR_TEST_SENDER, {"--port", QString::number(dataPort), "--hz", "10", "--source-port", "0"});
  ASSERT_TRUE(sender.waitForStarted(5000));
  auto* viewer = window.viewer();
  auto wholeFrameShown = [&] {
    return viewerPointCount(viewer, "realTime_points") == kaldor_sweep::kPointsPerFrame;
  };
  ASSERT_TRUE(QTest::qWaitFor(wholeFrameShown, 30000));
  EXPECT_LT(shareInColour(viewerCloud(viewer, "realTime_points"), 255, 255, 255), 0.5) << "intensity colours";

  QComboBox* colours = window.form().comboBox_ColorSelect;
  colours->setCurrentIndex(colours->findText("Solid"));
  emit colours->activated(colours->currentIndex());
  const auto allWhite = [&] { return shareInColour(viewerCloud(viewer, "realTime_points"), 255, 255, 255) == 1.0; };
  ASSERT_TRUE(QTest::qWaitFor(allWhite, 10000)) << "the solid mode draws every point white";

  window.form().pBn_Connect->click();
  ASSERT_FALSE(window.connected());
  connectThroughTheDialog(window, dataPort, devPort);
  ASSERT_TRUE(window.connected());
  EXPECT_EQ(viewerPointCount(viewer, "realTime_points"), -1) << "a start clears the view";
  ASSERT_TRUE(QTest::qWaitFor(wholeFrameShown, 30000));
  EXPECT_EQ(colours->currentText(), "Solid");
  EXPECT_DOUBLE_EQ(shareInColour(viewerCloud(viewer, "realTime_points"), 255, 255, 255), 1.0)
      << "the new run draws in the mode the combo shows";
  window.form().pBn_Connect->click();
}

}  // namespace
