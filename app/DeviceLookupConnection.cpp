#include "DeviceLookupConnection.h"

#include "DialogFrame.h"
#include "DialogTitleBar.h"
#include "NetWorkAdapterView.h"
#include "ProgramSettings.h"
#include "ui_DeviceLookupConnection.h"

#include <QByteArray>
#include <QDebug>
#include <QIntValidator>
#include <QLineEdit>
#include <QRegExp>
#include <QRegExpValidator>
#include <QSet>

namespace {

constexpr int kMinPort = 1024;
constexpr int kMaxPort = 65535;  // 65536 would wrap to port 0 on the way to the driver

const char* const kIpPattern =
    "\\b(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}"
    "(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\b";

}  // namespace

DeviceLookupConnection::DeviceLookupConnection(QWidget* parent)
    : MyWidget(parent), ui(std::make_unique<Ui::DeviceLookupConnection>()) {
  ui->setupUi(this);
  DialogFrame::prepareWindow(this);  // quit-on-close off, frameless
  init();
  setStyleSheet(
      "background-color: rgb(1, 20, 45); color: rgb(240, 240, 240); QPushButton { "
      "background-color: red; }");
  DialogFrame::applyButtonStyling(this);
  ui->checkBox_MulticastIP->hide();
  ui->lineEdit_MulticastIP->hide();
}

DeviceLookupConnection::~DeviceLookupConnection() = default;

NetWorkAdapterView* DeviceLookupConnection::adapterView() const { return ui->widget_QueryNet; }

void DeviceLookupConnection::init() {
  qRegisterMetaType<QSet<QByteArray>>("QSet<QByteArray>");
  qRegisterMetaType<QVector<NetworkInfoARP>>("QVector<NetworkInfoARP>");

  NetWorkAdapterView* view = ui->widget_QueryNet;
  connect(this, SIGNAL(onSignalQueryARP_Mac()), view, SLOT(onSlotQueryARP_Mac()),
          Qt::QueuedConnection);
  connect(view, SIGNAL(onSignalAllARP(QVector<NetworkInfoARP>)), this,
          SLOT(onSignalAllARP(QVector<NetworkInfoARP>)));
  for (QRadioButton* radio : {ui->radioButton_Velkor, ui->radioButton_Kaldor, ui->radioButton_Rendal})
    connect(radio, SIGNAL(toggled(bool)), this, SLOT(onSeriesRadioToggled(bool)));
  for (QRadioButton* radio : {ui->radioButton_PackageDev, ui->radioButton_PackageARP})
    connect(radio, SIGNAL(toggled(bool)), this, SLOT(onPackageRadioToggled(bool)));
  connect(view, SIGNAL(onSelectNetFinishSignal()), this, SLOT(onGetSelectNetFinishSignal()));
  connect(ui->widget_title->pushButtonClose, SIGNAL(clicked()), this, SLOT(on_pBn_Cancel_clicked()));
  ui->widget_title->setTitlePointSize(18);

  // Each list that exists replaces the box's contents, so the last one filled stays.
  QRadioButton* shown = nullptr;
  if (!LidarType_Kaldor.isEmpty()) {
    ui->comboBox_LidarType->clear();
    ui->comboBox_LidarType->addItems(LidarType_Kaldor);
    shown = ui->radioButton_Kaldor;
  } else {
    ui->radioButton_Kaldor->hide();
  }
  if (!LidarType_Rendal.isEmpty()) {
    ui->comboBox_LidarType->clear();
    ui->comboBox_LidarType->addItems(LidarType_Rendal);
    shown = ui->radioButton_Rendal;
  } else {
    ui->radioButton_Rendal->hide();
  }
  if (!LidarType_Velkor.isEmpty()) {
    ui->comboBox_LidarType->clear();
    ui->comboBox_LidarType->addItems(LidarType_Velkor + LidarType_oldVelkor);
    shown = ui->radioButton_Velkor;
  } else {
    ui->radioButton_Velkor->hide();
  }
  // The checked radio decides the family on OK: it must be the one whose keys are shown,
  // not a hidden one.
  if (shown && !shown->isChecked()) shown->setChecked(true);

  ui->listView_QueryMac->setModel(&foundModel);
  ui->listView_QueryMac->setEditTriggers(QAbstractItemView::NoEditTriggers);

  const QRegExp ipPattern(kIpPattern, Qt::CaseSensitive);
  for (QLineEdit* edit : {ui->lineEdit_LidarIP, ui->lineEdit_DestIP, ui->lineEdit_MulticastIP})
    edit->setValidator(new QRegExpValidator(ipPattern, edit));
  for (QLineEdit* edit : {ui->lineEdit_DataPort, ui->lineEdit_DevPort})
    edit->setValidator(new QIntValidator(kMinPort, kMaxPort, edit));
}

