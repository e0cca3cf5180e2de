// The window as a user sees it on a 1600 x 900 screen (the program's own, whatever display it
// was started under): restore keeps it and its controls on the screen, the glue's panels wear
// the dialogs' title bar and close, and in every dark dialog a checked box reads apart from an
// unchecked one. Screenshots of the dialogs are left in the build directory.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QtTest/QTest>

#include <functional>

#include "BoxSelectChangeValue.h"
#include "DeviceLookupConnection.h"
#include "DialogTitleBar.h"
#include "FiltrationData.h"
#include "Halverd.h"
#include "HalverdPanels.h"
#include "MainWindowTestSupport.h"
#include "MyWidget.h"
#include "OffLineClass.h"
#include "PrivateScreen.h"
#include "SaveLidarDataTypeSelect.h"
#include "SetMeasurementGrid.h"
#include "SetWidgetAndFontColor.h"
#include "WindowMouse.h"
#include "newLumivar.h"
#include "selectSaveDataPacket.h"
#include "ui_newLumivar.h"

using namespace mainwindow_test;

namespace {

const QSize kScreenSize(1600, 900);
const auto* const kScreen = ::testing::AddGlobalTestEnvironment(new PrivateScreen("1600x900x24"));

QRect available(QWidget* w) { return w->screen()->availableGeometry(); }

QRect globalRect(QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

// Whole on the screen and not hidden: what a user can reach.
void expectOnScreen(QWidget* w, const QRect& screen) {
  SCOPED_TRACE(w->objectName().toStdString());
  EXPECT_TRUE(w->isVisible());
  const QRect r = globalRect(w);
  EXPECT_TRUE(screen.contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

class WindowFit : public WindowTest {};

TEST_F(WindowFit, RestoreKeepsTheWindowAndItsControlsOnTheScreen) {
  QCoreApplication::processEvents();
  ASSERT_EQ(window->screen()->geometry().size(), kScreenSize);
  const QRect screen = available(window.get());
  Ui::newLumivar& ui = window->form();
  ASSERT_TRUE(window->isMaximized());
  // Restore as the user does, by the window's own button, then twice by a double-click.
  QTest::mouseClick(ui.pushButtonMax, Qt::LeftButton);
  QTest::qWait(50);
  ASSERT_FALSE(window->isMaximized());
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    EXPECT_TRUE(screen.contains(window->frameGeometry()))
        << window->frameGeometry().width() << "x" << window->frameGeometry().height();
    OffLineClass* bar = ui.widget_offLineData;
    for (QWidget* w : {static_cast<QWidget*>(ui.pushButtonClose), static_cast<QWidget*>(ui.pushButtonMax),
                       static_cast<QWidget*>(ui.pushButtonMin), static_cast<QWidget*>(bar->ui.label_Count),
                       static_cast<QWidget*>(bar->ui.checkBox_offlineLocked),
                       static_cast<QWidget*>(ui.checkBox_MenuBarLocked)})
      expectOnScreen(w, screen);
    if (round == 2) break;
    WindowMouse mouse(window.get());
    const QPoint title = ui.label_TitleShow->mapToGlobal(QPoint(5, 5));
    mouse.doubleClickAndHold(title);  // maximise
    mouse.release(title);
    QTest::qWait(50);
    EXPECT_TRUE(window->isMaximized());
    mouse.doubleClickAndHold(title);  // and restore
    mouse.release(title);
    QTest::qWait(50);
  }
}

// A window that asks for more than the screen is moved and shrunk into it when shown and when
// restored; one that fits is left where it is.
TEST_F(WindowFit, WindowsLargerThanTheScreenAreFittedWhenShown) {
  const QRect screen = available(window.get());
  MyWidget big;
  big.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  big.setGeometry(screen.x() + 300, screen.y() + 200, screen.width() + 185, screen.height() - 100);
  big.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&big));
  EXPECT_TRUE(screen.contains(big.frameGeometry()));
  EXPECT_EQ(big.width(), screen.width());

  MyWidget small;
  small.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  small.setGeometry(screen.x() + 100, screen.y() + 100, 400, 300);
  small.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&small));
  EXPECT_EQ(small.geometry(), QRect(screen.x() + 100, screen.y() + 100, 400, 300));
}

