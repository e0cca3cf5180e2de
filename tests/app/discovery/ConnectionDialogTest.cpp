// The connection dialog offscreen: model lists, the family rule, the checks on OK and the
// discovery rounds.
#include "DeviceLookupConnection.h"
#include "NetWorkAdapterView.h"

#include "MessageBoxSeam.h"
#include "ProgramSettings.h"
#include "QtPrinters.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList comboItems(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

NetworkInfoARP sensor(const QString& mac, const QString& ip, int dataPort, int devPort) {
  NetworkInfoARP found;
  found.srcMAC = mac;
  found.dstMAC = "ff-ff-ff-ff-ff-ff";
  found.srcIP = ip;
  found.dstIP = "192.168.1.50";
  found.dataPort = dataPort;
  found.devPort = devPort;
  return found;
}

class ConnectionDialog : public ::testing::Test {
protected:
  void SetUp() override {
    registerLidarInitParamMetaType();
    qRegisterMetaType<QVector<NetworkInfoARP>>("QVector<NetworkInfoARP>");
    LidarType_Velkor = QStringList{"LidarType_Ulmeth", "LidarType_Coravel"};
    LidarType_oldVelkor = QStringList{"LidarType_Gavrin"};
    LidarType_Kaldor = QStringList{"LidarType_Kaldor_v4_0", "LidarType_Zentra", "lidartype_zentra"};
    LidarType_Rendal = QStringList{"LidarType_Sembrel", "LidarType_Gavrin"};
  }
  void TearDown() override {
    for (QStringList* list : {&LidarType_Velkor, &LidarType_oldVelkor, &LidarType_Kaldor, &LidarType_Rendal})
      list->clear();
  }

