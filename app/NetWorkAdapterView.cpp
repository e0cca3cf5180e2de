#include "NetWorkAdapterView.h"

#include "DialogFrame.h"
#include "NetworkAdapters.h"
#include "ui_NetWorkAdapterView.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QDebug>
#include <QHeaderView>
#include <QMenu>
#include <QStringList>
#include <QTableWidgetItem>

#include <array>

namespace {

struct TypeTextRow {
  lumivar::AdapterKind kind;
  const char* text;  // UTF-8
};
constexpr std::array<TypeTextRow, 7> kTypeTexts{{
    {lumivar::AdapterKind::Other, "其他类型适配器"},
    {lumivar::AdapterKind::Ethernet, "以太网适配器"},
    {lumivar::AdapterKind::TokenRing, "令牌环适配器"},
    {lumivar::AdapterKind::Fddi, "光纤分布数据接口适配器"},
    {lumivar::AdapterKind::Ppp, "PPP适配器"},
    {lumivar::AdapterKind::Loopback, "Loopback适配器"},
    {lumivar::AdapterKind::Slip, "Slip适配器"},
}};

std::string typeText(lumivar::AdapterKind kind) {
  if (kind == lumivar::AdapterKind::Other) qDebug() << "OTHER";
  if (kind == lumivar::AdapterKind::Ethernet) qDebug() << "ETHERNET";
  if (kind == lumivar::AdapterKind::TokenRing) qDebug() << "TOKENRING";
  for (const TypeTextRow& row : kTypeTexts)
    if (row.kind == kind) return row.text;
  return kTypeTexts[0].text;
}

// Hexadecimal without leading zeros, joined by "-".
std::string macText(const std::vector<unsigned char>& mac) {
  QStringList parts;
  for (unsigned char byte : mac) parts << QString::number(byte, 16);
  return parts.join('-').toStdString();
}

AdapterInfo adapterInfo(const lumivar::NetworkAdapter& adapter) {
  const QString separator = QStringLiteral("、");
  QStringList addresses, masks, gateways;
  for (std::size_t i = 0; i < adapter.addresses.size(); ++i) {
    addresses << QString::fromStdString(adapter.addresses[i]);
    masks << QString::fromStdString(adapter.masks[i]);
    gateways << QString::fromStdString(adapter.gateway);
  }
  AdapterInfo info;
  info.connectionName = adapter.connectionName;
  info.description = adapter.description;
  info.typeText = typeText(adapter.kind);
  info.macText = macText(adapter.mac);
  info.ipCount = std::to_string(adapter.addresses.size());
  info.ipAddresses = addresses.join(separator).toStdString();
  info.subnetMasks = masks.join(separator).toStdString();
  info.gateways = gateways.join(separator).toStdString();
  return info;
}

QString adapterToolTip(const AdapterInfo& info) {
  const auto text = [](const std::string& value) { return QString::fromStdString(value); };
  return QStringLiteral("%1%2\n%3%4\n%5%6\n%7%8\n%9%10\n%11%12\n%13%14\n%15%16")
      .arg(QStringLiteral("网卡名称："), text(info.connectionName))
      .arg(QStringLiteral("网卡描述："), text(info.description))
      .arg(QStringLiteral("网卡类型："), text(info.typeText))
      .arg(QStringLiteral("MAC地址："), text(info.macText))
      .arg(QStringLiteral("IP数量："), text(info.ipCount))
      .arg(QStringLiteral("IP地址："), text(info.ipAddresses))
      .arg(QStringLiteral("子关掩码："), text(info.subnetMasks))
      .arg(QStringLiteral("网关："), text(info.gateways));
}

}  // namespace

