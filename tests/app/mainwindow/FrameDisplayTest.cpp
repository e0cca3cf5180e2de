// Live frame display: the frame ring and its viewer ids, frames dropped while the display is
// frozen or behind the driver, the point table window and its limits, the selection count and
// the save hand-off.
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest/QTest>

#include "Halverd.h"

#include "MainWindowTestSupport.h"
#include "OffLineClass.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

class FrameDisplay : public WindowTest {
protected:
  void show(const Cloud::Ptr& frame, int count, const Cloud::Ptr& companion = Cloud::Ptr(new Cloud)) {
    window->onCalculateShowPointCloudSlot(frame, companion, count, QString());
  }
  long points(const std::string& id) const { return viewerPointCount(viewer, id); }
};

TEST_F(FrameDisplay, RingSlotsFollowThePartialFrameCount) {
  struct Step {
    int count;           // partial frames per display frame, as the glue sends it
    std::size_t points;  // size of the frame sent
    int index;           // ring slot it must land in
    long shown, slot0, slot1;  // points under "realTime_points", "_0", "_1" (-1: absent)
  };
  const Step steps[] = {
      {1, 10, 0, 10, -1, -1},
      {2, 11, 1, -1, -1, 11},  // switching to two: the single id goes
      {2, 12, 0, -1, 12, 11},
      {2, 13, 1, -1, 12, 13},  // the third replaces the older slot
      {5, 14, 0, -1, 14, 13},  // counts above two stay within the two slots
      {7, 15, 1, -1, 14, 15},
      {1, 16, 0, 16, -1, -1},  // back to one: both ring ids go
      {0, 17, 0, 17, -1, -1},
      {-3, 18, 0, 18, -1, -1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "count " << s.count << ", frame of " << s.points);
    show(makeCloud(s.points), s.count);
    EXPECT_EQ(window->ringFrameIndex(), s.index);
    EXPECT_GE(window->ringFrameCount(), 1);
    EXPECT_LE(window->ringFrameCount(), 2);
    EXPECT_EQ(points("realTime_points"), s.shown);
    EXPECT_EQ(points("realTime_points_0"), s.slot0);
    EXPECT_EQ(points("realTime_points_1"), s.slot1);
  }
}

TEST_F(FrameDisplay, CompanionIsShownUnderItsOwnId) {
  show(makeCloud(20), 1, makeCloud(3));
  EXPECT_EQ(points("m_SelectPointCloudPrt"), 3);
  show(makeCloud(20), 2, makeCloud(4));
  EXPECT_EQ(points("m_SelectPointCloudPrt"), 3) << "the one-frame id is left alone in two-frame mode";
  EXPECT_EQ(points("mSelectPointShow_1"), 4);
  show(makeCloud(20), 1, nullptr);  // a missing companion is not a crash
  EXPECT_EQ(points("mSelectPointShow_1"), -1);
  EXPECT_EQ(points("realTime_points"), 20);
}

TEST_F(FrameDisplay, FramesAreDroppedWhileTheDisplayIsFrozen) {
  show(makeCloud(10), 1);
  OffLineClass* panel = window->form().widget_offLineData;

  panel->iconShowsStop = true;  // Play pressed outside an offline run
  show(makeCloud(99), 1);
  EXPECT_EQ(points("realTime_points"), 10);
  panel->iconShowsStop = false;
  show(makeCloud(30), 1);
  EXPECT_EQ(points("realTime_points"), 30);

  window->setDisplayPaused(true);  // an area selection in progress
  show(makeCloud(99), 2);
  EXPECT_EQ(points("realTime_points"), 30);
  EXPECT_EQ(window->ringFrameCount(), 1);
  window->setDisplayPaused(false);
  show(makeCloud(40), 1);
  EXPECT_EQ(points("realTime_points"), 40);
}