  template <typename T>
  static T* child(const QWidget& dialog, const char* name) {
    T* found = dialog.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  QStringList shown;
  ScopedMessageBoxHook hook{[this](QWidget*, const QString& title, const QString& text,
                                   QMessageBox::StandardButtons, QMessageBox::StandardButton) {
    shown << title + "|" + text;
    return QMessageBox::Ok;
  }};
};

TEST_F(ConnectionDialog, SeriesRadiosFillTheModelBoxFromTheConfigurationLists) {
  DeviceLookupConnection dialog;
  auto* combo = child<QComboBox>(dialog, "comboBox_LidarType");
  EXPECT_TRUE(child<QRadioButton>(dialog, "radioButton_Velkor")->isChecked());
  EXPECT_EQ(comboItems(combo), LidarType_Velkor + LidarType_oldVelkor);

  const struct { const char* radio; QStringList expected; } cases[] = {
      {"radioButton_Kaldor", LidarType_Kaldor},
      {"radioButton_Rendal", LidarType_Rendal},
      {"radioButton_Velkor", LidarType_Velkor + LidarType_oldVelkor},
  };
  for (const auto& c : cases) {
    QTest::mouseClick(child<QRadioButton>(dialog, c.radio), Qt::LeftButton);
    EXPECT_EQ(comboItems(combo), c.expected) << c.radio;
  }
}

TEST_F(ConnectionDialog, EmptyListsHideTheirRadiosAndTheShownKeysKeepTheirRadio) {
  const QStringList velkor = LidarType_Velkor, kaldor = LidarType_Kaldor, rendal = LidarType_Rendal;
  const struct {
    const char* name;
    bool hasVelkor, hasKaldor, hasRendal;
    QStringList combo;
    const char* checked;
  } cases[] = {
      {"no Kaldor keys", true, false, true, velkor + LidarType_oldVelkor, "radioButton_Velkor"},
      {"no Velkor keys", false, true, true, rendal, "radioButton_Rendal"},
      {"Kaldor keys only", false, true, false, kaldor, "radioButton_Kaldor"},
  };
  for (const auto& c : cases) {
    LidarType_Velkor = c.hasVelkor ? velkor : QStringList{};
    LidarType_Kaldor = c.hasKaldor ? kaldor : QStringList{};
    LidarType_Rendal = c.hasRendal ? rendal : QStringList{};
    DeviceLookupConnection dialog;
    EXPECT_EQ(child<QRadioButton>(dialog, "radioButton_Velkor")->isHidden(), !c.hasVelkor) << c.name;
    EXPECT_EQ(child<QRadioButton>(dialog, "radioButton_Kaldor")->isHidden(), !c.hasKaldor) << c.name;
    EXPECT_EQ(child<QRadioButton>(dialog, "radioButton_Rendal")->isHidden(), !c.hasRendal) << c.name;
    EXPECT_EQ(comboItems(child<QComboBox>(dialog, "comboBox_LidarType")), c.combo) << c.name;
    EXPECT_TRUE(child<QRadioButton>(dialog, c.checked)->isChecked()) << c.name;
  }
}

TEST_F(ConnectionDialog, FamilyFollowsTheRadioUnlessTheModelKeyNamesItsOwn) {
  const struct { const char* radio; const char* key; int family; } cases[] = {
      {"radioButton_Velkor", "LidarType_Ulmeth", 1},
      {"radioButton_Kaldor", "LidarType_Kaldor_v4_0", 0},
      {"radioButton_Rendal", "LidarType_Sembrel", 3},
      {"radioButton_Kaldor", "LidarType_Zentra", 4},
      {"radioButton_Kaldor", "lidartype_zentra", 0},  // exact, case-sensitive
      {"radioButton_Velkor", "LidarType_Gavrin", 5},
      {"radioButton_Rendal", "LidarType_Gavrin", 5},
  };
  for (const auto& c : cases) {
    DeviceLookupConnection dialog;
    dialog.adapterView()->m_stDevName = "lo";
    QSignalSpy sent(&dialog, &DeviceLookupConnection::onSendLidarInitParamSignal);
    QTest::mouseClick(child<QRadioButton>(dialog, c.radio), Qt::LeftButton);
    auto* combo = child<QComboBox>(dialog, "comboBox_LidarType");
    combo->setCurrentText(c.key);
    ASSERT_EQ(combo->currentText(), c.key);
    QTest::mouseClick(child<QPushButton>(dialog, "pBn_OK"), Qt::LeftButton);
    ASSERT_EQ(sent.count(), 1) << c.key;
    const auto param = sent.at(0).at(0).value<LidarInitParam>();
    EXPECT_EQ(param.lidarType, c.key);
    EXPECT_EQ(param.lidarFamily, c.family) << c.radio << " " << c.key;
  }
  EXPECT_TRUE(shown.isEmpty()) << shown.join("; ").toStdString();
}

TEST_F(ConnectionDialog, OkEmitsTheRecordFromTheEditsAndCloses) {
  DeviceLookupConnection dialog;
  dialog.adapterView()->m_stDevName = "lo";
  dialog.show();
  QSignalSpy sent(&dialog, &DeviceLookupConnection::onSendLidarInitParamSignal);
  const struct { const char* edit; const char* text; } typed[] = {
      {"lineEdit_LidarIP", "10.0.0.7"}, {"lineEdit_DestIP", "10.0.0.1"},
      {"lineEdit_DataPort", "1024"},   {"lineEdit_DevPort", "65535"},
  };
  for (const auto& t : typed) {
    auto* edit = child<QLineEdit>(dialog, t.edit);
    edit->clear();
    QTest::keyClicks(edit, t.text);
  }
  QTest::mouseClick(child<QPushButton>(dialog, "pBn_OK"), Qt::LeftButton);

  ASSERT_EQ(sent.count(), 1) << shown.join("; ").toStdString();
  const auto param = sent.at(0).at(0).value<LidarInitParam>();
  EXPECT_EQ(param.lidarType, "LidarType_Ulmeth");
  EXPECT_EQ(param.lidarIP, "10.0.0.7");
  EXPECT_EQ(param.destIP, "10.0.0.1");
  EXPECT_EQ(param.multicastIP, "226.1.1.102");
  EXPECT_EQ(param.dataPort, 1024);
  EXPECT_EQ(param.devPort, 65535);
  EXPECT_EQ(param.lidarFamily, 1);
  const LidarInitParam defaults;
  EXPECT_EQ(param.isUse, defaults.isUse);
  EXPECT_EQ(param.headLength, defaults.headLength);
  EXPECT_EQ(param.dataLength, defaults.dataLength);
  EXPECT_EQ(dialog.adapterView()->recordDataPort, 1024);
  EXPECT_EQ(dialog.adapterView()->recordDevPort, 65535);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ConnectionDialog, OkRefusesAddressesAndPortsWithoutAcceptableInput) {
  const struct { const char* edit; const char* text; const char* message; } cases[] = {
      {"lineEdit_DataPort", "1023", "Data Port must be a number from 1024 to 65535!"},
      {"lineEdit_DevPort", "65536", "Dev Port must be a number from 1024 to 65535!"},
      {"lineEdit_DevPort", "", "Dev Port must be a number from 1024 to 65535!"},
      {"lineEdit_LidarIP", "192.168.1", "Lidar IP must be an IPv4 address such as 192.168.1.200!"},
      {"lineEdit_DestIP", "10.0.0.", "Dest IP must be an IPv4 address such as 192.168.1.200!"},
  };
  for (const auto& c : cases) {
    shown.clear();
    DeviceLookupConnection dialog;
    dialog.adapterView()->m_stDevName = "lo";
    dialog.show();
    QSignalSpy sent(&dialog, &DeviceLookupConnection::onSendLidarInitParamSignal);
    auto* edit = child<QLineEdit>(dialog, c.edit);
    edit->clear();
    QTest::keyClicks(edit, c.text);
    QTest::mouseClick(child<QPushButton>(dialog, "pBn_OK"), Qt::LeftButton);
    EXPECT_EQ(sent.count(), 0) << c.edit << "=" << c.text << " gave " << edit->text().toStdString();
    EXPECT_EQ(shown, QStringList{QString("warring|") + c.message}) << c.edit << "=" << c.text;
    EXPECT_TRUE(dialog.isVisible());
  }
}

TEST_F(ConnectionDialog, OkAsksForAnAdapterOnlyWhenAdaptersAreListed) {
  DeviceLookupConnection dialog;
  ASSERT_GT(dialog.adapterView()->adapterCount, 0);  // loopback at least
  QSignalSpy sent(&dialog, &DeviceLookupConnection::onSendLidarInitParamSignal);
  dialog.adapterView()->hide();
  QTest::mouseClick(child<QPushButton>(dialog, "pBn_OK"), Qt::LeftButton);
  EXPECT_EQ(sent.count(), 0);
  EXPECT_EQ(shown, QStringList{"warring|Please Select the captured network adapter"});
  EXPECT_FALSE(dialog.adapterView()->isHidden());

  dialog.adapterView()->adapterCount = 0;  // a machine without capture adapters
  QTest::mouseClick(child<QPushButton>(dialog, "pBn_OK"), Qt::LeftButton);
  EXPECT_EQ(sent.count(), 1);
}

TEST_F(ConnectionDialog, ThreeEmptyRoundsEndTheSearchWithTheMessage) {
  DeviceLookupConnection dialog;
  dialog.show();
  auto* query = child<QPushButton>(dialog, "pushButton_QueryMac");
  QTest::mouseClick(query, Qt::LeftButton);
  EXPECT_EQ(shown, QStringList{"warring|The Ethernet network port is empty!Select a network port first!"});
  shown.clear();

  // Loopback carries no ARP: every round comes back empty.
  NetWorkAdapterView* view = dialog.adapterView();
  view->m_stDevName = "lo";
  view->scanWindowMs = 200;
  QTest::mouseClick(child<QRadioButton>(dialog, "radioButton_PackageARP"), Qt::LeftButton);
  EXPECT_TRUE(view->isArpScan);
  QSignalSpy rounds(view, &NetWorkAdapterView::onSignalAllARP);
  QTest::mouseClick(query, Qt::LeftButton);
  EXPECT_FALSE(query->isEnabled());
  EXPECT_EQ(query->text(), "Checking Lidr equipment, please wait...");
  EXPECT_FALSE(child<QPushButton>(dialog, "pBn_OK")->isEnabled());
  EXPECT_FALSE(child<QPushButton>(dialog, "pBn_Cancel")->isEnabled());

  ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 10000));
  EXPECT_EQ(shown, QStringList{"warring|No Lidaer devices were found in the network!"});
  EXPECT_EQ(rounds.count(), 3);
  EXPECT_TRUE(query->isEnabled());
  EXPECT_EQ(query->text(), "Query Lidar equipment");
  EXPECT_TRUE(child<QPushButton>(dialog, "pBn_OK")->isEnabled());
  EXPECT_TRUE(child<QPushButton>(dialog, "pBn_Cancel")->isEnabled());
  QTest::qWait(400);
  EXPECT_EQ(rounds.count(), 3) << "no fourth round";
}

