// Connection control through the real glue, with a driver library that writes down its calls:
// the order of calls live and offline, disconnect, the frame signal form per model key, the
// drive settings, the failure paths and the timed connect test.
#include <QFileDialog>
#include <QHash>
#include <QImage>
#include <QToolButton>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QMetaMethod>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <pcl/io/pcd_io.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <utility>

#include "CaptureFixtures.h"
#include "DeviceLookupConnection.h"
#include "selectSaveDataPacket.h"

#include "Halverd.h"
#include "MainWindowTestSupport.h"
#include "OffLineClass.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

class ConnectionControl : public WindowTest {
protected:
  // Index of the first call starting with prefix at or after from, or -1.
  int findCall(const QString& prefix, int from = 0) const {
    const QStringList calls = drivers.calls();
    for (int i = from; i < calls.size(); ++i)
      if (calls[i].startsWith(prefix)) return i;
    return -1;
  }
  bool logHas(const QString& text) const {
    QCoreApplication::processEvents();  // the glue's log lines arrive queued
    for (const QString& t : env->logTexts())
      if (t.contains(text)) return true;
    return false;
  }
  static LidarInitParam param(const QString& key) {
    LidarInitParam p;
    p.lidarType = key;
    p.destIP = "127.0.0.1";
    p.multicastIP = "226.1.1.102";
    p.dataPort = 23680;
    p.devPort = 23690;
    return p;
  }
  // QObject::isSignalConnected is protected; a using-declaration names it without a cast.
  struct SignalPeek : QObject {
    using QObject::isSignalConnected;
  };
  bool connectedTo(const QMetaMethod& signal) const {
    return (window->glue()->dataEmitter->*(&SignalPeek::isSignalConnected))(signal);
  }
  bool fourArgumentFramesConnected() const {
    return connectedTo(QMetaMethod::fromSignal(
        static_cast<void (HalverdFrameEmitter::*)(Cloud::Ptr, Cloud::Ptr, int, QString)>(
            &HalverdFrameEmitter::SendLidarDataPrt)));
  }
  bool fiveArgumentFramesConnected() const {
    return connectedTo(QMetaMethod::fromSignal(
        static_cast<void (HalverdFrameEmitter::*)(Cloud::Ptr, Cloud::Ptr, Cloud::Ptr, int, QString)>(
            &HalverdFrameEmitter::SendLidarDataPrt)));
  }

