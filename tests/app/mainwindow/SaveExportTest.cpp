// Frame saves from the main window: the save-type codes start the writer, frames arrive from
// the glue's frame signal on another thread, and the CSV, PCD and LAS files are read back.
// File choosers and message boxes are answered through their seams.
#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <pcl/io/pcd_io.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "FileDialogSeam.h"
#include "FrameSaveWorker.h"
#include "Halverd.h"
#include "MainWindowTestSupport.h"
#include "DeviceLookupConnection.h"
#include "NetWorkAdapterView.h"
#include "OffLineClass.h"
#include "SaveLidarDataTypeSelect.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

const char* const kFinished = "Save file finished";
const char* const kEmptyPath = "The selected path is empty";

// Frame k of a test: `points` points whose x carries the frame number, so a row shows
// which frame it came from.
Cloud::Ptr numberedFrame(int k, std::size_t points) {
  Cloud::Ptr cloud = makeCloud(points);
  for (std::size_t i = 0; i < cloud->size(); ++i) cloud->points[i].x = static_cast<float>(k) + 0.001f * i;
  return cloud;
}

struct CsvFile {
  QString name;
  QString header;
  std::vector<std::pair<int, int>> frames;  // (frame number, rows), in file order
  int rows = 0;
};

CsvFile readCsv(const QString& path) {
  CsvFile csv;
  csv.name = QFileInfo(path).fileName();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return csv;
  const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  if (lines.isEmpty()) return csv;
  csv.header = lines.front();
  for (int i = 1; i < lines.size(); ++i) {
    const int frame = lines[i].section(',', 0, 0).toInt();
    if (csv.frames.empty() || csv.frames.back().first != frame) csv.frames.push_back({frame, 0});
    ++csv.frames.back().second;
    ++csv.rows;
  }
  return csv;
}

QStringList filesIn(const QString& dir, const QString& pattern) {
  QStringList names = QDir(dir).entryList({pattern}, QDir::Files, QDir::Name);
  for (QString& n : names) n = dir + "/" + n;
  return names;
}

class SaveExport : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_NO_FATAL_FAILURE(connectFakeUlmeth(23682, 23692));
    outDir = scratch.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(outDir));
  }

  // One frame through the glue's frame signal, emitted on a thread of its own as the glue
  // does, so it reaches the window queued.
  void feed(const Cloud::Ptr& frame) {
    auto* emitter = static_cast<HalverdFrameEmitter*>(window->glue()->dataEmitter);
    std::thread([&] { emit emitter->SendLidarDataPrt(frame, Cloud::Ptr(new Cloud), 1, QString()); }).join();
    QCoreApplication::processEvents();
  }
  int boxesSaying(const QString& title, const QString& text) const {
    int n = 0;
    for (const RecordedBox& b : env->boxes) n += b.title == title && b.text == text;
    return n;
  }
  bool waitForFinish(int timeoutMs = 10000) {
    return QTest::qWaitFor([&] { return boxesSaying("information", kFinished) > 0; }, timeoutMs);
  }
  bool waitForWritten(int frames) {
    return QTest::qWaitFor([&] { return window->saveWorker()->framesWritten() >= frames; }, 10000);
  }
  std::size_t queued() {
    std::lock_guard<std::mutex> lock(window->saveMutex());
    return window->saveQueue().size();
  }

  QTemporaryDir scratch;
  QString outDir;
  QString answer;  // what the next file or directory chooser returns
  std::vector<FileDialogRequest> requests;
  FakeDriverLog drivers;
  // Installed for the whole test, so it outlives the window.
  ScopedFileDialogHook chooser{[this](const FileDialogRequest& request) {
    requests.push_back(request);
    return answer;
  }};
};

