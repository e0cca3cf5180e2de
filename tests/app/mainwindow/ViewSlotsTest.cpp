// The view, panel and window slots in a real window: camera presets and projection, the
// coordinate axes, full screen and the point list, point-size keys, the instructions file,
// the tray icon, the glue's panels, and the measurement grid with its turns, checked in the
// viewer's items and in the rendered picture.
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QSplitter>
#include <QUrl>

#include <vtkCamera.h>
#include <vtkPropCollection.h>
#include <vtkImageData.h>
#include <vtkPNGWriter.h>
#include <vtkPolyData.h>
#include <vtkRenderer.h>
#include <vtkMapper.h>
#include <vtkUnsignedCharArray.h>
#include <vtkPointData.h>
#include <vtkWindowToImageFilter.h>

#include <cmath>

#include "Halverd.h"
#include "HalverdPanels.h"
#include "MainWindowTestSupport.h"
#include "OffLineClass.h"
#include "SetMeasurementGrid.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

// Takes the URLs the program asks the desktop to open.
class UrlRecorder : public QObject {
  Q_OBJECT
public:
  QList<QUrl> urls;
public slots:
  void open(const QUrl& url) { urls << url; }
};

class ViewSlots : public WindowTest {
protected:
  vtkCamera* camera() const { return viewer->getRendererCollection()->GetFirstRenderer()->GetActiveCamera(); }
  void key(int k) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &press);
  }
  std::string text3D(const std::string& id) const { return viewerText3D(viewer, id); }
  // First end point of a line shape.
  std::array<double, 3> lineStart(const std::string& id) const {
    auto shapes = viewer->getShapeActorMap();
    auto it = shapes->find(id);
    std::array<double, 3> p{{NAN, NAN, NAN}};
    if (it == shapes->end()) return p;
    auto* actor = vtkActor::SafeDownCast(it->second);
    auto* data = actor ? vtkPolyData::SafeDownCast(actor->GetMapper()->GetInput()) : nullptr;
    if (data && data->GetNumberOfPoints() > 0) data->GetPoint(0, p.data());
    return p;
  }
  // Props the view's renderer holds (the axes are one prop a set).
  int propsInView() const { return viewer->getRendererCollection()->GetFirstRenderer()->GetViewProps()->GetNumberOfItems(); }
  std::size_t gridLineCount() const {
    std::size_t n = 0;
    for (const auto& shape : *viewer->getShapeActorMap()) n += shape.first.find("Grid_") != std::string::npos;
    return n;
  }

};

TEST_F(ViewSlots, CameraPresetsLookAtTheOrigin) {
  struct Preset {
    void (newLumivar::*slot)();
    std::array<double, 3> position, up;
  };
  const Preset presets[] = {
      {&newLumivar::onPbn_VeiwTopSlot, {0, 0, 30}, {0, 1, 0}},
      {&newLumivar::onPbn_VeiwFrontSlot, {0, -30, 0}, {0, 0, 1}},
      {&newLumivar::onPbn_VeiwBackSlot, {0, 30, 0}, {0, 0, 1}},
      {&newLumivar::onPbn_VeiwLeftSlot, {-30, 0, 0}, {0, 0, 1}},
      {&newLumivar::onPbn_VeiwRightSlot, {30, 0, 0}, {0, 0, 1}},
  };
  window->onCalculateShowPointCloudSlot(makeCloud(40), Cloud::Ptr(new Cloud), 1, QString());
  for (const Preset& p : presets) {
    ((*window).*(p.slot))();
    double pos[3], focal[3], up[3];
    camera()->GetPosition(pos);
    camera()->GetFocalPoint(focal);
    camera()->GetViewUp(up);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(pos[i], p.position[static_cast<std::size_t>(i)], 1e-9);
      EXPECT_NEAR(focal[i], 0.0, 1e-9);
      EXPECT_NEAR(up[i], p.up[static_cast<std::size_t>(i)], 1e-9);
    }
  }
}

TEST_F(ViewSlots, ProjectionFollowsAmplificationAndMeasuring) {
  Ui::newLumivar& ui = window->form();
  ui.pBn_Amplification->setChecked(true);
  window->onPbn_AmplificationSlot();
  EXPECT_TRUE(camera()->GetParallelProjection());
  ui.pBn_Amplification->setChecked(false);
  window->onPbn_AmplificationSlot();
  EXPECT_FALSE(camera()->GetParallelProjection());

  window->onPbn_MeasureSlot();
  EXPECT_TRUE(window->measuring());
  EXPECT_TRUE(camera()->GetParallelProjection());
  window->onPbn_MeasureSlot();
  EXPECT_FALSE(window->measuring());
  EXPECT_FALSE(camera()->GetParallelProjection());
}