  // The open button, then the model dialog's choice made for the fake driver's model.
  void chooseModel() {
    OffLineClass* panel = window->form().widget_offLineData;
    window->form().pBn_OpenPacket->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->mOpenDialog->isVisible(); }, 5000));
    panel->mOpenDialog->mLidarInitParam = param("LidarType_Ulmeth");
    panel->getSelectPacketType(selectSaveDataPacket::kOpenCapture, 0);
  }
  QFileDialog* shownDialog(const char* name) {
    QFileDialog* shown = nullptr;
    (void)QTest::qWaitFor([&] {
      for (QFileDialog* d : window->form().widget_offLineData->findChildren<QFileDialog*>(name))
        if (d->isVisible()) shown = d;
      return shown != nullptr;
    }, 5000);
    return shown;
  }
  // In the shown model dialog: the kind of file, OK, and the file dialog that follows.
  QFileDialog* pickKind(QRadioButton* kind, const char* dialogName) {
    QTest::mouseClick(kind, Qt::LeftButton);
    QTest::mouseClick(window->form().widget_offLineData->mOpenDialog->ui.pushButton_OK, Qt::LeftButton);
    QFileDialog* shown = shownDialog(dialogName);
    EXPECT_NE(shown, nullptr) << dialogName;
    return shown;
  }
  // Opens a capture of three turns (or more) through the open button; returns once its run
  // started.
  QString openThreeFrameCapture(int turns = 3) {
    const QString path = dir.filePath(QString("turns%1.pcap").arg(turns));
    std::vector<capfix::Bytes> frames;
    for (int f = 0; f < turns; ++f)
      for (double first : {20.0, 120.0, 240.0})
        frames.push_back(capfix::UdpFrame{capfix::azimuthPair(first, first + 90)}.build());
    capfix::writeCapture(path.toStdString(), frames);
    const QString title = window->windowTitle();
    chooseModel();
    QFileDialog* dialog = shownDialog("captureFileDialog");
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return path;
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() != title; }, 5000));
    return path;
  }
  // Play, as the user presses it, until the run ends and the open button is offered again.
  void playToTheEnd() {
    OffLineClass* panel = window->form().widget_offLineData;
    panel->ui.toolButton_Play->click();
    ASSERT_TRUE(QTest::qWaitFor([&] {
      return window->form().pBn_OpenPacket->isEnabled() && !panel->player().isActive() && panel->isFinished;
    }, 10000));
  }
  // Play, then "Stop end play" at once: the replay ends midway.
  void stopMidway() {
    Ui_OffLineClass& bar = window->form().widget_offLineData->ui;
    QTest::mouseClick(bar.toolButton_Play, Qt::LeftButton);
    QTest::mouseClick(bar.toolButton_GoToEnd, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->form().pBn_Connect->isEnabled(); }, 10000));
  }
  // The title, the status bar, the counter and which buttons can be pressed.
  std::string whatTheUserSees() const {
    Ui::newLumivar& ui = window->form();
    Ui_OffLineClass& bar = ui.widget_offLineData->ui;
    QStringList seen{"title " + window->windowTitle(), "model " + ui.label_TitleShow_2->text(),
                     "status " + ui.label_StatusBarShow_1->text(), "count " + bar.label_Count->text()};
    const std::pair<const char*, QWidget*> buttons[] = {
        {"connect", ui.pBn_Connect},       {"open", ui.pBn_OpenPacket},        {"play", bar.toolButton_Play},
        {"back", bar.toolButton_SeekBackward}, {"forward", bar.toolButton_SeekForward},
        {"stop", bar.toolButton_GoToEnd},  {"pcap to pcd", bar.toolButton_PcapToPcd}};
    for (const auto& b : buttons) seen << QString("%1 %2").arg(b.first, b.second->isEnabled() ? "on" : "off");
    return seen.join('\n').toStdString();
  }

  // The connect button, then the connection dialog's OK, as the user gives them.
  void goLive() {
    window->form().pBn_Connect->click();
    ASSERT_TRUE(window->connectionDialog()->isVisible());
    emit window->connectionDialog()->onSendLidarInitParamSignal(param("LidarType_Ulmeth"));
    ASSERT_TRUE(window->connected());
  }

  FakeDriverLog drivers;
  QTemporaryDir dir;
};

// The button as the window paints it on the screen, its greying included.
QImage seen(QWidget* w) {
  QWidget* top = w->window();
  return top->grab(QRect(w->mapTo(top, QPoint(0, 0)), w->size())).toImage().convertToFormat(QImage::Format_RGB32);
}

int luminance(QRgb c) { return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000; }
int chroma(QRgb c) {
  return std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)});
}

// How a button's picture stands out: its brightest step from the ground (the commonest colour)
// and its strongest colour beyond the ground's own.
struct Look {
  int contrast = 0;
  int colour = 0;
};
Look lookOf(const QImage& image) {
  QHash<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
  QRgb ground = 0;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    if (it.value() > counts.value(ground)) ground = it.key();
  Look look;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      look.contrast = std::max(look.contrast, std::abs(luminance(c) - luminance(ground)));
      look.colour = std::max(look.colour, chroma(c) - chroma(ground));
    }
  return look;
}

