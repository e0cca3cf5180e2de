#include "DialogFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "DialogTitleBar.h"
#include "FiltrationData.h"
#include "MessageBoxSeam.h"
#include "MyWidget.h"
#include "WindowMouse.h"
#include "myPushButton.h"

// The resources live in the static app library; pull them in as the program does.
static void registerResources() { Q_INIT_RESOURCE(lumivar); }

namespace {

// A dialog built on the frame the way every settings dialog is.
class SampleDialog : public MyWidget {
 public:
  SampleDialog() {
    titleBar = new DialogTitleBar(this);
    titleBar->setTitleText("Sample & Co");
    titleBar->setGeometry(0, 0, 400, DialogTitleBar::kHeight);
    ok = new QPushButton("OK", this);
    ok->setObjectName("pushButton_OK");
    ok->setGeometry(20, 200, 100, 40);
    dark = new myPushButton(this);
    dark->setGeometry(150, 200, 100, 40);
    combo = new QComboBox(this);
    combo->setGeometry(20, 100, 150, 30);
    DialogFrame::prepareWindow(this);
    DialogFrame::applyButtonStyling(this);
  }
  DialogTitleBar* titleBar;
  QPushButton* ok;
  myPushButton* dark;
  QComboBox* combo;
};

TEST(DialogFrame, StylesEveryButtonAndTheCloseButtonLast) {
  SampleDialog dialog;
  EXPECT_EQ(dialog.ok->styleSheet(), DialogFrame::kButtonStyle);
  EXPECT_EQ(dialog.dark->styleSheet(), DialogFrame::kButtonStyle);  // replaces the dark default
  EXPECT_EQ(dialog.titleBar->pushButtonClose->styleSheet(), DialogFrame::kCloseButtonStyle);
  EXPECT_EQ(myPushButton().styleSheet(),
            "QPushButton { background-color: rgb(1, 10, 35); color: rgb(240, 240, 240);}");
  EXPECT_FALSE(dialog.testAttribute(Qt::WA_QuitOnClose));
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);  // not in the table: frameless

  EXPECT_EQ(dialog.titleBar->height(), 60);
  EXPECT_EQ(dialog.titleBar->objectName(), "widget_title");
  const QString title = dialog.titleBar->labelTitleName->text();
  EXPECT_TRUE(title.contains("font-size:18pt")) << title.toStdString();
  EXPECT_TRUE(title.contains("Sample &amp; Co")) << title.toStdString();
}

// A drag that starts on a styled button or combo box never moves the dialog.
TEST(DialogFrame, DragOnButtonsAndComboBoxesKeepsTheDialogInPlace) {
  SampleDialog dialog;
  dialog.setGeometry(100, 100, 400, 300);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  WindowMouse mouse(&dialog);
  for (QWidget* child : {static_cast<QWidget*>(dialog.ok), static_cast<QWidget*>(dialog.dark)}) {
    const QPoint start = child->mapToGlobal(QPoint(50, 20));
    mouse.press(start);
    mouse.move(start + QPoint(20, 5));
    mouse.release(start + QPoint(20, 5));
    EXPECT_EQ(dialog.pos(), QPoint(100, 100));
  }
  const QPoint bare = dialog.mapToGlobal(QPoint(300, 120));
  mouse.press(bare);
  mouse.move(bare + QPoint(20, 5));
  mouse.release(bare + QPoint(20, 5));
  EXPECT_EQ(dialog.pos(), QPoint(120, 105));
}

// Bare declarations become the "* { }" rule Qt reads them as, so the indicator rules can follow;
// rules stay; a second pass adds nothing.
TEST(DialogFrame, IndicatorStyleFollowsTheDialogsOwnSheet) {
  const QString rule = QString::fromLatin1(DialogFrame::kIndicatorStyle);
  struct Case {
    QString sheet;
    QString expected;
  };
  const Case cases[] = {
      {"", rule},
      {DialogFrame::kDialogBackgroundStyle,
       "* { background-color: rgb(1, 20, 45);\ncolor: rgb(240, 240, 240); }\n" + rule},
      {"QWidget{color: red;}", "QWidget{color: red;}\n" + rule},
      {"color: red; QPushButton { color: blue; }", "* { color: red; }\nQPushButton { color: blue; }\n" + rule},
  };
  for (const Case& c : cases) {
    const QString once = DialogFrame::withIndicatorStyle(c.sheet);
    EXPECT_EQ(once, c.expected) << c.sheet.toStdString();
    EXPECT_EQ(DialogFrame::withIndicatorStyle(once), once);
  }
  SampleDialog dialog;
  EXPECT_TRUE(dialog.styleSheet().endsWith(rule));
}

TEST(DialogFrame, WarringBoxHasNoParentAndOneOkButton) {
  int shown = 0;
  ScopedMessageBoxHook hook([&](QWidget* parent, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton) {
    ++shown;
    EXPECT_EQ(parent, nullptr);
    EXPECT_EQ(title, "warring");
    EXPECT_EQ(text, "Port must be 1024-65535");
    EXPECT_EQ(buttons, QMessageBox::Ok);
    return QMessageBox::Ok;
  });
  DialogFrame::showWarring("Port must be 1024-65535");
  EXPECT_EQ(shown, 1);
}

TEST(DialogFrame, FilterDialogWearsTheFrameAndClosingItNeverQuits) {
  registerResources();
  FiltrationData dialog;
  EXPECT_FALSE(dialog.ui.widget_title->pushButtonClose->icon().pixmap(16, 16).isNull());
  EXPECT_EQ(dialog.objectName(), "FiltrationData");
  EXPECT_EQ(dialog.windowTitle(), "FiltrationData");
  EXPECT_EQ(dialog.size(), QSize(786, 720));  // fits a 1600 x 900 screen
  EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(dialog.ui.widget_title->labelTitleName->text().contains("Selective Data Filtering"));
  EXPECT_EQ(dialog.ui.pushButton_Cencel->styleSheet(), DialogFrame::kButtonStyle);

  QSignalSpy lastWindow(qApp, &QGuiApplication::lastWindowClosed);
  for (QAbstractButton* closer : {static_cast<QAbstractButton*>(dialog.ui.pushButton_Cencel),
                                  static_cast<QAbstractButton*>(dialog.ui.widget_title->pushButtonClose)}) {
    DialogFrame::showFrameless(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    QTest::mouseClick(closer, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
  }
  QApplication::processEvents();
  EXPECT_EQ(lastWindow.count(), 0);
}

}  // namespace
