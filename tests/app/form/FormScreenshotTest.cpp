// The main window form in a real window on the X display (Xvfb in the test run): the tool bar
// and window buttons show their pictures on screen, and the window is kept as a PNG artefact.
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <gtest/gtest.h>

#include "FormFixture.h"
#include "FormTables.h"
#include "ui_newLumivar.h"

using namespace formtest;

namespace {

TEST(FormScreenshot, ToolBarPicturesAreVisibleInTheWindow) {
  if (!startApplication("xcb")) GTEST_SKIP() << "no X display";
  QWidget form;
  Ui::newLumivar ui;
  ui.setupUi(&form);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QTest::qWait(200);  // let the 3D view finish its first paint

  const QImage shot = form.grab().toImage();
  const QString path = QDir(LUMIVAR_FORM_ARTIFACT_DIR).filePath("newLumivar_form.png");
  ASSERT_TRUE(shot.save(path)) << path.toStdString();
  std::printf("form screenshot: %s\n", qPrintable(path));

  // The form shows every tool button; the main window hides a few of them later.
  for (const ToolButtonRow& row : kToolButtons) {
    SCOPED_TRACE(row.name);
    auto* b = form.findChild<QToolButton*>(row.name);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(b->isVisible());
    const QRect area(b->mapTo(&form, QPoint(0, 0)), b->size());
    ASSERT_TRUE(shot.rect().contains(area)) << "off the window";
    const PictureMatch m = comparePicture(QImage(QString::fromUtf8(row.picture)), shot.copy(area), kFrameShift);
    EXPECT_GT(m.opaque, 50);
    EXPECT_EQ(m.matching, m.opaque);
  }
  for (const WindowButtonRow& row : kWindowButtons) {
    auto* b = form.findChild<QPushButton*>(row.name);
    ASSERT_NE(b, nullptr) << row.name;
    const QRect area(b->mapTo(&form, QPoint(0, 0)), b->size());
    EXPECT_TRUE(shot.rect().contains(area)) << row.name << " off the window";
  }
}

}  // namespace
