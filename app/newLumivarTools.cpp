// The main window's tools in the 3D view: box selection, point picking and ranging, and the
// wall-thickness measurement. The computations live in tools/; this file puts their results
// into the view, the point table and the glue.
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTableView>

#include <algorithm>

#include <vtkCoordinate.h>
#include <vtkRenderer.h>
#include <vtkWorldPointPicker.h>

#include "BoxSelection.h"
#include "Halverd.h"
#include "HalverdPanels.h"
#include "OffLineClass.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

namespace {

constexpr int kSelectR = 196, kSelectG = 18, kSelectB = 205;  // picked points
constexpr double kSelectPointSize = 5.0;
const char* const kFrameId = "realTime_points";  // the cloud whose indices an area pick uses
constexpr int kLabelLeft = 50, kLabelFontSize = 20;

}  // namespace

// ---------------------------------------------------------------------------------------
// Shared

bool newLumivar::runIsGoing() const {
  const OffLineClass* panel = ui->widget_offLineData;
  return (panel->isOfflineMode && !panel->isIdle) || (isConnected && !panel->iconShowsStop);
}

void newLumivar::showScreenText(const std::string& text, int fromTop, const std::string& id) {
  // Placed from the view's top edge rather than at a height worked out once: the labels keep
  // their places, and apart, when the window changes size.
  if (!mViewer->updateText(text, kLabelLeft, -fromTop, kLabelFontSize, 0, 0, 1, id))
    mViewer->addText(text, kLabelLeft, -fromTop, kLabelFontSize, 0, 0, 1, id);
  const auto shapes = mViewer->getShapeActorMap();
  const auto it = shapes->find(id);
  auto* label = it != shapes->end() ? vtkActor2D::SafeDownCast(it->second) : nullptr;
  if (!label || label->GetPositionCoordinate()->GetReferenceCoordinate()) return;
  anchorToViewCorner(label, 0.0, 1.0);
}

void newLumivar::anchorToViewCorner(vtkActor2D* actor, double x, double y) {
  auto corner = vtkSmartPointer<vtkCoordinate>::New();
  corner->SetCoordinateSystemToNormalizedViewport();
  corner->SetValue(x, y);
  actor->GetPositionCoordinate()->SetReferenceCoordinate(corner);
}

void newLumivar::sendBoxToGlue(bool on, const BoxSelectParam& b) {
  if (mHalverd) mHalverd->onSelectRange(on, b.xMin, b.yMin, b.zMin, b.xMax, b.yMax, b.zMax);
}

// ---------------------------------------------------------------------------------------
// Box selection

void newLumivar::onPbn_BoxSelectSlot() {
  if (mIsBoxValid) {
    mBoxSelectChangeValue->setWindowFlags(mBoxSelectChangeValue->windowFlags() | Qt::FramelessWindowHint);
    mBoxSelectChangeValue->show();
    return;
  }
  applySelectRange();
}

void newLumivar::applySelectRange() {
  mViewer->removePointCloud("clicked_points_3d11");
  mPickFit.cancel();
  mBoxBounds = BoxSelection::emptyBox();
  mIsBoxValid = false;
  sendBoxToGlue(false, mBoxBounds);
  if (mHalverd && mHalverd->advancedSettingWidget) mHalverd->advancedSettingWidget->setSelectionState(false);

  if (runIsGoing()) {
    mPauseForSelect = {{true, true}};
    emit isSendToPlay();  // the playback bar toggles into pause
  }

  // The view's own key binding switches its area-picking mode.
  sendKeyToView(Qt::Key_X);

  const bool wasSelecting = mIsSelecting;
  mIsSelecting = !mIsSelecting;
  if (wasSelecting) {
    ui->screen->setCursor(Qt::ArrowCursor);
    mPauseForSelect[0] = false;
    if (mPauseForSelect[1]) {
      mPauseForSelect[1] = false;
      emit isSendToPlay();
    }
  } else {
    ui->screen->setCursor(Qt::CrossCursor);
  }

  // One cloud on screen, so the picked indices name points of mCurrentCloud.
  if (frameCount < 2) {
    mCurrentCloud = mFrameRing[static_cast<std::size_t>(frameIndex)];
  } else {
    CloudPtr merged(new pcl::PointCloud<PointInfo>);
    for (const CloudPtr& c : mFrameRing)
      if (c) *merged += *c;
    mCurrentCloud = merged;
    for (const char* id : {"realTime_points_0", "realTime_points_1", kFrameId}) mViewer->removePointCloud(id);
    mViewer->addPointCloud<PointInfo>(mCurrentCloud, kFrameId);
    mViewer->setPointCloudRenderingProperties(pcl::visualization::PCL_VISUALIZER_POINT_SIZE, pointSize, kFrameId);
    render();
  }
}