TEST_F(FrameDisplay, PointTableListsAWindowOfNonZeroPoints) {
  QStandardItemModel* table = window->pointTable();
  ASSERT_EQ(table->columnCount(), 9);
  EXPECT_EQ(table->headerData(8, Qt::Horizontal).toString(), "Timestamp");

  // Rows 0, 3 and 4 have distance 0: they stay empty, and the window still ends at row 30.
  show(makeCloud(100, {0, 3, 4}), 1);
  EXPECT_EQ(table->item(0, 0), nullptr);
  EXPECT_EQ(table->item(3, 4), nullptr);
  EXPECT_EQ(table->item(4, 1), nullptr);
  ASSERT_NE(table->item(1, 4), nullptr);
  EXPECT_EQ(table->item(1, 4)->text(), "1.010");
  EXPECT_EQ(table->item(1, 0)->data(Qt::DisplayRole).toInt(), 1);
  EXPECT_EQ(table->item(1, 1)->text(), "1.010  0.500  0.100");
  EXPECT_EQ(table->item(1, 5)->text(), "77");
  EXPECT_EQ(table->item(1, 8)->text(), "1.7e+09");
  EXPECT_NE(table->item(30, 0), nullptr);
  EXPECT_EQ(table->item(31, 0), nullptr) << "rows beyond the scroll window are not written";
  EXPECT_EQ(table->item(33, 0), nullptr);

  // A frame above 88888 points leaves the header only.
  show(makeCloud(newLumivar::kTableMaxPoints + 1), 1);
  EXPECT_EQ(table->rowCount(), 0);
  EXPECT_EQ(table->columnCount(), 9);

  // At most 30 rows a frame, from the scroll position on; exactly 88888 points are listed.
  show(makeCloud(newLumivar::kTableMaxPoints), 1);
  EXPECT_NE(table->item(29, 0), nullptr);
  EXPECT_EQ(table->item(30, 0), nullptr);
}

TEST_F(FrameDisplay, BoxCompanionFeedsTheTableAndTheSelectionCount) {
  BoxSelectParam box;
  box.xMin = 0.0f, box.xMax = 2.0f, box.yMin = 0.0f, box.yMax = 1.0f, box.zMin = 0.0f, box.zMax = 1.0f;
  box.valid = true;
  window->setSelectionBox(box);
  Cloud::Ptr companion = makeCloud(5, {2});
  show(makeCloud(50), 1, companion);
  EXPECT_TRUE(viewerHasShape(viewer, "Selection Number"));
  EXPECT_NE(window->pointTable()->item(4, 0), nullptr);
  EXPECT_EQ(window->pointTable()->item(2, 0), nullptr);
  EXPECT_EQ(window->pointTable()->item(5, 0), nullptr) << "the table lists the companion, not the frame";

  // A companion of 100000 points leaves the header only.
  show(makeCloud(50), 1, makeCloud(100000));
  EXPECT_EQ(window->pointTable()->rowCount(), 0);
}

TEST_F(FrameDisplay, ReplayedPcdFrameBuildsItsCompanionFromTheBox) {
  BoxSelectParam box;
  box.xMin = 1.0f, box.xMax = 1.105f, box.yMin = 0.0f, box.yMax = 1.0f, box.zMin = 0.0f, box.zMax = 1.0f;
  box.valid = true;
  window->setSelectionBox(box);
  // Points 0..10 have x 1.00..1.10; point 4 has distance 0 and is left out.
  window->onCalculateShowPointCloudSlot_PCD(makeCloud(40, {4}));
  EXPECT_EQ(points("realTime_points"), 40);
  EXPECT_EQ(points("mSelectPointShow"), 10);
  EXPECT_TRUE(viewerHasShape(viewer, "Selection Number"));
  QStandardItemModel* table = window->pointTable();
  EXPECT_NE(table->item(9, 0), nullptr);
  EXPECT_EQ(table->item(10, 0), nullptr) << "the table lists the ten in-box points";
}

