// One seam for every message box the program shows, so tests can answer boxes without
// blocking. Call messageBoxInformation() instead of QMessageBox::information(); tests
// install a hook with ScopedMessageBoxHook.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

using MessageBoxHook = std::function<QMessageBox::StandardButton(
    QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)>;

// Replaces the hook (an empty hook restores the real QMessageBox); returns the previous one.
MessageBoxHook setMessageBoxHook(MessageBoxHook hook);

// QMessageBox::information through the hook. GUI thread only.
QMessageBox::StandardButton messageBoxInformation(
    QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// Installs a hook for its lifetime and puts the previous one back afterwards.
class ScopedMessageBoxHook {
 public:
  explicit ScopedMessageBoxHook(MessageBoxHook hook) : previous_(setMessageBoxHook(std::move(hook))) {}
  ~ScopedMessageBoxHook() { setMessageBoxHook(std::move(previous_)); }
  ScopedMessageBoxHook(const ScopedMessageBoxHook&) = delete;
  ScopedMessageBoxHook& operator=(const ScopedMessageBoxHook&) = delete;

 private:
  MessageBoxHook previous_;
};
