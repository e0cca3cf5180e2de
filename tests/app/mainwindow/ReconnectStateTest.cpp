// State across a disconnect and a reconnect, through the real glue and a driver library that
// sends frames from its own thread: a box selection left open or made, the measurement grid
// and the colour mode the combo shows.
#include <QStandardItemModel>
#include <QtTest/QTest>

#include <vtkAreaPicker.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkRendererCollection.h>

#include "BoxSelectChangeValue.h"
#include "DeviceLookupConnection.h"
#include "Halverd.h"
#include "HalverdPanels.h"
#include "MainWindowTestSupport.h"
#include "OffLineClass.h"
#include "SetMeasurementGrid.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

class Reconnect : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  // The connection dialog's OK, as the user gives it.
  void connectThroughTheDialog() {
    LidarInitParam p;
    p.lidarType = "LidarType_Ulmeth";
    p.destIP = "127.0.0.1";
    p.dataPort = 23683;
    p.devPort = 23693;
    emit window->connectionDialog()->onSendLidarInitParamSignal(p);
    ASSERT_TRUE(window->connected());
  }
  void pressConnectButton() { window->form().pBn_Connect->click(); }
  // The play bar's Play, pressed with the mouse.
  void pressPlay() {
    QToolButton* play = window->form().widget_offLineData->ui.toolButton_Play;
    QTest::mouseClick(play, Qt::LeftButton);
  }
  bool pauseLineShown() const {
    const std::vector<std::string> texts = visibleViewTexts(viewer);
    return std::find(texts.begin(), texts.end(), "Display paused: press Play to resume") != texts.end();
  }
  // Boxes the far end of the line of points that the fake driver sends, with a drag.
  void dragABoxOverTheFarEnd() {
    window->onPbn_VeiwTopSlot();
    window->form().pBn_BoxSelect->click();
    ASSERT_TRUE(window->areaSelecting());
    const QPoint from = onScreen(1.295, 0.5, 0.0), to = onScreen(1.6, 0.5, 0.0);
    dragOverView(from - QPoint(0, 20), to + QPoint(0, 20));
    ASSERT_TRUE(window->selectionBoxValid()) << "the drag picked no point";
  }
  // Where the view draws a point, or (-1, -1) when it is outside the view.
  QPoint inView(double x, double y, double z) const {
    const QPoint p = onScreen(x, y, z);
    return window->form().screen->rect().contains(p) ? p : QPoint(-1, -1);
  }
  // Position, focal point and view-up of the camera.
  std::vector<double> camera() const {
    std::vector<pcl::visualization::Camera> cameras;
    viewer->getCameras(cameras);
    const pcl::visualization::Camera& c = cameras.at(0);
    return {c.pos[0], c.pos[1], c.pos[2], c.focal[0], c.focal[1], c.focal[2], c.view[0], c.view[1], c.view[2]};
  }
  // Frames from the driver; true once the view shows the last one.
  bool sendFramesAndWait(int count, int firstPoints) {
    FakeDriverLog::emitFrames(count, 1, firstPoints);
    const long last = firstPoints + count - 1;
    return QTest::qWaitFor([&] { return viewerPointCount(viewer, "realTime_points") == last; }, 5000);
  }
  bool areaPickerOn() const {
    return vtkAreaPicker::SafeDownCast(window->form().screen->interactor()->GetPicker()) != nullptr;
  }
  std::size_t gridLines() const {
    std::size_t n = 0;
    for (const auto& shape : *viewer->getShapeActorMap()) n += shape.first.find("Grid_") != std::string::npos;
    return n;
  }
  QString lastSelectRange() const {
    const QStringList calls = drivers.calls().filter(QRegExp("^setSelectRange"));
    return calls.isEmpty() ? QString() : calls.last();
  }
  // A left-button drag over the view, through Qt's platform path as a real pointer's.
  // Where the view draws a point, in the render widget's coordinates.
  QPoint onScreen(double x, double y, double z) const {
    vtkRenderer* renderer = viewer->getRendererCollection()->GetFirstRenderer();
    renderer->SetWorldPoint(x, y, z, 1.0);
    renderer->WorldToDisplay();
    double d[3];
    renderer->GetDisplayPoint(d);
    return QPoint(static_cast<int>(d[0]), window->form().screen->height() - 1 - static_cast<int>(d[1]));
  }
  std::size_t boxEdges() const {
    std::size_t n = 0;
    for (const auto& shape : *viewer->getShapeActorMap()) n += shape.first.rfind("bbox_line_", 0) == 0;
    return n;
  }
  // The distance shown in a row of the point table, or -1 for an empty row.
  double tableDistance(int row) const {
    const QStandardItem* item = window->pointTable()->item(row, 4);
    return item ? item->text().toDouble() : -1.0;
  }
  QString lastColourCall() const {
    const QStringList calls = drivers.calls().filter(QRegExp("^SetRGB_TypeSelection"));
    return calls.isEmpty() ? QString() : calls.last();
  }

  FakeDriverLog drivers;
};

