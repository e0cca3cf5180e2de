// The main window form on a plain widget: every picture the program names, every object the
// main window's code looks up, and the texts, tips and styles it carries.
#include <QAbstractButton>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

#include "FormFixture.h"
#include "FormTables.h"
#include "ui_newLumivar.h"

using namespace formtest;

namespace {

class FormTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(startApplication("offscreen")); }

  void SetUp() override {
    form = std::make_unique<QWidget>();
    ui.setupUi(form.get());
    formSize = form->size();
    form->layout()->activate();
  }

  template <typename T = QWidget>
  T* child(const char* name) const {
    return form->findChild<T*>(QString::fromLatin1(name));
  }

  std::unique_ptr<QWidget> form;
  QSize formSize;  // as the form sets it, before the layout grows it to its minimum
  Ui::newLumivar ui;
};

TEST(FormResources, EveryPictureTheProgramNamesLoads) {
  ASSERT_TRUE(startApplication("offscreen"));
  // Pictures drawn as tool bar backgrounds must be exactly the button size: a style sheet
  // background neither scales nor stops repeating.
  struct Row {
    const char* path;
    int width;  // 0: any size
    int height;
  };
  const Row rows[] = {
      {":/image/Resources/images/Color.png", 0, 0},
      {":/image/Resources/images/icon1.ico", 40, 40},
      {":/image/Resources/images/pointcolor.png", 0, 0},
      {":/image/Resources/images/saveas.ico", 0, 0},
      {":/image2/Resources/images2/16-16关闭.png", 16, 16},
      {":/image2/Resources/images2/16-16最大.png", 16, 16},
      {":/image2/Resources/images2/16-16最小.png", 16, 16},
      {":/image2/Resources/images2/20-20使用手册.png", 20, 20},
      {":/image2/Resources/images2/20-20帮助.png", 20, 20},
      {":/image2/Resources/images2/20-20色彩调节.png", 20, 20},
      {":/image2/Resources/images2/APPLogo2.png", 0, 0},
      {":/image2/Resources/images2/icon-关闭.png", 0, 0},
      {":/image2/Resources/images2/icon_Play.png", 0, 0},
      {":/image2/Resources/images2/icon_Stop.png", 0, 0},
      {":/image2/Resources/images2/title-logo.png", 0, 0},
      {":/image2/Resources/images2/title11.png", 0, 0},
      {":/image2/Resources/images2/列表title600-56.png", 600, 56},
      {":/image2/Resources/images2/打开.png", 40, 40},
      {":/image2/Resources/images2/连接.png", 40, 40},
      {":/image2/Resources/images2/断开.png", 40, 40},
      {":/image2/Resources/images2/网格.png", 40, 40},
      {":/image2/Resources/images2/坐标.png", 40, 40},
      {":/image2/Resources/images2/框选.png", 40, 40},
      {":/image2/Resources/images2/测量.png", 40, 40},
      {":/image2/Resources/images2/清空.png", 40, 40},
      {":/image2/Resources/images2/列表.png", 40, 40},
      {":/image2/Resources/images2/顶视图.png", 40, 40},
      {":/image2/Resources/images2/前视图.png", 40, 40},
      {":/image2/Resources/images2/后视图.png", 40, 40},
      {":/image2/Resources/images2/左视图.png", 40, 40},
      {":/image2/Resources/images2/右视图.png", 40, 40},
      {":/image2/Resources/images2/全屏.png", 40, 40},
      {":/image2/Resources/images2/放大缩小.png", 40, 40},
      {":/image2/Resources/images2/数据过滤.png", 40, 40},
      {":/image2/Resources/images2/数据保存.png", 40, 40},
      {":/image2/Resources/images2/色彩调节.png", 40, 40},
      {":/image2/Resources/images2/设置.png", 40, 40},
      {":/image2/Resources/images2/自主设置.png", 40, 40},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const QImage img(QString::fromUtf8(row.path));
    ASSERT_FALSE(img.isNull());
    if (row.width != 0) {
      EXPECT_EQ(img.size(), QSize(row.width, row.height));
    }
  }
}

