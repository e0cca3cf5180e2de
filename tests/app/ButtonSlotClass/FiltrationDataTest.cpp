#include "FiltrationData.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ProgramSettings.h"

namespace {

constexpr std::uint32_t kOffBits = 0xFFC00000u;

std::uint32_t bitsOf(float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

class FilterDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    currentLidarType.clear();
    dialog.show();
  }

  // Clicks OK and returns the record the signal carried.
  FiltrationDataInitParam pressOk() {
    QSignalSpy spy(&dialog, &FiltrationData::sendFiltrationDataParamSignal);
    QTest::mouseClick(dialog.ui.pushButton_OK, Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
    if (spy.count() != 1) return {};
    return spy.at(0).at(0).value<FiltrationDataInitParam>();
  }
  // As a user's click (toggle, then clicked()), also for rows scrolled out of view.
  void click(QAbstractButton* button) { button->click(); }
  QTableWidget* table() { return dialog.ui.tableWidget_laserselection; }
  // Channels whose box is checked, below `limit`.
  std::vector<int> checkedChannels(int limit = FiltrationData::kMaxChannels) {
    std::vector<int> on;
    for (int i = 0; i < limit; ++i)
      if (dialog.channelBox(i)->isChecked()) on.push_back(i);
    return on;
  }
  // Group box shown in column 0 of a row, if any.
  QCheckBox* groupBoxInRow(int row) {
    QWidget* holder = table()->cellWidget(row, 0);
    if (!holder) return nullptr;
    for (QCheckBox* box : holder->findChildren<QCheckBox*>(QString(), Qt::FindDirectChildrenOnly))
      if (!box->isHidden()) return box;
    return nullptr;
  }

  FiltrationData dialog;
};

TEST_F(FilterDialog, DefaultOkSendsAllRangesOffAndAllChannelsOn) {
  const FiltrationDataInitParam sent = pressOk();
  for (int k = 0; k < 14; ++k) EXPECT_EQ(bitsOf(sent.pairs()[k]), kOffBits) << "value " << k;
  for (int i = 0; i < 256; ++i) EXPECT_EQ(sent.ChannelFlags[i], 1) << "channel " << i;
  EXPECT_EQ(std::memcmp(&sent, &dialog.lastParam(), sizeof sent), 0);
  const FiltrationDataInitParam defaults;
  EXPECT_EQ(std::memcmp(&sent, &defaults, sizeof sent), 0);
  EXPECT_TRUE(dialog.isVisible());  // OK leaves the dialog open
}

// One range switched on at a time lands in its own pair, everything else stays off.
TEST_F(FilterDialog, EachRangeFillsItsOwnPair) {
  struct Case {
    const char* row;
    bool setValues;
    double minimum, maximum;
  };
  const Case cases[] = {
      {"H_Angle", true, -45.25, 90.5},  {"V_Angle", true, -15, 15},
      {"Distance", false, 0, 1000},     // untouched spin boxes
      {"Intensity", true, 10, 200},     {"X", true, -12.5, 12.5},
      {"Y", true, -9000, 9000},         {"Z", true, 3, -3},  // a minimum above its maximum is sent as is
  };
  for (int k = 0; k < 7; ++k) {
    const Case& c = cases[k];
    SCOPED_TRACE(c.row);
    auto* enabled = dialog.findChild<QCheckBox*>(QStringLiteral("cBx_%1").arg(c.row));
    auto* minimum = dialog.findChild<QDoubleSpinBox*>(QStringLiteral("dSBx_min_%1").arg(c.row));
    auto* maximum = dialog.findChild<QDoubleSpinBox*>(QStringLiteral("dSBx_max_%1").arg(c.row));
    ASSERT_TRUE(enabled && minimum && maximum);
    if (c.setValues) {
      minimum->setValue(c.minimum);
      maximum->setValue(c.maximum);
    }
    enabled->setChecked(true);
    const FiltrationDataInitParam sent = pressOk();
    enabled->setChecked(false);
    for (int j = 0; j < 7; ++j) {
      if (j == k) {
        EXPECT_FLOAT_EQ(sent.pairs()[2 * j], static_cast<float>(c.minimum));
        EXPECT_FLOAT_EQ(sent.pairs()[2 * j + 1], static_cast<float>(c.maximum));
      } else {
        EXPECT_EQ(bitsOf(sent.pairs()[2 * j]), kOffBits) << "pair " << j;
        EXPECT_EQ(bitsOf(sent.pairs()[2 * j + 1]), kOffBits) << "pair " << j;
      }
    }
  }
}

TEST_F(FilterDialog, ChannelBoxesDriveTheirGroupBox) {
  click(dialog.channelBox(11));  // last channel of group 2
  EXPECT_FALSE(dialog.groupBox(2)->isChecked());
  EXPECT_TRUE(dialog.groupBox(1)->isChecked());
  EXPECT_TRUE(dialog.groupBox(3)->isChecked());
  click(dialog.channelBox(11));
  EXPECT_TRUE(dialog.groupBox(2)->isChecked());

  click(dialog.groupBox(3));  // a group box switches its four channels
  FiltrationDataInitParam sent = pressOk();
  for (int i = 0; i < 256; ++i) EXPECT_EQ(sent.ChannelFlags[i], i >= 12 && i < 16 ? 0 : 1) << i;
  click(dialog.groupBox(3));
  sent = pressOk();
  for (int i = 12; i < 16; ++i) EXPECT_EQ(sent.ChannelFlags[i], 1) << i;
}

TEST_F(FilterDialog, SelectAllAndSwitchSelectionAlternate) {
  std::vector<int> all, even, odd;
  for (int i = 0; i < 256; ++i) {
    all.push_back(i);
    ((i / 4) % 2 == 0 ? even : odd).push_back(i);
  }
  struct Step {
    QAbstractButton* button;
    const std::vector<int>* expected;
  };
  const std::vector<int> none;
  const Step steps[] = {
      {dialog.ui.checkBox_SelectAll, &none},  // starts checked: the first click clears
      {dialog.ui.checkBox_SelectAll, &all},
      {dialog.ui.pushButton_toggleselection, &even},
      {dialog.ui.pushButton_toggleselection, &odd},
      {dialog.ui.pushButton_toggleselection, &even},
  };
  int n = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(n++);
    click(step.button);
    EXPECT_EQ(checkedChannels(), *step.expected);
    for (int g = 0; g < 64; ++g) {
      const bool on = dialog.channelBox(g * 4)->isChecked();
      EXPECT_EQ(dialog.groupBox(g)->isChecked(), on) << "group " << g;
    }
  }
}

