#include "FiltrationData.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidgetItem>

#include <algorithm>
#include <utility>

#include "DialogFrame.h"
#include "ProgramSettings.h"

namespace {
constexpr int kGroupColumn = 0;
constexpr int kChannelColumn = 1;
constexpr int kNumberColumn = 2;
constexpr int kFirstEchoRow = 5;  // rows 5-9 read "Echo 0" to "Echo 4" on echo models
constexpr int kEchoRows = 5;

constexpr const char* kHeaderStyle =
    "QHeaderView::section { background-color: rgb(1, 20, 45); color: rgb(240, 240, 240); border: none; }";
constexpr const char* kTableStyle =
    "QTableWidget { background-color: rgb(1, 20, 45); color: rgb(240, 240, 240); }"
    "QTableWidget::item { color: white; background-color: rgb(1, 20, 45); "
    "border: 3px solid #002060; padding: 5px; }"
    "QTableWidget::item:alternate { background-color: #323232; }";
}  // namespace

FiltrationData::FiltrationData(QWidget* parent) : MyWidget(parent) {
  registerFiltrationDataInitParam();
  ui.setupUi(this);
  DialogFrame::prepareWindow(this);
  connect(ui.pushButton_OK, SIGNAL(clicked()), this, SLOT(onOK_Clicked()));
  connect(ui.pushButton_Cencel, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  connect(ui.widget_title->pushButtonClose, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  connect(ui.checkBox_SelectAll, SIGNAL(clicked()), this, SLOT(Checkstate()));
  connect(ui.pushButton_toggleselection, SIGNAL(clicked()), this, SLOT(Parity()));
  DialogFrame::applyButtonStyling(this);
  buildChannelTable();
}

FiltrationData::~FiltrationData() {
  // Boxes placed in the table die with it: the table keeps raw pointers to its cell widgets
  // and would touch a box deleted under it. Only the boxes out of the table are ours to delete.
  for (QCheckBox*& box : mChannelBoxes)
    if (box && !box->parent()) delete std::exchange(box, nullptr);
  for (QCheckBox*& box : mGroupBoxes)
    if (box && !box->parent()) delete std::exchange(box, nullptr);
}

QCheckBox* FiltrationData::channelBox(int channel) const {
  return channel >= 0 && channel < kMaxChannels ? mChannelBoxes[channel] : nullptr;
}

QCheckBox* FiltrationData::groupBox(int group) const {
  return group >= 0 && group < kMaxGroups ? mGroupBoxes[group] : nullptr;
}

void FiltrationData::buildChannelTable() {
  mSelectAllState = false;
  mParityState = false;
  QTableWidget* table = ui.tableWidget_laserselection;
  table->setColumnCount(3);
  table->setRowCount(kMaxChannels);
  table->verticalHeader()->hide();
  table->setHorizontalHeaderLabels({QStringLiteral(" "), QStringLiteral(" "), QStringLiteral("Channel")});
  table->setSelectionBehavior(QAbstractItemView::SelectItems);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);

  for (int i = 0; i < kMaxChannels; ++i) {
    auto* box = new QCheckBox();
    box->setChecked(true);
    box->setObjectName(QString::number(i));
    connect(box, SIGNAL(clicked()), this, SLOT(On42CheckBoxChange()));
    mChannelBoxes[i] = box;

    auto* holder = new QWidget();
    auto* holderLayout = new QHBoxLayout(holder);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    mGroupHolders[i] = holder;

    table->setCellWidget(i, kGroupColumn, holder);
    table->setCellWidget(i, kChannelColumn, box);
    auto* number = new QTableWidgetItem(QString::number(i));
    number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    table->setItem(i, kNumberColumn, number);
  }
  // Created once and moved between rows when the grouping changes.
  for (int g = 0; g < kMaxGroups; ++g) {
    auto* box = new QCheckBox(QString::number(g));
    box->setObjectName(QString::number(g));
    connect(box, SIGNAL(clicked()), this, SLOT(OnCheckBoxChange_42()));
    mGroupBoxes[g] = box;
  }

  setChannelCountAndEcho(mChannelCount, false);
  ui.checkBox_SelectAll->setChecked(true);
  table->setStyleSheet(QString::fromLatin1(kTableStyle));
  table->show();
}

void FiltrationData::setHeaderStyles() {
  const QString style = QString::fromLatin1(kHeaderStyle);
  ui.tableWidget_laserselection->horizontalHeader()->setStyleSheet(style);
  ui.tableWidget_laserselection->verticalHeader()->setStyleSheet(style);
}

int FiltrationData::groupCount() const { return (mChannelCount + mGroupSize - 1) / mGroupSize; }

void FiltrationData::setChannelCountAndEcho(int channelCount, bool echoRows) {
  // The count and grouping come from the driver; keep them inside the table and the 64 group
  // boxes whatever they are.
  mChannelCount = std::clamp(channelCount, 0, kMaxChannels);
  const int fewestPerGroup = (mChannelCount + kMaxGroups - 1) / kMaxGroups;
  mGroupSize = std::max({1, mChannelsPerGroup, fewestPerGroup});
  mChannelsPerGroup = mGroupSize;

  QTableWidget* table = ui.tableWidget_laserselection;
  if (!echoRows) {
    mGroupChecked.fill(1);
    for (int i = 0; i < mChannelCount; ++i) mChannelBoxes[i]->setChecked(true);
    for (int r = kFirstEchoRow; r < kFirstEchoRow + kEchoRows; ++r)
      table->item(r, kNumberColumn)->setText(QString::number(r));
  } else {
    mGroupChecked.fill(0);
    for (int i = 0; i < mChannelCount; ++i) mChannelBoxes[i]->setChecked(false);
    for (int r = kFirstEchoRow; r < kFirstEchoRow + kEchoRows; ++r) {
      mGroupChecked[1] = 1;
      mChannelBoxes[r]->setChecked(true);
      table->item(r, kNumberColumn)->setText(QStringLiteral("Echo %1").arg(r - kFirstEchoRow));
    }
  }
  for (int g = 0; g < kMaxGroups; ++g) mGroupBoxes[g]->setChecked(mGroupChecked[g] == 1);

  table->setColumnHidden(kGroupColumn, currentLidarType.contains(QLatin1String("Brenik")));
  for (int r = 0; r < kMaxChannels; ++r) table->setRowHidden(r, r >= mChannelCount);
  placeGroupBoxes();
  setHeaderStyles();
}

void FiltrationData::placeGroupBoxes() {
  const int groups = groupCount();
  for (int g = 0; g < kMaxGroups; ++g) {
    QCheckBox* box = mGroupBoxes[g];
    if (g < groups) {
      QWidget* holder = mGroupHolders[g * mGroupSize];
      if (box->parentWidget() != holder) holder->layout()->addWidget(box);
      box->show();
    } else if (box->parentWidget()) {
      box->hide();
      box->setParent(nullptr);  // still ours; the destructor deletes it
    }
  }
}

void FiltrationData::recomputeGroups() {
  const int groups = groupCount();
  for (int g = 0; g < groups; ++g) {
    const int first = g * mGroupSize;
    const int end = std::min(first + mGroupSize, mChannelCount);
    bool all = true;
    for (int i = first; i < end && all; ++i) all = mChannelBoxes[i]->isChecked();
    mGroupBoxes[g]->setChecked(all);
    mGroupChecked[g] = all ? 1 : 0;
  }
}

void FiltrationData::onOK_Clicked() {
  struct RangeRow {
    QCheckBox* enabled;
    QDoubleSpinBox* minimum;
    QDoubleSpinBox* maximum;
  };
  // Record order: horizontal angle, vertical angle, distance, intensity, x, y, z.
  const std::array<RangeRow, 7> rows{{
      {ui.cBx_H_Angle, ui.dSBx_min_H_Angle, ui.dSBx_max_H_Angle},
      {ui.cBx_V_Angle, ui.dSBx_min_V_Angle, ui.dSBx_max_V_Angle},
      {ui.cBx_Distance, ui.dSBx_min_Distance, ui.dSBx_max_Distance},
      {ui.cBx_Intensity, ui.dSBx_min_Intensity, ui.dSBx_max_Intensity},
      {ui.cBx_X, ui.dSBx_min_X, ui.dSBx_max_X},
      {ui.cBx_Y, ui.dSBx_min_Y, ui.dSBx_max_Y},
      {ui.cBx_Z, ui.dSBx_min_Z, ui.dSBx_max_Z},
  }};
  FiltrationDataInitParam param;
  float* pairs = param.pairs();
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const bool on = rows[k].enabled->isChecked();
    pairs[2 * k] = on ? static_cast<float>(rows[k].minimum->value()) : filterOffValue();
    pairs[2 * k + 1] = on ? static_cast<float>(rows[k].maximum->value()) : filterOffValue();
  }
  for (int i = 0; i < kMaxChannels; ++i) param.ChannelFlags[i] = mChannelBoxes[i]->isChecked() ? 1 : 0;
  mFiltrationParam = param;
  emit sendFiltrationDataParamSignal(mFiltrationParam);
}