TEST_F(FormTree, EveryObjectTheWindowUsesExistsWithItsKind) {
  struct Row {
    const char* name;
    const char* kind;
  };
  const Row widgets[] = {
      {"frameBorder", "QFrame"},
      {"label_TitleShow", "QLabel"},
      {"label_TitleShow_2", "QLabel"},
      {"label_2", "QLabel"},
      {"labelTitleName", "QLabel"},
      {"label", "QLabel"},
      {"pBn_WidgetColor_2", "QPushButton"},
      {"pushButtonInstructions", "QPushButton"},
      {"pushButtonAbout", "QPushButton"},
      {"pushButtonMin", "QPushButton"},
      {"pushButtonMax", "QPushButton"},
      {"pushButtonClose", "QPushButton"},
      {"widget_menuBar", "QWidget"},
      {"sBx_SetPointSize", "QSpinBox"},
      {"comboBox_ColorSelect", "QComboBox"},
      {"comboBox_Colorbar", "ReadColorbarFile"},
      {"cBx_SingleEcho", "QCheckBox"},
      {"cBx_doubleEcho", "QCheckBox"},
      {"pBn_WidgetColor", "QPushButton"},
      {"checkBox_MenuBarLocked", "QCheckBox"},
      {"splitter", "QSplitter"},
      {"widget_ListData", "QWidget"},
      {"widget_Title", "QWidget"},
      {"label_3", "QLabel"},
      {"tableView", "QTableView"},
      {"screen", "QVTKOpenGLNativeWidget"},
      {"widget_offLineData", "OffLineClass"},
      {"widget_statusBar", "QWidget"},
      {"label_StatusBarShow_1", "QLabel"},
      {"label_StatusBarShow_2", "QLabel"},
  };
  for (const Row& row : widgets) {
    SCOPED_TRACE(row.name);
    QWidget* w = child(row.name);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->inherits(row.kind)) << w->metaObject()->className();
  }
  for (const ToolButtonRow& row : kToolButtons) EXPECT_NE(child<QToolButton>(row.name), nullptr) << row.name;

  const Row layouts[] = {
      {"verticalLayout_2", "QVBoxLayout"}, {"horizontalLayout", "QHBoxLayout"},
      {"horizontalLayout_3", "QHBoxLayout"}, {"gridLayout_2", "QGridLayout"},
      {"gridLayout", "QGridLayout"},      {"horizontalLayout_5", "QHBoxLayout"},
      {"verticalLayout", "QVBoxLayout"},   {"horizontalLayout_6", "QHBoxLayout"},
      {"horizontalLayout_2", "QHBoxLayout"},
  };
  for (const Row& row : layouts) {
    SCOPED_TRACE(row.name);
    QLayout* l = form->findChild<QLayout*>(QString::fromLatin1(row.name));
    ASSERT_NE(l, nullptr);
    EXPECT_TRUE(l->inherits(row.kind));
  }
}

TEST_F(FormTree, ToolButtonsPaintTheirPictureAndCarryTheirTips) {
  for (const ToolButtonRow& row : kToolButtons) {
    SCOPED_TRACE(row.name);
    QToolButton* b = child<QToolButton>(row.name);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->isCheckable());
    EXPECT_EQ(b->minimumSize(), QSize(40, 40));
    EXPECT_EQ(b->maximumSize(), QSize(40, 40));
    EXPECT_TRUE(b->text().isEmpty());
    EXPECT_EQ(b->toolTip(), QString::fromUtf8(row.toolTip));
    EXPECT_EQ(b->statusTip(), QString::fromUtf8(row.statusTip));
    EXPECT_EQ(styleSheetUrl(b->styleSheet()), QString::fromUtf8(row.picture));

    // A sheet that does not parse falls back to the plain button look, without the picture.
    const QImage picture(QString::fromUtf8(row.picture));
    const QImage shot = b->grab().toImage();
    const PictureMatch m = comparePicture(picture, shot, kFrameShift);
    EXPECT_GT(m.opaque, 50);
    EXPECT_EQ(m.matching, m.opaque);
  }
  EXPECT_EQ(ui.pBn_OpenPacket->iconSize(), QSize(20, 20));
}

TEST_F(FormTree, WindowButtonsShowTheirIcons) {
  for (const WindowButtonRow& row : kWindowButtons) {
    SCOPED_TRACE(row.name);
    QPushButton* b = child<QPushButton>(row.name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->isCheckable(), row.checkable);
    EXPECT_EQ(b->toolTip(), QString::fromUtf8(row.toolTip));
    EXPECT_TRUE(b->text().isEmpty());
    EXPECT_GE(b->minimumWidth(), 28);
    EXPECT_GE(b->minimumHeight(), 28);
    EXPECT_EQ(b->styleSheet(), "background: transparent;");
    const QImage picture(QString::fromUtf8(row.picture));
    const PictureMatch m = comparePicture(picture, b->icon().pixmap(picture.size()).toImage());
    EXPECT_GT(m.opaque, 0);
    EXPECT_EQ(m.matching, m.opaque);
  }
  EXPECT_EQ(ui.pushButtonInstructions->statusTip(), "Software user manual");
}