// Box select pauses the live display; a disconnect and a new connection must not leave it
// paused, or the view stays black while the log says the connection succeeded.
TEST_F(Reconnect, ABoxSelectionLeftOpenDoesNotKeepTheNextRunOffTheScreen) {
  connectThroughTheDialog();
  ASSERT_TRUE(sendFramesAndWait(1, 50));
  OffLineClass* panel = window->form().widget_offLineData;

  window->form().pBn_BoxSelect->click();
  ASSERT_TRUE(window->areaSelecting());
  ASSERT_TRUE(panel->iconShowsStop);
  FakeDriverLog::emitFrames(1, 1, 60);
  QTest::qWait(100);
  EXPECT_EQ(viewerPointCount(viewer, "realTime_points"), 50) << "paused for the selection";

  pressConnectButton();
  ASSERT_FALSE(window->connected());
  EXPECT_FALSE(window->areaSelecting());
  EXPECT_FALSE(areaPickerOn()) << "the view left its picking mode";
  EXPECT_FALSE(panel->iconShowsStop) << "the display paused for the selection is released";

  connectThroughTheDialog();
  EXPECT_TRUE(sendFramesAndWait(1, 70)) << "realTime_points holds " << viewerPointCount(viewer, "realTime_points");
  EXPECT_EQ(window->form().screen->cursor().shape(), Qt::ArrowCursor);
}

// The selection is also ended by a new start without a disconnect (the offline path).
TEST_F(Reconnect, ANewStartEndsTheSelection) {
  connectThroughTheDialog();
  window->form().pBn_BoxSelect->click();
  ASSERT_TRUE(window->areaSelecting());
  pressConnectButton();
  window->form().pBn_BoxSelect->click();  // not connected: nothing to pause
  ASSERT_TRUE(window->areaSelecting());
  connectThroughTheDialog();
  EXPECT_FALSE(window->areaSelecting());
  EXPECT_FALSE(areaPickerOn());
  EXPECT_TRUE(sendFramesAndWait(1, 30));
}

// A box made on the frames of one connection belongs to them: a new connection shows no
// highlight, no count and none of its rows, and its driver gets no box, through a second
// reconnect too. The fake driver sends the in-box points with each frame, as a real one does.
TEST_F(Reconnect, ANewConnectionStartsWithNoSelectionShown) {
  connectThroughTheDialog();
  ASSERT_TRUE(sendFramesAndWait(1, 50));  // a line along x, from 1.00 to 1.49 m
  window->onPbn_VeiwTopSlot();
  window->form().pBn_BoxSelect->click();
  ASSERT_TRUE(window->areaSelecting());
  const QPoint from = onScreen(1.295, 0.5, 0.0), to = onScreen(1.6, 0.5, 0.0);  // the far end of the line
  dragOverView(from - QPoint(0, 20), to + QPoint(0, 20));
  ASSERT_TRUE(window->selectionBoxValid()) << "the drag picked no point";

  // The run goes on with the box: each frame's in-box points are highlighted, counted, listed.
  ASSERT_TRUE(sendFramesAndWait(1, 60));
  const long inBox = viewerPointCount(viewer, "m_SelectPointCloudPrt");
  ASSERT_GT(inBox, 0);
  ASSERT_LT(inBox, 50);
  EXPECT_EQ(viewerScreenText(viewer, "Selection Number"), "Selection Number:" + std::to_string(inBox));
  EXPECT_EQ(boxEdges(), 12u);
  EXPECT_FALSE(window->form().widget_ListData->isHidden());
  EXPECT_GT(tableDistance(0), 1.1) << "the table lists the in-box points";

  for (int reconnect = 1; reconnect <= 2; ++reconnect) {
    SCOPED_TRACE(reconnect);
    pressConnectButton();
    ASSERT_FALSE(window->connected());
    connectThroughTheDialog();
    EXPECT_EQ(lastSelectRange().toStdString(), "setSelectRange(0,1000,1000,1000,-1000,-1000,-1000)")
        << "the new driver gets no box";
    ASSERT_TRUE(sendFramesAndWait(1, 60 + 10 * reconnect));

    EXPECT_FALSE(window->selectionBoxValid());
    EXPECT_LE(viewerPointCount(viewer, "m_SelectPointCloudPrt"), 0) << "no point is highlighted";
    EXPECT_EQ(viewerPointCount(viewer, "clicked_points_3d11"), -1);
    EXPECT_EQ(viewerScreenText(viewer, "Selection Number"), "<absent>");
    EXPECT_EQ(viewerScreenText(viewer, "thickness1"), "<absent>");
    EXPECT_EQ(boxEdges(), 0u);
    EXPECT_EQ(window->glue()->advancedSettingWidget->shownText().toStdString(), "No selection");
    EXPECT_TRUE(window->form().widget_ListData->isHidden()) << "the list closes with the box, as Clear closes it";
    window->form().pBn_List->click();
    EXPECT_DOUBLE_EQ(tableDistance(0), 1.0) << "the list shows the frame now on screen, from its first point";
    window->form().pBn_List->click();
  }
}