void newLumivar::leavePickingMode() {
  sendKeyToView(Qt::Key_X);
  ui->screen->setCursor(Qt::ArrowCursor);
  mIsSelecting = false;
}

void newLumivar::cancelAreaSelection() {
  if (mIsSelecting) leavePickingMode();
  mPauseForSelect[0] = false;
  if (!mPauseForSelect[1]) return;
  mPauseForSelect[1] = false;
  // A live display frozen for the selection is released; a replay's pause ends with its run.
  const OffLineClass* panel = ui->widget_offLineData;
  if (!panel->isOfflineMode && panel->iconShowsStop) emit isSendToPlay();
}

void newLumivar::fillPickedRows() {
  // GUI thread; called from the table's own scroll signals, so it takes no table lock.
  if (mPickTableRows.empty() || !mPickTableCloud) return;
  QTableView* table = ui->tableView;
  const int rowHeight = std::max(1, table->verticalHeader()->defaultSectionSize());
  const int inView = table->viewport()->height() / rowHeight + 2;
  // At the end of the table the top row may be one before the scroll value, half shown.
  int first = table->verticalScrollBar()->value();
  const int topRow = table->rowAt(0);
  if (topRow >= 0) first = std::min(first, topRow);
  first = std::max(0, first - 1);
  const int last = first + std::max(kTableWindowRows, inView);
  auto it = std::lower_bound(mPickTableRows.begin(), mPickTableRows.end(), first);
  for (; it != mPickTableRows.end() && *it <= last; ++it) {
    const int row = *it;
    if (mQStandardItemModel->item(row, 0)) continue;  // written on an earlier scroll
    const std::size_t k = static_cast<std::size_t>(it - mPickTableRows.begin());
    const BoxSelection::TableRow cells = BoxSelection::tableRow(row, mPickTableCloud->points[k]);
    for (int c = 0; c < BoxSelection::kTableColumns; ++c) {
      mQStandardItem = new QStandardItem(cells.cells[static_cast<std::size_t>(c)]);
      mQStandardItem->setData(cells.values[static_cast<std::size_t>(c)], Qt::UserRole);
      mQStandardItemModel->setItem(row, c, mQStandardItem);
    }
  }
}

