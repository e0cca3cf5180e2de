// The connection dialog: the protocol family and model key, the sensor's and the host's
// addresses and the two ports, typed or taken from a sensor found by the embedded adapter
// view. OK sends the connection record.
#pragma once

#include "LidarInitParam.h"
#include "MyWidget.h"
#include "NetworkInfoARP.h"

#include <QModelIndex>
#include <QStringList>
#include <QStringListModel>
#include <QVector>

#include <memory>

class NetWorkAdapterView;
namespace Ui { class DeviceLookupConnection; }

class DeviceLookupConnection : public MyWidget {
  Q_OBJECT

public:
  explicit DeviceLookupConnection(QWidget* parent = nullptr);
  ~DeviceLookupConnection() override;

  // The embedded adapter list; the main window records through it.
  NetWorkAdapterView* adapterView() const;

  // Empty discovery rounds after which a search gives up.
  static constexpr int kEmptyRoundsBeforeGivingUp = 3;

signals:
  void onSignalQueryNetPort();
  void onSignalQueryARP_Mac();
  void onSendLidarInitParamSignal(LidarInitParam param);

public slots:
  void on_pBn_OK_clicked();
  void on_pBn_Cancel_clicked();
  void on_pushButton_QueryNet_clicked();
  void on_pushButton_QueryMac_clicked();
  void onSignalAllARP(QVector<NetworkInfoARP> found);
  void on_listView_QueryMac_clicked(QModelIndex index);
  void on_listView_QueryMac_activated(QModelIndex index);
  void onSeriesRadioToggled(bool checked);
  void onPackageRadioToggled(bool checked);
  void onGetSelectNetFinishSignal();

private:
  void init();
  void fillModelBox(const QString& family);
  void showSensor(int row);
  QString invalidEditMessage() const;

  std::unique_ptr<Ui::DeviceLookupConnection> ui;
  int retryCount = 0;
  QStringListModel foundModel;
  QStringList foundNames;
  QVector<NetworkInfoARP> foundSensors;
  LidarInitParam initParam;
};
