// The main window's life cycle: it builds with its 3D view, logs its first and last entries,
// fills the colour modes and is destroyed cleanly, twice in one process; keys sent through Qt
// reach the view's own key handling.
#include <QTimer>

#include <vtkAreaPicker.h>
#include <vtkRenderWindowInteractor.h>

#include "MainWindowTestSupport.h"
#include "OffLineClass.h"
#include "newLumivar.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

const char* const kBanner = "********************\tLumivar Platform\t********************";

TEST(WindowLifeCycle, LogOpensWithTheStartAndEndsWithTheStop) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  application();
  WindowEnvironment env;
  for (int run = 0; run < 2; ++run) {
    auto window = std::make_unique<newLumivar>();
    // The constructor ends with showMaximized().
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMaximized());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_NE(window->viewer(), nullptr);
    EXPECT_TRUE(window->windowTitle().endsWith("_v3.0.0_202409"));
    EXPECT_EQ(window->form().label_TitleShow->text(), window->windowTitle());
    EXPECT_FALSE(window->connectTestEndTimer()->isActive());
    EXPECT_FALSE(window->connectTestStartTimer()->isActive());
    window.reset();
  }

  const QStringList lines = env.logLines();
  ASSERT_GE(lines.size(), 4);
  EXPECT_EQ(lines.first(), kBanner);
  EXPECT_EQ(lines.last(), kBanner);
  const QStringList texts = env.logTexts();
  ASSERT_FALSE(texts.isEmpty());
  EXPECT_TRUE(QRegExp("\\[newLumivar\\.cpp:\\d+\\]\\tLumivar Platform Srart Runnig").exactMatch(texts.first()))
      << texts.first().toStdString();
  EXPECT_TRUE(texts.last().endsWith("]\tLumivar Platform  Stoping ")) << texts.last().toStdString();
  // The glue goes before the dialogs, the logger last.
  const int glueStart = texts.indexOf(QRegExp(".*mHalverd Start delete! $"));
  const int glueEnd = texts.indexOf(QRegExp(".*mHalverd End delete! $"));
  const int dialogs = texts.indexOf(QRegExp(".*mDeviceLookupConnection End delete! $"));
  EXPECT_GE(glueStart, 0);
  EXPECT_GT(glueEnd, glueStart);
  EXPECT_GT(dialogs, glueEnd);
}

// Slots named like Qt's automatic connections make connectSlotsByName warn when the form is
// set up; no form of the window and of the dialogs it makes must give that warning.
std::vector<QString> gAutoConnectWarnings;
QtMessageHandler gPreviousHandler = nullptr;

void recordAutoConnectWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.contains("connectSlotsByName")) gAutoConnectWarnings.push_back(text);
  if (gPreviousHandler) gPreviousHandler(type, context, text);
}

TEST(WindowLifeCycle, NoFormWarnsOfSlotsWithoutASignal) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  application();
  WindowEnvironment env;
  gAutoConnectWarnings.clear();
  gPreviousHandler = qInstallMessageHandler(recordAutoConnectWarnings);
  {
    // The window builds the connection dialog, and its playback panel the open-capture dialog.
    newLumivar window;
    ASSERT_NE(window.connectionDialog(), nullptr);
    ASSERT_NE(window.form().widget_offLineData->mOpenDialog, nullptr);
    window.form().pBn_Connect->click();  // the connection dialog as the user sees it
    QCoreApplication::processEvents();
  }
  qInstallMessageHandler(gPreviousHandler);
  for (const QString& w : gAutoConnectWarnings) ADD_FAILURE() << w.toStdString();
  EXPECT_TRUE(gAutoConnectWarnings.empty());
}

TEST(WindowLifeCycle, ColourModesAndTheComboShown) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  application();
  WindowEnvironment env;
  newLumivar window;
  Ui::newLumivar& ui = window.form();
  const QStringList modes = {"Intensity", "Solid", "Elevation", "H_angle", "Channel"};
  ASSERT_EQ(ui.comboBox_ColorSelect->count(), modes.size());
  for (int i = 0; i < modes.size(); ++i) EXPECT_EQ(ui.comboBox_ColorSelect->itemText(i), modes[i]);
  // No colour-bar file in the test's working directory: the mode combo is the one shown.
  EXPECT_EQ(ui.comboBox_Colorbar->count(), 0);
  EXPECT_FALSE(ui.comboBox_ColorSelect->isHidden());
  EXPECT_TRUE(ui.comboBox_Colorbar->isHidden());
  EXPECT_TRUE(ui.widget_ListData->isHidden());
  EXPECT_TRUE(ui.pBn_Setting_Advanced->isHidden());
  EXPECT_TRUE(ui.pBn_ColorPalette->isHidden());
}

// The view's picking mode is switched by its own key binding; the window sends that key as a
// Qt event to the view instead of simulating a key press system-wide.
TEST(WindowLifeCycle, KeysSentThroughQtReachTheView) {
  if (!haveDisplay()) GTEST_SKIP() << "needs a display (run under xvfb-run)";
  application();
  WindowEnvironment env;
  newLumivar window;
  QCoreApplication::processEvents();
  vtkRenderWindowInteractor* interactor = window.form().screen->interactor();
  ASSERT_NE(interactor, nullptr);
  std::vector<char> keys;
  window.viewer()->registerKeyboardCallback([&keys](const pcl::visualization::KeyboardEvent& e) {
    if (e.keyDown()) keys.push_back(static_cast<char>(e.getKeyCode()));
  });

  EXPECT_EQ(vtkAreaPicker::SafeDownCast(interactor->GetPicker()), nullptr);
  window.sendKeyToView(Qt::Key_X);
  EXPECT_NE(vtkAreaPicker::SafeDownCast(interactor->GetPicker()), nullptr) << "x turns area picking on";
  window.sendKeyToView(Qt::Key_X);
  EXPECT_EQ(vtkAreaPicker::SafeDownCast(interactor->GetPicker()), nullptr) << "a second x turns it off";
  EXPECT_EQ(keys, (std::vector<char>{'x', 'x'}));
}

}  // namespace
