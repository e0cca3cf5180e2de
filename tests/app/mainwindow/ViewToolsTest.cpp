// The tools of the 3D view in a real window, with the real glue and a driver library that
// writes down its calls: an area selected with the mouse becomes the box the driver gets,
// the box dialog replaces or drops it, two picks measure a distance, the wall-thickness test
// evaluates 100 frames, and the event filter shows the bars by the pointer's height.
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest/QTest>

#include <functional>
#include <set>

#include <vtkAreaPicker.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkTextActor.h>
#include <vtkMapper.h>

#include <cmath>

#include "BoxSelectChangeValue.h"
#include "Halverd.h"
#include "HalverdPanels.h"
#include "MainWindowTestSupport.h"
#include "OffLineClass.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

// A flat square of points at height z: (2n+1)^2 points from -n*step to n*step.
Cloud::Ptr makeSquare(int n, float step, float z) {
  Cloud::Ptr cloud(new Cloud);
  for (int i = -n; i <= n; ++i)
    for (int j = -n; j <= n; ++j) {
      const float x = static_cast<float>(i) * step, y = static_cast<float>(j) * step;
      cloud->push_back(makePoint(x, y, z, std::sqrt(x * x + y * y + z * z) + 1.0f));
    }
  return cloud;
}

class ViewTools : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  void connectFake() { connectFakeUlmeth(23681, 23691); }
  QString lastSelectRange() const {
    const QStringList calls = drivers.calls().filter(QRegExp("^setSelectRange"));
    return calls.isEmpty() ? QString() : calls.last();
  }
  void show(const Cloud::Ptr& frame, const Cloud::Ptr& companion = Cloud::Ptr(new Cloud)) {
    window->onCalculateShowPointCloudSlot(frame, companion, 1, QString());
  }

  void click(QPoint local, Qt::KeyboardModifiers mods) {
    viewMouse(QEvent::MouseMove, local, Qt::NoButton, Qt::NoButton, mods);
    viewMouse(QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton, mods);
    viewMouse(QEvent::MouseButtonRelease, local, Qt::NoButton, Qt::LeftButton, mods);
    viewTimestamp += 10000;  // never a double-click
  }
  QPoint screenCentre() const { return window->form().screen->rect().center(); }

  // The table's rows as the user sees them: the rows in view.
  std::pair<int, int> rowsInView() const {
    QTableView* table = window->form().tableView;
    QApplication::processEvents();
    const int first = table->rowAt(0);
    int last = table->rowAt(table->viewport()->height() - 1);
    if (last < 0) last = table->model()->rowCount() - 1;
    return {first, last};
  }
  bool rowsInViewFilled() const {
    const auto [first, last] = rowsInView();
    if (first < 0) return false;
    for (int r = first; r <= last; ++r)
      if (!window->pointTable()->item(r, 0)) return false;
    return true;
  }
  // Scrolls from the top to the end a page at a time, as the user would, counting the rows
  // that show a point.
  int filledRowsScrollingThrough() {
    QTableView* table = window->form().tableView;
    QScrollBar* bar = table->verticalScrollBar();
    bar->setValue(0);
    std::set<int> filled;
    for (;;) {
      const auto [first, last] = rowsInView();
      for (int r = std::max(first, 0); r <= last; ++r)
        if (window->pointTable()->item(r, 1)) filled.insert(r);
      if (bar->value() >= bar->maximum()) break;
      bar->setValue(bar->value() + std::max(1, bar->pageStep()));
    }
    return static_cast<int>(filled.size());
  }

  bool areaPickerOn() const {
    return vtkAreaPicker::SafeDownCast(window->form().screen->interactor()->GetPicker()) != nullptr;
  }
  std::string text3D(const std::string& id) const { return viewerText3D(viewer, id); }
  // The number in a screen text such as "thickness :2.000000cm".
  double screenTextValue(const std::string& id, const std::string& prefix) const {
    auto shapes = viewer->getShapeActorMap();
    auto it = shapes->find(id);
    if (it == shapes->end()) return -1.0;
    auto* actor = vtkTextActor::SafeDownCast(it->second);
    if (!actor || !actor->GetInput()) return -1.0;
    const QString text = QString::fromUtf8(actor->GetInput());
    if (!text.startsWith(QString::fromStdString(prefix)) || !text.endsWith("cm")) return -2.0;
    return text.mid(static_cast<int>(prefix.size())).chopped(2).toDouble();
  }

  FakeDriverLog drivers;
};

