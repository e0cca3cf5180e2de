#include "FormFixture.h"

#include <QApplication>
#include <QRegularExpression>
#include <QSurfaceFormat>
#include <QVTKOpenGLNativeWidget.h>
#include <cstdlib>

static void registerResources() { Q_INIT_RESOURCE(lumivar); }

namespace formtest {

bool startApplication(const char* platform) {
  if (qApp != nullptr) return true;
  if (qstrcmp(platform, "xcb") == 0 && qEnvironmentVariableIsEmpty("DISPLAY")) return false;
  qputenv("QT_QPA_PLATFORM", platform);
  // The 3D view needs its surface format before the application exists.
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  static int argc = 1;
  static char name[] = "form_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives until the process ends, like the program's own
  registerResources();
  return true;
}

PictureMatch comparePicture(const QImage& picture, const QImage& rendering, int maxShift) {
  const QImage pic = picture.convertToFormat(QImage::Format_ARGB32);
  const QImage out = rendering.convertToFormat(QImage::Format_ARGB32);
  PictureMatch best;
  for (int dy = 0; dy <= maxShift; ++dy) {
    for (int dx = 0; dx <= maxShift; ++dx) {
      PictureMatch m;
      for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
          const QRgb p = pic.pixel(x, y);
          if (qAlpha(p) != 255) continue;
          // Pixels clipped by the far edge of the frame are not counted.
          if (x + dx >= out.width() - maxShift || y + dy >= out.height() - maxShift) continue;
          ++m.opaque;
          const QRgb r = out.pixel(x + dx, y + dy);
          constexpr int kTolerance = 12;  // per channel, for rounding in the paint path
          if (std::abs(qRed(p) - qRed(r)) <= kTolerance &&
              std::abs(qGreen(p) - qGreen(r)) <= kTolerance &&
              std::abs(qBlue(p) - qBlue(r)) <= kTolerance)
            ++m.matching;
        }
      }
      if (m.opaque > 0 && (best.opaque == 0 || m.matching * best.opaque > best.matching * m.opaque))
        best = m;
    }
  }
  return best;
}

QString styleSheetUrl(const QString& styleSheet) {
  static const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
  const QRegularExpressionMatch m = url.match(styleSheet);
  return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

}  // namespace formtest