TEST_F(ViewSlots, CoordinateAxesToggleAndClearRemovesThem) {
  Ui::newLumivar& ui = window->form();
  const int base = propsInView();
  auto axesInView = [&] { return propsInView() - base; };
  ui.pBn_Coordinate->click();
  EXPECT_TRUE(viewer->contains("coordinate"));
  EXPECT_EQ(axesInView(), 1);
  EXPECT_TRUE(window->coordinateVisible());
  ui.pBn_Coordinate->click();
  EXPECT_FALSE(viewer->contains("coordinate"));
  EXPECT_EQ(axesInView(), 0);
  EXPECT_FALSE(window->coordinateVisible());

  // Clear without a box still drops the ranging marks, and the axes with their flag.
  ui.pBn_Coordinate->click();
  window->onPbn_MeasureSlot();
  ui.pBn_Clear->click();
  EXPECT_FALSE(window->coordinateVisible());
  EXPECT_FALSE(viewer->contains("coordinate"));
  EXPECT_EQ(axesInView(), 0) << "Clear takes the axes away with their flag";
  EXPECT_EQ(window->ranging().marks()->size(), 0u);
  EXPECT_FALSE(window->selectionBoxValid());

  // The toggle goes on working: one set of axes, then none.
  ui.pBn_Coordinate->click();
  EXPECT_EQ(axesInView(), 1);
  ui.pBn_Coordinate->click();
  EXPECT_EQ(axesInView(), 0);
  EXPECT_FALSE(viewer->contains("coordinate"));
}

TEST_F(ViewSlots, FullScreenHidesThePanelsAndEscapeBringsThemBack) {
  Ui::newLumivar& ui = window->form();
  ui.pBn_List->setChecked(true);
  window->onPbn_ListSlot();
  EXPECT_FALSE(ui.widget_ListData->isHidden());
  EXPECT_GT(ui.splitter->sizes().value(0), 0);

  window->onPbn_FullScreenSlot();
  for (QWidget* w : {static_cast<QWidget*>(ui.frameBorder), ui.widget_menuBar,
                     static_cast<QWidget*>(ui.widget_offLineData), ui.widget_statusBar, ui.widget_ListData})
    EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
  EXPECT_FALSE(ui.checkBox_MenuBarLocked->isChecked());
  EXPECT_FALSE(ui.widget_offLineData->isLocked);
  EXPECT_FALSE(ui.pBn_List->isChecked());

  key(Qt::Key_Escape);
  for (QWidget* w : {static_cast<QWidget*>(ui.frameBorder), ui.widget_menuBar,
                     static_cast<QWidget*>(ui.widget_offLineData), ui.widget_statusBar})
    EXPECT_FALSE(w->isHidden()) << w->objectName().toStdString();
  EXPECT_TRUE(ui.checkBox_MenuBarLocked->isChecked());
  EXPECT_TRUE(ui.widget_offLineData->isLocked);

  window->onPbn_FullScreenSlot();
  window->onPbn_FullScreenSlot();  // the button brings them back too
  EXPECT_FALSE(ui.frameBorder->isHidden());
}

TEST_F(ViewSlots, PointSizeKeysStayWithinOneToTen) {
  for (int i = 0; i < 11; ++i) key(Qt::Key_Plus);
  EXPECT_EQ(window->currentPointSize(), 10);
  EXPECT_EQ(window->form().sBx_SetPointSize->value(), 10);
  for (int i = 0; i < 12; ++i) key(Qt::Key_Minus);
  EXPECT_EQ(window->currentPointSize(), 1);
  key(Qt::Key_A);
  EXPECT_EQ(window->currentPointSize(), 1);
}

