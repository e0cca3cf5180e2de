#include "MyWidget.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr const char* kOpenOverFilterName = "opensOverOwner";

// Places the window it watches over its owner each time the window is shown by the program.
class OpensOver : public QObject {
 public:
  OpensOver(QWidget* window, QWidget* owner) : QObject(window), mWindow(window), mOwner(owner) {
    setObjectName(QLatin1String(kOpenOverFilterName));
  }
  void setOwner(QWidget* owner) { mOwner = owner; }
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A spontaneous show is the return from minimised: the window stays where the user left it.
    if (watched == mWindow && event->type() == QEvent::Show && !event->spontaneous() && mOwner)
      MyWidget::placeOver(mWindow, mOwner);
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* mWindow;
  QPointer<QWidget> mOwner;
};

// Hands the mouse events of a platform window to its widget ahead of every child.
class WindowMouseFilter : public QObject {
 public:
  WindowMouseFilter(QObject* parent, std::function<bool(QMouseEvent*)> handle)
      : QObject(parent), mHandle(std::move(handle)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::MouseButtonRelease:
        return mHandle(static_cast<QMouseEvent*>(event));
      default:
        return QObject::eventFilter(watched, event);
    }
  }

 private:
  std::function<bool(QMouseEvent*)> mHandle;
};

// The frame of `window` fitted into the available area of `screen`: moved, and shrunk when
// larger, never below the window's minimum size.
void fitFrameInto(QWidget* window, QRect frame, QScreen* screen) {
  const QRect inner = window->geometry();
  const QRect current = window->frameGeometry();
  const QMargins frameMargins(inner.left() - current.left(), inner.top() - current.top(),
                              current.right() - inner.right(), current.bottom() - inner.bottom());
  const QSize minimum = window->minimumSize().expandedTo(window->minimumSizeHint()).grownBy(frameMargins);
  const QRect fitted = MyWidget::fitInto(frame, screen->availableGeometry(), minimum);
  if (fitted != current) window->setGeometry(fitted.marginsRemoved(frameMargins));
}

}  // namespace

MyWidget::MyWidget(QWidget* parent)
    : QWidget(parent), pressOnChild(false), resizing(false), doubleClicked(false) {
  if (objectName().isEmpty()) setObjectName(QStringLiteral("MyWidget"));
  resize(400, 300);
  setWindowTitle(tr("MyWidget"));
  QMetaObject::connectSlotsByName(this);
  if (parent) openOver(this, parent);  // takes effect only while this is a window
}

void MyWidget::openOver(QWidget* window, QWidget* owner) {
  if (!window) return;
  auto* filter = window->findChild<OpensOver*>(QLatin1String(kOpenOverFilterName), Qt::FindDirectChildrenOnly);
  if (filter) {
    filter->setOwner(owner);
    return;
  }
  window->installEventFilter(new OpensOver(window, owner));
}

void MyWidget::placeOver(QWidget* window, QWidget* owner) {
  if (!window || !owner || !window->isWindow()) return;
  QWidget* ownerWindow = owner->window();
  if (ownerWindow == window) return;
  window->winId();  // the platform window, to carry the hint from its first mapping on
  if (QWindow* handle = window->windowHandle()) handle->setTransientParent(ownerWindow->windowHandle());
  if (!ownerWindow->isVisible() || ownerWindow->isMinimized()) return;
  QScreen* screen = ownerWindow->screen();
  if (!screen) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(ownerWindow->frameGeometry().center());
  fitFrameInto(window, frame, screen);
}

