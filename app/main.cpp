// The viewer's entry: one application object and one main window.
#include <QApplication>
#include <QSurfaceFormat>
#include <QVTKOpenGLNativeWidget.h>

#include "newLumivar.h"

int main(int argc, char* argv[]) {
  Q_INIT_RESOURCE(lumivar);  // the pictures live in a static library
  // VTK's render widget needs its surface format in place before the application exists.
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication app(argc, argv);
  int code = 0;
  {
    newLumivar window;
    window.show();
    code = app.exec();
  }
  return code;
}
