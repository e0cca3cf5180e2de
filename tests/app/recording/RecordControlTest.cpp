// The main window's recording control with a real connection dialog and adapter view:
// the refusals, the save-file dialog, start and stop, and the messages.
#include "CaptureRecordControl.h"
#include "DeviceLookupConnection.h"
#include "NetWorkAdapterView.h"

#include "MessageBoxSeam.h"
#include "RecordingFixtures.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <gtest/gtest.h>

namespace {

using recording::LoopbackSocket;

struct Shown {
  QWidget* parent;
  QString text;  // title|text
};

struct Fixture {
  QWidget window;
  DeviceLookupConnection connection;
  CaptureRecordControl control{&window, &connection};
  NetWorkAdapterView* view = connection.adapterView();
  std::vector<Shown> shown;
  ScopedMessageBoxHook hook{[this](QWidget* parent, const QString& title, const QString& text,
                                   QMessageBox::StandardButtons, QMessageBox::StandardButton) {
    shown.push_back({parent, title + "|" + text});
    return QMessageBox::Ok;
  }};
  QStringList texts() const {
    QStringList list;
    for (const Shown& box : shown) list << box.text;
    return list;
  }
  // The connection dialog's choice: record on the loopback adapter from these ports.
  void recordOnLoopback(const LoopbackSocket& data, const LoopbackSocket& dev) {
    view->m_stDevName = "lo";
    view->recordDataPort = data.port();
    view->recordDevPort = dev.port();
  }
};

struct DialogSeen {
  bool opened = false;
  QString title;
  QString proposed;
  QStringList filters;
  bool nonNative = false;
};

// Answers the next save-file dialog: types path and accepts, or cancels for an empty path.
void answerFileDialog(const QString& path, DialogSeen* seen) {
  QTimer::singleShot(0, [path, seen] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen->opened = true;
    seen->title = dialog->windowTitle();
    seen->proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
    seen->filters = dialog->nameFilters();
    seen->nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) {
      dialog->reject();
      return;
    }
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();  // protected in QFileDialog
  });
}

