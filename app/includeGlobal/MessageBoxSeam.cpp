#include "MessageBoxSeam.h"

namespace {
MessageBoxHook& currentHook() {
  static MessageBoxHook hook;
  return hook;
}
}  // namespace

MessageBoxHook setMessageBoxHook(MessageBoxHook hook) {
  MessageBoxHook previous = std::move(currentHook());
  currentHook() = std::move(hook);
  return previous;
}

QMessageBox::StandardButton messageBoxInformation(QWidget* parent, const QString& title,
                                                  const QString& text,
                                                  QMessageBox::StandardButtons buttons,
                                                  QMessageBox::StandardButton defaultButton) {
  if (const MessageBoxHook& hook = currentHook()) return hook(parent, title, text, buttons, defaultButton);
  return QMessageBox::information(parent, title, text, buttons, defaultButton);
}