TEST_F(ConnectionControl, LiveRunStartsInOrderAndDisconnects) {
  window->onGetLidarInitParamSlot(param("LidarType_Ulmeth"));

  // Colouring and the zero-distance filter reach the driver before its sockets open.
  const int created = findCall("create");
  const int colour = findCall("SetRGB_TypeSelection(0,0)", created);
  const int zero = findCall("SetFilteDistanceZero(1)", colour);
  const int init = findCall("LidarTypeInit(23680,23690,127.0.0.1)", zero);
  const int start = findCall("LidarStart()", init);
  EXPECT_GE(created, 0);
  EXPECT_GT(colour, created);
  EXPECT_GT(zero, colour);
  EXPECT_GT(init, zero);
  EXPECT_GT(start, init) << drivers.calls().join(" | ").toStdString();

  Ui::newLumivar& ui = window->form();
  EXPECT_TRUE(window->connected());
  EXPECT_TRUE(window->windowTitle().endsWith(" --LidarType_Ulmeth"));
  EXPECT_EQ(ui.label_TitleShow_2->text(), " LidarType_Ulmeth");
  EXPECT_EQ(ui.pBn_Connect->toolTip(), "Disconnect");
  EXPECT_FALSE(ui.pBn_OpenPacket->isEnabled());
  EXPECT_EQ(ui.pBn_OpenPacket->toolTip(), "Please stop the online data play first");
  EXPECT_TRUE(fourArgumentFramesConnected());
  EXPECT_FALSE(fiveArgumentFramesConnected());
  EXPECT_TRUE(env->boxes.empty());

  window->onPbn_ConnectSlot();
  EXPECT_GT(findCall("LidarStop()", start), start);
  EXPECT_FALSE(window->connected());
  EXPECT_EQ(ui.pBn_Connect->toolTip(), "Connect");
  EXPECT_TRUE(ui.pBn_OpenPacket->isEnabled());
  EXPECT_EQ(ui.pBn_OpenPacket->toolTip(), "Open pcap file");
  EXPECT_FALSE(window->windowTitle().contains("--"));
  EXPECT_TRUE(ui.label_TitleShow_2->text().isEmpty());

  const QStringList texts = env->logTexts();
  const QStringList expected = {
      "Select Lidar type to start connecting: Type = LidarType_Ulmeth ; ConnectTimes = 1",
      "Online data connection to Lidar: Type = LidarType_Ulmeth ; ConnectTimes = 1",
      "Lidar connection successful: Type:LidarType_Ulmeth ; ConnectTimes = 1",
      "Disconnected Lidar start: Type:LidarType_Ulmeth; ConnectTimes = 1",
      "Disconnected Lidar finish: Type:LidarType_Ulmeth; ConnectTimes = 1",
  };
  int at = 0;
  for (const QString& e : expected) {
    while (at < texts.size() && !texts[at].endsWith(e)) ++at;
    EXPECT_LT(at, texts.size()) << "missing or out of order: " << e.toStdString();
  }
  EXPECT_EQ(texts.value(at + 1), QString(152, '*'));
}

TEST_F(ConnectionControl, OfflineRunNeverCountsAsConnected) {
  window->PlayOffLineStopOnlineSlot(param("LidarType_Ulmeth"));
  EXPECT_TRUE(window->form().widget_offLineData->isOfflineMode);
  EXPECT_FALSE(window->connected());
  // The same settings as a live run reach the driver before its set-up.
  const int colour = findCall("SetRGB_TypeSelection(0,0)", findCall("create"));
  const int zero = findCall("SetFilteDistanceZero(1)", colour);
  const int init = findCall("LidarTypeInit(23680,23690,127.0.0.1)", zero);
  EXPECT_GE(colour, 0);
  EXPECT_GT(zero, colour);
  EXPECT_GT(init, zero) << drivers.calls().join(" | ").toStdString();
  EXPECT_EQ(findCall("LidarStart()"), -1) << "offline runs open no sockets";
  Ui::newLumivar& ui = window->form();
  EXPECT_FALSE(ui.pBn_Connect->isEnabled());
  EXPECT_EQ(ui.pBn_Connect->toolTip(), "Please stop offline data play first");
  // No capture is open yet: the status bar names none.
  EXPECT_EQ(ui.label_StatusBarShow_1->text(), "");
  EXPECT_TRUE(logHas("Offline data play Lidar packets: Type = LidarType_Ulmeth ; ConnectTimes = 1"));

  window->getOffLineFinish(true);
  EXPECT_TRUE(ui.pBn_Connect->isEnabled());
  EXPECT_EQ(ui.pBn_Connect->toolTip(), "Connect");

  // Closing during playback: the window makes no stop call, the glue ends its driver itself.
  window.reset();
  const QStringList calls = drivers.calls();
  ASSERT_FALSE(calls.isEmpty());
  EXPECT_EQ(calls.last(), "destroy");
}

