// Shared set-up of the main window tests: a QApplication with VTK's surface format, a private
// log root and configuration file per test, recorded message boxes, and cloud builders.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QVTKOpenGLNativeWidget.h>
#include <QWindow>
#include <QtTest/QTest>

#include <cstdlib>
#include <memory>
#include <vector>

#include "LidarRecords.h"
#include "MessageBoxSeam.h"

// The pictures live in the static app library; register them by hand.
inline void registerAppResources() { Q_INIT_RESOURCE(lumivar); }

namespace mainwindow_test {

// One QApplication for the whole test program, made before the first window.
inline QApplication& application() {
  static int argc = 1;
  static char name[] = "mainwindow_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
    auto* created = new QApplication(argc, argv);
    registerAppResources();
    return created;
  }();
  return *app;
}

// The 3D view needs a real display (test.sh runs the tests under xvfb-run).
inline bool haveDisplay() { return std::getenv("DISPLAY") != nullptr; }

struct RecordedBox {
  QString title;
  QString text;
};

// Points the logger and the program configuration at a private directory and records every
// message box instead of showing it.
class WindowEnvironment {
public:
  explicit WindowEnvironment(const QStringList& configLines = {}) {
    logRoot_ = dir_.path() + "/logs";
    configFile_ = dir_.path() + "/config.ini";
    QFile config(configFile_);
    if (config.open(QIODevice::WriteOnly)) {
      config.write("[Config]\n");
      for (const QString& line : configLines) config.write((line + "\n").toUtf8());
    }
    config.close();
    qputenv("LUMIVAR_LOG_ROOT", logRoot_.toUtf8());
    qputenv("LUMIVAR_CONFIG_FILE", configFile_.toUtf8());
    hook_ = std::make_unique<ScopedMessageBoxHook>(
        [this](QWidget*, const QString& title, const QString& text, QMessageBox::StandardButtons,
               QMessageBox::StandardButton) {
          boxes.push_back({title, text});
          return QMessageBox::Ok;
        });
  }

  // Lines of the single log file written under the private root.
  QStringList logLines() const {
    QDirIterator it(logRoot_, {"*.txt"}, QDir::Files, QDirIterator::Subdirectories);
    if (!it.hasNext()) return {};
    QFile file(it.next());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  }

  // The text part of each entry (after the time stamp and "\t:\t"), banners left out.
  QStringList logTexts() const {
    QStringList texts;
    for (const QString& line : logLines()) {
      const int sep = line.indexOf("\t:\t");
      if (sep >= 0) texts << line.mid(sep + 3);
    }
    return texts;
  }

  std::vector<RecordedBox> boxes;

private:
  QTemporaryDir dir_;
  QString logRoot_;
  QString configFile_;
  std::unique_ptr<ScopedMessageBoxHook> hook_;
};

using Cloud = pcl::PointCloud<PointInfo>;

inline PointInfo makePoint(float x, float y, float z, float distance, std::uint8_t channel = 0) {
  PointInfo p{};
  p.x = x;
  p.y = y;
  p.z = z;
  p.r = 200;
  p.g = 200;
  p.b = 255;
  p.a = 255;
  p.Channel = channel;
  p.H_angle = 10.0f;
  p.V_angle = -2.0f;
  p.Distance = distance;
  p.Intensity = 77;
  p.Mtimestamp_nsce = 1700000000.5;
  return p;
}

// n points on a line; every point whose index is in zeroDistance gets distance 0.
inline Cloud::Ptr makeCloud(std::size_t n, const std::vector<std::size_t>& zeroDistance = {}) {
  Cloud::Ptr cloud(new Cloud);
  cloud->reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const float d = 1.0f + static_cast<float>(i) * 0.01f;
    cloud->push_back(makePoint(d, 0.5f, 0.1f, d, static_cast<std::uint8_t>(i % 32)));
  }
  for (std::size_t i : zeroDistance) cloud->points[i].Distance = 0.0f;
  return cloud;
}

}  // namespace mainwindow_test

#include <dlfcn.h>

#include <QToolButton>