// A missing or empty ./doc opens nothing and says there is no manual; with files the last
// one in name order is opened.
TEST_F(ViewSlots, InstructionsOpenTheLastDocFileOrSayThereIsNone) {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("file", &recorder, "open");
  QTemporaryDir work;
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(work.path()));

  window->onPushButtonInstructionsSlot();  // no ./doc at all
  QDir(work.path()).mkdir("doc");
  window->onPushButtonInstructionsSlot();  // an empty one
  const std::size_t boxesWithoutManual = env->boxes.size();
  const bool openedWithoutManual = !recorder.urls.isEmpty();
  for (const char* name : {"b_manual.pdf", "a_manual.pdf"}) {
    QFile f(work.path() + "/doc/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  window->onPushButtonInstructionsSlot();

  QDir::setCurrent(previous);
  QDesktopServices::unsetUrlHandler("file");
  EXPECT_FALSE(openedWithoutManual);
  ASSERT_EQ(boxesWithoutManual, 2u);
  for (const RecordedBox& box : env->boxes) {
    EXPECT_EQ(box.title, "Tips");
    EXPECT_TRUE(box.text.contains("No user manual")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QDir::toNativeSeparators(QDir(work.path()).absoluteFilePath("doc"))));
  }
  EXPECT_EQ(env->boxes.size(), 2u);  // the manual itself opens without a box
  ASSERT_EQ(recorder.urls.size(), 1);
  EXPECT_EQ(recorder.urls[0].toLocalFile(), work.path() + "/doc/b_manual.pdf");
}