// "Open pcap file", model chosen, then the file dialog: a cancel changes nothing, a chosen
// capture starts the offline run once it is indexed. Once it has played, every way an open
// can end without a new capture leaves the window as it was.
TEST_F(ConnectionControl, ACancelledCaptureOpenLeavesTheWindowAsItWas) {
  OffLineClass* panel = window->form().widget_offLineData;
  Ui::newLumivar& ui = window->form();
  const QString title = window->windowTitle();

  chooseModel();
  QFileDialog* dialog = shownDialog("captureFileDialog");
  ASSERT_NE(dialog, nullptr);
  dialog->reject();
  QTest::qWait(50);
  EXPECT_EQ(window->windowTitle(), title);
  EXPECT_EQ(ui.label_TitleShow_2->text(), "");
  EXPECT_EQ(ui.label_StatusBarShow_1->text(), "");
  EXPECT_FALSE(logHas("Lidar connection successful"));
  EXPECT_EQ(findCall("create"), -1) << "no driver for a cancelled open";
  EXPECT_FALSE(panel->isOfflineMode);
  EXPECT_TRUE(ui.pBn_Connect->isEnabled());
  EXPECT_TRUE(ui.pBn_OpenPacket->isEnabled());

  // Now a capture is chosen: it is indexed, then the run starts and the window names both.
  const QString path = openThreeFrameCapture();
  EXPECT_TRUE(window->windowTitle().endsWith(" --LidarType_Ulmeth"));
  EXPECT_EQ(ui.label_StatusBarShow_1->text(), "Current play Pcap pcaket: " + path);
  EXPECT_TRUE(logHas("Lidar connection successful: Type:LidarType_Ulmeth"));
  EXPECT_EQ(panel->frameCount, 2);  // the second and third turns wrap between packets
  EXPECT_TRUE(panel->ui.toolButton_Play->isEnabled());

  playToTheEnd();
  EXPECT_TRUE(panel->ui.toolButton_PcapToPcd->isEnabled());
  const std::string before = whatTheUserSees();
  const QString pcapng = dir.filePath("next.pcapng");
  {
    QFile f(pcapng);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x0A\x0D\x0D\x0A\x1C\0\0\0\x4D\x3C\x2B\x1A\x01\0\0\0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 24));
  }
  selectSaveDataPacket* models = panel->mOpenDialog;
  struct Way {
    const char* name;
    std::function<void()> end;  // from the shown model dialog
    QString warning;            // the one box shown, or none
  };
  const Way ways[] = {
      {"the model dialog's Close", [&] { QTest::mouseClick(models->ui.pushButton_Cencel, Qt::LeftButton); }, ""},
      {"the model dialog's title-bar close",
       [&] { QTest::mouseClick(models->ui.widget_title->pushButtonClose, Qt::LeftButton); }, ""},
      {"a cancelled capture file dialog", [&] { pickKind(models->ui.radioButton_Pcap, "captureFileDialog")->reject(); }, ""},
      {"a cancelled PCD directory dialog", [&] { pickKind(models->ui.radioButton_PCD, "pcdDirectoryDialog")->reject(); }, ""},
      {"a refused pcapng file",
       [&] {
         QFileDialog* files = pickKind(models->ui.radioButton_Pcap, "captureFileDialog");
         files->selectFile(pcapng);
         static_cast<QDialog*>(files)->accept();
       },
       "The file is a pcapng capture, not a classic pcap file; save it as pcap."},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    env->boxes.clear();
    ui.pBn_OpenPacket->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return models->isVisible(); }, 5000));
    way.end();
    EXPECT_FALSE(models->isVisible());
    EXPECT_EQ(whatTheUserSees(), before);
    ASSERT_EQ(env->boxes.size(), way.warning.isEmpty() ? 0u : 1u);
    if (!way.warning.isEmpty()) {
      EXPECT_EQ(env->boxes[0].text, way.warning);
    }
  }
}

