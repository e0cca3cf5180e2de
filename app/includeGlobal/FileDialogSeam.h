// One seam for the file and directory choosers the main window opens, so tests can answer
// them without a modal dialog. Call chooseSaveFileName() / chooseExistingDirectory() instead
// of the QFileDialog statics; tests install a hook with ScopedFileDialogHook.
#pragma once

#include <QFileDialog>
#include <QString>

#include <functional>

class QWidget;

struct FileDialogRequest {
  enum class Kind { SaveFile, ExistingDirectory };
  Kind kind = Kind::SaveFile;
  QWidget* parent = nullptr;
  QString caption;
  QString proposed;  // start directory or proposed file name
  QString filter;
  QFileDialog::Options options;
};

// Returns the chosen path; an empty string means the user cancelled.
using FileDialogHook = std::function<QString(const FileDialogRequest& request)>;

// Replaces the hook (an empty hook restores the real dialogs); returns the previous one.
FileDialogHook setFileDialogHook(FileDialogHook hook);

// QFileDialog::getSaveFileName through the hook. GUI thread only.
QString chooseSaveFileName(QWidget* parent, const QString& caption, const QString& proposed,
                           const QString& filter = QString(), QFileDialog::Options options = {});

// QFileDialog::getExistingDirectory through the hook. GUI thread only.
QString chooseExistingDirectory(QWidget* parent, const QString& caption, const QString& start = QString(),
                                QFileDialog::Options options = QFileDialog::ShowDirsOnly);

// Installs a hook for its lifetime and puts the previous one back afterwards.
class ScopedFileDialogHook {
 public:
  explicit ScopedFileDialogHook(FileDialogHook hook) : previous_(setFileDialogHook(std::move(hook))) {}
  ~ScopedFileDialogHook() { setFileDialogHook(std::move(previous_)); }
  ScopedFileDialogHook(const ScopedFileDialogHook&) = delete;
  ScopedFileDialogHook& operator=(const ScopedFileDialogHook&) = delete;

 private:
  FileDialogHook previous_;
};