// Code 1 writes one file under one header, code 11 one file per frame; both stop at the
// count, report each frame and end with "Save file finished".
TEST_F(SaveExport, CsvWritesTheCountedFramesThenFinishes) {
  struct Case {
    int code;
    std::vector<std::vector<std::pair<int, int>>> files;  // per file: (frame, rows)
    std::vector<const char*> suffixes;
  };
  const Case cases[] = {
      {1, {{{1, 2}, {2, 3}, {3, 4}}}, {"_3Frame.csv"}},
      {11, {{{1, 2}}, {{2, 3}}, {{3, 4}}}, {"_1.csv", "_2.csv", "_3.csv"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << c.code);
    const QString dir = outDir + QString("/%1").arg(c.code);
    ASSERT_TRUE(QDir().mkpath(dir));
    answer = c.code == 1 ? dir + "/merged_3Frame.csv" : dir;
    requests.clear();
    env->boxes.clear();

    window->getSelectSaveDataTypeSlot(c.code, 3);
    ASSERT_EQ(requests.size(), 1u);
    if (c.code == 1) {
      EXPECT_EQ(requests[0].kind, FileDialogRequest::Kind::SaveFile);
      EXPECT_EQ(requests[0].caption, "Save CSV");
      EXPECT_TRUE(requests[0].proposed.startsWith("LidarType_Ulmeth_")) << requests[0].proposed.toStdString();
      EXPECT_TRUE(requests[0].proposed.endsWith("_3Frame.csv")) << requests[0].proposed.toStdString();
      EXPECT_TRUE(requests[0].options.testFlag(QFileDialog::DontUseNativeDialog));
    } else {
      EXPECT_EQ(requests[0].kind, FileDialogRequest::Kind::ExistingDirectory);
      EXPECT_EQ(requests[0].caption, "Open PCD File...");
    }
    ASSERT_TRUE(window->isCollecting());
    QProgressDialog* progress = window->saveProgressDialog();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->maximum(), 3);
    EXPECT_FALSE(progress->isModal());

    for (int k = 1; k <= 4; ++k) feed(numberedFrame(k, static_cast<std::size_t>(k + 1)));
    EXPECT_FALSE(window->isCollecting()) << "queuing stops at the count";
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(boxesSaying("information", kFinished), 1);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(queued(), 0u);

    const QStringList files = filesIn(dir, "*.csv");
    ASSERT_EQ(files.size(), static_cast<int>(c.files.size()));
    for (int i = 0; i < files.size(); ++i) {
      const CsvFile csv = readCsv(files[i]);
      EXPECT_TRUE(csv.name.endsWith(c.suffixes[static_cast<std::size_t>(i)])) << csv.name.toStdString();
      EXPECT_TRUE(csv.header.startsWith("FrameNumber,Channel,Points_X")) << csv.header.toStdString();
      EXPECT_EQ(csv.frames, c.files[static_cast<std::size_t>(i)]);
    }
  }
}

// Frames that queue up while a save collects all reach the save; once it has its count the
// display takes the newest of the rest.
TEST_F(SaveExport, ASaveGetsEveryQueuedFrameAndTheDisplayTheNewest) {
  answer = outDir + "/backlog_5Frame.csv";
  window->getSelectSaveDataTypeSlot(1, 5);
  ASSERT_TRUE(window->isCollecting());
  FakeDriverLog::emitFrames(8, 1, 2);  // frames of 2 .. 9 points, queued before we look
  ASSERT_TRUE(waitForFinish());
  const CsvFile csv = readCsv(answer);
  EXPECT_EQ(csv.frames, (std::vector<std::pair<int, int>>{{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}}));
  EXPECT_EQ(viewerPointCount(viewer, "realTime_points"), 9);
}

// With the display frozen and a count of 1 nothing new will arrive: the frame on screen is
// saved at once.
TEST_F(SaveExport, FrozenViewSavesTheFrameOnScreen) {
  feed(numberedFrame(7, 5));
  window->form().widget_offLineData->iconShowsStop = true;
  feed(numberedFrame(8, 9));  // dropped by the frozen display
  answer = outDir + "/one.csv";
  window->getSelectSaveDataTypeSlot(1, 1);
  EXPECT_FALSE(window->isCollecting());
  ASSERT_TRUE(waitForFinish());
  const CsvFile csv = readCsv(answer);
  EXPECT_EQ(csv.frames, (std::vector<std::pair<int, int>>{{1, 5}}));
  QFile file(answer);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("\n1,0,7,")) << "x of the frame on screen";
}