NetWorkAdapterView::NetWorkAdapterView(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::NetWorkAdapterView>()) {
  ui->setupUi(this);
  QTableWidget* table = ui->tableWidget;
  table->setColumnCount(4);
  table->setHorizontalHeaderLabels({"Number", "Name", "Description", "Type"});
  const std::array<int, 4> widths{80, 100, 240, 60};
  for (int column = 0; column < 4; ++column) table->setColumnWidth(column, widths[column]);
  table->horizontalHeader()->setStretchLastSection(true);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->setVisible(false);
  table->setContextMenuPolicy(Qt::CustomContextMenu);
  table->horizontalHeader()->setStyleSheet(
      "QHeaderView::section { background-color: rgb(1, 20, 45); color: rgb(240, 240, 240); }");
  table->setStyleSheet("selection-background-color:  #000080; selection-color: white;  ");

  m_Menu = new QMenu(this);
  m_RefreshAction = new QAction(tr("Refresh"), this);
  m_Menu->addAction(m_RefreshAction);

  connect(ui->Btn_Ensure, SIGNAL(clicked()), this, SLOT(OnBtnEnSureClicked()));
  connect(ui->Btn_Cancel, SIGNAL(clicked()), this, SLOT(OnBtnCancelClicked()));
  connect(m_RefreshAction, SIGNAL(triggered()), this, SLOT(on_triggered()));
  connect(table, SIGNAL(customContextMenuRequested(QPoint)), this,
          SLOT(on_customContextMenuRequested(QPoint)));
  refreshAdapters();
}

NetWorkAdapterView::~NetWorkAdapterView() {
  stopRecord();
  m_StopScan = true;
  if (m_ScanThread.joinable()) m_ScanThread.join();
}

void NetWorkAdapterView::refreshAdapters() {
  std::string error;
  const std::vector<lumivar::NetworkAdapter> adapters = lumivar::listNetworkAdapters(&error);
  if (!error.empty()) qWarning().noquote() << "Adapter list:" << QString::fromStdString(error);
  m_Adapters.clear();
  QTableWidget* table = ui->tableWidget;
  table->setRowCount(0);
  for (const lumivar::NetworkAdapter& adapter : adapters) {
    m_AdapterInfo = adapterInfo(adapter);
    m_Adapters.insert(adapter.name, m_AdapterInfo);
    if (m_AdapterInfo.connectionName.empty()) continue;
    const int row = table->rowCount();
    table->insertRow(row);
    const QString tip = adapterToolTip(m_AdapterInfo);
    const std::array<QString, 4> cells{
        QString::number(row + 1), QString::fromStdString(m_AdapterInfo.connectionName),
        QString::fromStdString(m_AdapterInfo.description),
        QString::fromStdString(m_AdapterInfo.typeText)};
    for (int column = 0; column < 4; ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setTextAlignment(Qt::AlignCenter);
      item->setToolTip(tip);
      if (column == 0) item->setData(Qt::UserRole, QString::fromStdString(adapter.name));
      table->setItem(row, column, item);
    }
  }
  if (table->rowCount() > 0) table->setCurrentCell(0, 0);
  adapterCount = table->rowCount();
}

void NetWorkAdapterView::OnItemDoubleClicked(QTableWidgetItem*) {}

void NetWorkAdapterView::on_triggered() {
  if (sender() == m_RefreshAction) refreshAdapters();
}

void NetWorkAdapterView::on_customContextMenuRequested(QPoint) {
  m_Menu->popup(QCursor::pos());
}

void NetWorkAdapterView::OnBtnEnSureClicked() {
  const int row = ui->tableWidget->currentRow();
  if (row < 0 || !ui->tableWidget->item(row, 0)) {
    DialogFrame::showWarring(tr("Please Select the captured network adapter"));
    return;
  }
  m_stDevName = ui->tableWidget->item(row, 0)->data(Qt::UserRole).toString().toStdString();
  qDebug() << "m_stDevName = " << QString::fromStdString(m_stDevName);
  isAccepted = true;
  hide();
  emit onSelectNetFinishSignal();
}

void NetWorkAdapterView::OnBtnCancelClicked() {
  isAccepted = false;
  emit Sig_CancelRecord();
  close();
}

