// Answers every message box with OK and keeps "title|text" of each, in order.
#pragma once

#include <QStringList>

#include "MessageBoxSeam.h"

struct MessageRecorder {
  QStringList shown;
  ScopedMessageBoxHook hook{[this](QWidget*, const QString& title, const QString& text,
                                   QMessageBox::StandardButtons, QMessageBox::StandardButton) {
    shown << title + "|" + text;
    return QMessageBox::Ok;
  }};
};
