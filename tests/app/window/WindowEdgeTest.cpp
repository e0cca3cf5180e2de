// The restored window's edges and the windows it opens, as a user meets them on the private
// 1600 x 900 screen of this test program (WindowFitTest.cpp starts it): a drag in the resize
// band resizes, over the status row's link or the 3D view alike, and nothing else, and leaves
// nothing behind for the next drag; every dialog and panel opens centred over the window, with
// the window as its owner for the window manager, and still drags by its title.
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QtTest/QTest>

#include <vtkCamera.h>
#include <vtkRenderer.h>
#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <memory>

#include "DialogTitleBar.h"
#include "Halverd.h"
#include "HalverdPanels.h"
#include "MainWindowTestSupport.h"
#include "WindowMouse.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

// Restored from its start-up maximised state by its own button, then where a user had it.
void restoreTo(newLumivar* window, const QRect& geometry) {
  if (window->isMaximized()) QTest::mouseClick(window->form().pushButtonMax, Qt::LeftButton);
  QApplication::processEvents();
  window->setGeometry(geometry);
  QApplication::processEvents();
}

struct CameraPose {
  std::array<double, 3> position, focal, up;
  bool operator==(const CameraPose& o) const { return position == o.position && focal == o.focal && up == o.up; }
};

CameraPose cameraPose(pcl::visualization::PCLVisualizer* viewer) {
  vtkCamera* camera = viewer->getRendererCollection()->GetFirstRenderer()->GetActiveCamera();
  CameraPose pose;
  camera->GetPosition(pose.position.data());
  camera->GetFocalPoint(pose.focal.data());
  camera->GetViewUp(pose.up.data());
  return pose;
}

bool within(const QWidget* child, const QWidget* ancestor) {
  for (const QWidget* w = child; w; w = w->parentWidget())
    if (w == ancestor) return true;
  return false;
}

class WindowEdges : public WindowTest {};

// Each press in the band: the press-drag resizes the window by the drag and leaves the camera
// as it was; after it a drag in the 3D view leaves the window's size alone and a drag on the
// title moves the window without resizing it.
TEST_F(WindowEdges, EveryBandPressResizesOnlyAndLeavesNothingBehind) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  Ui::newLumivar& ui = window->form();
  ASSERT_TRUE(ui.label_StatusBarShow_2->isVisible()) << "the link shows in this configuration";
  const QRect restored(80, 45, 1441, 716);
  struct Case {
    const char* where;
    std::function<QPoint()> press;  // window coordinates, in the band
    QWidget* under;                 // what the press lands on
  };
  const Case cases[] = {
      {"bottom-right corner over the link", [&] { return QPoint(window->width() - 2, window->height() - 2); },
       ui.label_StatusBarShow_2},
      {"right band where the link ends",
       [&] {
         const QPoint link = ui.label_StatusBarShow_2->mapTo(window.get(), ui.label_StatusBarShow_2->rect().center());
         return QPoint(window->width() - 3, link.y());
       },
       ui.label_StatusBarShow_2},
      {"right band over the 3D view",
       [&] {
         const QPoint view = ui.screen->mapTo(window.get(), ui.screen->rect().center());
         return QPoint(window->width() - 3, view.y());
       },
       ui.screen},
  };
  WindowMouse mouse(window.get());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    restoreTo(window.get(), restored);
    ASSERT_FALSE(window->isMaximized());
    const QPoint at = window->mapToGlobal(c.press());
    mouse.move(at);  // the pointer on its way may show the play bar; the row is placed then
    const QPoint local = window->mapFromGlobal(at);
    ASSERT_TRUE(within(window->childAt(local), c.under))
        << "lands on " << (window->childAt(local) ? window->childAt(local)->objectName().toStdString() : "nothing");
    const CameraPose camera = cameraPose(viewer);

    mouse.press(at);
    mouse.move(at + QPoint(15, 20));
    mouse.move(at + QPoint(30, 40));
    mouse.release(at + QPoint(30, 40));
    EXPECT_EQ(window->size(), restored.size() + QSize(30, 40)) << "the band drag resizes";
    EXPECT_EQ(window->pos(), restored.topLeft());
    EXPECT_TRUE(cameraPose(viewer) == camera) << "the band drag turned the 3D view";

    const QSize resized = window->size();
    const QPoint view = ui.screen->rect().center();
    dragOverView(view - QPoint(40, 0), view + QPoint(40, 30));
    EXPECT_EQ(window->size(), resized) << "a drag in the 3D view resized the window";
    EXPECT_EQ(window->pos(), restored.topLeft());

    const QPoint title = ui.label_TitleShow->mapToGlobal(QPoint(5, 5));
    mouse.press(title);
    mouse.move(title + QPoint(10, 5));
    mouse.move(title + QPoint(20, 15));
    mouse.release(title + QPoint(20, 15));
    EXPECT_EQ(window->size(), resized) << "a drag on the title resized the window";
    EXPECT_EQ(window->pos(), restored.topLeft() + QPoint(20, 15)) << "a drag on the title moves the window";
  }
}

