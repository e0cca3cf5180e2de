// Base of the main window and of every dialog: a QWidget whose subclasses switch on the
// frameless hint and draw their own title bar. Supplies moving by dragging anywhere on the
// window, resizing from a 10-pixel band at the right and bottom edges and maximise/restore on
// double-click. Subclasses install the window as event filter on their buttons and combo
// boxes so a press there never starts a drag (the dialog frame helper does this).
// A window is kept on its screen: shown, restored from maximised or full screen, or restored by
// a double-click, it is moved and if need be shrunk into the screen's available area.
// The resize band is watched on the window's own platform window, ahead of every child: a
// press there resizes even over a label or the 3D view, and the child sees none of that drag.
// A dialog given an owner opens centred over it and is kept above it by the window manager.
#pragma once

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

class MyWidget : public QWidget {
  Q_OBJECT

 public:
  explicit MyWidget(QWidget* parent = nullptr);
  ~MyWidget() override = default;

  static constexpr int kResizeBand = 10;  // pixels at the right and bottom edges

  // `wanted` moved, and shrunk if it is larger, into `available`; never below `minimum`
  // (a window that cannot fit keeps its top-left corner in the area).
  static QRect fitInto(const QRect& wanted, const QRect& available, const QSize& minimum);

  // Presses, drags and double-clicks that the child passes on (a 3D view turning its
  // camera) neither move, maximise nor restore the window; the resize band still resizes.
  void keepDragsIn(QWidget* child);

  // From now on every show of `window` (not its return from minimised) places it over `owner`
  // as placeOver does. A MyWidget made with a parent opens over the parent's window.
  static void openOver(QWidget* window, QWidget* owner);
  // Centres `window` over `owner`'s window, inside the available area of the owner's screen,
  // and makes the owner's window its transient parent. For a window of dialog type the window
  // manager then keeps it above the owner (a plain window type carries no such hint on X11).
  static void placeOver(QWidget* window, QWidget* owner);

  // showNormal(), then keepOnScreen().
  void showNormalOnScreen();
  // A window in normal state whose frame leaves its screen's available area is fitted into it.
  void keepOnScreen();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

  QPoint dragOffset;        // global cursor position at the press minus the frame's top-left
  bool pressOnChild;        // a press or move was seen on a button, combo box or item view
  bool resizing;            // the current press began in the resize band
  QPoint lastResizePos;     // global cursor position at the last resize step
  bool doubleClicked;       // a double-click was seen since the last release

 private:
  bool inResizeBand(const QPoint& pos) const;
  // Every press decides afresh whether it resizes; true when it does.
  bool startResizeIfInBand(const QMouseEvent* press);
  // One resize step: the window follows the cursor from lastResizePos.
  void resizeTo(const QPoint& globalPos);
  bool inDragKeepingChild(const QPoint& pos) const;
  // Mouse events of the platform window, before any child has them; true when consumed.
  bool filterWindowMouse(QMouseEvent* event);
  QList<QPointer<QWidget>> dragKeepingChildren;
  QObject* windowMouseFilter = nullptr;  // on the platform window; a subclass's filter stays its own
};