void DeviceLookupConnection::fillModelBox(const QString& family) {
  ui->comboBox_LidarType->clear();
  if (family == "Velkor")
    ui->comboBox_LidarType->addItems(LidarType_Velkor + LidarType_oldVelkor);
  else if (family == "Kaldor")
    ui->comboBox_LidarType->addItems(LidarType_Kaldor);
  else if (family == "Rendal")
    ui->comboBox_LidarType->addItems(LidarType_Rendal);
}

void DeviceLookupConnection::onSeriesRadioToggled(bool checked) {
  if (!checked) return;
  auto* radio = qobject_cast<QRadioButton*>(sender());
  if (!radio) return;
  qDebug() << "Button" << radio->text() << "is checked";
  fillModelBox(radio->text());
}

void DeviceLookupConnection::onPackageRadioToggled(bool) {
  ui->widget_QueryNet->isArpScan = ui->radioButton_PackageARP->isChecked();
}

void DeviceLookupConnection::on_pushButton_QueryNet_clicked() {
  ui->widget_QueryNet->refreshAdapters();
  ui->widget_QueryNet->show();
}

void DeviceLookupConnection::on_pushButton_QueryMac_clicked() {
  if (ui->widget_QueryNet->m_stDevName.empty()) {
    DialogFrame::showWarring(tr("The Ethernet network port is empty!Select a network port first!"));
    return;
  }
  ui->pushButton_QueryMac->setText(tr("Checking Lidr equipment, please wait..."));
  ui->pushButton_QueryMac->setEnabled(false);
  foundNames.clear();
  foundModel.setStringList(foundNames);
  retryCount = 0;
  ui->pBn_OK->setEnabled(false);
  ui->pBn_Cancel->setEnabled(false);
  emit onSignalQueryARP_Mac();
}

void DeviceLookupConnection::onSignalAllARP(QVector<NetworkInfoARP> found) {
  ui->pushButton_QueryMac->setEnabled(true);
  if (found.isEmpty()) {
    ++retryCount;
    if (retryCount < kEmptyRoundsBeforeGivingUp) {
      emit onSignalQueryARP_Mac();
      return;
    }
    retryCount = 0;
    DialogFrame::showWarring(QString::fromLocal8Bit("No Lidaer devices were found in the network!"));
    ui->pushButton_QueryMac->setText(tr("Query Lidar equipment"));
  } else {
    retryCount = 0;
    ui->pushButton_QueryMac->setText(tr("Query Lidar equipment"));
    foundSensors.clear();
    foundNames.clear();
    for (const NetworkInfoARP& sensor : found) {
      foundSensors.append(sensor);
      foundNames << sensor.srcMAC;
    }
    foundModel.setStringList(foundNames);
    ui->listView_QueryMac->show();
    ui->listView_QueryMac->scrollToBottom();
    ui->listView_QueryMac->setCurrentIndex(foundModel.index(0));
    showSensor(0);
    DialogFrame::showWarring(ui->radioButton_PackageARP->isChecked()
                                 ? QStringLiteral("Find ARP Complete!")
                                 : QStringLiteral("Find Lidar Dev Packet Complete!"));
  }
  ui->pBn_OK->setEnabled(true);
  ui->pBn_Cancel->setEnabled(true);
}

