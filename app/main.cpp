// The viewer's entry: one application object and one main window.
#include <QApplication>
#include <QLoggingCategory>
#include <QSettings>
#include <QSurfaceFormat>
#include <QVTKOpenGLNativeWidget.h>

#include "ProgramSettings.h"
#include "newLumivar.h"

int main(int argc, char* argv[]) {
  Q_INIT_RESOURCE(lumivar);  // the pictures live in a static library
  // VTK's render widget needs its surface format in place before the application exists.
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication app(argc, argv);
  // Debug-level lines are for troubleshooting: the terminal stays quiet unless the
  // settings ask for them, as the log does.
  QSettings settings(programConfigFilePath(), QSettings::IniFormat);
  if (settings.value(QStringLiteral("Config/OutputDebuggingInformation"), 0).toInt() != 99)
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
  int code = 0;
  {
    newLumivar window;
    window.show();
    code = app.exec();
  }
  return code;
}