// Box select, drag over the middle of a flat square seen from the top: the points inside
// the drag become the box, drawn, listed, loaded into the dialog and handed to the driver;
// the run that was paused for the selection goes on.
TEST_F(ViewTools, AreaDraggedWithTheMouseBecomesTheDriversBox) {
  connectFake();
  show(makeSquare(10, 0.5f, 0.2f));
  window->onPbn_VeiwTopSlot();
  OffLineClass* panel = window->form().widget_offLineData;

  window->onPbn_BoxSelectSlot();
  EXPECT_TRUE(window->areaSelecting());
  EXPECT_TRUE(areaPickerOn());
  EXPECT_TRUE(panel->iconShowsStop) << "the live display is paused while selecting";
  EXPECT_EQ(lastSelectRange(), "setSelectRange(0,1000,1000,1000,-1000,-1000,-1000)");

  const QPoint c = screenCentre();
  const QPoint placed = window->pos();
  dragOverView(c - QPoint(60, 60), c + QPoint(60, 60));
  EXPECT_EQ(window->pos(), placed) << "the drag over the view moved the window";

  ASSERT_TRUE(window->selectionBoxValid()) << "the drag picked no point";
  const BoxSelectParam box = window->selectionBox();
  EXPECT_LT(box.xMin, 0.0f);
  EXPECT_GT(box.xMax, 0.0f);
  EXPECT_LT(box.yMin, 0.0f);
  EXPECT_GT(box.yMax, 0.0f);
  EXPECT_FLOAT_EQ(box.zMin, 0.2f);
  EXPECT_FLOAT_EQ(box.zMax, 0.2f);
  EXPECT_GT(box.xMin, -5.0f) << "only the middle of the square was dragged over";

  const long picked = viewerPointCount(viewer, "clicked_points_3d11");
  EXPECT_GT(picked, 0);
  EXPECT_LT(picked, 441);
  for (const char* side : {"bbox_line_bottom_", "bbox_line_top_", "bbox_line_vertical_"})
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(viewerHasShape(viewer, side + std::to_string(i))) << side << i;
  EXPECT_TRUE(QTest::qWaitFor([&] { return viewerHasShape(viewer, "thickness1"); }, 5000))
      << "a flat pick still shows its thickness";

  EXPECT_EQ(lastSelectRange(), QString("setSelectRange(1,%1,%2,%3,%4,%5,%6)")
                                   .arg(box.xMin).arg(box.yMin).arg(box.zMin)
                                   .arg(box.xMax).arg(box.yMax).arg(box.zMax));
  const BoxSelectParam inDialog = window->boxDialog()->boxSelectParam();
  EXPECT_EQ(inDialog.xMin, box.xMin);
  EXPECT_EQ(inDialog.zMax, box.zMax);
  EXPECT_EQ(window->glue()->advancedSettingWidget->angleWindow.pointCount, picked);

  EXPECT_FALSE(window->areaSelecting());
  EXPECT_FALSE(areaPickerOn()) << "the view left its picking mode";
  EXPECT_FALSE(panel->iconShowsStop) << "the run goes on after the pick";
  EXPECT_TRUE(window->form().pBn_List->isChecked());
  EXPECT_FALSE(window->form().widget_ListData->isHidden());
  EXPECT_EQ(filledRowsScrollingThrough(), picked) << "every picked point has its row";

  // With a box in force the button opens the dialog instead of a new selection.
  window->onPbn_BoxSelectSlot();
  EXPECT_TRUE(window->boxDialog()->isVisible());
  EXPECT_FALSE(window->areaSelecting());
}