void FiltrationData::onCancel_Clicked() { close(); }

void FiltrationData::Checkstate() {
  for (int i = 0; i < mChannelCount; ++i) mChannelBoxes[i]->setChecked(mSelectAllState);
  mSelectAllState = !mSelectAllState;
  recomputeGroups();
}

void FiltrationData::Parity() {
  for (int i = 0; i < mChannelCount; ++i) {
    const bool oddGroup = (i / mGroupSize) % 2 == 1;
    mChannelBoxes[i]->setChecked(mParityState ? oddGroup : !oddGroup);
  }
  mParityState = !mParityState;
  recomputeGroups();
}

void FiltrationData::On42CheckBoxChange() { recomputeGroups(); }

void FiltrationData::OnCheckBoxChange_42() {
  auto* box = qobject_cast<QCheckBox*>(sender());
  if (!box) return;
  bool ok = false;
  const int g = box->objectName().toInt(&ok);
  if (!ok || g < 0 || g >= groupCount()) return;
  const bool checked = box->isChecked();
  const int first = g * mGroupSize;
  const int end = std::min(first + mGroupSize, mChannelCount);
  for (int i = first; i < end; ++i) mChannelBoxes[i]->setChecked(checked);
  mGroupChecked[g] = checked ? 1 : 0;
}
