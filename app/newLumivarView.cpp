// The main window's view, panel and window slots: camera presets and projection, axes,
// full screen and point list, clearing, the glue's panels, keyboard, tray icon, the
// measurement grid and the event filter.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QUrl>


#include <vtkCamera.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRegularPolygonSource.h>
#include <vtkRenderer.h>

#include "DialogFrame.h"
#include "Halverd.h"
#include "HalverdPanels.h"
#include "MeasurementGrid.h"
#include "OffLineClass.h"
#include "SetMeasurementGrid.h"
#include "SetWidgetAndFontColor.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

namespace {

QString sourceFileName(const char* path) { return QFileInfo(QString::fromUtf8(path)).fileName(); }
#define LOG_TEXT(text) (QString("[%1:%2]\t").arg(sourceFileName(__FILE__)).arg(__LINE__) + (text))

constexpr double kPresetDistance = 30.0;
constexpr int kMaxPointSize = 10;
constexpr double kPanelBand = 0.1;  // top and bottom tenth of the window show the bars

template <typename Dialog>
void showFrameless(Dialog* dialog) {
  dialog->setWindowFlags(dialog->windowFlags() | Qt::FramelessWindowHint);
  dialog->show();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Window buttons and the glue's panels

void newLumivar::onPushButtonAboutSlot() {
  if (mHalverd && mHalverd->aboutWidget) {
    mHalverd->aboutWidget->setupAbout(neutralBranding);
    DialogFrame::showPanel(mHalverd->aboutWidget);
  }
  logLine(LOG_TEXT("onPushButtonAboutSlot(): open about "));
}

void newLumivar::onPushButtonInstructionsSlot() {
  const QStringList files = QDir("./doc").entryList(QDir::Files, QDir::Name);
  const QString docDir = QFileInfo("./doc").absoluteFilePath();
  if (files.isEmpty()) {
    // Opening an empty or missing folder shows nothing: say so instead.
    showTips(tr("No user manual was found: the folder %1 holds no file.").arg(QDir::toNativeSeparators(docDir)));
    return;
  }
  // Desktop handlers want an absolute path; it names the same file.
  const QString path = QFileInfo("./doc/" + files.last()).absoluteFilePath();
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
    showTips(tr("The user manual %1 could not be opened.").arg(QDir::toNativeSeparators(path)));
}

void newLumivar::onPbn_SettingSlot() {
  if (!mHalverd || !mHalverd->settingWidget) return;
  mHalverd->settingWidget->isShowDeviceInfo = 1;
  mHalverd->settingWidget->isShowNetworkInfo = 1;
  DialogFrame::showPanel(mHalverd->settingWidget);
}

void newLumivar::onPbn_AdvancedSettingSlot() {
  if (!mHalverd || !mHalverd->advancedSettingWidget) return;
  mHalverd->advancedSettingWidget->isShowAdvanced = 1;
  DialogFrame::showPanel(mHalverd->advancedSettingWidget);
}

void newLumivar::onPbn_ColorPaletteSlot() { mSetWidgetAndFontColor->show(); }

void newLumivar::onTrayIconActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason != QSystemTrayIcon::Trigger) return;
  setVisible(!isVisible());
}

// ---------------------------------------------------------------------------------------
// Camera and view

void newLumivar::setCamera(double x, double y, double z, double upX, double upY, double upZ) {
  mViewer->setCameraPosition(x, y, z, 0.0, 0.0, 0.0, upX, upY, upZ);
  render();
}

void newLumivar::onPbn_VeiwTopSlot() { setCamera(0, 0, kPresetDistance, 0, 1, 0); }
void newLumivar::onPbn_VeiwFrontSlot() { setCamera(0, -kPresetDistance, 0, 0, 0, 1); }
void newLumivar::onPbn_VeiwBackSlot() { setCamera(0, kPresetDistance, 0, 0, 0, 1); }
void newLumivar::onPbn_VeiwLeftSlot() { setCamera(-kPresetDistance, 0, 0, 0, 0, 1); }
void newLumivar::onPbn_VeiwRightSlot() { setCamera(kPresetDistance, 0, 0, 0, 0, 1); }

void newLumivar::setParallelProjection(bool on) {
  vtkRenderer* renderer = mViewer->getRendererCollection()->GetFirstRenderer();
  if (renderer && renderer->GetActiveCamera()) renderer->GetActiveCamera()->SetParallelProjection(on ? 1 : 0);
  render();
}

void newLumivar::onPbn_AmplificationSlot() { setParallelProjection(ui->pBn_Amplification->isChecked()); }

void newLumivar::onPbn_MeasureSlot() {
  measureMode = !measureMode;
  setParallelProjection(measureMode);
  if (measureMode) {
    ui->screen->setFocus();
  } else {
    clearRanging();
    render();
  }
}