TEST_F(FilterDialog, FewerChannelsHideRowsAndKeepTheRestInTheRecord) {
  click(dialog.channelBox(40));  // beyond the coming channel count: keeps its state
  dialog.mChannelsPerGroup = 4;
  dialog.setChannelCountAndEcho(32, false);
  for (int r = 0; r < 256; ++r) {
    EXPECT_EQ(table()->isRowHidden(r), r >= 32) << r;
    if (r < 32) {
      QCheckBox* group = groupBoxInRow(r);
      if (r % 4 == 0) {
        ASSERT_NE(group, nullptr) << r;
        EXPECT_EQ(group, dialog.groupBox(r / 4));
        EXPECT_EQ(group->text(), QString::number(r / 4));
      } else {
        EXPECT_EQ(group, nullptr) << r;
      }
    }
  }
  const FiltrationDataInitParam sent = pressOk();
  for (int i = 0; i < 256; ++i) EXPECT_EQ(sent.ChannelFlags[i], i == 40 ? 0 : 1) << i;

  click(dialog.ui.checkBox_SelectAll);  // select none touches only the 32 shown channels
  EXPECT_TRUE(checkedChannels(32).empty());
  EXPECT_TRUE(dialog.channelBox(32)->isChecked());
}

TEST_F(FilterDialog, EchoRowsAndBack) {
  dialog.setChannelCountAndEcho(16, true);
  EXPECT_EQ(checkedChannels(16), (std::vector<int>{5, 6, 7, 8, 9}));
  for (int g = 0; g < 4; ++g) EXPECT_EQ(dialog.groupBox(g)->isChecked(), g == 1) << g;
  for (int r = 0; r < 16; ++r) {
    const QString expected = r >= 5 && r <= 9 ? QStringLiteral("Echo %1").arg(r - 5) : QString::number(r);
    EXPECT_EQ(table()->item(r, 2)->text(), expected);
  }

  dialog.setChannelCountAndEcho(16, false);
  EXPECT_EQ(checkedChannels(16).size(), 16u);
  for (int r = 5; r <= 9; ++r) EXPECT_EQ(table()->item(r, 2)->text(), QString::number(r));
}

