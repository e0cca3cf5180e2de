#include "DialogFrame.h"

#include <QComboBox>
#include <QPushButton>
#include <QWidget>

#include <cstring>

#include "MessageBoxSeam.h"

namespace DialogFrame {

Qt::WindowFlags constructionFlags(const char* dialogClass) {
  int flags = Qt::FramelessWindowHint;
  for (const WindowFlagRow& row : kWindowFlagTable)
    if (std::strcmp(row.dialogClass, dialogClass) == 0) flags = row.flags;
  return Qt::WindowFlags(QFlag(flags)) | Qt::Window;
}

void prepareWindow(QWidget* dialog) {
  // MyWidget names itself before setupUi runs, which then keeps that name.
  dialog->setObjectName(QString::fromLatin1(dialog->metaObject()->className()));
  dialog->setAttribute(Qt::WA_QuitOnClose, false);
  dialog->setWindowFlags(constructionFlags(dialog->metaObject()->className()));
}

void applyButtonStyling(QWidget* dialog) {
  const QString buttonStyle = QString::fromLatin1(kButtonStyle);
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
    button->installEventFilter(dialog);
    button->setStyleSheet(buttonStyle);
  }
  if (auto* close = dialog->findChild<QPushButton*>(QStringLiteral("pushButtonClose")))
    close->setStyleSheet(QString::fromLatin1(kCloseButtonStyle));
  for (QComboBox* combo : dialog->findChildren<QComboBox*>()) combo->installEventFilter(dialog);
}

void showFrameless(QWidget* dialog) {
  dialog->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  dialog->show();
}

QString titleHtml(const QString& title, int pointSize) {
  return QStringLiteral(
             "<html><head/><body><p><span style=\" font-size:%1pt; color:#f0f0f0;\">%2</span></p>"
             "</body></html>")
      .arg(pointSize)
      .arg(title.toHtmlEscaped());
}

void showWarring(const QString& message) {
  messageBoxInformation(nullptr, QString::fromLatin1(kWarringTitle), message, QMessageBox::Ok);
}

}  // namespace DialogFrame
