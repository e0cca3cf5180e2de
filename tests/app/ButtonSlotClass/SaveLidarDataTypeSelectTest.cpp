#include "SaveLidarDataTypeSelect.h"

#include <QIntValidator>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "DialogClosing.h"

#include <functional>

namespace {

using Ui = Ui_SaveLidarDataTypeSelect;

TEST(SaveTypeDialog, OkSendsOneCodeWithTheCountAndClosesWithoutCancel) {
  struct Case {
    const char* name;
    std::function<void(Ui&)> choose;
    int code, count;
  };
  const Case cases[] = {
      {"untouched", [](Ui&) {}, 0, 1},
      {"PCAP, current display only", [](Ui& ui) { ui.radioButton_SaveCurrent->click(); }, 10, 1},
      {"CSV merged", [](Ui& ui) { ui.radioButton_CSV->click(); }, 1, 1},
      {"CSV separated, 25 frames",
       [](Ui& ui) {
         ui.radioButton_CSV->click();
         ui.radioButton_Separation->click();
         ui.lineEdit_save_Number->clear();
         QTest::keyClicks(ui.lineEdit_save_Number, "25");
       },
       11, 25},
      {"PCD", [](Ui& ui) { ui.radioButton_PCD->click(); }, 2, 1},
      {"PCAP sends the count of the hidden number line",
       [](Ui& ui) {
         ui.radioButton_CSV->click();
         ui.lineEdit_save_Number->setText("7");
         ui.radioButton_PCAP->click();
       },
       0, 7},
      {"LAS, the count typed on another page",
       [](Ui& ui) {
         ui.radioButton_PCD->click();
         ui.lineEdit_save_Number->setText("300");
         ui.radioButton_LAS->click();
       },
       3, 300},
      {"an empty count sends 0",
       [](Ui& ui) {
         ui.radioButton_CSV->click();
         ui.lineEdit_save_Number->clear();
       },
       1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SaveLidarDataTypeSelect dialog;
    dialog.show();
    c.choose(dialog.ui);
    QSignalSpy sent(&dialog, &SaveLidarDataTypeSelect::SendSelectSaveDataTypeSlot);
    QSignalSpy cancelled(&dialog, &SaveLidarDataTypeSelect::sendCancel_Clicked);
    QTest::mouseClick(dialog.ui.pushButton_OK, Qt::LeftButton);
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(sent.at(0).at(0).toInt(), c.code);
    EXPECT_EQ(sent.at(0).at(1).toInt(), c.count);
    EXPECT_EQ(cancelled.count(), 0);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.signalsBlocked());
  }
}

TEST(SaveTypeDialog, TheCheckedTypeShowsItsPageAndNumberLine) {
  SaveLidarDataTypeSelect dialog;
  dialog.show();
  EXPECT_EQ(dialog.ui.stackedWidget->currentIndex(), 0);
  EXPECT_FALSE(dialog.ui.lineEdit_save_Number->isVisible());
  struct Case {
    QRadioButton* Ui::*type;
    int page;
    bool number;
  };
  // Each row also switches away from the row before, so both toggles run.
  const Case cases[] = {{&Ui::radioButton_CSV, 1, true},
                        {&Ui::radioButton_LAS, 3, false},
                        {&Ui::radioButton_PCD, 2, true},
                        {&Ui::radioButton_PCAP, 0, false},
                        {&Ui::radioButton_PCD, 2, true}};
  for (const Case& c : cases) {
    (dialog.ui.*c.type)->click();
    EXPECT_EQ(dialog.ui.stackedWidget->currentIndex(), c.page);
    EXPECT_EQ(dialog.ui.lineEdit_save_Number->isVisible(), c.number);
    EXPECT_EQ(dialog.ui.label_saveNumber->isVisible(), c.number);
  }
  const auto* range = qobject_cast<const QIntValidator*>(dialog.ui.lineEdit_save_Number->validator());
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->bottom(), 1);
  EXPECT_EQ(range->top(), 10000000);
  dialog.ui.lineEdit_save_Number->clear();
  QTest::keyClicks(dialog.ui.lineEdit_save_Number, "-5x");
  EXPECT_EQ(dialog.ui.lineEdit_save_Number->text(), "5");
}

TEST(SaveTypeDialog, EveryOtherWayOfClosingSendsOneCancel) {
  SaveLidarDataTypeSelect dialog;
  QSignalSpy cancelled(&dialog, &SaveLidarDataTypeSelect::sendCancel_Clicked);
  QSignalSpy sent(&dialog, &SaveLidarDataTypeSelect::SendSelectSaveDataTypeSlot);
  expectEachCloseSignalsOnce(dialog, dialog.ui.pushButton_Cencel, cancelled, [&] { dialog.show(); });
  EXPECT_EQ(sent.count(), 0);

  // The choices persist between showings.
  dialog.show();
  dialog.ui.radioButton_CSV->click();
  dialog.close();
  dialog.show();
  EXPECT_TRUE(dialog.ui.radioButton_CSV->isChecked());
  EXPECT_EQ(dialog.ui.stackedWidget->currentIndex(), 1);

  EXPECT_EQ(dialog.ui.widget_title->titleText(), "Save Lidar Data Type To Select");
  EXPECT_EQ(dialog.ui.widget_title->titlePointSize(), 14);
  EXPECT_EQ(dialog.size(), QSize(668, 320));
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(dialog.testAttribute(Qt::WA_QuitOnClose));
}

}  // namespace