void newLumivar::onPbn_CoordinateSlot() {
  if (coordinateShown)
    mViewer->removeCoordinateSystem("coordinate");
  else
    mViewer->addCoordinateSystem(0.5, "coordinate");
  mViewer->resetCamera();
  render();
  coordinateShown = !coordinateShown;
}

// ---------------------------------------------------------------------------------------
// Panels

void newLumivar::showPanels(bool show) {
  ui->frameBorder->setVisible(show);
  ui->widget_menuBar->setVisible(show);
  ui->checkBox_MenuBarLocked->setChecked(show);
  ui->widget_offLineData->setVisible(show);
  ui->widget_offLineData->setOfflineLocked(show);
  ui->widget_statusBar->setVisible(show);
}

void newLumivar::onPbn_FullScreenSlot() {
  if (ui->frameBorder->isHidden()) {
    showPanels(true);
    return;
  }
  showPanels(false);
  if (ui->pBn_List->isChecked()) {
    ui->pBn_List->setChecked(false);
    onPbn_ListSlot();
  }
}

void newLumivar::onPbn_ListSlot() {
  const bool shown = ui->pBn_List->isChecked();
  ui->widget_ListData->setVisible(shown);
  ui->splitter->setSizes(shown ? QList<int>{1, 5} : QList<int>{0, 1});
}

void newLumivar::dropSelectionBox() {
  mBoxBounds = BoxSelectParam{};
  mIsBoxValid = false;
  mSelectCloud = std::make_shared<pcl::PointCloud<PointInfo>>();
  if (mHalverd) {
    sendBoxToGlue(false, mBoxBounds);
    if (mHalverd->advancedSettingWidget) mHalverd->advancedSettingWidget->setSelectionState(false);
  }
  if (ui->pBn_List->isChecked()) {
    ui->pBn_List->setChecked(false);
    onPbn_ListSlot();
  }
  initPointTable();
  // Its OK would put the dropped box back on frames it was not made on.
  mBoxSelectChangeValue->dropBox();
  removeShapesKeepingGrid();
  for (const char* id : {"clicked_points_3d11", "m_SelectPointCloudPrt", "TestThicknessPointsShow"})
    mViewer->removePointCloud(id);
}

void newLumivar::onPbn_ClearSlot() {
  clearRanging();
  mPickFit.cancel();  // a fit still running was for the marks cleared here
  if (mIsBoxValid) {
    dropSelectionBox();
    render();
  }
  if (mIsSelecting) {
    if (mIsBoxValid)
      showFrameless(mBoxSelectChangeValue);
    else
      applySelectRange();
  }
  // The flag and the view go together: the next press adds one set of axes again.
  mViewer->removeCoordinateSystem("coordinate");
  render();
  coordinateShown = false;
}

// ---------------------------------------------------------------------------------------
// Keyboard

void newLumivar::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      if (ui->frameBorder->isHidden()) showPanels(true);
      qDebug() << "ui.screen->isFullScreen() : " << ui->screen->isFullScreen();
      break;
    case Qt::Key_Plus:
      ui->sBx_SetPointSize->setValue(std::min(pointSize + 1, kMaxPointSize));
      break;
    case Qt::Key_Minus:
      ui->sBx_SetPointSize->setValue(std::max(pointSize - 1, 1));
      break;
    default:
      MyWidget::keyPressEvent(event);
      break;
  }
}

// ---------------------------------------------------------------------------------------
// Measurement grid

void newLumivar::onPbn_MeaGridSlot() {
  if (!mIsGridShown) {
    showFrameless(mSetMeasurementGrid);
    return;
  }
  mIsGridShown = false;
  // Only the grid goes: the clouds, the axes and the coordinate system stay where they are.
  removeGrid();
  render();
}

void newLumivar::removeGrid() {
  if (vtkRenderer* renderer = mViewer->getRendererCollection()->GetFirstRenderer())
    for (const vtkSmartPointer<vtkActor>& circle : mGridCircles) renderer->RemoveActor(circle);
  mGridCircles.clear();
  mViewer->removeAllShapes();
}

void newLumivar::onGetMeasurementGridSlot(GridParam param) {
  gridParam = param;
  if (mIsGridShown) removeGrid();  // a new grid replaces the one shown, turned or not
  mGridAngle = 0;                  // and is drawn straight
  mIsGridShown = true;
  drawMeasurementGridThread(gridParam);
  drawGridLabels();
  render();
}