// Choosing a PCD directory closes the capture: from then on the status bar names no capture,
// and it names the directory once, and only if, its files have loaded.
TEST_F(ConnectionControl, TheStatusBarNamesThePcdDirectoryThatPlays) {
  OffLineClass* panel = window->form().widget_offLineData;
  QLabel* status = window->form().label_StatusBarShow_1;
  QTemporaryDir pcds;
  pcl::PointCloud<PointInfo> cloud;
  cloud.push_back(makePoint(1, 2, 3, 4));
  ASSERT_EQ(pcl::io::savePCDFileBinary(pcds.filePath("a.pcd").toStdString(), cloud), 0);
  openThreeFrameCapture();
  playToTheEnd();

  struct Ending {
    const char* name;
    bool cancel;  // the progress dialog's Cancel, pressed while the files load
    int frames;
    QString status;
  };
  const Ending endings[] = {{"loaded", false, 1, "Current play PCD directory: " + pcds.path()},
                            {"cancelled", true, 0, ""}};
  for (const Ending& e : endings) {
    SCOPED_TRACE(e.name);
    ASSERT_FALSE(status->text().isEmpty());  // a capture, then the directory loaded before
    window->form().pBn_OpenPacket->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->mOpenDialog->isVisible(); }, 5000));
    QFileDialog* dialog = pickKind(panel->mOpenDialog->ui.radioButton_PCD, "pcdDirectoryDialog");
    dialog->setDirectory(pcds.path());
    dialog->selectFile(pcds.path());
    static_cast<QDialog*>(dialog)->accept();
    // The files load on a thread of their own; nothing of theirs has reached this one yet.
    ASSERT_NE(panel->progressDialog, nullptr);
    EXPECT_EQ(status->text().toStdString(), "");
    if (e.cancel) {
      auto* cancel = panel->progressDialog->findChild<QPushButton*>();
      ASSERT_NE(cancel, nullptr);
      cancel->click();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->progressDialog == nullptr; }, 10000));
    EXPECT_EQ(panel->frameCount, e.frames);
    EXPECT_EQ(status->text().toStdString(), e.status.toStdString());
  }
}

TEST_F(ConnectionControl, ClosingWhileConnectedStopsTheDriverBeforeTheGlueGoes) {
  window->onGetLidarInitParamSlot(param("LidarType_Ulmeth"));
  window.reset();
  const int stop = findCall("LidarStop()");
  EXPECT_GE(stop, 0);
  EXPECT_GT(findCall("destroy", stop), stop);
  const QStringList texts = env->logTexts();
  ASSERT_GE(texts.size(), 2);
  EXPECT_TRUE(texts.last().endsWith("Lumivar Platform  Stoping "));
}

TEST_F(ConnectionControl, ThreeCloudFramesOnlyForZentraKeys) {
  window->onGetLidarInitParamSlot(param("LidarType_Zentra"));
  EXPECT_TRUE(fiveArgumentFramesConnected());
  EXPECT_FALSE(fourArgumentFramesConnected());
  window->onPbn_ConnectSlot();

  // The check is case-sensitive; the glue knows no lower-case key either, so it is refused.
  window->onGetLidarInitParamSlot(param("LidarType_zentra"));
  EXPECT_FALSE(fourArgumentFramesConnected());
  ASSERT_EQ(env->boxes.size(), 1u);
  EXPECT_EQ(env->boxes[0].title, "Tips");
}