TEST_F(ConnectionDialog, FoundSensorsFillTheListAndTheEdits) {
  DeviceLookupConnection dialog;
  dialog.show();
  // Only the dialog's side: the retries it asks for are counted, not run.
  QObject::disconnect(&dialog, SIGNAL(onSignalQueryARP_Mac()), dialog.adapterView(),
                      SLOT(onSlotQueryARP_Mac()));
  QSignalSpy retries(&dialog, &DeviceLookupConnection::onSignalQueryARP_Mac);
  dialog.onSignalAllARP({});
  dialog.onSignalAllARP({});
  EXPECT_EQ(retries.count(), 2);
  EXPECT_TRUE(shown.isEmpty());

  dialog.onSignalAllARP({sensor("02-4c-56-00-00-01", "192.168.1.201", 3001, 3002),
                         sensor("02-4c-56-00-00-02", "192.168.1.202", 4001, 4002)});
  EXPECT_EQ(shown, QStringList{"warring|Find Lidar Dev Packet Complete!"});
  auto* list = child<QListView>(dialog, "listView_QueryMac");
  EXPECT_EQ(list->model()->rowCount(), 2);
  EXPECT_EQ(list->model()->index(1, 0).data().toString(), "02-4c-56-00-00-02");
  EXPECT_EQ(list->currentIndex().row(), 0);
  const auto edits = [&] {
    QStringList texts;
    for (const char* name : {"lineEdit_LidarIP", "lineEdit_DestIP", "lineEdit_DataPort", "lineEdit_DevPort"})
      texts << child<QLineEdit>(dialog, name)->text();
    return texts;
  };
  EXPECT_EQ(edits(), (QStringList{"192.168.1.201", "192.168.1.50", "3001", "3002"}));

  const QRect second = list->visualRect(list->model()->index(1, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(edits(), (QStringList{"192.168.1.202", "192.168.1.50", "4001", "4002"}));

  // ARP frames carry no ports: the edits keep theirs.
  shown.clear();
  QTest::mouseClick(child<QRadioButton>(dialog, "radioButton_PackageARP"), Qt::LeftButton);
  dialog.onSignalAllARP({sensor("02-4c-56-00-00-03", "10.0.0.3", 0, 0)});
  EXPECT_EQ(shown, QStringList{"warring|Find ARP Complete!"});
  EXPECT_EQ(edits(), (QStringList{"10.0.0.3", "192.168.1.50", "4001", "4002"}));
}

}  // namespace
