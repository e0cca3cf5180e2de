#include "SetMeasurementGrid.h"

#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "DialogClosing.h"

#include <functional>

namespace {

class GridDialog : public ::testing::Test {
 protected:
  GridDialog() { dialog.show(); }
  SetMeasurementGrid dialog;
};

TEST_F(GridDialog, SetSendsTheFormAndHidesWithoutTheCloseSignal) {
  struct Case {
    const char* name;
    std::function<void(Ui_SetMeasurementGrid&)> edit;
    GridParam expected;
  };
  const Case cases[] = {
      {"untouched form", [](Ui_SetMeasurementGrid&) {}, GridParam{0, 0, 0, 20, 10, "m", 0}},
      {"cm and XY: the cell size is sent as typed",
       [](Ui_SetMeasurementGrid& ui) {
         ui.doubleSpinBox_CentralX->setValue(-12.34);
         ui.doubleSpinBox_CentralY->setValue(250);  // clamped to 200
         ui.doubleSpinBox_CentralZ->setValue(1.5);
         ui.spinBox_GridNumber->setValue(5);
         ui.spinBox_unit->setValue(50);
         ui.comboBox_unit->setCurrentIndex(1);
         ui.radioButton_XY->click();
       },
       GridParam{-12.34f, 200, 1.5f, 5, 50, "cm", 2}},
      {"X orientation, limits of the cell spin boxes",
       [](Ui_SetMeasurementGrid& ui) {
         ui.spinBox_GridNumber->setValue(0);  // clamped to 1
         ui.spinBox_unit->setValue(101);      // clamped to 100
         ui.radioButton_X->click();
       },
       GridParam{0, 0, 0, 1, 100, "m", 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetMeasurementGrid fresh;
    fresh.show();
    c.edit(fresh.ui);
    QSignalSpy sent(&fresh, &SetMeasurementGrid::sendGridSetValue);
    QSignalSpy closed(&fresh, &SetMeasurementGrid::sendcloseGrid);
    QTest::mouseClick(fresh.ui.pushButton_OK, Qt::LeftButton);
    ASSERT_EQ(sent.count(), 1);
    const GridParam p = sent.at(0).at(0).value<GridParam>();
    EXPECT_FLOAT_EQ(p.centerX, c.expected.centerX);
    EXPECT_FLOAT_EQ(p.centerY, c.expected.centerY);
    EXPECT_FLOAT_EQ(p.centerZ, c.expected.centerZ);
    EXPECT_EQ(p.gridNumber, c.expected.gridNumber);
    EXPECT_EQ(p.unitValue, c.expected.unitValue);
    EXPECT_EQ(p.unit, c.expected.unit);
    EXPECT_EQ(p.orientation, c.expected.orientation);
    EXPECT_FALSE(fresh.isVisible());
    EXPECT_EQ(closed.count(), 0);
  }
}

TEST_F(GridDialog, EveryWayOfClosingSendsTheCloseSignal) {
  QSignalSpy closed(&dialog, &SetMeasurementGrid::sendcloseGrid);
  QSignalSpy sent(&dialog, &SetMeasurementGrid::sendGridSetValue);
  expectEachCloseSignalsOnce(dialog, dialog.ui.pushButton_Cancel, closed, [&] { dialog.show(); });
  EXPECT_EQ(sent.count(), 0);
  EXPECT_EQ(dialog.ui.widget_title->titleText(), "Save Measurement Grid");
  EXPECT_EQ(dialog.ui.widget_title->titlePointSize(), 14);
}

TEST_F(GridDialog, OrientationValueChecksItsRadioButton) {
  struct Case {
    int value;
    QRadioButton* Ui_SetMeasurementGrid::*button;
    int sent;
  };
  const Case cases[] = {{1, &Ui_SetMeasurementGrid::radioButton_X, 1},
                        {2, &Ui_SetMeasurementGrid::radioButton_XY, 2},
                        {0, &Ui_SetMeasurementGrid::radioButton_Y, 0},
                        {7, &Ui_SetMeasurementGrid::radioButton_Y, 0},
                        {-1, &Ui_SetMeasurementGrid::radioButton_Y, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    dialog.showGridText3D(2);  // start from a different button
    dialog.showGridText3D(c.value);
    EXPECT_TRUE((dialog.ui.*c.button)->isChecked());
    QSignalSpy sent(&dialog, &SetMeasurementGrid::sendGridSetValue);
    dialog.onOK_Clicked();
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(sent.at(0).at(0).value<GridParam>().orientation, c.sent);
  }
}

}  // namespace