// A whole frame picked at once: the box, the picked cloud and the table's rows in view are
// there when the pick returns; the rest of the table follows the scrolling, and the plane's
// thickness follows from its worker.
TEST_F(ViewTools, AWholeFramePickedAtOnce) {
  connectFake();
  const Cloud::Ptr frame = makeSquare(119, 0.05f, 0.3f);  // 239 x 239 = 57,121 points
  show(frame);
  window->onPbn_VeiwTopSlot();
  window->form().pBn_BoxSelect->click();
  ASSERT_TRUE(window->areaSelecting());
  const QRect view = window->form().screen->rect();
  dragOverView(view.topLeft() + QPoint(2, 2), view.bottomRight() - QPoint(2, 2));

  ASSERT_TRUE(window->selectionBoxValid());
  EXPECT_EQ(viewerPointCount(viewer, "clicked_points_3d11"), static_cast<long>(frame->size()));
  QStandardItemModel* table = window->pointTable();
  EXPECT_EQ(table->rowCount(), static_cast<int>(frame->size()));
  const auto [first, last] = rowsInView();
  EXPECT_EQ(last, table->rowCount() - 1) << "the table shows its end";
  EXPECT_TRUE(rowsInViewFilled());
  const int middle = table->rowCount() / 2;
  EXPECT_EQ(table->item(middle, 0), nullptr) << "rows out of view are written when they come into view";

  QTableView* tableView = window->form().tableView;
  tableView->scrollTo(table->index(middle, 0), QAbstractItemView::PositionAtTop);
  EXPECT_TRUE(rowsInViewFilled());
  tableView->scrollToTop();
  EXPECT_TRUE(rowsInViewFilled());
  ASSERT_NE(table->item(middle, 4), nullptr);
  EXPECT_EQ(table->item(0, 4)->text(), QString::number(frame->points[0].Distance, 'f', 3));

  EXPECT_TRUE(QTest::qWaitFor([&] { return viewerHasShape(viewer, "thickness1"); }, 10000));
  EXPECT_NEAR(screenTextValue("thickness1", "thickness :"), 0.0, 0.01) << "a flat square has no thickness";
}

// A box drawn on a still frame, with no connection: the count and the thickness both show,
// and keep their places below the view's top edge, apart, as the window changes size.
TEST_F(ViewTools, SelectionLabelsShowWithEveryPickAndKeepTheirPlaces) {
  show(makeSquare(10, 0.5f, 0.2f));
  window->onPbn_VeiwTopSlot();
  ASSERT_FALSE(window->connected());
  window->form().pBn_BoxSelect->click();
  ASSERT_TRUE(window->areaSelecting());
  const QPoint c = screenCentre();
  dragOverView(c - QPoint(60, 60), c + QPoint(60, 60));
  ASSERT_TRUE(window->selectionBoxValid()) << "the drag picked no point";
  const long picked = viewerPointCount(viewer, "clicked_points_3d11");
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewerHasShape(viewer, "thickness1"); }, 5000));
  EXPECT_EQ(viewerScreenText(viewer, "Selection Number"), "Selection Number:" + std::to_string(picked));

  QPushButton* maxButton = window->form().pushButtonMax;
  struct Step {
    const char* name;
    std::function<void()> act;
    bool viewResized;  // without a window manager the maximise button may leave the size alone
  };
  const Step steps[] = {
      {"as picked", [] {}, false},
      {"restored from maximised", [&] { QTest::mouseClick(maxButton, Qt::LeftButton); }, false},
      {"made lower", [&] { window->resize(window->width(), window->height() - 250); }, true},
      {"made taller", [&] { window->resize(window->width(), window->height() + 150); }, true},
      {"maximised again", [&] { QTest::mouseClick(maxButton, Qt::LeftButton); }, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const QSize before = window->form().screen->size();
    step.act();
    QTest::qWait(50);
    QApplication::processEvents();
    window->viewer()->getRenderWindow()->Render();
    if (step.viewResized) {
      EXPECT_NE(window->form().screen->size(), before) << "the view's size changed";
    }
    const QPoint count = viewTextPlace(viewer, "Selection Number:");
    const QPoint thickness = viewTextPlace(viewer, "thickness :");
    EXPECT_EQ(count, QPoint(50, 40)) << "from the view's left and top edges";
    EXPECT_EQ(thickness, QPoint(50, 80));
  }
}

