#include "SetWidgetAndFontColor.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kDefaultStyle = "background-color: #000050; border: none; color: #FFFFFF ";

class ColourDialog : public ::testing::Test {
 protected:
  struct PickerCall {
    QColor initial;
    QWidget* parent;
    QString title;
  };
  ColourDialog() {
    dialog.colorPicker = [this](const QColor& initial, QWidget* parent, const QString& title) {
      calls.push_back({initial, parent, title});
      return answer;
    };
    dialog.show();
  }
  QString pressOk() {
    QSignalSpy spy(&dialog, &SetWidgetAndFontColor::sendWidgetAndFontColorSignal);
    QTest::mouseClick(dialog.ui.pushButton_OK, Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
    return spy.count() == 1 ? spy.at(0).at(0).toString() : QString();
  }
  std::vector<QWidget*> styledTargets() {
    return {&dialog,
            dialog.ui.widget_title,
            dialog.ui.widget_title->labelTitleName,
            dialog.ui.pushButton_OK,
            dialog.ui.pushButton_Restore,
            dialog.ui.pushButton_Cencel,
            dialog.ui.widget_ColorShow,
            dialog.ui.labelFont_ColorShow};
  }

  QColor answer;
  std::vector<PickerCall> calls;
  SetWidgetAndFontColor dialog;
};

TEST_F(ColourDialog, OkSendsTheDefaultsAndDrawsTheDialogInThem) {
  EXPECT_EQ(pressOk(), kDefaultStyle);
  for (QWidget* target : styledTargets()) EXPECT_EQ(target->styleSheet(), kDefaultStyle) << target->objectName().toStdString();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(ColourDialog, PickedColoursShowInTheLinesAndPreviewAndAreSentLowerCase) {
  answer = QColor(0x12, 0xAB, 0xCD);
  QTest::mouseClick(dialog.ui.pBn_WidgetColor, Qt::LeftButton);
  EXPECT_EQ(dialog.ui.lineEdit_WidgetColor->text(), "#12abcd");
  const QString afterWidget = "background-color: #12abcd; border: none; color: #FFFFFF ";
  EXPECT_EQ(dialog.ui.widget_ColorShow->styleSheet(), afterWidget);

  answer = QColor(Qt::yellow);
  QTest::mouseClick(dialog.ui.pBn_FontColor, Qt::LeftButton);
  EXPECT_EQ(dialog.ui.lineEdit_FontColor->text(), "#ffff00");
  const QString both = "background-color: #12abcd; border: none; color: #ffff00 ";
  EXPECT_EQ(dialog.ui.labelFont_ColorShow->styleSheet(), both);
  EXPECT_EQ(dialog.ui.widget_ColorShow->styleSheet(), afterWidget);  // each picker has its own preview

  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].initial, QColor("#000050"));
  EXPECT_EQ(calls[1].initial, QColor("#FFFFFF"));
  for (const PickerCall& call : calls) {
    EXPECT_EQ(call.parent, &dialog);
    EXPECT_EQ(call.title, "Choose a color");
  }
  EXPECT_EQ(pressOk(), both);
  EXPECT_EQ(dialog.styleSheet(), both);
}

TEST_F(ColourDialog, CancelledPickerAndTypingChangeNothing) {
  answer = QColor();  // what a cancelled picker returns
  for (QPushButton* button : {dialog.ui.pBn_WidgetColor, dialog.ui.pBn_FontColor})
    QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(calls.size(), 2u);
  QTest::keyClicks(dialog.ui.lineEdit_WidgetColor, "#ff0000");
  QTest::keyClicks(dialog.ui.lineEdit_FontColor, "#00ff00");
  EXPECT_EQ(dialog.ui.lineEdit_WidgetColor->text(), "#000050");
  EXPECT_EQ(dialog.ui.lineEdit_FontColor->text(), "#FFFFFF");
  EXPECT_TRUE(dialog.ui.widget_ColorShow->styleSheet().isEmpty());
  EXPECT_TRUE(dialog.ui.labelFont_ColorShow->styleSheet().isEmpty());
  EXPECT_EQ(pressOk(), kDefaultStyle);
}

TEST_F(ColourDialog, RestoreBringsBackTheDefaultsWithoutSending) {
  answer = QColor(10, 20, 30);
  dialog.pBn_WidgetColorSlot();
  dialog.Pbn_FontColorSlot();
  EXPECT_EQ(pressOk(), "background-color: #0a141e; border: none; color: #0a141e ");

  QSignalSpy spy(&dialog, &SetWidgetAndFontColor::sendWidgetAndFontColorSignal);
  QTest::mouseClick(dialog.ui.pushButton_Restore, Qt::LeftButton);
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(dialog.ui.lineEdit_WidgetColor->text(), "#000050");
  EXPECT_EQ(dialog.ui.lineEdit_FontColor->text(), "#FFFFFF");
  for (QWidget* target : styledTargets()) EXPECT_EQ(target->styleSheet(), kDefaultStyle);
  EXPECT_EQ(pressOk(), kDefaultStyle);

  for (QPushButton* button : {dialog.ui.pushButton_Cencel, dialog.ui.widget_title->pushButtonClose}) {
    dialog.show();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
  }
  EXPECT_EQ(spy.count(), 1);
}

}  // namespace