void NetWorkAdapterView::closeEvent(QCloseEvent* event) {
  if (!isAccepted) emit Sig_CancelRecord();
  QWidget::closeEvent(event);
}

void NetWorkAdapterView::onSlotQueryARP_Mac() {
  if (m_stDevName.empty()) {
    DialogFrame::showWarring(tr("The Ethernet network port is empty!Select a network port first!"));
    return;
  }
  startScan();
}

void NetWorkAdapterView::startScan() {
  if (m_ScanRunning) {
    qDebug() << "A discovery scan is already running";
    return;
  }
  // The last thread has handed over its result; only its return is left.
  if (m_ScanThread.joinable()) m_ScanThread.join();
  DiscoveryScanSettings settings;
  settings.deviceName = m_stDevName;
  settings.mode = isArpScan ? discovery::ScanMode::Arp : discovery::ScanMode::DevicePacket;
  settings.windowMs = scanWindowMs;
  m_ScanRunning = true;
  m_ScanThread = std::thread([this, settings] {
    const DiscoveryScanResult result = scanDevices(settings, m_StopScan);
    // Dropped by Qt if the view is gone; the destructor joins before that can happen.
    QMetaObject::invokeMethod(this, [this, result] { finishScan(result); }, Qt::QueuedConnection);
  });
}

void NetWorkAdapterView::finishScan(const DiscoveryScanResult& result) {
  m_ScanRunning = false;
  foundSensors = result.sensors;
  if (!result.error.isEmpty()) {
    if (result.error != m_LastScanError)
      DialogFrame::showWarring(tr("Unable to capture on the adapter: %1").arg(result.error));
    m_LastScanError = result.error;
  } else {
    m_LastScanError.clear();
  }
  emit onSignalAllARP(foundSensors);
}

bool NetWorkAdapterView::startRecord() {
  stopRecord();
  RecordSettings settings;
  settings.deviceName = m_stDevName;
  settings.path = recordPath;
  settings.mode = recordMode;
  settings.dataPort = recordDataPort;
  settings.devPort = recordDevPort;
  if (settings.deviceName.empty()) {
    DialogFrame::showWarring(tr("Please Select the captured network adapter"));
    return false;
  }
  auto session = std::make_unique<RecordingSession>();
  std::string error;
  if (!session->open(settings, &error)) {
    qWarning().noquote() << "Recording not started:" << QString::fromStdString(error);
    DialogFrame::showWarring(tr("Unable to record: %1").arg(QString::fromStdString(error)));
    return false;
  }
  qDebug().noquote() << "Recording" << QString::fromStdString(settings.deviceName) << "to"
                     << QString::fromLocal8Bit(settings.path.c_str()) << "with filter"
                     << QString::fromStdString(recordFilter(settings.mode, settings.dataPort,
                                                            settings.devPort));
  m_Recording = std::move(session);
  isRecordStopped = false;
  const int generation = ++m_RecordGeneration;
  m_RecordThread = std::thread([this, generation, recording = m_Recording.get()] {
    const std::string failure = recording->run(isRecordStopped);
    if (failure.empty()) return;
    // Dropped by Qt if the view is gone; the destructor joins before that can happen.
    const QString text = QString::fromStdString(failure);
    QMetaObject::invokeMethod(
        this, [this, generation, text] { finishFailedRecord(generation, text); },
        Qt::QueuedConnection);
  });
  return true;
}

void NetWorkAdapterView::stopRecord() {
  isRecordStopped = true;
  if (m_RecordThread.joinable()) m_RecordThread.join();
}

void NetWorkAdapterView::finishFailedRecord(int generation, const QString& error) {
  qWarning().noquote() << "Recording ended:" << error;
  if (generation != m_RecordGeneration) return;  // a newer recording runs meanwhile
  // The thread has ended; only its return is left.
  stopRecord();
  DialogFrame::showWarring(tr("Recording ended: %1").arg(error));
  emit recordFailed(error);
}
