#include "BoxSelectChangeValue.h"

#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "MessageBoxSeam.h"

namespace {

struct Shown {
  QWidget* parent;
  QString title, text;
  QMessageBox::StandardButtons buttons;
};

class BoxDialog : public ::testing::Test {
 protected:
  BoxDialog()
      : hook([this](QWidget* parent, const QString& title, const QString& text, QMessageBox::StandardButtons buttons,
                    QMessageBox::StandardButton) {
          boxes.push_back({parent, title, text, buttons});
          return QMessageBox::Ok;
        }) {
    dialog.show();
  }

  std::array<QDoubleSpinBox*, 6> spins() {
    return {dialog.ui.dSBx_min_X, dialog.ui.dSBx_max_X, dialog.ui.dSBx_min_Y,
            dialog.ui.dSBx_max_Y, dialog.ui.dSBx_min_Z, dialog.ui.dSBx_max_Z};
  }
  void type(const std::array<double, 6>& values) {
    for (int i = 0; i < 6; ++i) spins()[i]->setValue(values[i]);
  }
  std::array<double, 6> shownValues() {
    std::array<double, 6> out{};
    for (int i = 0; i < 6; ++i) out[i] = spins()[i]->value();
    return out;
  }
  static std::array<float, 6> bounds(const BoxSelectParam& p) {
    return {p.xMin, p.xMax, p.yMin, p.yMax, p.zMin, p.zMax};
  }