// The settings and about panels open from their buttons with the dialogs' title bar; its close
// button and Esc close them, and they open again.
TEST_F(WindowFit, GluePanelsHaveATitleBarAndClose) {
  Ui::newLumivar& ui = window->form();
  Halverd* glue = window->glue();
  struct Case {
    QAbstractButton* opener;
    QWidget* panel;
    const char* title;
  };
  const Case cases[] = {{ui.pBn_Setting, glue->settingWidget, "Lidar settings"},
                        {ui.pushButtonAbout, glue->aboutWidget, "About"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    QTest::mouseClick(c.opener, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(c.panel));
    EXPECT_TRUE(c.panel->windowFlags() & Qt::FramelessWindowHint);
    auto* bar = c.panel->findChild<DialogTitleBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->labelTitleName->text().contains(c.title)) << bar->labelTitleName->text().toStdString();
    EXPECT_EQ(bar->mapTo(c.panel, QPoint(0, 0)), QPoint(0, 0));  // across the top
    EXPECT_EQ(bar->width(), c.panel->width());
    EXPECT_TRUE(available(c.panel).contains(c.panel->frameGeometry()));
    c.panel->grab().save(QDir::current().filePath(QString("panel_%1.png").arg(c.title).replace(' ', '_')));

    QTest::mouseClick(bar->pushButtonClose, Qt::LeftButton);
    EXPECT_FALSE(c.panel->isVisible());

    QTest::mouseClick(c.opener, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(c.panel));
    EXPECT_EQ(c.panel->findChildren<DialogTitleBar*>().size(), 1);  // one bar, however often
    QTest::keyClick(c.panel, Qt::Key_Escape);
    EXPECT_FALSE(c.panel->isVisible());
    EXPECT_TRUE(window->isVisible());  // Esc closed the panel only
  }

  // The bar drags the panel.
  QTest::mouseClick(ui.pBn_Setting, Qt::LeftButton);
  QWidget* panel = glue->settingWidget;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
  const QPoint before = panel->pos();
  auto* bar = panel->findChild<DialogTitleBar*>();
  WindowMouse mouse(panel);
  const QPoint start = bar->mapToGlobal(QPoint(20, 20));
  mouse.press(start);
  mouse.move(start + QPoint(30, 15));
  mouse.release(start + QPoint(30, 15));
  EXPECT_EQ(panel->pos(), before + QPoint(30, 15));
  panel->close();
}

// The box's indicator, at its left, as drawn.
QImage indicatorImage(QAbstractButton* box) {
  const QImage whole = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const int side = std::min(whole.height(), whole.width());
  return whole.copy(0, 0, side, side);
}

int luminance(QRgb c) { return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000; }

// How far the brightest part of the image stands from the dark ground.
int frameContrast(const QImage& image, QRgb ground) {
  int best = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      best = std::max(best, std::abs(luminance(image.pixel(x, y)) - luminance(ground)));
  return best;
}

int pixelsApart(const QImage& a, const QImage& b) {
  int n = 0;
  for (int y = 0; y < std::min(a.height(), b.height()); ++y)
    for (int x = 0; x < std::min(a.width(), b.width()); ++x)
      n += std::abs(luminance(a.pixel(x, y)) - luminance(b.pixel(x, y))) > 60;
  return n;
}

// Every visible box below the widget: unchecked it shows a light frame on the dark ground, and
// checking it changes a good part of the indicator. Returns how many boxes were looked at.
int expectIndicatorsReadApart(QWidget* widget) {
  const QRgb ground = qRgb(1, 20, 45);
  QList<QAbstractButton*> boxes;
  for (QCheckBox* b : widget->findChildren<QCheckBox*>()) boxes << b;
  for (QRadioButton* b : widget->findChildren<QRadioButton*>()) boxes << b;
  int checked = 0;
  for (QAbstractButton* box : boxes) {
    if (!box->isVisible() || !box->isEnabled()) continue;
    SCOPED_TRACE(box->objectName().toStdString());
    const bool wasChecked = box->isChecked();
    const QSignalBlocker quiet(box);  // only the look is wanted, not the box's effect
    box->setAutoExclusive(false);     // a radio may be switched off here
    box->setChecked(false);
    const QImage off = indicatorImage(box);
    box->setChecked(true);
    const QImage on = indicatorImage(box);
    box->setChecked(wasChecked);
    box->setAutoExclusive(qobject_cast<QRadioButton*>(box) != nullptr);
    EXPECT_GE(frameContrast(off, ground), 120);
    EXPECT_GE(pixelsApart(off, on), off.width() * off.height() / 8);
    ++checked;
  }
  return checked;
}