TEST_F(ConnectionControl, UnknownModelShowsTipsAndStartsNothing) {
  window->onGetLidarInitParamSlot(param("LidarType_NoSuchModel"));
  ASSERT_EQ(env->boxes.size(), 1u);
  EXPECT_EQ(env->boxes[0].title, "Tips");
  EXPECT_EQ(env->boxes[0].text,
            "Failed to open this LidarType model! Please determine if this type of lidar is available");
  EXPECT_FALSE(window->connected());
  EXPECT_EQ(window->connectTimes(), 1);
  EXPECT_EQ(findCall("create"), -1);
  EXPECT_FALSE(logHas("Lidar connection successful"));
  EXPECT_TRUE(logHas("Select Lidar type to start connecting: Type = LidarType_NoSuchModel ; ConnectTimes = 1"));
}

TEST_F(ConnectionControl, FailedSocketsAreNotLoggedAsSuccess) {
  qputenv("FAKE_DRIVER_FAIL_START", "1");
  window->onGetLidarInitParamSlot(param("LidarType_Ulmeth"));
  EXPECT_FALSE(window->connected());
  ASSERT_EQ(env->boxes.size(), 1u);
  EXPECT_EQ(env->boxes[0].title, "Tips");
  EXPECT_EQ(window->form().pBn_Connect->toolTip(), "Connect");
  EXPECT_FALSE(logHas("Lidar connection successful"));
  EXPECT_TRUE(logHas("Lidar connection failed: Type:LidarType_Ulmeth ; ConnectTimes = 1"));
  // Level-99 entries are left out of a default log, so this line went at level 0.
  EXPECT_TRUE(logHas("Failed to bind the data socket!")) << "the driver's own failure text is logged";
  qunsetenv("FAKE_DRIVER_FAIL_START");

  // The next attempt starts afresh and counts on.
  window->onGetLidarInitParamSlot(param("LidarType_Ulmeth"));
  EXPECT_TRUE(window->connected());
  EXPECT_TRUE(logHas("Lidar connection successful: Type:LidarType_Ulmeth ; ConnectTimes = 2"));
}

TEST_F(ConnectionControl, DriveSettingsReachTheDriver) {
  window->onGetLidarInitParamSlot(param("LidarType_Ulmeth"));
  Ui::newLumivar& ui = window->form();

  struct EchoCase {
    bool first, second;
    const char* call;
  };
  const EchoCase echoes[] = {
      {true, false, "SetEcho_SingleOrDouble(1)"},
      {false, false, "SetEcho_SingleOrDouble(3)"},
      {false, true, "SetEcho_SingleOrDouble(2)"},
      {true, true, "SetEcho_SingleOrDouble(0)"},
  };
  for (const EchoCase& e : echoes) {
    SCOPED_TRACE(e.call);
    // Changing one box at a time, as a user does; each change sends the mode of both boxes.
    if (ui.cBx_SingleEcho->isChecked() != e.first) ui.cBx_SingleEcho->setChecked(e.first);
    if (ui.cBx_doubleEcho->isChecked() != e.second) ui.cBx_doubleEcho->setChecked(e.second);
    EXPECT_EQ(drivers.calls().last(), e.call);
  }

  ui.comboBox_ColorSelect->setCurrentIndex(3);
  window->onComboBox_ColorSelectSlot(3);
  EXPECT_EQ(drivers.calls().last(), "SetRGB_TypeSelection(3,0)");

  // The filter record goes as horizontal window, channels, then the record itself.
  FiltrationDataInitParam filter;
  filter.HAngleMin = 10.0f;
  filter.HAngleMax = 20.0f;
  filter.DistanceMin = 0.5f;
  filter.DistanceMax = 30.0f;
  filter.ChannelFlags[7] = 0;
  const int before = drivers.calls().size();
  window->getFiltrationDataParamSlot(filter);
  const QStringList calls = drivers.calls().mid(before);
  ASSERT_EQ(calls.size(), 3) << calls.join(" | ").toStdString();
  EXPECT_EQ(calls[0], "SetHangleRange(10,20)");
  EXPECT_EQ(calls[1], "SetChannelSelection(255)");
  EXPECT_EQ(calls[2], "SetFiltrationDataParam(0.5,30)");
}

