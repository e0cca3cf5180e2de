#include "DisabledLook.h"

#include <QEvent>
#include <QHash>
#include <QGraphicsEffect>
#include <QImage>
#include <QPainter>
#include <QToolButton>
#include <QWidget>

#include <algorithm>

namespace DisabledLook {

namespace {

constexpr const char* kFilterName = "disabledLook";

int luminance(int r, int g, int b) { return (r * 299 + g * 587 + b * 114) / 1000; }

// Paints the widget's own rendering through greyed().
class GreyedEffect : public QGraphicsEffect {
 public:
  explicit GreyedEffect(QObject* parent) : QGraphicsEffect(parent) {}

 protected:
  void draw(QPainter* painter) override {
    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::DeviceCoordinates, &offset, QGraphicsEffect::NoPad);
    if (source.isNull()) return;
    const QImage image = greyed(source.toImage());
    const QTransform world = painter->worldTransform();
    painter->setWorldTransform(QTransform());
    painter->drawImage(offset, image);
    painter->setWorldTransform(world);
  }
};

// Switches the widget's effect with its enabled state.
class EnabledWatcher : public QObject {
 public:
  explicit EnabledWatcher(QWidget* widget) : QObject(widget), mWidget(widget) {
    setObjectName(QLatin1String(kFilterName));
    mEffect = new GreyedEffect(widget);
    widget->setGraphicsEffect(mEffect);  // the widget owns it from here
    update();
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == mWidget && event->type() == QEvent::EnabledChange) update();
    return QObject::eventFilter(watched, event);
  }

 private:
  void update() {
    // A widget given another effect meanwhile keeps it.
    if (mWidget->graphicsEffect() == mEffect) mEffect->setEnabled(!mWidget->isEnabled());
  }
  QWidget* mWidget;
  GreyedEffect* mEffect;
};

// The ground of a button's picture: thin strokes on it cover less than it does.
QRgb commonestColour(const QImage& image) {
  QHash<QRgb, int> counts;
  QRgb best = 0;
  int bestCount = 0;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int n = ++counts[line[x]];
      if (n > bestCount) {
        bestCount = n;
        best = line[x];
      }
    }
  }
  return best;
}

}  // namespace

void install(QWidget* widget) {
  if (!widget || widget->findChild<QObject*>(QLatin1String(kFilterName), Qt::FindDirectChildrenOnly)) return;
  widget->installEventFilter(new EnabledWatcher(widget));
}

void installOnToolButtons(QWidget* root) {
  if (auto* button = qobject_cast<QToolButton*>(root)) install(button);
  for (QToolButton* button : root->findChildren<QToolButton*>()) install(button);
}

QImage greyed(const QImage& picture) {
  QImage image = picture.convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) return image;
  const QRgb ground = commonestColour(image);
  const bool solidGround = qAlpha(ground) >= 128;
  const int groundGrey = luminance(qRed(ground), qGreen(ground), qBlue(ground));
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = line[x];
      const int grey = luminance(qRed(c), qGreen(c), qBlue(c));
      if (solidGround) {
        // The ground keeps its colour; what is drawn on it turns grey and faint.
        const int shift = int((grey - groundGrey) * kKeptContrast);
        line[x] = qRgba(std::clamp(qRed(ground) + shift, 0, 255), std::clamp(qGreen(ground) + shift, 0, 255),
                        std::clamp(qBlue(ground) + shift, 0, 255), qAlpha(c));
      } else {
        line[x] = qRgba(grey, grey, grey, int(qAlpha(c) * kKeptContrast));
      }
    }
  }
  return image;
}

}  // namespace DisabledLook