// A Clear while the fit still runs: its late result does not come back onto the cleared view.
TEST_F(ViewTools, AFitThatEndsAfterClearShowsNothing) {
  show(makeSquare(100, 0.05f, 0.3f));
  window->onPbn_VeiwTopSlot();
  window->form().pBn_BoxSelect->click();
  const QRect view = window->form().screen->rect();
  dragOverView(view.topLeft() + QPoint(2, 2), view.bottomRight() - QPoint(2, 2));
  ASSERT_TRUE(window->selectionBoxValid());
  window->form().pBn_Clear->click();
  window->pickPlaneFit().waitForIdle();
  QTest::qWait(50);  // a result already queued would arrive now
  EXPECT_FALSE(viewerHasShape(viewer, "thickness1"));
}

TEST_F(ViewTools, BoxDialogReplacesOrDropsTheBox) {
  connectFake();
  show(makeSquare(4, 0.5f, 0.0f));
  BoxSelectChangeValue* dialog = window->boxDialog();
  dialog->ui.dSBx_min_X->setValue(-1);
  dialog->ui.dSBx_max_X->setValue(1);
  dialog->ui.dSBx_min_Y->setValue(-2);
  dialog->ui.dSBx_max_Y->setValue(2);
  dialog->ui.dSBx_min_Z->setValue(0);
  dialog->ui.dSBx_max_Z->setValue(0.5);
  dialog->onOK_Clicked();
  EXPECT_TRUE(window->selectionBoxValid());
  EXPECT_EQ(lastSelectRange(), "setSelectRange(1,-1,-2,0,1,2,0.5)");
  EXPECT_TRUE(viewerHasShape(viewer, "bbox_line_top_3"));

  // Reselect drops the box and starts a new area selection.
  dialog->onReselect_Clicked();
  EXPECT_FALSE(window->selectionBoxValid());
  EXPECT_EQ(lastSelectRange(), "setSelectRange(0,1000,1000,1000,-1000,-1000,-1000)");
  EXPECT_TRUE(window->areaSelecting());
  EXPECT_TRUE(areaPickerOn());

  // Clear while selecting with no box re-opens the selection: the mode toggles off.
  window->onPbn_ClearSlot();
  EXPECT_FALSE(window->areaSelecting());
  EXPECT_FALSE(areaPickerOn());
}

TEST_F(ViewTools, ClearDropsTheBoxAndTellsTheDriver) {
  connectFake();
  BoxSelectParam box;
  box.xMin = -1, box.xMax = 1, box.yMin = -1, box.yMax = 1, box.zMin = -1, box.zMax = 1, box.valid = true;
  window->getBoxSelectTypeAndValueSlot(1, box);
  window->form().pBn_List->setChecked(true);
  window->onPbn_ListSlot();
  window->onPbn_CoordinateSlot();
  ASSERT_TRUE(window->coordinateVisible());

  window->onPbn_ClearSlot();
  EXPECT_FALSE(window->selectionBoxValid());
  EXPECT_EQ(window->selectionBox().xMin, 1000.0f);
  EXPECT_EQ(lastSelectRange(), "setSelectRange(0,1000,1000,1000,-1000,-1000,-1000)");
  EXPECT_FALSE(viewerHasShape(viewer, "bbox_line_bottom_0"));
  EXPECT_FALSE(window->form().pBn_List->isChecked());
  EXPECT_TRUE(window->form().widget_ListData->isHidden());
  EXPECT_FALSE(window->coordinateVisible());
}

