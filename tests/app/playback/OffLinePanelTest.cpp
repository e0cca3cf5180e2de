// The playback bar as the user drives it: its form, opening captures (through the real file
// dialog too) and PCD directories written by PCL, play, pause and steps, loop and stop, the
// messages for empty or missing input, and a replay into the real glue and Kaldor driver.
#include "OffLineClass.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <pcl/io/pcd_io.h>

#include <fstream>
#include <memory>

#include "Halverd.h"
#include "MessageBoxSeam.h"
#include "KaldorSweep.h"
#include "PlaybackFixtures.h"
#include "selectSaveDataPacket.h"

namespace {

constexpr int kWaitMs = 20000;  // a generous bound: a failure, not a timing

struct Box {
  QString title;
  QString text;
};

class OffLinePanel : public ::testing::Test {
 protected:
  void SetUp() override {
    panel = std::make_unique<OffLineClass>();
    finishes = std::make_unique<QSignalSpy>(panel.get(), SIGNAL(sendFinish(bool)));
    panel->ui.comboBox_PlaySpeed->setCurrentIndex(4);  // "2.0x"
  }
  void TearDown() override { panel.reset(); }

  QString writeCapture(const std::vector<capfix::Bytes>& frames, const char* name = "replay.pcap") {
    const QString path = dir.filePath(name);
    capfix::writeCapture(path.toStdString(), frames);
    return path;
  }
  // Opens a capture for an offline run the way the main window leaves the panel.
  bool openCapture(const QString& path) {
    panel->isOfflineMode = true;
    return panel->openCaptureFile(path);
  }
  std::vector<bool> finishValues() const {
    std::vector<bool> out;
    for (const QList<QVariant>& args : *finishes) out.push_back(args.at(0).toBool());
    return out;
  }
  long finishCount(bool value) const {
    const std::vector<bool> values = finishValues();
    return std::count(values.begin(), values.end(), value);
  }
  bool runEnded(int runs = 1) {
    return QTest::qWaitFor([&] { return finishCount(true) >= runs && !panel->player().isActive(); }, kWaitMs);
  }
  QString count() const { return panel->ui.label_Count->text(); }