// The window the X server holds as the owner of `w` (its WM_TRANSIENT_FOR), 0 for none: what
// a window manager reads to keep a dialog above its window.
xcb_window_t ownerOnTheServer(QWidget* w) {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    return 0;
  }
  const xcb_get_property_cookie_t cookie = xcb_get_property(
      connection, 0, static_cast<xcb_window_t>(w->winId()), XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
  xcb_window_t owner = 0;
  if (reply && xcb_get_property_value_length(reply) == sizeof(xcb_window_t))
    owner = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
  std::free(reply);
  xcb_disconnect(connection);
  return owner;
}

void clickButton(QAbstractButton* button) {
  if (button->isVisible())
    QTest::mouseClick(button, Qt::LeftButton);
  else
    button->click();  // the colour button is hidden at start-up
}

// Each dialog and panel, opened by its own button with the window restored away from the
// screen's corner, opens centred over the window, frameless, whole on the screen, owned by the
// window on the X server, and moves with a steady drag on its title.
TEST_F(WindowEdges, DialogsOpenCentredOverTheWindowAndOwnedByIt) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  Ui::newLumivar& ui = window->form();
  Halverd* glue = window->glue();
  struct Case {
    const char* name;
    QAbstractButton* button;
    std::function<QWidget*()> opened;  // what the button opens
  };
  const auto shown = [](const char* className) { return [className] { return shownWindow(className); }; };
  const Case cases[] = {
      {"Lidar settings", ui.pBn_Setting, [glue] { return glue->settingWidget; }},
      {"About", ui.pushButtonAbout, [glue] { return glue->aboutWidget; }},
      {"BoxSelect Change Value", ui.pBn_BoxSelect, shown("BoxSelectChangeValue")},
      {"Lidar Type Selection", ui.pBn_Connect, shown("DeviceLookupConnection")},
      {"filter", ui.pBn_Filtration, shown("FiltrationData")},
      {"grid", ui.pBn_MeaGrid, shown("SetMeasurementGrid")},
      {"colour", ui.pBn_ColorPalette, shown("SetWidgetAndFontColor")},
      {"save type", ui.pBn_DataStorage, shown("SaveLidarDataTypeSelect")},
      {"open capture", ui.pBn_OpenPacket, shown("selectSaveDataPacket")},
  };
  // The box-select button opens the bounds dialog only with a box in force.
  window->setSelectionBox(unitSelectionBox());
  const QRect restored(240, 150, 1200, 700);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restoreTo(window.get(), restored);
    clickButton(c.button);
    QWidget* dialog = c.opened();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_TRUE(dialog->windowFlags() & Qt::FramelessWindowHint);
    const QRect frame = dialog->frameGeometry();
    const QPoint offCentre = frame.center() - window->frameGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 1)
        << "opens at " << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    EXPECT_TRUE(dialog->screen()->availableGeometry().contains(frame));
    EXPECT_EQ(ownerOnTheServer(dialog), static_cast<xcb_window_t>(window->winId()))
        << "the window manager is not told the dialog belongs to the window";

    auto* bar = dialog->findChild<DialogTitleBar*>();
    ASSERT_NE(bar, nullptr);
    WindowMouse mouse(dialog);
    const QPoint grip = bar->mapToGlobal(QPoint(20, 20));
    const QPoint before = dialog->pos();
    mouse.press(grip);
    mouse.move(grip + QPoint(10, 5));
    mouse.move(grip + QPoint(30, 15));
    mouse.release(grip + QPoint(30, 15));
    EXPECT_EQ(dialog->pos(), before + QPoint(30, 15)) << "a drag on the title moves the dialog";
    dialog->close();
    QApplication::processEvents();
  }
}

}  // namespace