// Measuring: two shift-clicks on points of the cloud (the view's point picking) and then two
// Alt-clicks on the drawn surface (the depth buffer) each give a line and a distance.
TEST_F(ViewTools, TwoPicksMeasureTheirDistance) {
  show(makeSquare(10, 0.5f, 0.0f));
  window->onPbn_VeiwTopSlot();
  const QPoint c = screenCentre();

  click(c, Qt::ShiftModifier);
  EXPECT_EQ(viewerPointCount(viewer, "m_clickPointCloud"), -1) << "picks are ignored while not measuring";

  window->onPbn_MeasureSlot();
  ASSERT_TRUE(window->measuring());
  click(c, Qt::ShiftModifier);
  EXPECT_EQ(viewerPointCount(viewer, "m_clickPointCloud"), 1);
  EXPECT_FALSE(viewerHasShape(viewer, "m_ranging_line"));
  click(c + QPoint(80, 0), Qt::ShiftModifier);
  EXPECT_EQ(viewerPointCount(viewer, "m_clickPointCloud"), 2);
  EXPECT_TRUE(viewerHasShape(viewer, "m_ranging_line"));
  const std::string text = text3D("m_ranging_text");
  ASSERT_TRUE(QRegExp("\\d+\\.\\d{6}M").exactMatch(QString::fromStdString(text))) << text;
  EXPECT_GT(std::stod(text), 0.4) << "two different points of the cloud";

  // A third pick starts a new pair: the old line and marks go.
  click(c, Qt::ShiftModifier);
  EXPECT_EQ(viewerPointCount(viewer, "m_clickPointCloud"), 1);
  EXPECT_FALSE(viewerHasShape(viewer, "m_ranging_line"));

  // Alt + click measures on the surface too, and does not need the measuring mode.
  window->onPbn_MeasureSlot();
  EXPECT_EQ(viewerPointCount(viewer, "m_clickPointCloud"), -1) << "measuring off clears the marks";
  click(c + QPoint(0, 40), Qt::AltModifier);
  EXPECT_EQ(viewerPointCount(viewer, "m_clickPointCloud"), 1);
  click(c + QPoint(0, -40), Qt::AltModifier | Qt::ShiftModifier);
  EXPECT_EQ(viewerPointCount(viewer, "m_clickPointCloud"), 1) << "Alt must be the only modifier";
  click(c + QPoint(0, -40), Qt::AltModifier);
  EXPECT_EQ(viewerPointCount(viewer, "m_clickPointCloud"), 2);
  EXPECT_TRUE(viewerHasShape(viewer, "m_ranging_line"));
  EXPECT_GT(std::stod(text3D("m_ranging_text")), 0.1);
}

// Two layers 2 cm apart, the upper one dense enough to carry the plane: every frame and all
// frames together measure about 2 cm; the driver gets the grown box and then the box again.
TEST_F(ViewTools, WallThicknessOverAHundredFrames) {
  connectFake();
  window->StartDataCollection();
  ASSERT_EQ(env->boxes.size(), 1u);
  EXPECT_EQ(env->boxes[0].title, "Error");
  EXPECT_EQ(env->boxes[0].text, "Please select the data first!!!");
  EXPECT_FALSE(window->thicknessTest().collecting());

  BoxSelectParam box;
  box.xMin = -1, box.xMax = 1, box.yMin = -1, box.yMax = 1, box.zMin = -0.5f, box.zMax = 0.5f, box.valid = true;
  window->getBoxSelectTypeAndValueSlot(1, box);
  window->StartDataCollection();
  ASSERT_TRUE(window->thicknessTest().collecting());
  EXPECT_EQ(lastSelectRange(), "setSelectRange(1,-1.05,-1.05,-0.55,1.05,1.05,0.55)");
  EXPECT_TRUE(viewerHasShape(viewer, "thickness1"));

  Cloud::Ptr wall = makeSquare(6, 0.1f, 0.0f);
  Cloud::Ptr back = makeSquare(2, 0.1f, 0.02f);
  *wall += *back;
  for (int i = 0; i < 100; ++i) show(makeSquare(10, 0.5f, 0.0f), wall);
  EXPECT_FALSE(window->thicknessTest().collecting());
  EXPECT_EQ(lastSelectRange(), "setSelectRange(1,-1,-1,-0.5,1,1,0.5)");
  EXPECT_EQ(viewerPointCount(viewer, "TestThicknessPointsShow"), 100L * static_cast<long>(wall->size()));

  window->thicknessTest().waitForEvaluation();
  QCoreApplication::processEvents();  // the result was queued onto this thread before the worker ended
  EXPECT_TRUE(viewerHasShape(viewer, "plane"));
  EXPECT_NEAR(screenTextValue("thickness1", "average thickness :"), 2.0, 0.1);
  EXPECT_NEAR(screenTextValue("thickness2", "thickness :"), 2.0, 0.1);
}

