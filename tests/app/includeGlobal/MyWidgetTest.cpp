#include "MyWidget.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "WindowMouse.h"

namespace {

// A frameless window as the program's subclasses make it, at a known place.
class FramelessWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 400, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  QPoint global(int x, int y) const { return window.mapToGlobal(QPoint(x, y)); }

  MyWidget window;
  WindowMouse mouse{&window};
};

TEST_F(FramelessWindow, ConstructionDefaults) {
  MyWidget fresh;
  EXPECT_EQ(fresh.objectName(), "MyWidget");
  EXPECT_EQ(fresh.windowTitle(), "MyWidget");
  EXPECT_EQ(fresh.size(), QSize(400, 300));
}

TEST_F(FramelessWindow, LeftDragMovesTheWindowWithTheCursor) {
  const QPoint start = global(50, 50);
  mouse.press(start);
  mouse.move(start + QPoint(30, 20));
  EXPECT_EQ(window.pos(), QPoint(130, 120));
  mouse.move(start + QPoint(-40, 60));
  EXPECT_EQ(window.pos(), QPoint(60, 160));
  mouse.release(start + QPoint(-40, 60));
  mouse.move(start + QPoint(100, 100));  // no button held: stays
  EXPECT_EQ(window.pos(), QPoint(60, 160));
  EXPECT_EQ(window.size(), QSize(400, 300));
}

TEST_F(FramelessWindow, RightDragDoesNotMove) {
  const QPoint start = global(50, 50);
  mouse.press(start, Qt::RightButton);
  mouse.move(start + QPoint(30, 20));
  mouse.release(start + QPoint(30, 20), Qt::RightButton);
  EXPECT_EQ(window.pos(), QPoint(100, 100));
}

// A press in the 10-pixel band at the right or bottom edge resizes, with any button, on every
// move until release, and never moves the window.
TEST_F(FramelessWindow, EdgeBandResizes) {
  struct Case {
    QPoint press;
    Qt::MouseButton button;
  };
  const Case cases[] = {
      {{395, 150}, Qt::LeftButton},   // right band
      {{200, 295}, Qt::LeftButton},   // bottom band
      {{398, 298}, Qt::RightButton},  // corner, other button
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.press.x() << "," << c.press.y());
    window.setGeometry(100, 100, 400, 300);
    QApplication::processEvents();
    const QPoint start = global(c.press.x(), c.press.y());
    mouse.press(start, c.button);
    mouse.move(start + QPoint(20, 30));
    EXPECT_EQ(window.size(), QSize(420, 330));
    mouse.move(start + QPoint(10, 50));
    EXPECT_EQ(window.size(), QSize(410, 350));
    mouse.release(start + QPoint(10, 50), c.button);
    mouse.move(start + QPoint(60, 60));
    EXPECT_EQ(window.size(), QSize(410, 350));
    EXPECT_EQ(window.pos(), QPoint(100, 100));
  }
}

TEST_F(FramelessWindow, PressJustInsideTheBandEdgeDrags) {
  const QPoint start = global(390, 290);  // x == width - 10 is not in the band
  mouse.press(start);
  mouse.move(start + QPoint(5, 5));
  mouse.release(start + QPoint(5, 5));
  EXPECT_EQ(window.size(), QSize(400, 300));
  EXPECT_EQ(window.pos(), QPoint(105, 105));
}

TEST_F(FramelessWindow, DoubleClickTogglesMaximisedAndHoldsTheWindowUntilRelease) {
  const QPoint at = global(50, 50);
  mouse.doubleClickAndHold(at);
  EXPECT_TRUE(window.isMaximized());
  const QPoint placed = window.pos();
  mouse.move(at + QPoint(40, 40));  // button still held after the double-click
  EXPECT_EQ(window.pos(), placed);
  mouse.release(at + QPoint(40, 40));

  const QPoint again = window.mapToGlobal(QPoint(50, 50));
  mouse.doubleClickAndHold(again);
  mouse.release(again);
  EXPECT_FALSE(window.isMaximized());
}

TEST_F(FramelessWindow, DragStartingOnAFilteredButtonDoesNotMove) {
  auto* button = new QPushButton(QStringLiteral("child"), &window);
  button->setGeometry(20, 20, 100, 40);
  button->show();
  button->installEventFilter(&window);
  QApplication::processEvents();

  const QPoint onButton = global(60, 40);
  mouse.press(onButton);
  mouse.move(onButton + QPoint(30, 10));
  mouse.release(onButton + QPoint(30, 10));  // still on the button, which takes the release
  EXPECT_EQ(window.pos(), QPoint(100, 100));

  const QPoint bare = global(200, 150);  // the next press on the bare window drags again
  mouse.press(bare);
  mouse.move(bare + QPoint(30, 30));
  mouse.release(bare + QPoint(30, 30));
  EXPECT_EQ(window.pos(), QPoint(130, 130));
}

// A child that passes its mouse events on, as the 3D view does after turning its camera.
TEST_F(FramelessWindow, DragsAndDoubleClicksInAViewThatKeepsThemLeaveTheWindowAlone) {
  auto* view = new QWidget(&window);
  view->setGeometry(20, 20, 200, 150);
  view->show();
  window.keepDragsIn(view);
  QApplication::processEvents();

  const QPoint inView = global(100, 90);
  mouse.press(inView);
  mouse.move(inView + QPoint(40, 30));
  mouse.release(inView + QPoint(40, 30));
  EXPECT_EQ(window.pos(), QPoint(100, 100));
  mouse.doubleClickAndHold(inView);
  mouse.release(inView);
  EXPECT_FALSE(window.isMaximized());

  const QPoint bare = global(300, 250);  // beside the view the window still drags
  mouse.press(bare);
  mouse.move(bare + QPoint(30, 30));
  mouse.release(bare + QPoint(30, 30));
  EXPECT_EQ(window.pos(), QPoint(130, 130));
  EXPECT_EQ(window.size(), QSize(400, 300));
}

