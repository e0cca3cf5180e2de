#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#include "FakeDriverControl.h"
#include "Halverd.h"
#include "HalverdPanels.h"

namespace {

QApplication& widgetApplication() {
  static int argc = 1;
  static char name[] = "glue_panels_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

TEST(HalverdPanels, PanelsShowTheDriverAndTheSelection) {
  widgetApplication();
  ::setenv("LUMIVAR_DRIVER_DIR", FAKE_DRIVER_DIR, 1);
  Halverd glue;
  ASSERT_NE(glue.settingWidget, nullptr);
  ASSERT_NE(glue.aboutWidget, nullptr);
  ASSERT_NE(glue.advancedSettingWidget, nullptr);

  glue.settingWidget->show();  // switches still 0
  EXPECT_EQ(glue.settingWidget->shownText(), QStringLiteral("Nothing to show"));
  glue.settingWidget->hide();
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Coravel"));
  glue.settingWidget->isShowDeviceInfo = 1;
  glue.settingWidget->isShowNetworkInfo = 1;
  glue.settingWidget->show();
  const QString summary = glue.settingWidget->shownText();
  EXPECT_TRUE(summary.contains(QStringLiteral("LidarType_Coravel"))) << summary.toStdString();
  EXPECT_TRUE(summary.contains(QStringLiteral("LidarType_Fake_v0.0.1_2024/01/01")));
  EXPECT_TRUE(summary.contains(QStringLiteral("192.168.1.200")));

  glue.aboutWidget->setupAbout(true);
  EXPECT_FALSE(glue.aboutWidget->shownText().contains(QStringLiteral("Lumivar")));
  glue.aboutWidget->setupAbout(false);
  EXPECT_TRUE(glue.aboutWidget->shownText().contains(QStringLiteral("Lumivar")));

  HalverdAdvancedPanel& advanced = *glue.advancedSettingWidget;
  advanced.angleWindow = SelectionAngleWindow{10.f, 20.5f, -2.f, 3.f, 42};
  advanced.setSelectionState(true);
  EXPECT_TRUE(advanced.shownText().contains(QStringLiteral("42")));
  EXPECT_TRUE(advanced.shownText().contains(QStringLiteral("20.500")));
  advanced.setSelectionState(false);
  EXPECT_EQ(advanced.shownText(), QStringLiteral("No selection"));
}

}  // namespace