TEST_F(FrameDisplay, CollectedFramesReachTheSaveQueues) {
  // PCD: three frames named _1.._3, the merged ring in two-frame mode.
  window->beginFrameCollection(2, 3, "/tmp/out");
  show(makeCloud(5), 1);
  show(makeCloud(6), 2);
  show(makeCloud(7), 2);
  show(makeCloud(8), 1);  // collection is over
  {
    std::lock_guard<std::mutex> lock(window->saveMutex());
    ASSERT_EQ(window->saveQueue().size(), 3u);
    ASSERT_EQ(window->saveNameQueue().size(), 3u);
    EXPECT_EQ(window->saveQueue()[0]->size(), 5u);
    EXPECT_EQ(window->saveQueue()[1]->size(), 5u + 6u) << "slot 0 still holds the first frame";
    EXPECT_EQ(window->saveQueue()[2]->size(), 6u + 7u);
    for (int i = 0; i < 3; ++i) {
      const QString name = QString::fromStdString(window->saveNameQueue()[static_cast<std::size_t>(i)]);
      EXPECT_TRUE(name.startsWith("/tmp/out/LidarType_Ulmeth_")) << name.toStdString();
      EXPECT_TRUE(name.endsWith(QString("_%1.pcd").arg(i + 1))) << name.toStdString();
    }
    window->saveQueue().clear();
    window->saveNameQueue().clear();
  }
  EXPECT_FALSE(window->isCollecting());

  // One PCD frame has no number; CSV queues the frame itself.
  window->beginFrameCollection(2, 1, "/tmp/out");
  show(makeCloud(9), 1);
  window->beginFrameCollection(1, 2);
  show(makeCloud(10), 1);
  show(makeCloud(11), 1);
  show(makeCloud(12), 1);
  std::lock_guard<std::mutex> lock(window->saveMutex());
  ASSERT_EQ(window->saveNameQueue().size(), 1u);
  EXPECT_TRUE(QString::fromStdString(window->saveNameQueue()[0]).contains(QRegExp("-\\d{3}\\.pcd$")));
  ASSERT_EQ(window->saveQueue().size(), 3u);
  EXPECT_EQ(window->saveQueue()[1]->size(), 10u);
  EXPECT_EQ(window->saveQueue()[2]->size(), 11u);
}

// The camera frames the scene once after a start or with both echoes off, and otherwise
// keeps the view the user chose.
TEST_F(FrameDisplay, CameraResetsOnlyWhenAsked) {
  auto cameraAt = [this](double x, double y, double z) {
    std::vector<pcl::visualization::Camera> cameras;
    viewer->getCameras(cameras);
    return !cameras.empty() && cameras[0].pos[0] == x && cameras[0].pos[1] == y && cameras[0].pos[2] == z;
  };
  show(makeCloud(50), 1);  // the first frame after start-up frames the scene
  viewer->setCameraPosition(500.0, 40.0, 30.0, 0.0, 0.0, 1.0);  // the user moves the view
  ASSERT_TRUE(cameraAt(500.0, 40.0, 30.0));
  show(makeCloud(50), 1);
  show(makeCloud(60), 2);
  EXPECT_TRUE(cameraAt(500.0, 40.0, 30.0)) << "later frames keep the user's view";

  Ui::newLumivar& ui = window->form();
  ui.cBx_SingleEcho->setChecked(false);
  ui.cBx_doubleEcho->setChecked(false);
  EXPECT_TRUE(cameraAt(500.0, 40.0, 30.0));
  show(makeCloud(50), 1);
  EXPECT_FALSE(cameraAt(500.0, 40.0, 30.0)) << "with both echoes off the next frame frames the scene";
  viewer->setCameraPosition(500.0, 40.0, 30.0, 0.0, 0.0, 1.0);
  show(makeCloud(50), 1);
  EXPECT_TRUE(cameraAt(500.0, 40.0, 30.0)) << "only once";
}

// Frames that queued while the window was busy drawing: the view gets the newest at once
// instead of drawing each of them in turn, and the log says how many it skipped.
TEST_F(FrameDisplay, ADisplayBehindTheDriverDrawsOnlyTheNewestFrame) {
  FakeDriverLog drivers;
  connectFakeUlmeth(23684, 23694);
  QSignalSpy handedOn(window->glue()->dataEmitter,
                      SIGNAL(SendLidarDataPrt(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr, int,
                                              QString)));
  ASSERT_TRUE(handedOn.isValid());

  FakeDriverLog::emitFrames(10, 1, 101);  // 101 .. 110 points, all queued before we look
  ASSERT_TRUE(QTest::qWaitFor([&] { return points("realTime_points") == 110; }, 5000))
      << "realTime_points holds " << points("realTime_points");
  QCoreApplication::processEvents();
  EXPECT_EQ(handedOn.count(), 1) << "the nine older frames are not drawn";
  const QStringList drops = env->logTexts().filter("frames dropped");
  ASSERT_EQ(drops.size(), 1);
  EXPECT_TRUE(drops[0].endsWith("9 frames dropped: the display fell behind the driver (9 in all)"))
      << drops[0].toStdString();

  // The next backlog within the minute is counted, not logged yet.
  FakeDriverLog::emitFrames(4, 1, 201);
  ASSERT_TRUE(QTest::qWaitFor([&] { return points("realTime_points") == 204; }, 5000));
  EXPECT_EQ(env->logTexts().filter("frames dropped").size(), 1);
}

}  // namespace
