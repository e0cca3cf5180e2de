// The offline playback bar under the 3D view: replays a .pcap capture through the glue (the
// driver decodes it as if it came from the network) or a directory of .pcd files straight to
// the view, with play and pause, one-frame steps both ways, stop, speed, loop and a frame
// slider. The replay runs on one worker thread that the panel owns and joins; the widgets
// are touched on the GUI thread only, the worker reaches them through queued signals.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "CaptureIndex.h"
#include "LidarInitParam.h"
#include "LidarRecords.h"
#include "PlaybackWorker.h"
#include "ui_OffLineClass.h"

class Halverd;
class QProgressDialog;
class selectSaveDataPacket;

class OffLineClass : public QWidget {
  Q_OBJECT

 public:
  explicit OffLineClass(QWidget* parent = nullptr);
  ~OffLineClass() override;

  Halverd* mGlue = nullptr;            // receiver of the replayed packets; set by the main window
  selectSaveDataPacket* mOpenDialog = nullptr;
  bool isOfflineMode = false;          // an offline run is active
  bool isPcdMode = false;              // the loaded data is a PCD directory
  bool iconShowsStop = false;          // Play pressed outside an offline run: the display is frozen
  bool isIdle = true;                  // the next Play starts or resumes
  bool isFinished = true;              // the last run ended
  bool isRepeat = false;               // loop
  bool isLocked = true;                // mirror of the lock box; read by the main window
  bool isDragging = false;             // the slider is held
  int playCount = 0;                   // Play presses that started or resumed; 0: no run yet
  int frameCount = 0;                  // frames of the capture index or PCD frames loaded
  long totalFrames = 0;                // frame total shown in the label
  bool isConversionRequested = false;  // capture-to-PCD hand-shake with the main window
  bool isConversionAccepted = false;
  int conversionFrameCount = 0;
  QString capturePath;                 // the capture being replayed
  QString pcdDirectory;                // the PCD directory loaded; empty while one loads
  QStringList pcdFiles;                // the directory's .pcd files, sorted by name
  // Filled by the loader thread; read on the GUI thread only after the loader is joined.
  std::vector<pcl::PointCloud<PointInfo>::Ptr> pcdClouds;
  std::atomic<bool> isPcdCancelled{false};
  QProgressDialog* progressDialog = nullptr;

  Ui_OffLineClass ui;

  // The index of the open capture (left open for the player).
  const capture::CaptureIndex& captureIndex() const { return mIndex; }
  // Flags shared with the replay worker, and the frame it shows.
  playback::PlaybackWorker& player() { return mPlayer; }
  int currentFrame() const { return mPlayer.currentFrame; }

  // Shows the capture chosen (and indexed) for the offline run the window has started; when
  // none was chosen yet, asks for one first.
  void OpenOffLine();
  // Asks for a capture; once one is chosen and indexed, emits SendLidarStopOnlineSignals so
  // the window starts its offline run. A cancel or a refused file changes nothing.
  void chooseCaptureFile();
  // Indexes a capture and, when it holds frames, makes it the one replayed (the previous one
  // stays until then) and enables Play. False (and sendFinish(true)) when it cannot be
  // opened, is not a capture this reader reads, or holds no frame; a message box says which.
  bool openCaptureFile(const QString& path);
  bool indexPcapFile(QString path);
  bool indexReassembledPcapFile(QString path);
  // Asks for a PCD directory and starts loading it; false when none was chosen.
  bool openPcdDirectory();
  // Starts loading the chosen directory's .pcd files under the progress dialog.
  void loadPcdDirectory(const QString& directory);

  void setPcapToPcdEnabled(bool enable);
  void setOfflineLocked(bool locked);
  // Live run started (false) or ended (true): the open button follows, a replay stops. Every
  // live run starts with the display running and Play offered to freeze it; none is left frozen.
  void setOfflineControlsEnabled(bool enable);
  // The live display runs again and Play shows Play (a new run, or the end of one).
  void resumeLiveDisplay();
  // Ends a running replay; returns once the worker has stopped.
  void stopPlayback();

 signals:
  void SendLidarData_PCD(pcl::PointCloud<PointInfo>::Ptr cloud);
  void SendLidarStopOnlineSignals(LidarInitParam param);
  void sendFinish(bool enable);
  void SendLidarMessge(std::string text, int code);
  void SendFileTotleLength(long frames);
  void sendOpenPcapFinish(bool ok, int code);
  void SendProgressValue(int position, int frame);
  void SendReadPCD_Result(bool done, int index, int code);
  void SendSelectType(int type, int count);
  // What plays changed outside an index or load that finished (a PCD load began or was cancelled).
  void playingSourceChanged();
  // iconShowsStop changed: the live display was frozen or runs again.
  void liveDisplayPauseChanged(bool paused);

 public slots:
  void getSelectPacketType(int type, int count);
  void onOpenPacket();
  void onPlay();
  void onSeekBackward();
  void onSeekForward();
  void onSeekGoToEnd();
  void onSeekRound(int state);
  void onPlaySpeed(int index);
  void onFinish(bool ok);
  void progressMoved(int value);
  void progressReleased();
  void onOfflineWidgetLocked(int state);
  void getOpenPcapFinish(bool ok, int code);
  void getTotleLength(long frames);
  void updateProgress(int position, int frame);
  void getReadPCD_Result(bool done, int index, int code);
  void getProgDlgCanceled();
  void onTbn_PcapToPcd_Slot();

 private:
  void connectSignals();
  void startPlayback();
  void setPlayIcon(bool stop);
  void showCount(long frame);
  // Stops the replay, closes the capture and forgets its index and counts.
  void closeCapture();
  // Runs an index builder under the modal progress dialog; false after a cancel.
  bool runIndexing(const QString& path, capture::CaptureFile& file, const capture::CaptureRules& rules,
                   capture::CaptureIndex& index);
  // The PCD directory was chosen: the capture goes, the directory loads.
  void startPcdReplay(const QString& directory);
  void loadPcdFiles(QString directory, QStringList files);
  void joinLoader();
  void closeProgressDialog();
  // An open from the open button ended without a new capture or directory.
  void endCancelledOpen();

  bool mOpenPending = false;          // the open button's dialogs are up
  bool mPcapToPcdBeforeOpen = false;  // the convert button's state when they opened
  QString mPcdLoading;                // the directory the loader reads
  bool mCaptureChosen = false;  // indexed by chooseCaptureFile, not yet shown by OpenOffLine
  capture::CaptureFile mCaptureFile;
  capture::CaptureIndex mIndex;
  capture::CaptureRules mRules;
  playback::PlaybackWorker mPlayer;
  std::thread mLoader;
  std::atomic<int> mLoadedFrames{0};
};
