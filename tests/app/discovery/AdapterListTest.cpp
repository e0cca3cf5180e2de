// The machine's adapters as the capture library and the adapter view list them.
#include "NetWorkAdapterView.h"
#include "NetworkAdapters.h"

#include "MessageBoxSeam.h"
#include "QtPrinters.h"

#include <QSignalSpy>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(AdapterList, ListsLoopbackWithItsAddressAndLeavesOutPseudoDevices) {
  std::string error;
  const auto adapters = lumivar::listNetworkAdapters(&error);
  ASSERT_TRUE(error.empty()) << error;
  const auto named = [&](const std::string& name) {
    return std::find_if(adapters.begin(), adapters.end(),
                        [&](const lumivar::NetworkAdapter& a) { return a.name == name; });
  };
  const auto loopback = named("lo");
  ASSERT_NE(loopback, adapters.end());
  EXPECT_EQ(loopback->kind, lumivar::AdapterKind::Loopback);
  EXPECT_EQ(loopback->connectionName, "lo");
  ASSERT_FALSE(loopback->addresses.empty());
  EXPECT_EQ(loopback->addresses.front(), "127.0.0.1");
  EXPECT_EQ(loopback->masks.front(), "255.0.0.0");
  EXPECT_EQ(named("any"), adapters.end());
  for (const auto& adapter : adapters)
    EXPECT_EQ(adapter.addresses.size(), adapter.masks.size()) << adapter.name;
}

TEST(AdapterList, HardwareTypesMapToTheTableKinds) {
  const struct { int hardwareType; lumivar::AdapterKind kind; } cases[] = {
      {1, lumivar::AdapterKind::Ethernet},   {772, lumivar::AdapterKind::Loopback},
      {512, lumivar::AdapterKind::Ppp},      {774, lumivar::AdapterKind::Fddi},
      {256, lumivar::AdapterKind::Slip},     {800, lumivar::AdapterKind::TokenRing},
      {65534, lumivar::AdapterKind::Other},  {-1, lumivar::AdapterKind::Other},
  };
  for (const auto& c : cases)
    EXPECT_EQ(lumivar::adapterKindFromHardwareType(c.hardwareType), c.kind) << c.hardwareType;
}

int rowOf(QTableWidget* table, const QString& captureName) {
  for (int row = 0; row < table->rowCount(); ++row)
    if (table->item(row, 0)->data(Qt::UserRole).toString() == captureName) return row;
  return -1;
}

TEST(AdapterList, ViewShowsLoopbackAndOkChoosesTheCurrentRow) {
  NetWorkAdapterView view;
  QTableWidget* table = view.findChild<QTableWidget*>("tableWidget");
  EXPECT_EQ(view.adapterCount, table->rowCount());
  EXPECT_EQ(table->currentRow(), 0);
  const int row = rowOf(table, "lo");
  ASSERT_GE(row, 0);
  EXPECT_EQ(table->item(row, 0)->text(), QString::number(row + 1));
  EXPECT_EQ(table->item(row, 1)->text(), "lo");
  EXPECT_EQ(table->item(row, 3)->text(), QString::fromUtf8("Loopback适配器"));
  const QString tip = table->item(row, 2)->toolTip();
  EXPECT_TRUE(tip.contains(QString::fromUtf8("IP地址：127.0.0.1"))) << tip.toStdString();
  EXPECT_TRUE(tip.startsWith(QString::fromUtf8("网卡名称：lo\n"))) << tip.toStdString();
  EXPECT_TRUE(tip.contains(QString::fromUtf8("MAC地址：0-0-0-0-0-0"))) << tip.toStdString();
  EXPECT_EQ(view.adapterMap().count("lo"), 1);
  EXPECT_EQ(view.adapterMap().count("any"), 0);

  QSignalSpy finished(&view, &NetWorkAdapterView::onSelectNetFinishSignal);
  table->setCurrentCell(row, 1);
  QTest::mouseClick(view.findChild<QPushButton*>("Btn_Ensure"), Qt::LeftButton);
  EXPECT_EQ(view.m_stDevName, "lo");
  EXPECT_TRUE(view.isAccepted);
  EXPECT_EQ(finished.count(), 1);
}

TEST(AdapterList, OkWithoutACurrentRowAsksForAnAdapter) {
  QStringList shown;
  ScopedMessageBoxHook hook([&](QWidget*, const QString& title, const QString& text,
                                QMessageBox::StandardButtons, QMessageBox::StandardButton) {
    shown << title + "|" + text;
    return QMessageBox::Ok;
  });
  NetWorkAdapterView view;
  QSignalSpy cancelled(&view, &NetWorkAdapterView::Sig_CancelRecord);
  view.findChild<QTableWidget*>("tableWidget")->setCurrentCell(-1, -1);
  QTest::mouseClick(view.findChild<QPushButton*>("Btn_Ensure"), Qt::LeftButton);
  EXPECT_EQ(shown, QStringList{"warring|Please Select the captured network adapter"});
  EXPECT_TRUE(view.m_stDevName.empty());

  view.show();
  QTest::mouseClick(view.findChild<QPushButton*>("Btn_Cancel"), Qt::LeftButton);
  EXPECT_FALSE(view.isVisible());
  EXPECT_GE(cancelled.count(), 1);
}

}  // namespace
