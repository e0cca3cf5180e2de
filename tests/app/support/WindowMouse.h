// Drives the mouse on a top-level window through Qt's platform event path, so grabs,
// double-click detection and cursor positions behave as for a real pointer. Positions are
// global; the window may move between events.
#pragma once

#include <QApplication>
#include <QPoint>
#include <QWidget>
#include <QWindow>
#include <QtTest/QTest>

class WindowMouse {
 public:
  explicit WindowMouse(QWidget* topLevel) : widget_(topLevel) {}

  void press(QPoint global, Qt::MouseButton button = Qt::LeftButton) {
    buttons_ |= button;
    send(global, button, QEvent::MouseButtonPress);
  }
  void release(QPoint global, Qt::MouseButton button = Qt::LeftButton) {
    buttons_ &= ~Qt::MouseButtons(button);
    send(global, button, QEvent::MouseButtonRelease);
    timestamp_ += 10000;  // the next press is never part of a double-click
  }
  void move(QPoint global) { send(global, Qt::NoButton, QEvent::MouseMove); }
  void doubleClickAndHold(QPoint global) {  // press, release, press: the button stays down
    press(global);
    buttons_ &= ~Qt::MouseButtons(Qt::LeftButton);
    send(global, Qt::LeftButton, QEvent::MouseButtonRelease);
    press(global);
  }

 private:
  void send(QPoint global, Qt::MouseButton button, QEvent::Type type) {
    QWindow* window = widget_->windowHandle();
    qt_handleMouseEvent(window, window->mapFromGlobal(global), global, buttons_, button, type,
                        Qt::NoModifier, ++timestamp_);
    QApplication::processEvents();
  }

  QWidget* widget_;
  Qt::MouseButtons buttons_;
  int timestamp_ = 1000;
};