  QTemporaryDir dir;
  std::vector<Box> boxes;
  ScopedMessageBoxHook hook{[this](QWidget*, const QString& title, const QString& text, QMessageBox::StandardButtons,
                                   QMessageBox::StandardButton) {
    boxes.push_back({title, text});
    return QMessageBox::Ok;
  }};
  std::unique_ptr<OffLineClass> panel;
  std::unique_ptr<QSignalSpy> finishes;
};

TEST_F(OffLinePanel, FormStartsWithTheControlsOfNoOpenFile) {
  OffLineClass fresh;
  Ui_OffLineClass& ui = fresh.ui;
  struct Row {
    QWidget* widget;
    const char* tip;
    bool enabled;
    bool hidden;
  };
  const Row rows[] = {
      {ui.toolButton_OpenPacket, "Open pcap file", true, true},
      {ui.toolButton_Record, "", true, true},
      {ui.toolButton_SeekBackward, "Back play", false, false},
      {ui.toolButton_Play, "Suspend", false, false},
      {ui.toolButton_GoToEnd, "Stop end play", false, false},
      {ui.toolButton_SeekForward, "Forward play", false, false},
      {ui.comboBox_PlaySpeed, "Playback speed control", true, false},
      {ui.checkBox_round, "isLooping", true, false},
      {ui.toolButton_Round, "", true, true},
      {ui.Slider_Frame, "Progress bar", true, false},
      {ui.toolButton_PcapToPcd, "", false, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.widget->objectName().toStdString());
    EXPECT_EQ(r.widget->toolTip(), r.tip);
    EXPECT_EQ(r.widget->isEnabled(), r.enabled);
    EXPECT_EQ(r.widget->isHidden(), r.hidden);
  }
  EXPECT_EQ(fresh.size(), QSize(1369, 84));
  QStringList speeds;
  for (int i = 0; i < ui.comboBox_PlaySpeed->count(); ++i) speeds << ui.comboBox_PlaySpeed->itemText(i);
  EXPECT_EQ(speeds, (QStringList{"0.5x", "0.75x", "1.0x", "1.5x", "2.0x"}));
  EXPECT_EQ(ui.comboBox_PlaySpeed->currentText(), "1.0x");
  EXPECT_EQ(ui.label_Count->text(), "0/0");
  EXPECT_TRUE(ui.checkBox_offlineLocked->isChecked());
  EXPECT_FALSE(ui.checkBox_round->isChecked());
  EXPECT_TRUE(fresh.isLocked && fresh.isIdle && fresh.isFinished);

  ui.checkBox_offlineLocked->setChecked(false);
  EXPECT_FALSE(fresh.isLocked);
  // Outside an offline run Play only freezes and releases the display.
  fresh.onPlay();
  EXPECT_TRUE(fresh.iconShowsStop);
  fresh.onPlay();
  EXPECT_FALSE(fresh.iconShowsStop);
  EXPECT_FALSE(fresh.player().isActive());
}

TEST_F(OffLinePanel, PlaysACaptureToItsEndAndResetsForTheNextRun) {
  ASSERT_TRUE(openCapture(writeCapture(playfix::taggedFrames(5, 2))));
  EXPECT_EQ(panel->frameCount, 5);
  EXPECT_EQ(panel->ui.Slider_Frame->maximum(), 5);
  EXPECT_EQ(count(), "0/5");
  EXPECT_TRUE(panel->ui.toolButton_Play->isEnabled());

  panel->ui.toolButton_Play->click();
  EXPECT_TRUE(panel->ui.toolButton_GoToEnd->isEnabled());
  EXPECT_FALSE(panel->isIdle);
  ASSERT_TRUE(runEnded());
  QCoreApplication::processEvents();
  EXPECT_EQ(finishValues(), (std::vector<bool>{false, true}));
  EXPECT_EQ(count(), "0/5");
  EXPECT_EQ(panel->currentFrame(), 0);
  EXPECT_TRUE(panel->isIdle && panel->isFinished);
  EXPECT_EQ(panel->playCount, 0);
  EXPECT_FALSE(panel->ui.toolButton_SeekForward->isEnabled());
  EXPECT_TRUE(panel->ui.toolButton_OpenPacket->isEnabled());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(OffLinePanel, PauseThenThreeStepsAdvanceTheCounterByThree) {
  ASSERT_TRUE(openCapture(writeCapture(playfix::taggedFrames(12, 2))));
  panel->ui.toolButton_Play->click();
  panel->ui.toolButton_Play->click();  // pause: held at the next frame end
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->player().isWaitingAtGate(); }, kWaitMs));
  const int held = panel->currentFrame();
  EXPECT_GE(held, 1);

  for (int i = 0; i < 3; ++i) panel->ui.toolButton_SeekForward->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->player().isWaitingAtGate() && panel->currentFrame() == held + 3; }, kWaitMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return count() == QString("%1/12").arg(held + 3); }, kWaitMs));
  EXPECT_EQ(panel->ui.Slider_Frame->value(), held + 3);

  panel->ui.toolButton_SeekBackward->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->player().isWaitingAtGate() && panel->currentFrame() == held + 2; }, kWaitMs));
  panel->ui.toolButton_GoToEnd->click();  // stop while held
  EXPECT_FALSE(panel->player().isActive());
  ASSERT_TRUE(runEnded());
}

TEST_F(OffLinePanel, LoopRestartsAtTheEndUntilStopClearsIt) {
  ASSERT_TRUE(openCapture(writeCapture(playfix::taggedFrames(2, 2))));
  panel->ui.checkBox_round->setChecked(true);
  EXPECT_TRUE(panel->isRepeat);
  panel->ui.toolButton_Play->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return finishCount(false) >= 3; }, kWaitMs));  // started three times
  panel->ui.toolButton_GoToEnd->click();
  EXPECT_FALSE(panel->isRepeat);
  EXPECT_FALSE(panel->ui.checkBox_round->isChecked());
  EXPECT_FALSE(panel->player().isActive());
  const std::size_t seen = std::size_t(finishes->size());
  QTest::qWait(300);  // let queued finishes arrive: none may restart the replay
  EXPECT_FALSE(panel->player().isActive());
  EXPECT_LE(std::size_t(finishes->size()), seen + 1);
  EXPECT_EQ(panel->playCount, 0);
}