#include <vtkActor2D.h>
#include <vtkActor2DCollection.h>
#include <vtkAlgorithm.h>
#include <vtkCoordinate.h>
#include <vtkRenderer.h>
#include <vtkRendererCollection.h>
#include <vtkDataSet.h>
#include <vtkFollower.h>
#include <vtkMapper.h>
#include <vtkTextActor.h>
#include <vtkTextActor3D.h>
#include <vtkVectorText.h>
#include <pcl/visualization/pcl_visualizer.h>

#include "newLumivar.h"
#include "ui_newLumivar.h"

namespace mainwindow_test {

// Points the viewer holds under a cloud id, or -1 when it holds no such cloud.
inline long viewerPointCount(pcl::visualization::PCLVisualizer* viewer, const std::string& id) {
  auto clouds = viewer->getCloudActorMap();
  auto it = clouds->find(id);
  if (it == clouds->end() || !it->second.actor || !it->second.actor->GetMapper()) return -1;
  vtkDataSet* data = it->second.actor->GetMapper()->GetInput();
  return data ? static_cast<long>(data->GetNumberOfPoints()) : -1;
}

inline bool viewerHasShape(pcl::visualization::PCLVisualizer* viewer, const std::string& id) {
  auto shapes = viewer->getShapeActorMap();
  return shapes->find(id) != shapes->end();
}

// The text of a 3D text shape (a text actor or a follower over vector text), "<absent>" when
// the viewer holds no shape of that id.
inline std::string viewerText3D(pcl::visualization::PCLVisualizer* viewer, const std::string& id) {
  auto shapes = viewer->getShapeActorMap();
  auto it = shapes->find(id);
  if (it == shapes->end()) return "<absent>";
  if (auto* actor = vtkTextActor3D::SafeDownCast(it->second)) return actor->GetInput() ? actor->GetInput() : "";
  auto* follower = vtkFollower::SafeDownCast(it->second);
  auto* source = follower && follower->GetMapper() ? vtkVectorText::SafeDownCast(follower->GetMapper()->GetInputAlgorithm()) : nullptr;
  return source && source->GetText() ? source->GetText() : "<not a 3D text>";
}

// The text of a screen text shape, "<absent>" when the viewer holds no shape of that id.
inline std::string viewerScreenText(pcl::visualization::PCLVisualizer* viewer, const std::string& id) {
  auto shapes = viewer->getShapeActorMap();
  auto it = shapes->find(id);
  if (it == shapes->end()) return "<absent>";
  auto* actor = vtkTextActor::SafeDownCast(it->second);
  return actor && actor->GetInput() ? actor->GetInput() : "<not a screen text>";
}

// The texts the view draws: every visible screen text of its renderer, the viewer's labels and
// the window's own.
inline std::vector<std::string> visibleViewTexts(pcl::visualization::PCLVisualizer* viewer) {
  std::vector<std::string> texts;
  vtkRenderer* renderer = viewer->getRendererCollection()->GetFirstRenderer();
  vtkActor2DCollection* actors = renderer->GetActors2D();
  actors->InitTraversal();
  while (vtkActor2D* actor = actors->GetNextActor2D()) {
    auto* text = vtkTextActor::SafeDownCast(actor);
    if (text && text->GetVisibility() && text->GetInput()) texts.emplace_back(text->GetInput());
  }
  return texts;
}

// Where a visible screen text is drawn: its anchor in pixels from the view's left and top
// edges, or (-1, -1) when no visible text starts with the given words.
inline QPoint viewTextPlace(pcl::visualization::PCLVisualizer* viewer, const std::string& startsWith) {
  vtkRenderer* renderer = viewer->getRendererCollection()->GetFirstRenderer();
  vtkActor2DCollection* actors = renderer->GetActors2D();
  actors->InitTraversal();
  while (vtkActor2D* actor = actors->GetNextActor2D()) {
    auto* text = vtkTextActor::SafeDownCast(actor);
    if (!text || !text->GetVisibility() || !text->GetInput() || std::string(text->GetInput()).rfind(startsWith, 0) != 0)
      continue;
    const int* at = text->GetPositionCoordinate()->GetComputedViewportValue(renderer);
    return QPoint(at[0], renderer->GetSize()[1] - at[1]);
  }
  return QPoint(-1, -1);
}

// "Play" or "Stop", after the picture the button shows.
inline std::string playButtonShows(QToolButton* button) {
  const QSize size(32, 32);
  const QImage shown = button->icon().pixmap(size).toImage();
  for (const char* name : {"Play", "Stop"})
    if (shown == QIcon(QString(":/image2/Resources/images2/icon_%1.png").arg(name)).pixmap(size).toImage()) return name;
  return "another picture";
}

// Makes the glue load the fake driver libraries, which write each call down in a file of
// this test, and reads those calls back.
class FakeDriverLog {
public:
  FakeDriverLog() {
    qputenv("LUMIVAR_DRIVER_DIR", LUMIVAR_FAKE_DRIVER_DIR);
    qputenv("FAKE_DRIVER_LOG", path().toUtf8());
    qunsetenv("FAKE_DRIVER_FAIL_START");
  }
  QStringList calls() const {
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  }
  // The newest fake Ulmeth driver sends count frames of firstPoints, firstPoints + 1, ...
  // points from a thread of its own, as a decode thread does; they wait in the glue until
  // this thread runs its event loop again.
  static void emitFrames(int count, int partialFrames, int firstPoints) {
    void* library = ::dlopen(LUMIVAR_FAKE_DRIVER_DIR "/libLidarDriverUlmeth.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    auto emitFn = reinterpret_cast<void (*)(int, int, int)>(::dlsym(library, "FakeDriverEmitFrames"));
    ASSERT_NE(emitFn, nullptr);
    emitFn(count, partialFrames, firstPoints);
    ::dlclose(library);
  }

private:
  QString path() const { return dir_.path() + "/calls.txt"; }
  QTemporaryDir dir_;
};

// A window of its own per test in a private environment; the window goes before the
// environment it logs into.
class WindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
    application();
    env = std::make_unique<WindowEnvironment>(configLines());
    window = std::make_unique<newLumivar>();
    viewer = window->viewer();
  }
  void TearDown() override {
    window.reset();
    env.reset();
  }
  // Lines of the program configuration's [Config] group for this test.
  virtual QStringList configLines() const { return {}; }