void newLumivar::areaPicking_callback(const pcl::visualization::AreaPickingEvent& event, void*) {
  initPointTable();
  // Only the frame's indices count: the companion and the marks are clouds of their own.
  pcl::Indices indices;
  const std::vector<std::string> names = event.getCloudNames();
  if (std::find(names.begin(), names.end(), kFrameId) != names.end())
    indices = event.getPointsIndices(kFrameId);
  else
    event.getPointsIndices(indices);
  if (indices.empty() || !mCurrentCloud) return;

  const BoxSelection::PickResult pick =
      BoxSelection::collectPicked(*mCurrentCloud, std::vector<int>(indices.begin(), indices.end()));
  // One row per picked index (rows of points passed over stay empty); only the rows in view
  // get their cells, so a pick of a whole frame costs the table next to nothing.
  mQStandardItemModel->setRowCount(static_cast<int>(indices.size()));
  mPickTableRows = pick.rows;
  mPickTableCloud = pick.selected;
  // No point with a distance: no box (an empty box in force would hide every point); the
  // picking mode stays on for another try.
  if (pick.count == 0) return;

  mBoxBounds = pick.box;
  mIsBoxValid = true;
  sendBoxToGlue(true, mBoxBounds);
  if (mHalverd && mHalverd->advancedSettingWidget) {
    SelectionAngleWindow& window = mHalverd->advancedSettingWidget->angleWindow;
    window.hAngleMin = pick.angles.hAngleMin;
    window.hAngleMax = pick.angles.hAngleMax;
    window.vAngleMin = pick.angles.vAngleMin;
    window.vAngleMax = pick.angles.vAngleMax;
    window.pointCount = pick.angles.count;
    mHalverd->advancedSettingWidget->setSelectionState(true);
  }
  mBoxSelectChangeValue->setBoxSelectParam(mBoxBounds);

  removeShapesKeepingGrid();
  drawBoxLinesThread(mBoxBounds);

  // Shown with every pick; a running view's next frame keeps it up to date.
  showSelectionCount(std::size_t(pick.count));

  mViewer->removePointCloud("m_SelectPointCloudPrt");
  mViewer->removePointCloud("clicked_points_3d11");
  pcl::visualization::PointCloudColorHandlerCustom<PointInfo> colour(pick.selected, kSelectR, kSelectG, kSelectB);
  mViewer->addPointCloud<PointInfo>(pick.selected, colour, "clicked_points_3d11");
  mViewer->setPointCloudRenderingProperties(pcl::visualization::PCL_VISUALIZER_POINT_SIZE, kSelectPointSize,
                                            "clicked_points_3d11");
  render();
  mSelectCloud = pick.selected;

  leavePickingMode();

  mViewer->removePointCloud("TestThicknessPointsShow");
  // The fit of a whole frame takes most of a second: its text follows when it is done.
  mPickFit.request(pick.planeCloud);

  if (!ui->pBn_List->isChecked()) {
    ui->pBn_List->setChecked(true);
    onPbn_ListSlot();
  }
  // The table shows its end, laid out for the rows it now has.
  ui->tableView->doItemsLayout();
  ui->tableView->scrollToBottom();
  fillPickedRows();
  if (mPauseForSelect[0]) mPauseForSelect[0] = false;
  if (mPauseForSelect[1]) {
    mPauseForSelect[1] = false;
    emit isSendToPlay();
  }
  render();
}

void newLumivar::drawBoxLinesThread(const BoxSelectParam& box) {
  // Drawn on the GUI thread: the viewer belongs to it.
  const std::array<pcl::PointXYZ, 8> corners = BoxSelection::boxCorners(box);
  for (const BoxSelection::Edge& e : BoxSelection::kBoxEdges) {
    const std::string id = BoxSelection::edgeId(e);
    mViewer->addLine(corners[static_cast<std::size_t>(e.from)], corners[static_cast<std::size_t>(e.to)], e.r, e.g,
                     e.b, id);
    mViewer->setShapeRenderingProperties(pcl::visualization::PCL_VISUALIZER_LINE_WIDTH, BoxSelection::kEdgeLineWidth,
                                         id);
  }
}

void newLumivar::getBoxSelectTypeAndValueSlot(int mode, BoxSelectParam param) {
  if (mode != BoxSelectChangeValue::kModeApply) {
    applySelectRange();
    return;
  }
  mBoxBounds = param;
  mIsBoxValid = param.valid;
  sendBoxToGlue(mIsBoxValid, mBoxBounds);
  removeShapesKeepingGrid();
  drawBoxLinesThread(mBoxBounds);
  render();
}

// ---------------------------------------------------------------------------------------
// Point picking and ranging

void newLumivar::clearRanging() {
  mRanging.clear();
  mViewer->removeShape("m_ranging_line");
  mViewer->removeText3D("m_ranging_text");
  mViewer->removePointCloud("m_clickPointCloud");
}