TEST_F(OffLinePanel, MissingOrEmptyCapturesAreReportedWithoutAPlay) {
  struct Row {
    const char* name;
    std::function<QString()> make;
    QString warning;  // the one box shown, or none
  };
  const Row rows[] = {
      {"missing file", [&] { return dir.filePath("none.pcap"); }, ""},
      {"header only", [&] { return writeCapture({}, "empty.pcap"); }, "The Pcap file is Empty"},
      {"no frame end", [&] { return writeCapture({capfix::UdpFrame{playfix::taggedPacket(1, false)}.build()}, "open.pcap"); },
       "The Pcap file is Empty"},
      {"not a capture",
       [&] {
         std::ofstream(dir.filePath("text.pcap").toStdString()) << "hello";
         return dir.filePath("text.pcap");
       },
       "The file is too short to be a pcap capture (5 bytes)."},
      {"pcapng",
       [&] {
         std::ofstream(dir.filePath("next.pcapng").toStdString(), std::ios::binary)
             << std::string("\x0A\x0D\x0D\x0A\x1C\0\0\0\x4D\x3C\x2B\x1A\x01\0\0\0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 24);
         return dir.filePath("next.pcapng");
       },
       "The file is a pcapng capture, not a classic pcap file; save it as pcap."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    boxes.clear();
    finishes->clear();
    EXPECT_FALSE(openCapture(row.make()));
    EXPECT_EQ(finishValues(), std::vector<bool>{true});
    ASSERT_EQ(boxes.size(), row.warning.isEmpty() ? 0u : 1u);
    if (!row.warning.isEmpty()) {
      EXPECT_EQ(boxes[0].title, "warning");
      EXPECT_EQ(boxes[0].text, row.warning);
      EXPECT_EQ(panel->frameCount, 0);
    }
    // Play with nothing to play says so again and starts nothing.
    boxes.clear();
    panel->onPlay();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The Pcap file is Empty");
    EXPECT_FALSE(panel->player().isActive());
  }
}

QFileDialog* shownFileDialog(QWidget* panel, const char* name) {
  for (QFileDialog* dialog : panel->findChildren<QFileDialog*>(name))
    if (dialog->isVisible()) return dialog;
  return nullptr;
}

TEST_F(OffLinePanel, TheFileDialogOpensTheChosenCaptureAndACancelEndsTheRun) {
  const QString path = writeCapture(playfix::taggedFrames(3, 2));
  panel->isOfflineMode = true;
  panel->OpenOffLine();
  QFileDialog* dialog = shownFileDialog(panel.get(), "captureFileDialog");
  ASSERT_NE(dialog, nullptr);
  dialog->reject();
  ASSERT_TRUE(QTest::qWaitFor([&] { return finishes->size() == 1; }, kWaitMs));
  EXPECT_TRUE(finishes->at(0).at(0).toBool());

  panel->OpenOffLine();
  ASSERT_TRUE(QTest::qWaitFor([&] { return shownFileDialog(panel.get(), "captureFileDialog") != nullptr; }, kWaitMs));
  dialog = shownFileDialog(panel.get(), "captureFileDialog");
  dialog->selectFile(path);
  static_cast<QDialog*>(dialog)->accept();
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->frameCount == 3; }, kWaitMs));
  EXPECT_EQ(panel->capturePath, path);
  EXPECT_TRUE(panel->ui.toolButton_Play->isEnabled());
  EXPECT_EQ(count(), "0/3");
}

