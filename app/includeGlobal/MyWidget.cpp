#include "MyWidget.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

MyWidget::MyWidget(QWidget* parent)
    : QWidget(parent), pressOnChild(false), resizing(false), doubleClicked(false) {
  if (objectName().isEmpty()) setObjectName(QStringLiteral("MyWidget"));
  resize(400, 300);
  setWindowTitle(tr("MyWidget"));
  QMetaObject::connectSlotsByName(this);
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

void MyWidget::mousePressEvent(QMouseEvent* event) {
  // A button that took the last press also took its release, so the flag may still be set.
  pressOnChild = false;
  const QPoint pos = event->pos();
  if (pos.x() > width() - kResizeBand || pos.y() > height() - kResizeBand) {
    resizing = true;
    lastResizePos = event->globalPos();
  } else if (inDragKeepingChild(pos)) {
    pressOnChild = true;
  } else if (event->button() == Qt::LeftButton) {
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
    const QPoint delta = event->globalPos() - lastResizePos;
    resize(width() + delta.x(), height() + delta.y());
    lastResizePos = event->globalPos();
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
  const QRect inner = geometry();
  const QMargins frameMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                              frame.right() - inner.right(), frame.bottom() - inner.bottom());
  const QSize minimum = minimumSize().expandedTo(minimumSizeHint()).grownBy(frameMargins);
  const QRect fitted = fitInto(frame, target->availableGeometry(), minimum);
  if (fitted != frame) setGeometry(fitted.marginsRemoved(frameMargins));
}

void MyWidget::showEvent(QShowEvent* event) {
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
