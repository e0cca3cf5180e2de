#pragma once
#include <QString>
#include <QWidget>

#include <string>

#include "LidarInitParam.h"
#include "LidarRecords.h"

class Halverd;

// Offline playback bar under the 3D view. So far only the state and the signals the main
// window uses; the playback controls and the replay worker come with the panel's own form.
class OffLineClass : public QWidget {
  Q_OBJECT

 public:
  explicit OffLineClass(QWidget* parent = nullptr);
  ~OffLineClass() override;

  Halverd* mGlue = nullptr;      // receiver of the replayed packets; set by the main window
  bool isOfflineMode = false;    // an offline run is active
  bool iconShowsStop = false;    // Play pressed outside an offline run: the display is frozen
  bool isIdle = true;            // the next Play starts or resumes
  bool isLocked = true;          // mirror of the lock box
  QString capturePath;           // the capture being replayed

  // Opens the capture or PCD set chosen for the offline run the window has started.
  void OpenOffLine();
  // Live run started (false) or ended (true): the open button follows, a replay stops.
  void setOfflineControlsEnabled(bool enable);
  // Ends a running replay; returns once the worker has stopped.
  void stopPlayback();

 signals:
  void SendLidarData_PCD(pcl::PointCloud<PointInfo>::Ptr cloud);
  void SendLidarStopOnlineSignals(LidarInitParam param);
  void SendSelectType(int type, int count);
  void sendFinish(bool enable);
  void SendLidarMessge(std::string text, int code);

 public slots:
  void onOpenPacket();
  void onPlay();
};