TEST_F(OffLinePanel, ARefusedOrCancelledOpenKeepsTheCaptureThatWasThere) {
  const QString good = writeCapture(playfix::taggedFrames(3, 2), "good.pcap");
  ASSERT_TRUE(openCapture(good));
  std::ofstream(dir.filePath("bad.pcap").toStdString(), std::ios::binary) << std::string(40, '\x42');
  boxes.clear();
  EXPECT_FALSE(openCapture(dir.filePath("bad.pcap")));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith("The file is not a pcap capture")) << boxes[0].text.toStdString();
  EXPECT_EQ(panel->capturePath, good);
  EXPECT_EQ(panel->frameCount, 3);
  EXPECT_EQ(count(), "0/3");
  EXPECT_TRUE(panel->ui.toolButton_Play->isEnabled());
  panel->ui.toolButton_Play->click();
  ASSERT_TRUE(runEnded());

  // The open dialog's choice: a cancelled file dialog sends nothing on to the window.
  QSignalSpy starts(panel.get(), SIGNAL(SendLidarStopOnlineSignals(LidarInitParam)));
  panel->getSelectPacketType(selectSaveDataPacket::kOpenCapture, 0);
  QFileDialog* dialog = shownFileDialog(panel.get(), "captureFileDialog");
  ASSERT_NE(dialog, nullptr);
  finishes->clear();
  dialog->reject();
  QTest::qWait(20);
  EXPECT_TRUE(starts.isEmpty());
  EXPECT_TRUE(finishes->isEmpty());
  EXPECT_EQ(panel->capturePath, good);

  // A chosen file is indexed before the window hears of it.
  const QString next = writeCapture(playfix::taggedFrames(4, 2), "next.pcap");
  int framesAtStart = -1;
  QObject::connect(panel.get(), &OffLineClass::SendLidarStopOnlineSignals, [&] { framesAtStart = panel->frameCount; });
  panel->getSelectPacketType(selectSaveDataPacket::kOpenCapture, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return shownFileDialog(panel.get(), "captureFileDialog") != nullptr; }, kWaitMs));
  dialog = shownFileDialog(panel.get(), "captureFileDialog");
  dialog->selectFile(next);
  static_cast<QDialog*>(dialog)->accept();
  ASSERT_TRUE(QTest::qWaitFor([&] { return starts.size() == 1; }, kWaitMs));
  EXPECT_EQ(framesAtStart, 4);
  // The window then starts its run and asks the panel to show it: no second dialog.
  panel->isOfflineMode = true;
  panel->OpenOffLine();
  EXPECT_EQ(shownFileDialog(panel.get(), "captureFileDialog"), nullptr);
  EXPECT_EQ(panel->capturePath, next);
  EXPECT_EQ(count(), "0/4");
  EXPECT_TRUE(panel->ui.toolButton_Play->isEnabled());
}

TEST_F(OffLinePanel, ADamagedCaptureOpensWithWhatIsGoodAndSaysWhereItIsDamaged) {
  const QString path = writeCapture(playfix::taggedFrames(4, 2), "damaged.pcap");
  {
    // The third record's header: a length no record has.
    std::fstream f(path.toStdString(), std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(24 + 2 * (16 + 1248) + 8);
    f.write("\xff\xff\xff\x7f", 4);
  }
  ASSERT_TRUE(openCapture(path));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "warning");
  EXPECT_TRUE(boxes[0].text.contains(QString("damaged at byte %1").arg(24 + 2 * (16 + 1248)))) << boxes[0].text.toStdString();
  EXPECT_TRUE(boxes[0].text.contains("4 frames were kept")) << boxes[0].text.toStdString();
  EXPECT_EQ(panel->frameCount, 4);
}