TEST_F(ViewSlots, TrayClickTogglesTheWindowAndGluePanelsOpen) {
  ASSERT_TRUE(window->isVisible());
  window->onTrayIconActivated(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(window->isVisible());
  window->onTrayIconActivated(QSystemTrayIcon::Context);
  EXPECT_FALSE(window->isVisible());
  window->onTrayIconActivated(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(window->isVisible());

  Halverd* glue = window->glue();
  ASSERT_NE(glue->settingWidget, nullptr);
  window->onPbn_SettingSlot();
  EXPECT_TRUE(glue->settingWidget->isVisible());
  EXPECT_EQ(glue->settingWidget->isShowDeviceInfo, 1);
  EXPECT_EQ(glue->settingWidget->isShowNetworkInfo, 1);
  window->onPbn_AdvancedSettingSlot();
  EXPECT_TRUE(glue->advancedSettingWidget->isVisible());
  EXPECT_EQ(glue->advancedSettingWidget->isShowAdvanced, 1);
  window->onPushButtonAboutSlot();
  EXPECT_TRUE(glue->aboutWidget->isVisible());
  EXPECT_TRUE(glue->aboutWidget->windowFlags() & Qt::FramelessWindowHint);
}

// The grid from its dialog: lines every cell, labels on both axes with "(Y)" at the centre;
// a turn redraws the lines about the sensor and adds the range circles; the grid button
// takes the grid away but leaves the cloud.
TEST_F(ViewSlots, GridIsDrawnTurnedAndRemoved) {
  window->onCalculateShowPointCloudSlot(makeCloud(40), Cloud::Ptr(new Cloud), 1, QString());
  window->onPbn_MeaGridSlot();
  SetMeasurementGrid* dialog = window->gridDialog();
  EXPECT_TRUE(dialog->isVisible()) << "no grid yet: the button opens the dialog";
  dialog->ui.spinBox_GridNumber->setValue(2);
  dialog->ui.spinBox_unit->setValue(50);
  dialog->ui.comboBox_unit->setCurrentText("cm");
  dialog->ui.radioButton_XY->setChecked(true);
  dialog->onOK_Clicked();

  ASSERT_TRUE(window->gridShown());
  EXPECT_EQ(gridLineCount(), 12u) << "four lines for i = 0, 1, 2";
  EXPECT_TRUE(viewerHasShape(viewer, "x_minGrid_L2.000000"));
  EXPECT_TRUE(viewerHasShape(viewer, "y_minGrid_B1.000000"));
  EXPECT_EQ(text3D("ShowCircleX-1.000000"), "-100cm");
  EXPECT_EQ(text3D("ShowCircleX0.000000"), "<absent>") << "the centre is labelled once, on y";
  EXPECT_EQ(text3D("ShowCircleY0.000000"), "0cm(Y)");
  EXPECT_EQ(text3D("ShowCircleY0.500000"), "50cm");
  const std::array<double, 3> straight = lineStart("y_minGrid_U2.000000");
  EXPECT_NEAR(straight[0], -1.0, 1e-6);
  EXPECT_NEAR(straight[1], 1.0, 1e-6);

  window->rotatedGrid_UP();
  EXPECT_EQ(window->gridAngle(), 1);
  EXPECT_EQ(window->gridCircleCount(), 2u);
  EXPECT_EQ(gridLineCount(), 12u);
  const double a = 3.1415926 / 180.0;
  const std::array<double, 3> turned = lineStart("y_minGrid_U2.000000");
  EXPECT_NEAR(turned[0], std::cos(a) * -1.0 + std::sin(a) * 1.0, 1e-5);
  EXPECT_NEAR(turned[1], std::cos(a) * 1.0 - std::sin(a) * -1.0, 1e-5);
  EXPECT_EQ(text3D("ShowCircleY0.500000"), "50cm") << "labels stay at the straight positions";

  // Down from 1 and from 0 both give 360; up from 359 gives 0.
  const std::pair<void (newLumivar::*)(), int> turns[] = {
      {&newLumivar::rotatedGrid_DW, 360}, {&newLumivar::rotatedGrid_UP, 0}, {&newLumivar::rotatedGrid_DW, 360},
      {&newLumivar::rotatedGrid_DW, 359}, {&newLumivar::rotatedGrid_UP, 0}};
  for (const auto& turn : turns) {
    ((*window).*(turn.first))();
    EXPECT_EQ(window->gridAngle(), turn.second);
  }
  EXPECT_EQ(window->gridCircleCount(), 2u) << "each turn replaces the circles";

  // Marks cleared around it leave the grid as it is.
  window->rotatedGrid_UP();
  window->onPbn_MeasureSlot();
  window->onPbn_ClearSlot();
  BoxSelectParam box;
  box.xMin = 0, box.xMax = 1, box.yMin = 0, box.yMax = 1, box.zMin = 0, box.zMax = 1, box.valid = true;
  window->getBoxSelectTypeAndValueSlot(1, box);
  EXPECT_EQ(gridLineCount(), 12u);
  EXPECT_TRUE(viewerHasShape(viewer, "bbox_line_top_0"));
  EXPECT_EQ(text3D("ShowCircleY0.000000"), "0cm(Y)");
  EXPECT_NEAR(lineStart("y_minGrid_U2.000000")[0], turned[0], 1e-5) << "still turned";

  window->onPbn_MeaGridSlot();
  EXPECT_FALSE(window->gridShown());
  EXPECT_EQ(gridLineCount(), 0u);
  EXPECT_EQ(window->gridCircleCount(), 0u);
  EXPECT_EQ(viewerPointCount(viewer, "realTime_points"), 40);
  window->rotatedGrid_UP();
  EXPECT_EQ(window->gridAngle(), 1) << "no grid, no turn";
}

// The grid and a box in the rendered picture: the box's red, green and blue edges and the
// grid's grey lines reach the screen. Set LUMIVAR_SCREENSHOT to a .png path to keep it.
TEST_F(ViewSlots, GridAndBoxReachThePicture) {
  window->onCalculateShowPointCloudSlot(makeCloud(200), Cloud::Ptr(new Cloud), 1, QString());
  GridParam grid;
  grid.gridNumber = 5;
  grid.unitValue = 1;
  grid.orientation = 2;
  window->onGetMeasurementGridSlot(grid);
  BoxSelectParam box;
  box.xMin = 1, box.xMax = 3, box.yMin = -1, box.yMax = 1, box.zMin = 0, box.zMax = 1.5f, box.valid = true;
  window->getBoxSelectTypeAndValueSlot(1, box);
  viewer->setCameraPosition(-6, -9, 7, 1, 0, 0, 0, 0, 1);
  QCoreApplication::processEvents();
  vtkRenderWindow* rw = viewer->getRenderWindow();
  rw->Render();

  auto grab = vtkSmartPointer<vtkWindowToImageFilter>::New();
  grab->SetInput(rw);
  grab->ReadFrontBufferOff();
  grab->Update();
  vtkImageData* image = grab->GetOutput();
  if (const char* path = std::getenv("LUMIVAR_SCREENSHOT")) {
    auto writer = vtkSmartPointer<vtkPNGWriter>::New();
    writer->SetFileName(path);
    writer->SetInputData(image);
    writer->Write();
  }
  auto* pixels = vtkUnsignedCharArray::SafeDownCast(image->GetPointData()->GetScalars());
  ASSERT_NE(pixels, nullptr);
  const int comps = pixels->GetNumberOfComponents();
  long red = 0, green = 0, blue = 0, grey = 0;
  for (vtkIdType i = 0; i < pixels->GetNumberOfTuples(); ++i) {
    const int r = pixels->GetValue(i * comps), g = pixels->GetValue(i * comps + 1), b = pixels->GetValue(i * comps + 2);
    red += r > 150 && g < 60 && b < 60;
    green += g > 150 && r < 60 && b < 60;
    blue += b > 150 && r < 60 && g < 60;
    grey += r > 20 && r < 120 && std::abs(r - g) < 6 && std::abs(g - b) < 6;
  }
  EXPECT_GT(red, 20);
  EXPECT_GT(green, 20);
  EXPECT_GT(blue, 20);
  EXPECT_GT(grey, 200) << "the grid's faint lines";
}

}  // namespace

#include "ViewSlotsTest.moc"