// Play freezes a live display, and says so in the view; the freeze belongs to its run: after a
// disconnect the next connection's frames are shown at once, with Play showing Play and
// ready to freeze them again.
TEST_F(Reconnect, ThePauseOfALiveRunEndsWithIt) {
  OffLineClass* panel = window->form().widget_offLineData;
  QToolButton* play = panel->ui.toolButton_Play;
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    connectThroughTheDialog();
    EXPECT_TRUE(play->isEnabled()) << "Play freezes a live display";
    EXPECT_EQ(playButtonShows(play), "Play");
    EXPECT_FALSE(play->isChecked()) << "Play is drawn pressed";
    ASSERT_TRUE(sendFramesAndWait(1, 40 + run)) << "realTime_points holds " << viewerPointCount(viewer, "realTime_points");
    EXPECT_FALSE(pauseLineShown());

    pressPlay();
    EXPECT_EQ(playButtonShows(play), "Stop");
    EXPECT_TRUE(play->isChecked());
    EXPECT_TRUE(pauseLineShown()) << "a still picture says it is paused";
    const QPoint at = viewTextPlace(viewer, "Display paused");
    EXPECT_TRUE(window->form().screen->rect().contains(at)) << at.x() << "," << at.y();
    FakeDriverLog::emitFrames(1, 1, 90);
    QTest::qWait(100);
    EXPECT_EQ(viewerPointCount(viewer, "realTime_points"), 40 + run) << "frozen";
    pressPlay();
    EXPECT_FALSE(pauseLineShown());
    EXPECT_TRUE(sendFramesAndWait(1, 50 + run)) << "running again";

    pressPlay();  // frozen when the user disconnects
    ASSERT_TRUE(pauseLineShown());
    pressConnectButton();
    ASSERT_FALSE(window->connected());
    EXPECT_FALSE(pauseLineShown()) << "nothing is paused without a run";
    EXPECT_EQ(playButtonShows(play), "Play");
  }
}

// Left open across a reconnect, the box dialog must not hold the dropped box: its OK would put
// that box back on the new connection's frames.
TEST_F(Reconnect, TheBoxDialogGoesWithTheBoxItShows) {
  connectThroughTheDialog();
  ASSERT_TRUE(sendFramesAndWait(1, 50));
  dragABoxOverTheFarEnd();
  window->form().pBn_BoxSelect->click();  // with a box in force: its dialog
  BoxSelectChangeValue* dialog = window->boxDialog();
  ASSERT_TRUE(dialog->isVisible());
  ASSERT_GT(dialog->ui.dSBx_max_X->value(), 1.4);

  pressConnectButton();
  connectThroughTheDialog();
  EXPECT_FALSE(dialog->isVisible()) << "the dialog still offers the dropped box";
  dialog->ui.pushButton_OK->click();  // were it still there
  ASSERT_TRUE(sendFramesAndWait(1, 60));
  EXPECT_FALSE(window->selectionBoxValid());
  EXPECT_EQ(lastSelectRange().toStdString(), "setSelectRange(0,1000,1000,1000,-1000,-1000,-1000)");
  EXPECT_LE(viewerPointCount(viewer, "m_SelectPointCloudPrt"), 0) << "no point is highlighted";
  EXPECT_EQ(viewerScreenText(viewer, "Selection Number"), "<absent>");
  EXPECT_EQ(boxEdges(), 0u);
}