TEST_F(ViewTools, ClosingDuringAnEvaluationWaitsForIt) {
  BoxSelectParam box;
  box.xMin = -1, box.xMax = 1, box.yMin = -1, box.yMax = 1, box.zMin = -1, box.zMax = 1, box.valid = true;
  window->setSelectionBox(box);
  window->StartDataCollection();
  Cloud::Ptr wall = makeSquare(30, 0.03f, 0.0f);
  for (int i = 0; i < 100; ++i) show(makeCloud(10), wall);
  EXPECT_FALSE(window->thicknessTest().collecting());
  window.reset();  // must join the worker before the glue and the viewer go
  SUCCEED();
}

// The bars follow the pointer: the playback bar shows in the bottom tenth unless locked on,
// the menu bar in the top tenth unless locked on.
TEST_F(ViewTools, EventFilterShowsTheBarsByThePointersHeight) {
  Ui::newLumivar& ui = window->form();
  window->onPbn_FullScreenSlot();  // bars hidden and unlocked
  ASSERT_TRUE(ui.widget_menuBar->isHidden());
  ASSERT_TRUE(ui.widget_offLineData->isHidden());
  ASSERT_FALSE(ui.checkBox_MenuBarLocked->isChecked());

  const int h = window->height();
  auto moveTo = [&](double fraction) {
    QApplication::processEvents();  // the layout follows the bars shown or hidden
    const QPoint inWindow(window->width() / 2, static_cast<int>(fraction * h));
    const QPoint local = ui.screen->mapFrom(window.get(), inWindow);
    viewMouse(QEvent::MouseMove, local, Qt::NoButton, Qt::NoButton);
  };
  moveTo(0.95);
  EXPECT_FALSE(ui.widget_offLineData->isHidden());
  EXPECT_TRUE(ui.widget_menuBar->isHidden());
  moveTo(0.5);
  EXPECT_TRUE(ui.widget_offLineData->isHidden());
  moveTo(0.05);
  EXPECT_FALSE(ui.widget_menuBar->isHidden());
  moveTo(0.5);
  EXPECT_TRUE(ui.widget_menuBar->isHidden());

  ui.checkBox_MenuBarLocked->setChecked(true);
  ui.widget_offLineData->isLocked = true;
  moveTo(0.55);
  EXPECT_FALSE(ui.widget_menuBar->isHidden());
  EXPECT_FALSE(ui.widget_offLineData->isHidden());
}

TEST_F(ViewTools, ControlF2IsSwallowed) {
  QWidget* screen = window->form().screen;
  for (int key : {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
    EXPECT_TRUE(QCoreApplication::sendEvent(screen, &press)) << key;
    EXPECT_TRUE(press.isAccepted());
  }
  // Without Control the key goes on to the view.
  std::vector<int> seen;
  viewer->registerKeyboardCallback([&seen](const pcl::visualization::KeyboardEvent& e) {
    if (e.keyDown()) seen.push_back(e.getKeyCode());
  });
  QKeyEvent ctrlF2(QEvent::KeyPress, Qt::Key_F2, Qt::ControlModifier);
  QCoreApplication::sendEvent(screen, &ctrlF2);
  EXPECT_TRUE(seen.empty());
  window->sendKeyToView(Qt::Key_J);
  EXPECT_EQ(seen.size(), 1u);
}

}  // namespace