// A capture of three frames, 4 MB of a believable record header every other byte, three
// more: the user presses the progress dialog's Cancel as soon as it can be pressed. It is
// seen during the search through the junk and the open ends there.
TEST_F(OffLinePanel, CancelInTheProgressDialogDuringASearchThroughJunkEndsTheOpen) {
  const capfix::WrittenRecords written = capfix::libpcapRecords(playfix::taggedFrames(3, 1));
  capfix::Bytes bytes = written.globalHeader;
  const capfix::Bytes junk = capfix::repeated({0x01, 0x00, 0x01, 0x00}, 4 << 20);
  for (int half = 0; half < 2; ++half) {
    for (const capfix::Bytes& r : written.records) bytes.insert(bytes.end(), r.begin(), r.end());
    if (half == 0) bytes.insert(bytes.end(), junk.begin(), junk.end());
  }
  const QString path = dir.filePath("hostile.pcap");
  capfix::writeBytes(path.toStdString(), bytes);

  int shownValue = -1, shownMaximum = -1;
  QTimer::singleShot(0, [&] {
    QProgressDialog* dialog = panel->progressDialog;
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    shownValue = dialog->value();
    shownMaximum = dialog->maximum();
    QPushButton* cancel = dialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
  });
  EXPECT_FALSE(openCapture(path));
  // Pressed while the dialog showed a place inside the junk, not its end.
  EXPECT_GT(shownValue, 0);
  EXPECT_LT(shownValue, shownMaximum);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(panel->frameCount, 0);
  EXPECT_EQ(panel->progressDialog, nullptr);
  EXPECT_FALSE(panel->ui.toolButton_Play->isEnabled());
  EXPECT_EQ(finishValues(), std::vector<bool>{true});

  // Left alone, the same file opens with its six frames and says where the junk was.
  EXPECT_TRUE(openCapture(path));
  EXPECT_EQ(panel->frameCount, 6);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.contains(QString("damaged at byte %1").arg(24 + 3 * written.records[0].size())))
      << boxes[0].text.toStdString();
}

TEST_F(OffLinePanel, TheStandInSensorsCaptureOpensWithOneFramePerTurn) {
  std::vector<capfix::Bytes> frames;
  for (long n = 0; n < 3L * kaldor_sweep::kPacketsPerTurn; ++n) {
    const auto packet = kaldor_sweep::buildPacket(n, 1700000000, 0);
    frames.push_back(capfix::UdpFrame{capfix::Bytes(packet.begin(), packet.end())}.build());
  }
  ASSERT_TRUE(openCapture(writeCapture(frames, "standin.pcap")));
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(panel->frameCount, 3);
}

TEST_F(OffLinePanel, DraggingTheSliderToItsEndShowsTheLastFrame) {
  ASSERT_TRUE(openCapture(writeCapture(playfix::taggedFrames(6, 2))));
  QSlider* slider = panel->ui.Slider_Frame;
  ASSERT_EQ(slider->maximum(), 6);
  slider->setSliderDown(true);
  slider->setSliderPosition(slider->maximum());  // emits sliderMoved
  slider->setSliderDown(false);                  // emits sliderReleased
  EXPECT_EQ(count(), "6/6");
  EXPECT_EQ(slider->value(), 6);
  panel->updateProgress(0, 7);  // a stray report past the end
  EXPECT_EQ(count(), "6/6");
}

// PCD files written by PCL; each frame's size names it.
void writePcd(const QString& path, int points) {
  pcl::PointCloud<PointInfo> cloud;
  for (int i = 0; i < points; ++i) {
    PointInfo p{};
    p.x = float(i);
    p.Distance = 1.f + float(i);
    p.Channel = std::uint8_t(i);
    cloud.push_back(p);
  }
  ASSERT_EQ(pcl::io::savePCDFileBinary(path.toStdString(), cloud), 0);
}