TEST_F(FilterDialog, ModelNameWithBrenikHidesTheGroupColumn) {
  currentLidarType = QStringLiteral("LidarType_Brenik64");
  dialog.setChannelCountAndEcho(64, false);
  EXPECT_TRUE(table()->isColumnHidden(0));
  currentLidarType = QStringLiteral("LidarType_Kaldor_v4_0");
  dialog.setChannelCountAndEcho(64, false);
  EXPECT_FALSE(table()->isColumnHidden(0));
}

// Counts and groupings from outside never divide by zero, run past the 256 channels or need
// more than 64 group boxes; a partial last group covers only the channels shown.
TEST_F(FilterDialog, OutOfRangeCountsAndGroupingsAreClamped) {
  struct Case {
    int perGroup, count;
    int groupSize, shownRows, groups;
  };
  const Case cases[] = {
      {0, 256, 4, 256, 64},   // no channels per group
      {4, -1, 4, 0, 0},       // negative count
      {4, 300, 4, 256, 64},   // more than the table holds
      {1, 256, 4, 256, 64},   // would need 256 group boxes
      {1, 32, 1, 32, 32},
      {4, 30, 4, 30, 8},      // last group: channels 28 and 29 only
      {-3, 10, 1, 10, 10},
      {1000, 20, 1000, 20, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "per group " << c.perGroup << ", count " << c.count);
    dialog.mChannelsPerGroup = c.perGroup;
    dialog.setChannelCountAndEcho(c.count, false);
    EXPECT_EQ(dialog.groupSize(), c.groupSize);
    int shown = 0, groups = 0;
    for (int r = 0; r < 256; ++r) {
      if (table()->isRowHidden(r)) continue;
      ++shown;
      if (groupBoxInRow(r)) ++groups;
    }
    EXPECT_EQ(shown, c.shownRows);
    EXPECT_EQ(groups, c.groups);

    // Every control still works on the clamped layout.
    click(dialog.ui.pushButton_toggleselection);
    click(dialog.ui.checkBox_SelectAll);
    click(dialog.ui.checkBox_SelectAll);
    if (c.groups > 0) {
      QCheckBox* last = dialog.groupBox(c.groups - 1);
      click(last);
      EXPECT_FALSE(last->isChecked());
      for (int i = (c.groups - 1) * c.groupSize; i < 256; ++i)
        EXPECT_EQ(dialog.channelBox(i)->isChecked(), i >= std::max(c.shownRows, 0)) << i;
    }
    pressOk();
    dialog.mChannelsPerGroup = 4;
    dialog.setChannelCountAndEcho(256, false);
  }
}

TEST_F(FilterDialog, RelayoutReusesTheSameCheckBoxes) {
  std::vector<QPointer<QCheckBox>> groups;
  for (int g = 0; g < 64; ++g) groups.emplace_back(dialog.groupBox(g));
  const int boxes = dialog.findChildren<QCheckBox*>().size();
  const int counts[][2] = {{8, 64}, {2, 16}, {4, 256}, {16, 128}, {4, 256}};
  for (const auto& layout : counts) {
    dialog.mChannelsPerGroup = layout[0];
    dialog.setChannelCountAndEcho(layout[1], layout[1] == 16);
    QApplication::processEvents();  // let deferred deletions run
  }
  for (int g = 0; g < 64; ++g) {
    ASSERT_FALSE(groups[g].isNull()) << g;
    EXPECT_EQ(groups[g].data(), dialog.groupBox(g));
  }
  EXPECT_EQ(dialog.findChildren<QCheckBox*>().size(), boxes);
}

}  // namespace
