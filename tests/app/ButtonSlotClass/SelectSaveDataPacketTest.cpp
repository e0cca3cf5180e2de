#include "selectSaveDataPacket.h"

#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "DialogClosing.h"

#include <functional>

#include "CaptureIndex.h"
#include "ProgramSettings.h"

namespace {

using Ui = Ui_selectSaveDataPacket;

// The model-key lists of the program settings, put back after each test.
class OpenDialog : public ::testing::Test {
 protected:
  OpenDialog()
      : savedVelkor(LidarType_Velkor),
        savedOldVelkor(LidarType_oldVelkor),
        savedKaldor(LidarType_Kaldor),
        savedRendal(LidarType_Rendal) {
    setLists({"LidarType_Vk16", "LidarType_Vk32"}, {"LidarType_OldVk"}, {"LidarType_Kaldor_v4_0", "LidarType_Gavrin"},
             {"LidarType_Rd1", "LidarType_Gavrin", "LidarType_Zentra"});
  }
  ~OpenDialog() override { setLists(savedVelkor, savedOldVelkor, savedKaldor, savedRendal); }

  static void setLists(const QStringList& velkor, const QStringList& oldVelkor, const QStringList& kaldor,
                       const QStringList& rendal) {
    LidarType_Velkor = velkor;
    LidarType_oldVelkor = oldVelkor;
    LidarType_Kaldor = kaldor;
    LidarType_Rendal = rendal;
  }
  // As the playback bar opens it.
  static void open(selectSaveDataPacket& dialog) {
    dialog.setOpenMode();
    dialog.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    dialog.show();
    dialog.retranslateUi();
    dialog.initLidarTypeList();
  }
  static QStringList comboItems(const selectSaveDataPacket& dialog) {
    QStringList items;
    for (int i = 0; i < dialog.ui.comboBox_LidarType->count(); ++i) items << dialog.ui.comboBox_LidarType->itemText(i);
    return items;
  }