  // A live run of the fake Ulmeth driver on loopback.
  void connectFakeUlmeth(int dataPort, int devPort) {
    LidarInitParam p;
    p.lidarType = "LidarType_Ulmeth";
    p.destIP = "127.0.0.1";
    p.dataPort = dataPort;
    p.devPort = devPort;
    window->onGetLidarInitParamSlot(p);
    ASSERT_TRUE(window->connected());
  }

  // Mouse events on the 3D view through Qt's platform path, so the application's modifier
  // state follows.
  void viewMouse(QEvent::Type type, QPoint local, Qt::MouseButtons held, Qt::MouseButton button,
                 Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWindow* handle = window->windowHandle();
    const QPoint global = window->form().screen->mapToGlobal(local);
    qt_handleMouseEvent(handle, handle->mapFromGlobal(global), global, held, button, type, mods, ++viewTimestamp);
    QApplication::processEvents();
  }
  void dragOverView(QPoint from, QPoint to) {
    viewMouse(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    viewMouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    viewMouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, Qt::NoButton);
    viewMouse(QEvent::MouseMove, to, Qt::LeftButton, Qt::NoButton);
    viewMouse(QEvent::MouseButtonRelease, to, Qt::NoButton, Qt::LeftButton);
    viewTimestamp += 10000;  // the next press is never part of a double-click
  }

  std::unique_ptr<WindowEnvironment> env;
  std::unique_ptr<newLumivar> window;
  pcl::visualization::PCLVisualizer* viewer = nullptr;
  int viewTimestamp = 1000;
};

// A shown top-level window of the class (a dialog or panel), or null.
inline QWidget* shownWindow(const char* className) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->inherits(className) && w->isVisible()) return w;
  return nullptr;
}

// A valid selection box of 2 m on each side around the origin.
inline BoxSelectParam unitSelectionBox() {
  BoxSelectParam box;
  box.xMin = box.yMin = box.zMin = -1.0f;
  box.xMax = box.yMax = box.zMax = 1.0f;
  box.valid = true;
  return box;
}

}  // namespace mainwindow_test