TEST_F(FormTree, EveryStyleSheetPictureExists) {
  int urls = 0;
  for (QWidget* w : form->findChildren<QWidget*>()) {
    const QString url = styleSheetUrl(w->styleSheet());
    if (url.isEmpty()) continue;
    ++urls;
    EXPECT_TRUE(QFile::exists(url)) << w->objectName().toStdString() << ": " << url.toStdString();
  }
  EXPECT_GE(urls, 23);  // title bar, logo and the tool bar
  EXPECT_FALSE(ui.label_3->pixmap(Qt::ReturnByValue).isNull());
  EXPECT_TRUE(ui.label_3->hasScaledContents());
}

TEST_F(FormTree, LayoutTextsAndControls) {
  EXPECT_EQ(form->windowTitle(), "Platform");
  EXPECT_EQ(formSize, QSize(1440, 810));  // fits a 1600 x 900 screen

  auto* root = qobject_cast<QBoxLayout*>(form->layout());
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->objectName(), "verticalLayout_2");
  EXPECT_EQ(root->spacing(), 0);
  EXPECT_EQ(root->contentsMargins(), QMargins());
  const struct {
    QWidget* widget;
    int stretch;
  } rows[] = {{ui.frameBorder, 2}, {ui.widget_menuBar, 1}, {ui.splitter, 20},
              {ui.widget_offLineData, 1}, {ui.widget_statusBar, 1}};
  ASSERT_EQ(root->count(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(root->itemAt(i)->widget(), rows[i].widget) << i;
    EXPECT_EQ(root->stretch(i), rows[i].stretch) << i;
  }
  EXPECT_EQ(ui.widget_offLineData->parentWidget(), form.get());
  EXPECT_EQ(ui.horizontalLayout_5->spacing(), 10);
  EXPECT_EQ(ui.horizontalLayout_2->stretch(0), 3);
  EXPECT_EQ(ui.horizontalLayout_2->stretch(1), 1);

  EXPECT_EQ(ui.splitter->orientation(), Qt::Horizontal);
  EXPECT_EQ(ui.splitter->handleWidth(), 0);
  EXPECT_EQ(ui.splitter->widget(0), ui.widget_ListData);
  EXPECT_EQ(ui.splitter->widget(1), ui.screen);
  EXPECT_EQ(ui.widget_ListData->minimumWidth(), 600);
  EXPECT_EQ(ui.widget_ListData->maximumWidth(), 700);
  EXPECT_EQ(ui.screen->focusPolicy(), Qt::ClickFocus);
  EXPECT_FALSE(ui.screen->autoFillBackground());

  EXPECT_EQ(ui.sBx_SetPointSize->minimum(), 1);
  EXPECT_EQ(ui.sBx_SetPointSize->maximum(), 10);
  EXPECT_EQ(ui.sBx_SetPointSize->value(), 1);
  EXPECT_EQ(ui.sBx_SetPointSize->toolTip(), "Point cloud point size Settings");
  EXPECT_EQ(ui.comboBox_ColorSelect->count(), 0);  // the window fills it with its colour modes
  for (QComboBox* c : {ui.comboBox_ColorSelect, static_cast<QComboBox*>(ui.comboBox_Colorbar)}) {
    EXPECT_EQ(c->toolTip(), "Point cloud color selection");
    EXPECT_EQ(c->minimumWidth(), 120);
    EXPECT_EQ(c->maximumHeight(), 42);
  }

  const struct {
    QCheckBox* box;
    const char* text;
  } boxes[] = {{ui.cBx_SingleEcho, "Single echo "}, {ui.cBx_doubleEcho, "double echo"},
               {ui.checkBox_MenuBarLocked, "Locked"}};
  for (const auto& b : boxes) {
    EXPECT_EQ(b.box->text(), b.text);
    EXPECT_TRUE(b.box->isChecked()) << b.text;
  }

  EXPECT_EQ(ui.label_TitleShow->text(), "TextLab");
  EXPECT_EQ(ui.label_TitleShow->font().family(), "Arial");
  EXPECT_EQ(ui.label_TitleShow_2->text(), "TextLabel");
  EXPECT_EQ(ui.label_StatusBarShow_1->text(), "TextLabel");
  EXPECT_EQ(ui.label_StatusBarShow_2->text(), "TextLabel");
  EXPECT_EQ(ui.label_StatusBarShow_2->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_TRUE(ui.labelTitleName->text().contains(QString::fromUtf8("激光雷达Lumivar平台")));
  EXPECT_EQ(ui.label_2->width(), 160);
  EXPECT_TRUE(ui.label_2->text().isEmpty());
}

}  // namespace