bool MyWidget::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove) {
    if (qobject_cast<QComboBox*>(watched) || qobject_cast<QAbstractItemView*>(watched) ||
        qobject_cast<QPushButton*>(watched)) {
      pressOnChild = true;
      return false;  // the child still gets the event
    }
  } else if (type == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::ControlModifier) {
      const char* text = nullptr;
      switch (key->key()) {
        case Qt::Key_F1: text = "CTRL + F1"; break;
        case Qt::Key_F2: text = "CTRL + F2"; break;
        case Qt::Key_F3: text = "CTRL + F3"; break;
        default: break;
      }
      if (text) {
        qDebug().noquote() << QStringLiteral("[%1:%2]").arg(QLatin1String(__FILE__)).arg(__LINE__) << text;
        return true;  // reserved shortcuts never reach the child
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MyWidget::keepDragsIn(QWidget* child) {
  if (child && !dragKeepingChildren.contains(child)) dragKeepingChildren.append(child);
}

bool MyWidget::inDragKeepingChild(const QPoint& pos) const {
  for (const QPointer<QWidget>& child : dragKeepingChildren)
    if (child && child->isVisible() && child->rect().contains(child->mapFrom(this, pos))) return true;
  return false;
}

bool MyWidget::inResizeBand(const QPoint& pos) const {
  // A maximised or full-screen window has no edge to drag; the children there keep the mouse.
  if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return false;
  return pos.x() > width() - kResizeBand || pos.y() > height() - kResizeBand;
}

bool MyWidget::startResizeIfInBand(const QMouseEvent* press) {
  resizing = inResizeBand(press->pos());
  if (resizing) lastResizePos = press->globalPos();
  return resizing;
}

void MyWidget::resizeTo(const QPoint& globalPos) {
  const QPoint delta = globalPos - lastResizePos;
  resize(width() + delta.x(), height() + delta.y());
  lastResizePos = globalPos;
}

bool MyWidget::filterWindowMouse(QMouseEvent* event) {
  const QEvent::Type type = event->type();
  const bool firstPress = (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
                          event->buttons() == event->button();
  if (firstPress) {
    // Every press decides afresh: the child that took the last release also took the end of
    // that drag, so nothing of it may carry over.
    pressOnChild = false;
    doubleClicked = false;
    // The child under the band (a label, the 3D view) has no part in a resize.
    return startResizeIfInBand(event);
  }
  if (!resizing) return false;
  if (type == QEvent::MouseMove && event->buttons() == Qt::NoButton) {
    resizing = false;  // the release went elsewhere
    return false;
  }
  if (type == QEvent::MouseMove) {
    resizeTo(event->globalPos());
  } else if (type == QEvent::MouseButtonRelease && event->buttons() == Qt::NoButton) {
    resizing = false;
  }
  return true;
}

void MyWidget::mousePressEvent(QMouseEvent* event) {
  // A button that took the last press also took its release, so the flag may still be set.
  pressOnChild = false;
  // A shown window's band presses are taken before they come here (filterWindowMouse).
  if (!startResizeIfInBand(event)) {
    if (inDragKeepingChild(event->pos()))
      pressOnChild = true;
    else if (event->button() == Qt::LeftButton)
      dragOffset = event->globalPos() - frameGeometry().topLeft();
  }
  QWidget::mousePressEvent(event);
}

void MyWidget::mouseReleaseEvent(QMouseEvent* event) {
  pressOnChild = false;
  resizing = false;
  doubleClicked = false;
  QWidget::mouseReleaseEvent(event);
}

void MyWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  doubleClicked = true;
  if (event->button() == Qt::LeftButton && !inDragKeepingChild(event->pos())) {
    if (isMaximized())
      showNormalOnScreen();
    else
      showMaximized();
  }
  QWidget::mouseDoubleClickEvent(event);
}

void MyWidget::mouseMoveEvent(QMouseEvent* event) {
  if (resizing) {
    resizeTo(event->globalPos());
    QWidget::mouseMoveEvent(event);
    return;
  }
  if (!pressOnChild && !doubleClicked && (event->buttons() & Qt::LeftButton))
    move(event->globalPos() - dragOffset);
}

// Key presses that reach the window are dropped on purpose.
void MyWidget::keyPressEvent(QKeyEvent*) {}

QRect MyWidget::fitInto(const QRect& wanted, const QRect& available, const QSize& minimum) {
  const int width = std::max(std::min(wanted.width(), available.width()), minimum.width());
  const int height = std::max(std::min(wanted.height(), available.height()), minimum.height());
  const int x = std::max(std::min(wanted.x(), available.x() + available.width() - width), available.x());
  const int y = std::max(std::min(wanted.y(), available.y() + available.height() - height), available.y());
  return QRect(x, y, width, height);
}

void MyWidget::showNormalOnScreen() {
  showNormal();
  keepOnScreen();
}

void MyWidget::keepOnScreen() {
  if (!isWindow() || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
    return;
  const QRect frame = frameGeometry();
  QScreen* target = QGuiApplication::screenAt(frame.center());
  if (!target) target = screen();
  if (!target) return;
  fitFrameInto(this, frame, target);
}

void MyWidget::showEvent(QShowEvent* event) {
  // The band is watched on the platform window, which a change of flags may replace.
  if (isWindow() && windowHandle()) {
    if (!windowMouseFilter)
      windowMouseFilter = new WindowMouseFilter(this, [this](QMouseEvent* e) { return filterWindowMouse(e); });
    windowHandle()->installEventFilter(windowMouseFilter);
  }
  QWidget::showEvent(event);
  keepOnScreen();
}

void MyWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
  // The window manager hands back the size from before maximising, which may be too large.
  const Qt::WindowStates large = Qt::WindowMaximized | Qt::WindowFullScreen;
  if ((before & large) && !(windowState() & (large | Qt::WindowMinimized)))
    QTimer::singleShot(0, this, &MyWidget::keepOnScreen);
}