// The first frame after a connect is only the part of a turn since the connect; the camera is
// fitted again to the first whole turn, unless the user has turned the view in between.
TEST_F(Reconnect, TheFirstViewShowsTheFirstWholeTurn) {
  struct Case {
    const char* name;
    bool userTurnsTheView;
  };
  const Case cases[] = {{"left alone", false}, {"turned by the user", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    connectThroughTheDialog();
    ASSERT_TRUE(sendFramesAndWait(1, 5));  // x 1.00 .. 1.04: a fragment of a turn
    EXPECT_NE(inView(1.0, 0.5, 0.0), QPoint(-1, -1)) << "a run of one frame is fitted to it";
    EXPECT_NE(inView(1.04, 0.5, 0.0), QPoint(-1, -1));
    if (c.userTurnsTheView) {
      const QPoint middle = window->form().screen->rect().center();
      dragOverView(middle, middle + QPoint(80, 30));
    }
    const std::vector<double> before = camera();
    ASSERT_TRUE(sendFramesAndWait(1, 300));  // x 1.00 .. 3.99: the first whole turn
    if (c.userTurnsTheView) {
      EXPECT_EQ(camera(), before) << "the user's view is kept";
    } else {
      EXPECT_NE(inView(1.0, 0.5, 0.0), QPoint(-1, -1));
      EXPECT_NE(inView(3.99, 0.5, 0.0), QPoint(-1, -1)) << "the whole turn is in view";
      // The fit is for the start only: later frames keep the view.
      const std::vector<double> fitted = camera();
      ASSERT_TRUE(sendFramesAndWait(1, 20));
      EXPECT_EQ(camera(), fitted);
    }
    pressConnectButton();
  }
}

// Connecting clears marks and boxes but not the grid, whose button state stays true to
// what the view shows: its first press takes the grid away.
TEST_F(Reconnect, TheGridStaysInStepWithItsButtonAcrossAConnect) {
  window->form().pBn_MeaGrid->click();
  SetMeasurementGrid* dialog = window->gridDialog();
  ASSERT_TRUE(dialog->isVisible());
  dialog->ui.spinBox_GridNumber->setValue(3);
  dialog->onOK_Clicked();
  const std::size_t lines = gridLines();
  ASSERT_EQ(lines, 16u);

  connectThroughTheDialog();
  ASSERT_TRUE(sendFramesAndWait(1, 40));
  EXPECT_TRUE(window->gridShown());
  EXPECT_EQ(gridLines(), lines) << "the grid is still in the view";

  dialog->hide();
  window->form().pBn_MeaGrid->click();
  EXPECT_FALSE(window->gridShown());
  EXPECT_EQ(gridLines(), 0u) << "the first press takes the grid away";
  EXPECT_FALSE(dialog->isVisible());
  window->form().pBn_MeaGrid->click();
  EXPECT_TRUE(dialog->isVisible()) << "the next press offers a new grid";
}

// What the combo shows is what the new driver colours by.
TEST_F(Reconnect, TheColourModeShownIsTheOneTheNextDriverUses) {
  connectThroughTheDialog();
  QComboBox* colours = window->form().comboBox_ColorSelect;
  ASSERT_FALSE(colours->isHidden());
  colours->setCurrentIndex(colours->findText("Solid"));
  emit colours->activated(colours->currentIndex());
  EXPECT_EQ(lastColourCall(), "SetRGB_TypeSelection(1,0)");

  pressConnectButton();
  connectThroughTheDialog();
  EXPECT_EQ(colours->currentText(), "Solid");
  EXPECT_EQ(lastColourCall(), "SetRGB_TypeSelection(1,0)") << drivers.calls().join(" | ").toStdString();
}

}  // namespace
