#include "FileDialogSeam.h"

namespace {
FileDialogHook& currentHook() {
  static FileDialogHook hook;
  return hook;
}
}  // namespace

FileDialogHook setFileDialogHook(FileDialogHook hook) {
  FileDialogHook previous = std::move(currentHook());
  currentHook() = std::move(hook);
  return previous;
}

QString chooseSaveFileName(QWidget* parent, const QString& caption, const QString& proposed, const QString& filter,
                           QFileDialog::Options options) {
  if (const FileDialogHook& hook = currentHook())
    return hook({FileDialogRequest::Kind::SaveFile, parent, caption, proposed, filter, options});
  return QFileDialog::getSaveFileName(parent, caption, proposed, filter, nullptr, options);
}

QString chooseExistingDirectory(QWidget* parent, const QString& caption, const QString& start,
                                QFileDialog::Options options) {
  if (const FileDialogHook& hook = currentHook())
    return hook({FileDialogRequest::Kind::ExistingDirectory, parent, caption, start, QString(), options});
  return QFileDialog::getExistingDirectory(parent, caption, start, options);
}