TEST_F(ConnectionControl, NoTimersWithoutTheConfigurationKey) {
  window->onPbn_ConnectSlot();  // disconnected: opens the connection dialog
  EXPECT_FALSE(window->connectTestEndTimer()->isActive());
  EXPECT_FALSE(window->connectTestStartTimer()->isActive());
}

// Every tool and play-bar button that the program disables is drawn greyed and faint then,
// next to how it is drawn enabled: the connect and open buttons during a replay, the play
// bar's buttons before a capture is open.
TEST_F(ConnectionControl, DisabledButtonsLookDisabled) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  Ui::newLumivar& ui = window->form();
  Ui_OffLineClass& bar = ui.widget_offLineData->ui;
  const std::pair<const char*, QToolButton*> buttons[] = {
      {"connect", ui.pBn_Connect},          {"open", ui.pBn_OpenPacket},   {"back", bar.toolButton_SeekBackward},
      {"play", bar.toolButton_Play},        {"stop", bar.toolButton_GoToEnd}, {"forward", bar.toolButton_SeekForward}};
  std::map<QToolButton*, QImage> looks[2];  // [enabled]
  const auto look = [&] {
    QCoreApplication::processEvents();
    for (const auto& b : buttons) looks[b.second->isEnabled()].emplace(b.second, seen(b.second));
  };

  look();  // the window as it opens: no capture, so the play bar's buttons are disabled
  openThreeFrameCapture(20);
  EXPECT_EQ(ui.pBn_Connect->toolTip(), "Please stop offline data play first");
  look();
  bar.toolButton_Play->click();
  bar.toolButton_Play->click();  // paused: every play-bar button can be pressed
  look();
  bar.toolButton_GoToEnd->click();

  for (const auto& b : buttons) {
    SCOPED_TRACE(b.first);
    ASSERT_EQ(looks[true].count(b.second), 1u);
    ASSERT_EQ(looks[false].count(b.second), 1u);
    const QImage& onImage = looks[true][b.second];
    const QImage& offImage = looks[false][b.second];
    onImage.save(QDir::current().filePath(QString("button_%1_enabled.png").arg(b.first)));
    offImage.save(QDir::current().filePath(QString("button_%1_disabled.png").arg(b.first)));
    const Look on = lookOf(onImage);
    const Look off = lookOf(offImage);
    EXPECT_GE(on.contrast, 100);
    EXPECT_LE(off.contrast, on.contrast * 6 / 10) << "as bright as enabled";
    EXPECT_GE(off.contrast, 20) << "the picture is still there, faint";
    EXPECT_LE(off.colour, 10) << "grey: no colour beyond the ground's";
  }
}

// A live run after a replay shows no count or position of that capture on the play bar, also
// when its late finish arrives after the start.
TEST_F(ConnectionControl, ALiveRunShowsNoCountOrPositionOfTheReplayBefore) {
  OffLineClass* panel = window->form().widget_offLineData;
  Ui_OffLineClass& bar = panel->ui;
  struct Way {
    const char* name;
    std::function<void()> end;
  };
  const Way ways[] = {
      {"played to its end", [&] { playToTheEnd(); }},
      {"stopped midway", [&] { stopMidway(); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    openThreeFrameCapture(20);
    way.end();
    ASSERT_EQ(bar.label_Count->text(), QString("0/%1").arg(panel->frameCount));
    ASSERT_GT(bar.Slider_Frame->maximum(), 0);

    goLive();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->player().isActive(); }, 10000));
    QCoreApplication::processEvents();  // a finish still queued
    EXPECT_EQ(bar.label_Count->text(), "0/0");
    EXPECT_EQ(bar.Slider_Frame->value(), 0);
    EXPECT_EQ(bar.Slider_Frame->maximum(), 0);
    window->form().pBn_Connect->click();  // disconnect
    ASSERT_FALSE(window->connected());
    EXPECT_EQ(bar.label_Count->text(), "0/0");
  }
}