TEST_F(SaveExport, PcdFramesReadBackThroughPcl) {
  answer = outDir;
  window->getSelectSaveDataTypeSlot(2, 2);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].kind, FileDialogRequest::Kind::ExistingDirectory);
  EXPECT_TRUE(window->form().widget_offLineData->isConversionAccepted);
  QProgressDialog* progress = window->saveProgressDialog();
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isModal());
  EXPECT_EQ(progress->findChild<QPushButton*>(), nullptr) << "no cancel button";

  feed(numberedFrame(1, 4));
  feed(numberedFrame(2, 6));
  feed(numberedFrame(3, 8));  // beyond the count
  ASSERT_TRUE(waitForFinish());

  const QStringList files = filesIn(outDir, "*.pcd");
  ASSERT_EQ(files.size(), 2);
  const std::size_t sizes[] = {4, 6};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(files[i].toStdString());
    EXPECT_TRUE(files[i].startsWith(outDir + "/LidarType_Ulmeth_"));
    EXPECT_TRUE(files[i].endsWith(QString("_%1.pcd").arg(i + 1)));
    Cloud read;
    ASSERT_EQ(pcl::io::loadPCDFile<PointInfo>(files[i].toStdString(), read), 0);
    ASSERT_EQ(read.size(), sizes[i]);
    EXPECT_FLOAT_EQ(read.points[0].x, static_cast<float>(i + 1));
    EXPECT_FLOAT_EQ(read.points.back().Distance, numberedFrame(i + 1, sizes[i])->points.back().Distance);
  }
}

// LAS runs from code 3 until the save button stops it; each frame is one file.
TEST_F(SaveExport, LasRecordsUntilTheSaveButtonStopsIt) {
  answer = outDir;
  window->getSelectSaveDataTypeSlot(3, 1);
  ASSERT_TRUE(window->isCollecting());
  const std::size_t sizes[] = {3, 5};
  for (std::size_t n : sizes) {
    feed(numberedFrame(1, n));
    QTest::qWait(3);  // names carry the millisecond
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->saveWorker()->framesWritten() == 2; }, 10000));

  window->form().pBn_DataStorage->click();
  EXPECT_FALSE(window->isCollecting());
  ASSERT_TRUE(waitForFinish());
  feed(numberedFrame(9, 7));
  EXPECT_EQ(queued(), 0u) << "no frames queued after the stop";

  const QStringList files = filesIn(outDir, "file_*.las");
  ASSERT_EQ(files.size(), 2);
  std::vector<qint64> fileSizes;
  for (const QString& f : files) {
    QFile file(f);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(4), QByteArray("LASF"));
    fileSizes.push_back(file.size());
  }
  std::sort(fileSizes.begin(), fileSizes.end());
  EXPECT_EQ(fileSizes, (std::vector<qint64>{375 + 34 * 3, 375 + 34 * 5}));

  // Stopped: the button opens the save-type dialog again.
  window->form().pBn_DataStorage->click();
  bool dialogShown = false;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<SaveLidarDataTypeSelect*>(w) && w->isVisible()) dialogShown = true;
  EXPECT_TRUE(dialogShown);
}

// Cancel after two of five frames: the file keeps the two, nothing further is queued or
// written, no finish is reported, and the dialog stays closed.
TEST_F(SaveExport, CancelStopsTheSave) {
  answer = outDir + "/cancelled.csv";
  window->getSelectSaveDataTypeSlot(1, 5);
  feed(numberedFrame(1, 4));
  feed(numberedFrame(2, 4));
  ASSERT_TRUE(waitForWritten(2));
  QProgressDialog* progress = window->saveProgressDialog();
  ASSERT_NE(progress, nullptr);
  QPushButton* cancel = progress->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  cancel->click();

  EXPECT_FALSE(window->isCollecting());
  EXPECT_FALSE(window->saveWorker()->isRunning());
  for (int k = 3; k <= 5; ++k) feed(numberedFrame(k, 4));
  QTest::qWait(50);
  EXPECT_EQ(queued(), 0u);
  EXPECT_FALSE(progress->isVisible()) << "a report posted before the cancel must not reopen it";
  EXPECT_EQ(boxesSaying("information", kFinished), 0);
  EXPECT_EQ(readCsv(answer).frames, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}}));
}

