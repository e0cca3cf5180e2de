// "Adapter Selection": the machine's capture adapters in a table, the choice of the adapter
// on which sensors are searched and traffic is recorded, and the discovery scan.
#pragma once

#include "CaptureRecording.h"
#include "DiscoveryScan.h"
#include "NetworkInfoARP.h"

#include <QMap>
#include <QString>
#include <QVector>
#include <QWidget>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

class QAction;
class QCloseEvent;
class QMenu;
class QTableWidgetItem;
namespace Ui { class NetWorkAdapterView; }

struct AdapterInfo {
  std::string connectionName;
  std::string description;
  std::string typeText;
  std::string macText;
  std::string ipCount;
  std::string ipAddresses;
  std::string subnetMasks;
  std::string gateways;
};

class NetWorkAdapterView : public QWidget {
  Q_OBJECT

public:
  explicit NetWorkAdapterView(QWidget* parent = nullptr);
  ~NetWorkAdapterView() override;

  // Rebuilds the table from the machine's adapters.
  void refreshAdapters();

  const QMap<std::string, AdapterInfo>& adapterMap() const { return m_Adapters; }
  bool isScanning() const { return m_ScanRunning; }

  // Records the chosen adapter's traffic into recordPath by recordMode, both read here once.
  // The adapter, the filter and the file are opened before this returns: false (after a
  // "warring" message with the reason) when one of them fails. A recording still running is
  // stopped first.
  bool startRecord();
  // Ends the recording and waits for its thread; the file then holds every packet captured
  // up to the stop.
  void stopRecord();
  // A recording thread runs (it may have ended on a failure not yet handed over).
  bool isRecording() const { return m_RecordThread.joinable(); }
  std::size_t recordedPackets() const { return m_Recording ? m_Recording->packetsWritten() : 0; }

  // Read and written by the connection dialog and the main window (GUI thread).
  std::string m_stDevName;   // capture name of the chosen adapter; empty until OK
  int adapterCount = 0;      // table rows after the last refresh
  bool isAccepted = false;   // closed with OK
  bool isArpScan = false;    // scan mode: ARP frames, else device-information packets
  int scanWindowMs = -1;     // -1: the mode's own window (tests shorten it)
  QVector<NetworkInfoARP> foundSensors;  // result of the last scan

  // Capture recording settings.
  std::string recordPath;
  int recordMode = 0;
  int recordDataPort = 2368;
  int recordDevPort = 2369;
  std::atomic<bool> isRecordStopped{true};

signals:
  void Sig_CancelRecord();
  void onSignalAllARP(QVector<NetworkInfoARP> found);
  void onSelectNetFinishSignal();
  // A recording ended by itself (capture or file failure) after its message was shown.
  void recordFailed(QString error);

public slots:
  void OnItemDoubleClicked(QTableWidgetItem* item);
  void on_triggered();
  void on_customContextMenuRequested(QPoint pos);
  void OnBtnEnSureClicked();
  void OnBtnCancelClicked();
  void onSlotQueryARP_Mac();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  AdapterInfo m_AdapterInfo;  // working record of the last adapter read
  QMap<std::string, AdapterInfo> m_Adapters;  // keyed by adapter name
  QMenu* m_Menu = nullptr;
  QAction* m_RefreshAction = nullptr;

  void startScan();
  void finishScan(const DiscoveryScanResult& result);
  void finishFailedRecord(int generation, const QString& error);

  std::unique_ptr<Ui::NetWorkAdapterView> ui;
  // The scan thread is owned here and joined before the view goes.
  std::thread m_ScanThread;
  std::atomic<bool> m_StopScan{false};
  bool m_ScanRunning = false;
  QString m_LastScanError;  // shown once while scans keep failing the same way
  // The recording thread is owned here too; stopRecord and the destructor join it.
  std::thread m_RecordThread;
  std::unique_ptr<RecordingSession> m_Recording;
  int m_RecordGeneration = 0;  // tells a late failure of an earlier recording from this one's
};