// The live pause is there in every live run, whatever ran before it: Play can be pressed and
// freezes the view, the same in a first live run as in one after a replay or after a replay
// stopped midway.
TEST_F(ConnectionControl, PlayFreezesEveryLiveRunAlike) {
  OffLineClass* panel = window->form().widget_offLineData;
  Ui_OffLineClass& bar = panel->ui;
  struct Before {
    const char* name;
    std::function<void()> run;
  };
  const Before befores[] = {
      {"a first live run", [] {}},
      {"a live run after a replay", [&] {
         openThreeFrameCapture(20);
         playToTheEnd();
       }},
      {"a live run after a replay stopped midway", [&] {
         openThreeFrameCapture(20);
         stopMidway();
       }},
  };
  for (const Before& before : befores) {
    SCOPED_TRACE(before.name);
    before.run();
    goLive();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->player().isActive(); }, 10000));
    QCoreApplication::processEvents();  // a replay's late finish
    EXPECT_TRUE(bar.toolButton_Play->isEnabled());
    EXPECT_EQ(playButtonShows(bar.toolButton_Play), "Play");
    window->onCalculateShowPointCloudSlot(makeCloud(10), Cloud::Ptr(new Cloud), 1, QString());
    QTest::mouseClick(bar.toolButton_Play, Qt::LeftButton);
    EXPECT_EQ(playButtonShows(bar.toolButton_Play), "Stop");
    const std::vector<std::string> texts = visibleViewTexts(viewer);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Display paused: press Play to resume"), texts.end());
    window->onCalculateShowPointCloudSlot(makeCloud(20), Cloud::Ptr(new Cloud), 1, QString());
    EXPECT_EQ(viewerPointCount(viewer, "realTime_points"), 10) << "the display is frozen";
    window->form().pBn_Connect->click();  // disconnect
    ASSERT_FALSE(window->connected());
    EXPECT_FALSE(bar.toolButton_Play->isEnabled()) << "nothing to play or freeze";
  }
}

class TimedConnectTest : public ConnectionControl {
protected:
  QStringList configLines() const override { return {"isTimerTestEnable=true"}; }
};

TEST_F(TimedConnectTest, CycleDisconnectsAndReconnects) {
  window->onPbn_ConnectSlot();
  ASSERT_TRUE(window->connectTestEndTimer()->isActive());
  EXPECT_EQ(window->connectTestEndTimer()->interval(), 10000);
  window->onGetLidarInitParamSlot(param("LidarType_Ulmeth"));  // the dialog's OK
  ASSERT_TRUE(window->connected());

  struct Step {
    void (newLumivar::*timeout)();
    bool connectedAfter;
    int connectTimes;
  };
  const Step cycle[] = {
      {&newLumivar::onEndTinerOut, false, 1},
      {&newLumivar::onStartTinerOut, true, 2},
      {&newLumivar::onEndTinerOut, false, 2},
      {&newLumivar::onStartTinerOut, true, 3},
  };
  for (const Step& s : cycle) {
    (window.get()->*s.timeout)();
    EXPECT_EQ(window->connected(), s.connectedAfter);
    EXPECT_EQ(window->connectTimes(), s.connectTimes);
    QTimer* next = s.connectedAfter ? window->connectTestEndTimer() : window->connectTestStartTimer();
    QTimer* other = s.connectedAfter ? window->connectTestStartTimer() : window->connectTestEndTimer();
    EXPECT_TRUE(next->isActive());
    EXPECT_EQ(next->interval(), 5000);
    EXPECT_FALSE(other->isActive());
  }
  EXPECT_TRUE(logHas("Disconnected Lidar start: Type:LidarType_Ulmeth; ConnectTimes = 2"));
  EXPECT_TRUE(logHas("Select Lidar type to start connecting: Type = LidarType_Ulmeth ; ConnectTimes = 3"));
}

}  // namespace