// Starts that are refused: nothing is chosen, or the choice cannot be written to. Nothing is
// collected afterwards and no writer runs.
TEST_F(SaveExport, RefusedStartsCollectNothing) {
  QFile plainFile(outDir + "/not-a-directory");
  ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
  plainFile.close();
  struct Case {
    int code;
    QString answer;
    const char* tip;  // text of the "Tips" box; "" for none, nullptr for the writer's reason
  };
  const Case cases[] = {
      {1, "", ""},  // a cancelled save-file dialog is not an error
      {11, "", kEmptyPath},
      {2, "", kEmptyPath},
      {3, "", kEmptyPath},
      {11, plainFile.fileName(), nullptr},
      {2, plainFile.fileName(), nullptr},
      {3, plainFile.fileName(), nullptr},
      {1, outDir + "/missing/x.csv", nullptr},
  };
  OffLineClass* panel = window->form().widget_offLineData;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << c.code << ", answer '" << c.answer.toStdString() << "'");
    env->boxes.clear();
    answer = c.answer;
    window->getSelectSaveDataTypeSlot(c.code, 2);
    QTest::qWait(20);  // a writer's refusal arrives queued
    if (c.tip && *c.tip == '\0') {
      EXPECT_TRUE(env->boxes.empty());
    } else {
      ASSERT_EQ(env->boxes.size(), 1u);
      EXPECT_EQ(env->boxes[0].title, "Tips");
      if (c.tip) EXPECT_EQ(env->boxes[0].text, c.tip);
      else EXPECT_TRUE(env->boxes[0].text.contains(QFileInfo(c.answer).fileName())) << env->boxes[0].text.toStdString();
    }
    EXPECT_FALSE(window->isCollecting());
    EXPECT_FALSE(window->saveWorker()->isRunning());
    EXPECT_FALSE(panel->isConversionAccepted);
    feed(numberedFrame(1, 3));
    EXPECT_EQ(queued(), 0u);
  }
  EXPECT_EQ(QDir(outDir).entryList(QDir::Files), QStringList{"not-a-directory"});
}

// Closing and destroying the window while the writer is busy: the writer is stopped before
// the queues go, and the file keeps only whole frames.
TEST_F(SaveExport, ClosingDuringASaveKeepsWholeFrames) {
  constexpr std::size_t kPoints = 20000;
  answer = outDir + "/closing.csv";
  window->getSelectSaveDataTypeSlot(1, 40);
  for (int k = 1; k <= 20; ++k) feed(numberedFrame(k, kPoints));
  ASSERT_TRUE(waitForWritten(1));
  window->close();
  window.reset();

  const CsvFile csv = readCsv(answer);
  EXPECT_TRUE(csv.header.startsWith("FrameNumber,"));
  EXPECT_EQ(csv.rows % static_cast<int>(kPoints), 0) << "rows: " << csv.rows;
  for (std::size_t i = 0; i < csv.frames.size(); ++i) EXPECT_EQ(csv.frames[i].first, static_cast<int>(i + 1));
}

}  // namespace

namespace {

// Codes 0 and 10 record the chosen adapter's traffic into a capture; the save button ends it.
TEST_F(SaveExport, RecordingStartsFromTheSaveTypeAndEndsWithTheSaveButton) {
  if (geteuid() != 0) GTEST_SKIP() << "capturing needs root";
  NetWorkAdapterView* view = window->connectionDialog()->adapterView();
  view->m_stDevName = "lo";
  view->recordDataPort = 23682;
  view->recordDevPort = 23692;
  answer = outDir + "/run.pcap";
  window->getSelectSaveDataTypeSlot(10, 1);
  ASSERT_TRUE(window->recording());
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].caption, "Save PCAP");

  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(23682);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const std::vector<unsigned char> payload(1212, 0x5a);
  ASSERT_TRUE(QTest::qWaitFor([&] {
    sendto(sock, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    return view->recordedPackets() > 0;
  }, 5000));
  close(sock);

  window->onPbn_DataStorageSlot();
  EXPECT_FALSE(window->recording());
  char error[PCAP_ERRBUF_SIZE];
  pcap_t* file = pcap_open_offline(answer.toUtf8().constData(), error);
  ASSERT_NE(file, nullptr) << error;
  pcap_pkthdr* header = nullptr;
  const u_char* data = nullptr;
  ASSERT_EQ(pcap_next_ex(file, &header, &data), 1);
  EXPECT_EQ(header->caplen, 14u + 20u + 8u + 1212u);
  int records = 1;
  while (pcap_next_ex(file, &header, &data) == 1) ++records;
  pcap_close(file);
  // The message counts what the file holds.
  const QString count = records == 1 ? QString("1 packet was recorded.") : QString("%1 packets were recorded.").arg(records);
  EXPECT_EQ(boxesSaying("Hint", "Finished recording\n" + count), 1);
}

// Without a connection there is nothing to record.
TEST_F(SaveExport, RecordingNeedsAConnection) {
  window->onPbn_ConnectSlot();  // disconnect
  ASSERT_FALSE(window->connected());
  window->getSelectSaveDataTypeSlot(0, 1);
  EXPECT_FALSE(window->recording());
  EXPECT_EQ(boxesSaying("warring", "Please connect online data first!"), 1);
  EXPECT_TRUE(requests.empty());
}

}  // namespace