TEST_F(OffLinePanel, PcdDirectoryReplaysItsReadableFilesSortedByName) {
  writePcd(dir.filePath("b.pcd"), 2);
  writePcd(dir.filePath("a.pcd"), 1);
  writePcd(dir.filePath("c.pcd"), 3);
  std::ofstream(dir.filePath("broken.pcd").toStdString()) << "not a point file";
  std::ofstream(dir.filePath("cut.pcd").toStdString())
      << "VERSION .7\nFIELDS x y z\nSIZE 4 4 4\nTYPE F F F\nCOUNT 1 1 1\nWIDTH 5\nHEIGHT 1\nPOINTS 5\nDATA ascii\n1 2 3\n";
  std::ofstream(dir.filePath("notes.txt").toStdString()) << "ignored";
  std::vector<std::size_t> shown;
  QObject::connect(panel.get(), &OffLineClass::SendLidarData_PCD,
                   [&](pcl::PointCloud<PointInfo>::Ptr cloud) { shown.push_back(cloud->size()); });

  panel->isOfflineMode = true;
  panel->isPcdMode = true;
  panel->loadPcdDirectory(dir.path());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.empty(); }, kWaitMs));
  EXPECT_EQ(boxes[0].title, "information");
  EXPECT_EQ(boxes[0].text, "Open the PCD file successfully");
  EXPECT_EQ(panel->pcdFiles, (QStringList{"a.pcd", "b.pcd", "broken.pcd", "c.pcd", "cut.pcd"}));
  EXPECT_EQ(panel->frameCount, 3);
  EXPECT_EQ(count(), "0/3");
  EXPECT_TRUE(panel->ui.toolButton_Play->isEnabled());
  EXPECT_EQ(panel->progressDialog, nullptr);

  panel->ui.toolButton_Play->click();
  ASSERT_TRUE(runEnded());
  ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() == 3; }, kWaitMs));
  EXPECT_EQ(shown, (std::vector<std::size_t>{1, 2, 3}));
  const PointInfo& p = panel->pcdClouds[2]->points[2];
  EXPECT_EQ(p.Channel, 2);
  EXPECT_FLOAT_EQ(p.Distance, 3.f);
}

TEST_F(OffLinePanel, EmptyOrMissingPcdDirectoryLoadsNoFrameAndPlayEndsAtOnce) {
  for (const QString& path : {dir.filePath("empty"), dir.filePath("missing")}) {
    SCOPED_TRACE(path.toStdString());
    if (path.endsWith("empty")) QDir(dir.path()).mkdir("empty");
    boxes.clear();
    finishes->clear();
    panel->isOfflineMode = true;
    panel->isPcdMode = true;
    panel->loadPcdDirectory(path);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.empty(); }, kWaitMs));
    EXPECT_EQ(boxes[0].text, "Open the PCD file successfully");
    EXPECT_EQ(panel->frameCount, 0);
    panel->ui.toolButton_Play->click();
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(finishValues(), std::vector<bool>{true});
  }
}

TEST_F(OffLinePanel, ReplayReachesTheViewThroughTheRealGlueAndKaldorDriver) {
  Halverd glue;
  int frames = 0;
  QObject::connect(static_cast<HalverdFrameEmitter*>(glue.dataEmitter),
                   qOverload<pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr, int, QString>(
                       &HalverdFrameEmitter::SendLidarDataPrt),
                   [&](pcl::PointCloud<PointInfo>::Ptr frame, pcl::PointCloud<PointInfo>::Ptr, int, QString) {
                     if (frame && !frame->empty()) ++frames;
                   });
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Kaldor_v4_0"));
  ASSERT_TRUE(glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", true));
  panel->mGlue = &glue;
  ASSERT_TRUE(openCapture(writeCapture(playfix::kaldorTurns(3))));
  EXPECT_EQ(panel->frameCount, 3);
  panel->ui.toolButton_Play->click();
  ASSERT_TRUE(runEnded());
  ASSERT_TRUE(QTest::qWaitFor([&] { return frames >= 2; }, kWaitMs));
  glue.stoptRun();
}

TEST_F(OffLinePanel, ClosingThePanelWhilePlayingJoinsTheWorker) {
  ASSERT_TRUE(openCapture(writeCapture(playfix::taggedFrames(40, 2))));
  panel->ui.comboBox_PlaySpeed->setCurrentIndex(0);
  panel->ui.toolButton_Play->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->currentFrame() >= 1; }, kWaitMs));
  finishes.reset();
  panel.reset();  // the worker is joined before the capture closes
  QCoreApplication::processEvents();
  SUCCEED();
}

}  // namespace