void newLumivar::showRangingStep(const PointRanging::Step& step) {
  mViewer->removePointCloud("m_clickPointCloud");
  const pcl::PointCloud<pcl::PointXYZRGBA>::Ptr& marks = mRanging.marks();
  pcl::visualization::PointCloudColorHandlerCustom<pcl::PointXYZRGBA> red(marks, 255, 0, 0);
  mViewer->addPointCloud<pcl::PointXYZRGBA>(marks, red, "m_clickPointCloud");
  mViewer->setPointCloudRenderingProperties(pcl::visualization::PCL_VISUALIZER_POINT_SIZE, step.pointSize,
                                            "m_clickPointCloud");
  if (step.removeLineAndText) {
    mViewer->removeShape("m_ranging_line");
    mViewer->removeText3D("m_ranging_text");
  }
  if (step.measurement) {
    const PointRanging::Measurement& m = *step.measurement;
    mViewer->addLine(m.from, m.to, 1, 0, 0, "m_ranging_line");
    mViewer->addText3D(m.text.toStdString(), m.middle, m.textScale, 255, 0, 0, "m_ranging_text");
  }
  render();
}

void newLumivar::PtActivePick_callback(const pcl::visualization::PointPickingEvent& event, void*) {
  if (!PointRanging::acceptsPick(event.getPointIndex(), measureMode)) return;
  if (mRanging.clickCount() == 0) clearRanging();
  if (mIsSelecting) leavePickingMode();
  float x = 0, y = 0, z = 0;
  event.getPoint(x, y, z);
  showRangingStep(mRanging.addMark(x, y, z, PointRanging::Path::PointPick));
}

void newLumivar::altClickRanging(const QPoint& widgetPos) {
  vtkRenderer* renderer = mViewer->getRendererCollection()->GetFirstRenderer();
  if (!renderer) return;
  // The press has not reached the interactor yet, so its event position would be the last
  // one; the position comes from this press, in the render window's pixels (origin bottom).
  const double ratio = ui->screen->devicePixelRatioF();
  const double x = widgetPos.x() * ratio;
  const double y = (ui->screen->height() - 1 - widgetPos.y()) * ratio;
  auto picker = vtkSmartPointer<vtkWorldPointPicker>::New();
  picker->Pick(x, y, 0.0, renderer);
  double world[3];
  picker->GetPickPosition(world);
  mViewer->removePointCloud("m_boxPointCloud");
  showRangingStep(mRanging.addMark(static_cast<float>(world[0]), static_cast<float>(world[1]),
                                   static_cast<float>(world[2]), PointRanging::Path::AltClick));
}

// ---------------------------------------------------------------------------------------
// Wall thickness

void newLumivar::StartDataCollection() {
  if (!WallThickness::acceptSelection(this, mIsBoxValid)) return;
  mPickFit.cancel();  // the test's texts replace the pick's
  removeShapesKeepingGrid();
  showScreenText(WallThickness::kWaitText, kThicknessFromTop, "thickness1");
  mViewer->removePointCloud("TestThicknessPointsShow");
  sendBoxToGlue(mIsBoxValid, BoxSelection::grownBox(mBoxBounds, WallThickness::kBoxMargin));
  mThicknessTest.begin();
}

void newLumivar::showPickThickness(double centimetres, quint64 request) {
  if (request != mPickFit.current()) return;  // a newer pick, or the marks were cleared
  showScreenText(WallThickness::thicknessText(centimetres).toStdString(), kThicknessFromTop, "thickness1");
  render();
}

void newLumivar::showThicknessResult(WallThickness::Evaluation result) {
  showScreenText(WallThickness::averageText(result.average).toStdString(), kThicknessFromTop, "thickness1");
  showScreenText(WallThickness::thicknessText(result.allThickness).toStdString(), kAllThicknessFromTop,
                 "thickness2");
  mViewer->removeShape("plane");
  if (result.allPlane.values.size() >= 4 && mViewer->addPlane(result.allPlane, "plane"))
    mViewer->setShapeRenderingProperties(pcl::visualization::PCL_VISUALIZER_COLOR, 1.0, 0.0, 0.0, "plane");
  render();
}