void DeviceLookupConnection::showSensor(int row) {
  if (row < 0 || row >= foundSensors.size()) return;
  const NetworkInfoARP& sensor = foundSensors[row];
  ui->lineEdit_LidarIP->setText(sensor.srcIP);
  ui->lineEdit_DestIP->setText(sensor.dstIP);
  // ARP frames carry no ports: the edits keep theirs.
  if (sensor.dataPort != 0) ui->lineEdit_DataPort->setText(QString::number(sensor.dataPort));
  if (sensor.devPort != 0) ui->lineEdit_DevPort->setText(QString::number(sensor.devPort));
}

void DeviceLookupConnection::on_listView_QueryMac_clicked(QModelIndex index) {
  if (!foundSensors.isEmpty() && index.isValid()) showSensor(index.row());
}

void DeviceLookupConnection::on_listView_QueryMac_activated(QModelIndex index) {
  if (!foundSensors.isEmpty() && index.isValid()) showSensor(index.row());
}

QString DeviceLookupConnection::invalidEditMessage() const {
  const struct {
    const QLineEdit* edit;
    const char* name;
    bool isPort;
  } edits[] = {
      {ui->lineEdit_LidarIP, "Lidar IP", false},
      {ui->lineEdit_DestIP, "Dest IP", false},
      {ui->lineEdit_MulticastIP, "Multicast IP", false},
      {ui->lineEdit_DataPort, "Data Port", true},
      {ui->lineEdit_DevPort, "Dev Port", true},
  };
  for (const auto& entry : edits) {
    if (entry.edit->hasAcceptableInput()) continue;
    return entry.isPort
               ? tr("%1 must be a number from %2 to %3!").arg(entry.name).arg(kMinPort).arg(kMaxPort)
               : tr("%1 must be an IPv4 address such as 192.168.1.200!").arg(entry.name);
  }
  return {};
}

void DeviceLookupConnection::on_pBn_OK_clicked() {
  NetWorkAdapterView* view = ui->widget_QueryNet;
  if (view->adapterCount > 0 && view->m_stDevName.empty()) {
    view->show();
    DialogFrame::showWarring(tr("Please Select the captured network adapter"));
    return;
  }
  const QString invalid = invalidEditMessage();
  if (!invalid.isEmpty()) {
    DialogFrame::showWarring(invalid);
    return;
  }
  initParam.lidarType = ui->comboBox_LidarType->currentText();
  initParam.lidarIP = ui->lineEdit_LidarIP->text().toLocal8Bit().toStdString();
  initParam.destIP = ui->lineEdit_DestIP->text().toLocal8Bit().toStdString();
  initParam.multicastIP = ui->lineEdit_MulticastIP->text().toLocal8Bit().toStdString();
  initParam.dataPort = ui->lineEdit_DataPort->text().toInt();
  initParam.devPort = ui->lineEdit_DevPort->text().toInt();
  view->recordDataPort = initParam.dataPort;
  view->recordDevPort = initParam.devPort;

  if (ui->radioButton_Velkor->isChecked())
    initParam.lidarFamily = 1;
  else if (ui->radioButton_Kaldor->isChecked())
    initParam.lidarFamily = 0;
  else
    initParam.lidarFamily = 3;
  if (initParam.lidarType == "LidarType_Gavrin")
    initParam.lidarFamily = 5;
  else if (initParam.lidarType == "LidarType_Zentra")
    initParam.lidarFamily = 4;

  close();
  emit onSendLidarInitParamSignal(LidarInitParam(initParam));
}

void DeviceLookupConnection::on_pBn_Cancel_clicked() { close(); }

void DeviceLookupConnection::onGetSelectNetFinishSignal() {}