  std::vector<Shown> boxes;
  ScopedMessageBoxHook hook;
  BoxSelectChangeValue dialog;
};

TEST_F(BoxDialog, OkSendsTypedBoundsOrRefusesTheFirstBadAxis) {
  BoxSelectParam loaded;
  loaded.xMin = -7.5f, loaded.xMax = 7.5f, loaded.yMin = -3, loaded.yMax = 3, loaded.zMin = -1, loaded.zMax = 2;
  struct Case {
    const char* name;
    std::array<double, 6> typed;
    const char* message;              // nullptr: accepted
    std::array<double, 6> afterwards;  // what the spin boxes show after OK
  };
  const Case cases[] = {
      {"equal bounds pass", {5, 5, -2.25, 4, 0, 0}, nullptr, {5, 5, -2.25, 4, 0, 0}},
      {"x and y both bad: only x reported and restored", {3, 2, 4, 1, 0, 1},
       "The xMin must be less than the xMax", {-7.5, 7.5, 4, 1, 0, 1}},
      {"y bad", {0, 1, 9, -9, 0, 1}, "The yMin must be less than the yMax", {0, 1, -3, 3, 0, 1}},
      {"z bad", {0, 1, 0, 1, 0.01, 0}, "The zMin must be less than the zMax", {0, 1, 0, 1, -1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialog.setBoxSelectParam(loaded);
    boxes.clear();
    type(c.typed);
    QSignalSpy spy(&dialog, &BoxSelectChangeValue::sendBoxSelectTypeAndValueSignal);
    QTest::mouseClick(dialog.ui.pushButton_OK, Qt::LeftButton);
    EXPECT_EQ(shownValues(), c.afterwards);
    EXPECT_TRUE(dialog.isVisible());
    if (c.message) {
      EXPECT_EQ(spy.count(), 0);
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].parent, nullptr);
      EXPECT_EQ(boxes[0].title, "warring");
      EXPECT_EQ(boxes[0].text, c.message);
      EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
      EXPECT_EQ(bounds(dialog.boxSelectParam()), bounds(loaded));
    } else {
      EXPECT_TRUE(boxes.empty());
      ASSERT_EQ(spy.count(), 1);
      EXPECT_EQ(spy.at(0).at(0).toInt(), BoxSelectChangeValue::kModeApply);
      const BoxSelectParam sent = spy.at(0).at(1).value<BoxSelectParam>();
      EXPECT_TRUE(sent.valid);
      const std::array<float, 6> expected{5, 5, -2.25f, 4, 0, 0};
      EXPECT_EQ(bounds(sent), expected);
      EXPECT_EQ(bounds(dialog.boxSelectParam()), expected);
    }
  }
}

TEST_F(BoxDialog, ReselectSendsTheStoredBoundsAndCloses) {
  QSignalSpy spy(&dialog, &BoxSelectChangeValue::sendBoxSelectTypeAndValueSignal);
  type({1, 2, 3, 4, 5, 6});  // not read by Reselect
  QTest::mouseClick(dialog.ui.pushButton_Reselect, Qt::LeftButton);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toInt(), BoxSelectChangeValue::kModeReselect);
  const BoxSelectParam sent = spy.at(0).at(1).value<BoxSelectParam>();
  EXPECT_EQ(bounds(sent), (std::array<float, 6>{1000, -1000, 1000, -1000, 1000, -1000}));
  EXPECT_FALSE(sent.valid);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(BoxDialog, LoadedBoundsBeyondTheRangeAreClampedOnScreenOnly) {
  BoxSelectParam loaded;
  loaded.xMin = -1500.5f, loaded.xMax = 1200, loaded.yMin = 0.125f, loaded.yMax = 0.5f, loaded.zMin = -2,
  loaded.zMax = 2001;
  loaded.valid = true;
  dialog.setBoxSelectParam(loaded);
  EXPECT_EQ(shownValues(), (std::array<double, 6>{-1000, 1000, 0.13, 0.5, -2, 1000}));

  QSignalSpy spy(&dialog, &BoxSelectChangeValue::sendBoxSelectTypeAndValueSignal);
  dialog.onReselect_Clicked();  // the member keeps the exact values...
  dialog.show();
  QTest::mouseClick(dialog.ui.pushButton_OK, Qt::LeftButton);  // ...until OK takes the shown ones
  ASSERT_EQ(spy.count(), 2);
  EXPECT_EQ(bounds(spy.at(0).at(1).value<BoxSelectParam>()), bounds(loaded));
  EXPECT_TRUE(spy.at(0).at(1).value<BoxSelectParam>().valid);
  EXPECT_EQ(bounds(spy.at(1).at(1).value<BoxSelectParam>()),
            (std::array<float, 6>{-1000, 1000, 0.13f, 0.5f, -2, 1000}));
}

// A dropped box leaves the dialog: it closes, and shown again it cannot send that box back
// (its empty bounds are refused) nor give it to Reselect.
TEST_F(BoxDialog, ADroppedBoxIsForgotten) {
  BoxSelectParam loaded;
  loaded.xMin = 1.25f, loaded.xMax = 1.5f, loaded.yMin = 0.25f, loaded.yMax = 0.75f, loaded.zMin = 0, loaded.zMax = 0;
  loaded.valid = true;
  dialog.setBoxSelectParam(loaded);
  dialog.dropBox();
  EXPECT_FALSE(dialog.isVisible());

  QSignalSpy spy(&dialog, &BoxSelectChangeValue::sendBoxSelectTypeAndValueSignal);
  dialog.show();
  QTest::mouseClick(dialog.ui.pushButton_OK, Qt::LeftButton);
  EXPECT_EQ(spy.count(), 0) << "OK sent a box";
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The xMin must be less than the xMax");
  QTest::mouseClick(dialog.ui.pushButton_Reselect, Qt::LeftButton);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_FALSE(spy.at(0).at(1).value<BoxSelectParam>().valid);
  EXPECT_EQ(bounds(spy.at(0).at(1).value<BoxSelectParam>()),
            (std::array<float, 6>{1000, -1000, 1000, -1000, 1000, -1000}));
}

TEST_F(BoxDialog, CloseButtonsCloseWithoutSending) {
  QSignalSpy spy(&dialog, &BoxSelectChangeValue::sendBoxSelectTypeAndValueSignal);
  for (QPushButton* button : {dialog.ui.pushButton_Cencel, dialog.ui.widget_title->pushButtonClose}) {
    dialog.show();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
  }
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(dialog.ui.widget_title->titleText(), "BoxSelect Change Value");
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(dialog.testAttribute(Qt::WA_QuitOnClose));
}

}  // namespace