TEST(RecordControl, RefusalsShowTheirMessageAndStartNothing) {
  struct Case {
    const char* what;
    bool connected;
    std::string adapter;
    QString message;
    bool parentIsWindow;
    bool asksForFile;
    bool showsConnectionDialog;
  };
  const std::vector<Case> cases = {
      {"offline", false, "lo", "warring|Please connect online data first!", false, false, false},
      {"no adapter", true, "", "warring|Please Select the captured network adapter", false, false, true},
      {"file dialog cancelled", true, "lo", "Hint|The path of saving the file is incorrect!", true,
       true, false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    Fixture f;
    f.view->m_stDevName = row.adapter;
    QSignalSpy changed(&f.control, &CaptureRecordControl::recordingChanged);
    DialogSeen seen;
    answerFileDialog(QString(), &seen);
    f.control.recordPcap(row.connected, 0, "LidarType_Kaldor_v4_0");
    QCoreApplication::processEvents();
    ASSERT_EQ(f.texts(), QStringList{row.message});
    EXPECT_EQ(f.shown[0].parent, row.parentIsWindow ? &f.window : nullptr);
    EXPECT_EQ(seen.opened, row.asksForFile);
    EXPECT_EQ(f.connection.isVisible(), row.showsConnectionDialog);
    EXPECT_EQ(f.view->isVisible(), row.showsConnectionDialog);
    EXPECT_FALSE(f.control.isRecording());
    EXPECT_FALSE(f.view->isRecording());
    EXPECT_TRUE(changed.isEmpty());
  }
}

TEST(RecordControl, TheFileDialogProposesTheModelAndMinute) {
  Fixture f;
  f.view->m_stDevName = "lo";
  DialogSeen seen;
  answerFileDialog(QString(), &seen);
  f.control.recordPcap(true, 0, "LidarType_Kaldor_v4_0");
  ASSERT_TRUE(seen.opened);
  EXPECT_EQ(seen.title, "Save PCAP");
  EXPECT_EQ(seen.filters, QStringList{"WireSharkCaptureFile (*.pcap)"});
  EXPECT_TRUE(seen.nonNative);
  EXPECT_TRUE(QRegularExpression(R"(^LidarType_Kaldor_v4_0_\d{4}-\d\d-\d\d-\d\d-\d\d\.pcap$)")
                  .match(seen.proposed)
                  .hasMatch())
      << seen.proposed.toStdString();
  EXPECT_EQ(CaptureRecordControl::proposedFileName(
                "LidarType_Ulmeth", QDateTime(QDate(2024, 9, 3), QTime(7, 5, 59))),
            "LidarType_Ulmeth_2024-09-03-07-05.pcap");
}

TEST(RecordControl, ARecordingStartsWithTheChosenFileAndModeAndTheNextPressStopsIt) {
  QTemporaryDir dir;
  LoopbackSocket data, dev, client;
  Fixture f;
  f.recordOnLoopback(data, dev);
  f.view->isAccepted = true;
  QSignalSpy changed(&f.control, &CaptureRecordControl::recordingChanged);
  // A name outside ASCII reaches the file system as the user typed it.
  const QString path = dir.filePath(QString::fromUtf8("Aufnahme_\xc3\xa4\xc3\xb6\xc3\xbc.pcap"));
  DialogSeen seen;
  answerFileDialog(path, &seen);
  f.control.recordPcap(true, 10, "LidarType_Kaldor_v4_0");

  ASSERT_TRUE(f.control.isRecording()) << f.texts().join("; ").toStdString();
  EXPECT_TRUE(f.view->isRecording());
  EXPECT_EQ(f.view->recordMode, 10);
  EXPECT_FALSE(f.view->isAccepted);
  EXPECT_EQ(f.view->recordPath, QFile::encodeName(path).toStdString());
  EXPECT_TRUE(f.shown.empty());
  for (int tag = 0; tag < 3; ++tag) client.sendTo(data.port(), recording::taggedPayload(tag));
  ASSERT_TRUE(data.receive(3, 3000));

  // Disconnected meanwhile: the press still ends the recording.
  f.control.recordPcap(false, 10, "LidarType_Kaldor_v4_0");
  EXPECT_FALSE(f.control.isRecording());
  EXPECT_FALSE(f.view->isRecording());
  ASSERT_EQ(f.texts(), QStringList{"Hint|Finished recording\n3 packets were recorded."});
  EXPECT_EQ(f.shown[0].parent, &f.window);
  ASSERT_EQ(changed.size(), 2);
  EXPECT_TRUE(changed.at(0).at(0).toBool());
  EXPECT_FALSE(changed.at(1).at(0).toBool());
  EXPECT_EQ(recording::ourTags(recording::readCapture(QFile::encodeName(path).toStdString())),
            (std::vector<int>{0, 1, 2}));
}

// The stop says how many packets the file holds; with none it says so plainly and keeps the
// file, a valid capture of no packet.
TEST(RecordControl, TheStopSaysHowManyPacketsCameOrThatNoneDid) {
  struct Case {
    int sent;
    QString message;
  };
  const Case cases[] = {
      {0, "Hint|Finished recording\nNo packet was recorded: no sensor data reached the chosen network "
          "adapter. The file is kept, but it holds no data."},
      {1, "Hint|Finished recording\n1 packet was recorded."},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.sent);
    QTemporaryDir dir;
    LoopbackSocket data, dev, client;
    Fixture f;
    f.recordOnLoopback(data, dev);
    const QString path = dir.filePath("record.pcap");
    f.control.setPathChooser([&](QWidget*, const QString&, const QString&, const QString&) { return path; });
    f.control.recordPcap(true, 10, "LidarType_Kaldor_v4_0");
    ASSERT_TRUE(f.control.isRecording()) << f.texts().join("; ").toStdString();
    for (int tag = 0; tag < row.sent; ++tag) client.sendTo(data.port(), recording::taggedPayload(tag));
    ASSERT_TRUE(data.receive(row.sent, 3000));

    f.control.recordPcap(true, 10, "LidarType_Kaldor_v4_0");
    EXPECT_FALSE(f.control.isRecording());
    EXPECT_EQ(f.texts(), QStringList{row.message});
    const recording::CaptureContents contents = recording::readCapture(QFile::encodeName(path).toStdString());
    EXPECT_TRUE(contents.opened) << contents.error;
    EXPECT_EQ(contents.packets.size(), std::size_t(row.sent));
  }
}

TEST(RecordControl, AFailedStartOrWriteLeavesTheControlNotRecording) {
  struct Case {
    const char* what;
    QString path;
    bool starts;
    QString message;  // start of the one message shown
  };
  const std::vector<Case> cases = {
      {"missing directory", "/nonexistent-lumivar-dir/x.pcap", false,
       "warring|Unable to record: Unable to create the capture file: "},
      {"file refuses writes (the header is written at the start)", "/dev/full", false,
       "warring|Unable to record: Unable to write the capture file: "},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    LoopbackSocket data, client;
    Fixture f;
    f.view->m_stDevName = "lo";
    f.view->recordDataPort = data.port();
    // /dev/full exists: the dialog would ask before overwriting it.
    f.control.setPathChooser([&](QWidget*, const QString&, const QString&, const QString&) {
      return row.path;
    });
    QSignalSpy changed(&f.control, &CaptureRecordControl::recordingChanged);
    f.control.recordPcap(true, 10, "LidarType_Kaldor_v4_0");
    if (row.starts) {
      client.sendTo(data.port(), recording::taggedPayload(0));
      ASSERT_TRUE(QTest::qWaitFor([&] { return !f.control.isRecording(); }, 3000));
      EXPECT_EQ(changed.size(), 2);
    } else {
      EXPECT_TRUE(changed.isEmpty());
    }
    EXPECT_FALSE(f.control.isRecording());
    EXPECT_FALSE(f.view->isRecording());
    ASSERT_EQ(f.shown.size(), 1u);
    EXPECT_TRUE(f.shown[0].text.startsWith(row.message)) << f.shown[0].text.toStdString();
  }
}

}  // namespace
