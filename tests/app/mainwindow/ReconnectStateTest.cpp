// State that must survive a disconnect and a reconnect, through the real glue and a driver
// library that sends frames from its own thread: a box selection left open, the measurement
// grid and the colour mode the combo shows.
#include <QtTest/QTest>

#include <vtkAreaPicker.h>
#include <vtkRenderWindowInteractor.h>

#include "DeviceLookupConnection.h"
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