namespace {

void addGridLines(pcl::visualization::PCLVisualizer& viewer, const std::vector<MeasurementGrid::Line>& lines) {
  for (const MeasurementGrid::Line& line : lines) {
    viewer.addLine(line.from, line.to, MeasurementGrid::kLineColour, MeasurementGrid::kLineColour,
                   MeasurementGrid::kLineColour, line.id);
    viewer.setShapeRenderingProperties(pcl::visualization::PCL_VISUALIZER_OPACITY, MeasurementGrid::kLineOpacity,
                                       line.id);
  }
}

}  // namespace

void newLumivar::drawMeasurementGridThread(const GridParam& param) {
  // Lines are added on the GUI thread: the viewer is not safe for use from two threads.
  addGridLines(*mViewer, MeasurementGrid::lines(param));
}

void newLumivar::drawRotatedGridThread(const GridParam& param, int angleDegrees) {
  addGridLines(*mViewer, MeasurementGrid::rotatedLines(param, angleDegrees));
  vtkRenderer* renderer = mViewer->getRendererCollection()->GetFirstRenderer();
  if (!renderer) return;
  for (const MeasurementGrid::Circle& c : MeasurementGrid::circles(param)) {
    auto polygon = vtkSmartPointer<vtkRegularPolygonSource>::New();
    polygon->SetNumberOfSides(MeasurementGrid::kCircleSides);
    polygon->SetRadius(c.radius);
    polygon->SetCenter(c.centre.x, c.centre.y, c.centre.z);
    polygon->GeneratePolygonOff();  // the outline only
    auto mapper = vtkSmartPointer<vtkPolyDataMapper>::New();
    mapper->SetInputConnection(polygon->GetOutputPort());
    auto actor = vtkSmartPointer<vtkActor>::New();
    actor->SetMapper(mapper);
    actor->GetProperty()->SetRepresentationToWireframe();
    actor->GetProperty()->SetColor(MeasurementGrid::kCircleColour, MeasurementGrid::kCircleColour,
                                   MeasurementGrid::kCircleColour);
    renderer->AddActor(actor);
    mGridCircles.push_back(actor);
  }
}

void newLumivar::removeShapesKeepingGrid() {
  mViewer->removeAllShapes();
  if (!mIsGridShown) return;
  // The grid has its own button and state: clearing other marks must not take it away.
  addGridLines(*mViewer, mGridAngle == 0 ? MeasurementGrid::lines(gridParam)
                                         : MeasurementGrid::rotatedLines(gridParam, mGridAngle));
  drawGridLabels();
}

void newLumivar::drawGridLabels() {
  for (const MeasurementGrid::Label& label : MeasurementGrid::labels(gridParam))
    mViewer->addText3D(label.text, label.position, label.scale, MeasurementGrid::kLineColour,
                       MeasurementGrid::kLineColour, MeasurementGrid::kLineColour, label.id);
}

void newLumivar::rotatedGrid_UP() {
  if (!mIsGridShown || mIsGridBusy) return;
  mGridAngle = MeasurementGrid::turnUp(mGridAngle);
  mIsGridBusy = true;
  rotateGrid();
}

void newLumivar::rotatedGrid_DW() {
  if (!mIsGridShown || mIsGridBusy) return;
  mGridAngle = MeasurementGrid::turnDown(mGridAngle);
  mIsGridBusy = true;
  rotateGrid();
}

void newLumivar::rotateGrid() {
  removeGrid();
  drawRotatedGridThread(gridParam, mGridAngle);
  drawGridLabels();
  render();
  mIsGridBusy = false;
}

// ---------------------------------------------------------------------------------------
// Event filter

bool newLumivar::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove) {
    if (qobject_cast<QComboBox*>(watched) || qobject_cast<QAbstractItemView*>(watched) ||
        qobject_cast<QPushButton*>(watched) || qobject_cast<QCheckBox*>(watched)) {
      pressOnChild = true;  // no frame drag from a press on a control
      return false;
    }
  }
  if (type == QEvent::MouseMove) {
    // Measured in the window, whichever child the pointer is over.
    const int y = mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPos()).y();
    const int h = height();
    OffLineClass* panel = ui->widget_offLineData;
    panel->setVisible(y >= (1.0 - kPanelBand) * h || panel->isLocked);
    ui->widget_menuBar->setVisible(y <= kPanelBand * h || ui->checkBox_MenuBarLocked->isChecked());
  }
  if (type == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::ControlModifier &&
        (key->key() == Qt::Key_F1 || key->key() == Qt::Key_F2 || key->key() == Qt::Key_F3)) {
      qDebug().noquote() << QString("CTRL + F%1").arg(key->key() - Qt::Key_F1 + 1);
      return true;
    }
  }
  if (watched == ui->screen && type == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      QApplication::keyboardModifiers() == Qt::AltModifier) {
    altClickRanging(static_cast<QMouseEvent*>(event)->pos());
  }
  return QObject::eventFilter(watched, event);
}