  QStringList savedVelkor, savedOldVelkor, savedKaldor, savedRendal;
};

TEST_F(OpenDialog, OkWithPcapFillsTheRecordAndSendsCaptureType) {
  struct Expect {
    QString lidarType;
    int lidarFamily;
    bool isUse = false;
    std::string lidarIP = "192.168.1.200", destIP = "192.168.1.102";
    int dataPort = 2368, devPort = 2369;
    bool isUsePacketLen = false;
    int headLength = 42, dataLength = 1212, devLength = 1206;
  };
  struct Case {
    const char* name;
    std::function<void(Ui&)> fill;
    Expect expect;
  };
  auto pick = [](QRadioButton* Ui::*series, const char* model) {
    return [series, model](Ui& ui) {
      (ui.*series)->click();
      ui.comboBox_LidarType->setCurrentText(model);
    };
  };
  Expect swapped{"LidarType_Rd1", 3};
  swapped.isUsePacketLen = true, swapped.headLength = 46, swapped.dataLength = 1300, swapped.devLength = 1100;
  Expect filtered{"LidarType_Vk16", 1};
  filtered.isUse = true, filtered.lidarIP = "10.0.0.7", filtered.destIP = "10.0.0.1", filtered.dataPort = 0,
  filtered.devPort = 6000;

  const Case cases[] = {
      {"Kaldor, default form", pick(&Ui::radioButton_Kaldor, "LidarType_Kaldor_v4_0"), {"LidarType_Kaldor_v4_0", 0}},
      {"Gavrin under Rendal", pick(&Ui::radioButton_Rendal, "LidarType_Gavrin"), {"LidarType_Gavrin", 5}},
      {"Gavrin under Kaldor", pick(&Ui::radioButton_Kaldor, "LidarType_Gavrin"), {"LidarType_Gavrin", 0}},
      {"Velkor series", pick(&Ui::radioButton_Velkor, "LidarType_OldVk"), {"LidarType_OldVk", 1}},
      {"Zentra under Rendal", pick(&Ui::radioButton_Rendal, "LidarType_Zentra"), {"LidarType_Zentra", 4}},
      {"Zentra typed under Velkor",
       [](Ui& ui) {
         ui.radioButton_Velkor->click();
         ui.comboBox_LidarType->addItem("LidarType_Zentra");
         ui.comboBox_LidarType->setCurrentText("LidarType_Zentra");
       },
       {"LidarType_Zentra", 4}},
      {"lengths: the middle rows' names are swapped",
       [](Ui& ui) {
         ui.radioButton_Rendal->click();
         ui.checkBox_isUsePacketLen->click();
         ui.lineEdit_HeadLength->setText("46");
         ui.lineEdit_DevLength->setText("1300");   // "Data Packet length:"
         ui.lineEdit_DataLength->setText("1100");  // "Dev Packet length:"
       },
       swapped},
      {"filter with a port that is not a number",
       [](Ui& ui) {
         ui.checkBox_isUse->click();
         ui.lineEdit_LidarIP->setText("10.0.0.7");
         ui.lineEdit_DestIP->setText("10.0.0.1");
         ui.lineEdit_DataPort->setText("abc");
         ui.lineEdit_DevPort->setText("6000");
       },
       filtered},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    selectSaveDataPacket dialog;
    open(dialog);
    c.fill(dialog.ui);
    QSignalSpy sent(&dialog, &selectSaveDataPacket::SendSelectType);
    QSignalSpy cancelled(&dialog, &selectSaveDataPacket::sendCancel_Clicked);
    QTest::mouseClick(dialog.ui.pushButton_OK, Qt::LeftButton);
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(sent.at(0).at(0).toInt(), 0);
    EXPECT_EQ(sent.at(0).at(1).toInt(), 0);
    EXPECT_EQ(cancelled.count(), 0);
    EXPECT_FALSE(dialog.isVisible());

    const LidarInitParam& p = dialog.mLidarInitParam;
    const Expect& e = c.expect;
    EXPECT_EQ(p.lidarType, e.lidarType);
    EXPECT_EQ(p.lidarFamily, e.lidarFamily);
    EXPECT_EQ(p.isUse, e.isUse);
    EXPECT_EQ(p.lidarIP, e.lidarIP);
    EXPECT_EQ(p.destIP, e.destIP);
    EXPECT_EQ(p.dataPort, e.dataPort);
    EXPECT_EQ(p.devPort, e.devPort);
    EXPECT_EQ(p.isUsePacketLen, e.isUsePacketLen);
    EXPECT_EQ(p.headLength, e.headLength);
    EXPECT_EQ(p.dataLength, e.dataLength);
    EXPECT_EQ(p.devLength, e.devLength);
    EXPECT_EQ(p.multicastIP, "226.1.1.102");  // not the dialog's

    // The capture reader takes the same choice.
    const capture::CaptureRules rules = capture::CaptureRules::fromInitParam(p);
    EXPECT_EQ(rules.lidarFamily, e.lidarFamily);
    EXPECT_EQ(rules.lidarType, e.lidarType.toStdString());
    EXPECT_EQ(rules.dataLength, e.dataLength);
    EXPECT_EQ(rules.devLength, e.devLength);
    EXPECT_EQ(rules.headLength, e.headLength);
    EXPECT_EQ(rules.dataPort, e.dataPort);
    EXPECT_EQ(rules.devPort, e.devPort);
  }
}

TEST_F(OpenDialog, OkWithPcdSendsDirectoryTypeAndKeepsTheRecord) {
  selectSaveDataPacket dialog;
  open(dialog);
  dialog.ui.radioButton_Kaldor->click();
  dialog.ui.checkBox_isUse->click();
  dialog.ui.radioButton_PCD->click();
  EXPECT_EQ(dialog.ui.stackedWidget->currentIndex(), 1);
  QSignalSpy sent(&dialog, &selectSaveDataPacket::SendSelectType);
  QSignalSpy cancelled(&dialog, &selectSaveDataPacket::sendCancel_Clicked);
  QTest::mouseClick(dialog.ui.pushButton_OK, Qt::LeftButton);
  ASSERT_EQ(sent.count(), 1);
  EXPECT_EQ(sent.at(0).at(0).toInt(), 1);
  EXPECT_EQ(sent.at(0).at(1).toInt(), 0);
  EXPECT_EQ(cancelled.count(), 0);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.mLidarInitParam.lidarType, "LidarType_Ulmeth");
  EXPECT_FALSE(dialog.mLidarInitParam.isUse);

  dialog.ui.radioButton_Pcap->click();
  EXPECT_EQ(dialog.ui.stackedWidget->currentIndex(), 0);
}

