// The title bar of the settings dialogs: 60 pixels high, a centred title and a close button
// at the right. Forms use it as a promoted QWidget named "widget_title" and set its titleText
// (and titlePointSize for a smaller title) in Designer. See DialogFrame.h.
#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

class DialogTitleBar : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString titleText READ titleText WRITE setTitleText)
  Q_PROPERTY(int titlePointSize READ titlePointSize WRITE setTitlePointSize)

 public:
  explicit DialogTitleBar(QWidget* parent = nullptr);

  static constexpr int kHeight = 60;          // pixels
  static constexpr int kDefaultTitlePointSize = 18;

  QString titleText() const { return mTitle; }
  void setTitleText(const QString& title);
  int titlePointSize() const { return mPointSize; }
  void setTitlePointSize(int pointSize);

  // A bar on a window that is no MyWidget moves that window itself when dragged.
  void setDragsWindow(bool on) { mDragsWindow = on; }
  bool dragsWindow() const { return mDragsWindow; }

  QLabel* labelTitleName;        // rich text: the title in a span of titlePointSize
  QPushButton* pushButtonClose;  // connected by each dialog to its onCancel_Clicked()
  QLabel* label;                 // empty, below the close button

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void updateTitleLabel();

  bool mDragsWindow = false;
  QPoint mDragOffset;  // global press position minus the window's top-left

  QString mTitle;
  int mPointSize = kDefaultTitlePointSize;
};