// A child that takes every mouse event it gets, as a link label or the 3D view may.
class MouseTaker : public QWidget {
 public:
  using QWidget::QWidget;
  int events = 0;

 protected:
  void mousePressEvent(QMouseEvent* e) override { take(e); }
  void mouseMoveEvent(QMouseEvent* e) override { take(e); }
  void mouseReleaseEvent(QMouseEvent* e) override { take(e); }

 private:
  void take(QMouseEvent* e) {
    ++events;
    e->accept();
  }
};

// A link in the window's bottom-right corner, as the status row has.
QWidget* makeLinkLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::RichText);
  label->setOpenExternalLinks(true);
  label->setText("<a href='https://example.org/'>a link to somewhere</a>");
  label->setGeometry(250, 270, 150, 30);
  return label;
}

// The band resizes over whatever child lies under it, the child has no part in that drag, and
// the press after it, on the bare window or on the child, drags or does nothing but never
// resizes from the old press point.
TEST_F(FramelessWindow, BandPressOverAChildResizesAndLeavesNothingBehind) {
  struct Case {
    const char* child;
    std::function<QWidget*(QWidget*)> make;
    QPoint press;  // in the band, over the child
  };
  const Case cases[] = {
      {"link label, corner", makeLinkLabel, {397, 297}},
      {"link label, right band", makeLinkLabel, {396, 275}},
      {"child taking the mouse", [](QWidget* parent) {
         auto* taker = new MouseTaker(parent);
         taker->setGeometry(200, 20, 200, 200);  // reaches the right edge
         return taker;
       },
       {396, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.child);
    window.setGeometry(100, 100, 400, 300);
    QWidget* child = c.make(&window);
    child->show();
    QApplication::processEvents();
    ASSERT_EQ(window.childAt(c.press), child);

    const QPoint start = global(c.press.x(), c.press.y());
    mouse.press(start);
    mouse.move(start + QPoint(20, 10));
    mouse.move(start + QPoint(30, 20));
    mouse.release(start + QPoint(30, 20));
    EXPECT_EQ(window.size(), QSize(430, 320)) << "the band resizes over the child";
    EXPECT_EQ(window.pos(), QPoint(100, 100));
    if (auto* taker = dynamic_cast<MouseTaker*>(child)) {
      EXPECT_EQ(taker->events, 0);
    }

    // A press on the child (out of the band), then one on the bare window.
    const QPoint onChild = window.mapToGlobal(child->geometry().center() - QPoint(20, 0));
    mouse.press(onChild);
    mouse.move(onChild + QPoint(-15, -25));
    mouse.release(onChild + QPoint(-15, -25));
    EXPECT_EQ(window.size(), QSize(430, 320)) << "a press on the child resized";
    const QPoint bare = global(40, 40);
    const QPoint before = window.pos();
    mouse.press(bare);
    mouse.move(bare + QPoint(-25, -30));
    mouse.release(bare + QPoint(-25, -30));
    EXPECT_EQ(window.size(), QSize(430, 320)) << "a press on the bare window resized";
    EXPECT_EQ(window.pos(), before + QPoint(-25, -30));
    delete child;
  }
}

class KeyRecorder : public QWidget {
 public:
  using QWidget::QWidget;
  int presses = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++presses; }
};

TEST_F(FramelessWindow, ControlF1ToF3NeverReachAFilteredChild) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool reachesChild;
  };
  const Case cases[] = {
      {Qt::Key_F1, Qt::ControlModifier, false},
      {Qt::Key_F2, Qt::ControlModifier, false},
      {Qt::Key_F3, Qt::ControlModifier, false},
      {Qt::Key_F4, Qt::ControlModifier, true},
      {Qt::Key_F1, Qt::NoModifier, true},
      {Qt::Key_F1, Qt::ControlModifier | Qt::ShiftModifier, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key << " modifiers " << int(c.modifiers));
    KeyRecorder child(&window);
    child.installEventFilter(&window);
    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers);
    QApplication::sendEvent(&child, &press);
    EXPECT_EQ(child.presses, c.reachesChild ? 1 : 0);
  }
}

// Moved and shrunk into the available area, never below the minimum, left alone when it fits.
TEST(FitIntoScreen, MovesAndShrinksIntoTheArea) {
  const QRect area(0, 30, 1600, 870);  // a screen with a panel at the top
  struct Case {
    QRect wanted;
    QSize minimum;
    QRect fitted;
  };
  const Case cases[] = {
      {{100, 100, 400, 300}, {0, 0}, {100, 100, 400, 300}},
      {{0, 0, 1785, 807}, {0, 0}, {0, 30, 1600, 807}},
      {{300, 200, 1785, 807}, {0, 0}, {0, 93, 1600, 807}},
      {{1500, 800, 400, 300}, {0, 0}, {1200, 600, 400, 300}},
      {{-50, -50, 400, 300}, {0, 0}, {0, 30, 400, 300}},
      {{0, 0, 2000, 1200}, {1700, 100}, {0, 30, 1700, 870}},  // cannot fit: top-left stays in
  };
  for (const Case& c : cases) EXPECT_EQ(MyWidget::fitInto(c.wanted, area, c.minimum), c.fitted) << c.wanted.x();
}

}  // namespace