TEST_F(OpenDialog, SeriesButtonsFollowTheConfiguredModelLists) {
  struct Case {
    const char* name;
    QStringList velkor, oldVelkor, kaldor, rendal;
    bool velkorShown, kaldorShown, rendalShown;
    QRadioButton* Ui::*checked;
    QStringList combo;
  };
  const Case cases[] = {
      {"only Rendal", {}, {}, {}, {"LidarType_Rd1", "LidarType_Rd2"}, false, false, true, &Ui::radioButton_Rendal,
       {"LidarType_Rd1", "LidarType_Rd2"}},
      {"all three: Velkor wins", {"LidarType_Vk16"}, {"LidarType_OldVk"}, {"LidarType_K"}, {"LidarType_R"}, true, true,
       true, &Ui::radioButton_Velkor, {"LidarType_Vk16", "LidarType_OldVk"}},
      {"only the old Velkor list", {}, {"LidarType_OldVk"}, {}, {}, true, false, false, &Ui::radioButton_Velkor,
       {"LidarType_OldVk"}},
      {"Kaldor and Rendal: Rendal wins", {}, {}, {"LidarType_K"}, {"LidarType_R"}, false, true, true,
       &Ui::radioButton_Rendal, {"LidarType_R"}},
      {"none", {}, {}, {}, {}, false, false, false, &Ui::radioButton_Velkor, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setLists(c.velkor, c.oldVelkor, c.kaldor, c.rendal);
    selectSaveDataPacket dialog;
    open(dialog);
    EXPECT_EQ(dialog.ui.radioButton_Velkor->isVisible(), c.velkorShown);
    EXPECT_EQ(dialog.ui.radioButton_Kaldor->isVisible(), c.kaldorShown);
    EXPECT_EQ(dialog.ui.radioButton_Rendal->isVisible(), c.rendalShown);
    EXPECT_TRUE((dialog.ui.*c.checked)->isChecked());
    EXPECT_EQ(comboItems(dialog), c.combo);

    // A second fill of a combo with entries changes nothing, even with other lists.
    if (c.combo.isEmpty()) continue;
    setLists({"LidarType_New"}, {}, {"LidarType_New"}, {});
    dialog.initLidarTypeList();
    EXPECT_EQ(comboItems(dialog), c.combo);
    EXPECT_TRUE((dialog.ui.*c.checked)->isChecked());
  }
}

TEST_F(OpenDialog, ChoosingASeriesRefillsTheModelList) {
  selectSaveDataPacket dialog;
  open(dialog);
  struct Case {
    QRadioButton* Ui::*series;
    QStringList combo;
  };
  const Case cases[] = {
      {&Ui::radioButton_Kaldor, {"LidarType_Kaldor_v4_0", "LidarType_Gavrin"}},
      {&Ui::radioButton_Rendal, {"LidarType_Rd1", "LidarType_Gavrin", "LidarType_Zentra"}},
      {&Ui::radioButton_Velkor, {"LidarType_Vk16", "LidarType_Vk32", "LidarType_OldVk"}},
  };
  for (const Case& c : cases) {
    (dialog.ui.*c.series)->click();
    EXPECT_EQ(comboItems(dialog), c.combo);
  }
  dialog.onSeriesRadioToggled(false);  // switching off changes nothing
  EXPECT_EQ(comboItems(dialog), cases[2].combo);
  dialog.onSeriesRadioToggled(true);  // no sending button: no series
  EXPECT_TRUE(comboItems(dialog).isEmpty());
}

TEST_F(OpenDialog, FormStateAndEveryWayOfClosing) {
  selectSaveDataPacket dialog;
  QSignalSpy cancelled(&dialog, &selectSaveDataPacket::sendCancel_Clicked);
  open(dialog);

  // Opening texts only.
  EXPECT_TRUE(dialog.ui.label_SavePcap->isHidden());
  EXPECT_TRUE(dialog.ui.label_SavePCD->isHidden());
  EXPECT_TRUE(dialog.ui.label_OpenPcap->isVisible());
  EXPECT_TRUE(dialog.ui.label_OpenPCD->isVisible());
  EXPECT_TRUE(dialog.ui.gBx_PacketParam->isVisible());

  // "Filtering" switches the address group; it starts enabled with the box clear.
  EXPECT_TRUE(dialog.ui.groupBox_2->isEnabled());
  EXPECT_FALSE(dialog.ui.checkBox_isUse->isChecked());
  dialog.ui.checkBox_isUse->click();
  EXPECT_TRUE(dialog.ui.groupBox_2->isEnabled());
  dialog.ui.checkBox_isUse->click();
  EXPECT_FALSE(dialog.ui.groupBox_2->isEnabled());
  dialog.ui.checkBox_isUse->click();
  EXPECT_TRUE(dialog.ui.groupBox_2->isEnabled());

  // Entries survive the playback bar's retranslation on every opening.
  dialog.ui.lineEdit_HeadLength->setText("50");
  dialog.ui.lineEdit_LidarIP->setText("10.1.1.1");

  expectEachCloseSignalsOnce(dialog, dialog.ui.pushButton_Cencel, cancelled, [&] { open(dialog); });
  EXPECT_EQ(dialog.ui.lineEdit_HeadLength->text(), "50");
  EXPECT_EQ(dialog.ui.lineEdit_LidarIP->text(), "10.1.1.1");
  EXPECT_EQ(dialog.ui.radioButton_Pcap->text(), "Pcap");

  EXPECT_NE(dialog.findChild<QLabel*>("labelTitleName_2"), nullptr);
  EXPECT_TRUE(dialog.ui.widget_title->labelTitleName->text().contains("Select Open Packet Type"));
  EXPECT_TRUE(dialog.ui.widget_title->pushButtonClose->isCheckable());
  EXPECT_EQ(dialog.size(), QSize(800, 526));
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(dialog.testAttribute(Qt::WA_QuitOnClose));
}

}  // namespace