// Each dialog's boxes as it opens; the box-select and colour dialogs have none yet, so a box
// added to them is checked too.
TEST_F(WindowFit, DialogIndicatorsShowCheckedAndUncheckedApart) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
    int boxes;  // the visible, enabled check boxes and radios
  };
  const Case cases[] = {
      {"filter", [] { return std::make_unique<FiltrationData>(); }, 328},
      {"save_type", [] { return std::make_unique<SaveLidarDataTypeSelect>(); }, 6},
      {"grid", [] { return std::make_unique<SetMeasurementGrid>(); }, 3},
      {"open_capture", [] { return std::make_unique<selectSaveDataPacket>(); }, 7},
      {"connection", [] { return std::make_unique<DeviceLookupConnection>(); }, 2},
      {"box_select", [] { return std::make_unique<BoxSelectChangeValue>(); }, 0},
      {"colour", [] { return std::make_unique<SetWidgetAndFontColor>(); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<QWidget> dialog = c.make();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    EXPECT_TRUE(available(dialog.get()).contains(dialog->frameGeometry()));
    EXPECT_EQ(expectIndicatorsReadApart(dialog.get()), c.boxes);
    dialog->grab().save(QDir::current().filePath(QString("dialog_%1.png").arg(c.name)));
  }
}

// Each dialog the window opens closes on Esc, with the keyboard in one of its fields (if it has
// one) or on the dialog itself, and the window stays.
TEST_F(WindowFit, EveryDialogClosesOnEscape) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  Ui::newLumivar& ui = window->form();
  const BoxSelectParam box = unitSelectionBox();
  struct Case {
    const char* dialogClass;
    std::function<void()> open;
  };
  const Case cases[] = {
      {"FiltrationData", [&] { ui.pBn_Filtration->click(); }},
      {"BoxSelectChangeValue",
       [&] {
         window->setSelectionBox(box);
         ui.pBn_BoxSelect->click();
       }},
      {"SetWidgetAndFontColor", [&] { ui.pBn_ColorPalette->click(); }},
      {"SetMeasurementGrid", [&] { ui.pBn_MeaGrid->click(); }},
      {"SaveLidarDataTypeSelect", [&] { ui.pBn_DataStorage->click(); }},
      {"selectSaveDataPacket", [&] { ui.pBn_OpenPacket->click(); }},
      {"DeviceLookupConnection", [&] { ui.pBn_Connect->click(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dialogClass);
    for (const bool inAField : {true, false}) {
      c.open();
      QWidget* dialog = shownWindow(c.dialogClass);
      ASSERT_NE(dialog, nullptr);
      ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
      QWidget* keyboard = dialog;
      if (inAField) {
        for (QWidget* field : dialog->findChildren<QWidget*>())
          if ((qobject_cast<QAbstractSpinBox*>(field) || qobject_cast<QLineEdit*>(field)) && field->isVisible() &&
              field->isEnabled()) {
            keyboard = field;
            break;
          }
        if (keyboard == dialog) {  // no field to type in: the dialog itself was tried
          dialog->close();
          continue;
        }
      }
      QTest::keyClick(keyboard, Qt::Key_Escape);
      EXPECT_FALSE(dialog->isVisible()) << (inAField ? "from a field" : "from the dialog");
      EXPECT_TRUE(window->isVisible());
    }
  }
}

// The window's own boxes (echo, "Locked", the play bar's looping box) follow the same rule.
TEST_F(WindowFit, WindowIndicatorsShowCheckedAndUncheckedApart) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  EXPECT_GE(expectIndicatorsReadApart(window.get()), 4);
  window->grab().save(QDir::current().filePath("window_indicators.png"));
}

}  // namespace
