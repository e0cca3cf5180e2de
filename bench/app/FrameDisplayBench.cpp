// Cost of showing one live frame in the main window (table, viewer replace and render),
// by frame size, and of an area pick of a whole frame. Needs a display: xvfb-run -a build/release/bin/bench_frame_display
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSurfaceFormat>
#include <QWindow>
#include <QtTest/qtestmouse.h>
#include <QVTKOpenGLNativeWidget.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "newLumivar.h"

// The pictures live in the static app library; registered outside any namespace.
static void registerAppResources() { Q_INIT_RESOURCE(lumivar); }

namespace {

std::unique_ptr<QApplication> app;
std::unique_ptr<newLumivar> mainWindow;

newLumivar& window() {
  if (!mainWindow) {
    qputenv("LUMIVAR_LOG_ROOT", "/tmp/lumivar_bench_logs");
    mainWindow = std::make_unique<newLumivar>();
    mainWindow->show();
  }
  return *mainWindow;
}

pcl::PointCloud<PointInfo>::Ptr ring(std::size_t n) {
  pcl::PointCloud<PointInfo>::Ptr cloud(new pcl::PointCloud<PointInfo>);
  cloud->resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    PointInfo& p = cloud->points[i];
    const float a = static_cast<float>(i) * 0.001f;
    p.x = 10.0f * std::cos(a);
    p.y = 10.0f * std::sin(a);
    p.z = static_cast<float>(i % 32) * 0.1f;
    p.Distance = 10.0f;
    p.rgba = 0xFF80C0FFu;
  }
  return cloud;
}

// One frame through the four-argument slot: the table window, the remove-and-add of the
// clouds under their fixed ids and one render.
void BM_ShowFrame(benchmark::State& state) {
  if (!std::getenv("DISPLAY")) {
    state.SkipWithError("needs a display");
    return;
  }
  newLumivar& w = window();
  const auto frame = ring(static_cast<std::size_t>(state.range(0)));
  const pcl::PointCloud<PointInfo>::Ptr companion(new pcl::PointCloud<PointInfo>);
  for (auto _ : state) {
    w.onCalculateShowPointCloudSlot(frame, companion, 1, QString());
    QCoreApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
// Process CPU time includes the software renderer's threads under Xvfb.
// 57,600 is one turn of the test sender; 88,888/88,889 straddle the table limit.
BENCHMARK(BM_ShowFrame)->Arg(1000)->Arg(57600)->Arg(88888)->Arg(88889)->Arg(300000)
    ->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// An area pick over the whole frame on screen, from the picked indices to the pick's return:
// box, picked cloud, table and render, all on the GUI thread (the plane fit runs on its
// worker and is waited for outside the timing). 57,600 is a whole turn of the test sender.
void BM_AreaPickWholeFrame(benchmark::State& state) {
  if (!std::getenv("DISPLAY")) {
    state.SkipWithError("needs a display");
    return;
  }
  newLumivar& w = window();
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto frame = ring(n);
  const pcl::PointCloud<PointInfo>::Ptr companion(new pcl::PointCloud<PointInfo>);
  pcl::Indices all(n);
  for (std::size_t i = 0; i < n; ++i) all[i] = static_cast<pcl::index_t>(i);
  const pcl::visualization::AreaPickingEvent event({{"realTime_points", all}});
  for (auto _ : state) {
    state.PauseTiming();
    w.onCalculateShowPointCloudSlot(frame, companion, 1, QString());
    w.onPbn_BoxSelectSlot();  // picking mode on
    QCoreApplication::processEvents();
    state.ResumeTiming();
    w.areaPicking_callback(event, nullptr);
    QCoreApplication::processEvents();
    state.PauseTiming();
    w.pickPlaneFit().waitForIdle();
    w.onPbn_ClearSlot();  // drops the box for the next round
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AreaPickWholeFrame)->Arg(2000)->Arg(20000)->Arg(57600)
    ->UseRealTime()->Unit(benchmark::kMillisecond);

void mouse(QWidget* view, QEvent::Type type, QPoint local, Qt::MouseButtons held, Qt::MouseButton button) {
  static int timestamp = 1000;
  QWindow* handle = view->window()->windowHandle();
  const QPoint global = view->mapToGlobal(local);
  qt_handleMouseEvent(handle, handle->mapFromGlobal(global), global, held, button, type, Qt::NoModifier, ++timestamp);
}

// The user's whole pick: a drag over the whole view of a frame seen from the top, timed from
// the button's release until every event it caused has run on the GUI thread (the view's own
// area pick, the window's pick and the render).
void BM_AreaPickDraggedOverTheView(benchmark::State& state) {
  if (!std::getenv("DISPLAY")) {
    state.SkipWithError("needs a display");
    return;
  }
  newLumivar& w = window();
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto frame = ring(n);
  const pcl::PointCloud<PointInfo>::Ptr companion(new pcl::PointCloud<PointInfo>);
  QWidget* view = w.findChild<QWidget*>("screen");
  const QPoint from = view->rect().topLeft() + QPoint(2, 2), to = view->rect().bottomRight() - QPoint(2, 2);
  for (auto _ : state) {
    state.PauseTiming();
    w.onCalculateShowPointCloudSlot(frame, companion, 1, QString());
    w.onPbn_VeiwTopSlot();
    w.viewer()->resetCamera();  // the whole ring in view
    w.onPbn_BoxSelectSlot();
    mouse(view, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    mouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(view, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, Qt::NoButton);
    mouse(view, QEvent::MouseMove, to, Qt::LeftButton, Qt::NoButton);
    QCoreApplication::processEvents();
    state.ResumeTiming();
    mouse(view, QEvent::MouseButtonRelease, to, Qt::NoButton, Qt::LeftButton);
    QCoreApplication::processEvents();
    state.PauseTiming();
    if (!w.selectionBoxValid()) state.SkipWithError("the drag picked nothing");
    state.counters["picked"] = static_cast<double>(w.selectionCloudSize());
    w.pickPlaneFit().waitForIdle();
    w.onPbn_ClearSlot();
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AreaPickDraggedOverTheView)->Arg(57600)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

// The window and the application go in this order, before static destruction begins.
int main(int argc, char** argv) {
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  app = std::make_unique<QApplication>(argc, argv);
  registerAppResources();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  mainWindow.reset();
  app.reset();
  return 0;
}
