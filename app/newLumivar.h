// The main window: life cycle, connection control through the glue object, the live frame
// display in the 3D view, the view slots and tools (newLumivarView.cpp, newLumivarTools.cpp), and
// the frame saves (newLumivarSave.cpp).
#pragma once

#include <array>
#include <optional>
#include <atomic>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QIcon>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#ifndef PCL_NO_PRECOMPILE
#define PCL_NO_PRECOMPILE
#endif
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>
#include <pcl/visualization/pcl_visualizer.h>
#include <vtkGenericOpenGLRenderWindow.h>
#include <vtkOrientationMarkerWidget.h>
#include <vtkSmartPointer.h>
#include <vtkTextActor.h>

#include <vtkActor.h>

#include "BoxSelectChangeValue.h"
#include "FiltrationDataInitParam.h"
#include "GridParam.h"
#include "LidarInitParam.h"
#include "LidarRecords.h"
#include "MyWidget.h"
#include "PointRanging.h"
#include "WallThickness.h"

namespace Ui {
class newLumivar;
}
class CaptureRecordControl;
class DeviceLookupConnection;
class FiltrationData;
class FrameSaveWorker;
class Halverd;
class QProgressDialog;
class QShortcut;
class QStandardItem;
class QStandardItemModel;
class QTimer;
class SaveDataAndLog;
class SaveLidarDataTypeSelect;
class SetMeasurementGrid;
class SetWidgetAndFontColor;

class newLumivar : public MyWidget {
  Q_OBJECT
public:
  using CloudPtr = pcl::PointCloud<PointInfo>::Ptr;

  // Rows of the point table written per frame, and the cloud size above which it stays empty.
  static constexpr int kTableWindowRows = 30;
  static constexpr std::size_t kTableMaxPoints = 88888;
  // The view's labels, in pixels below its top edge: the selection count, the thickness and
  // the wall-thickness test's second line.
  static constexpr int kCountFromTop = 40, kThicknessFromTop = 80, kAllThicknessFromTop = 120;

  explicit newLumivar(QWidget* parent = nullptr);
  ~newLumivar() override;

  // Read access for tools and tests.
  Ui::newLumivar& form() { return *ui; }  // needs ui_newLumivar.h
  pcl::visualization::PCLVisualizer* viewer() const { return mViewer.get(); }
  Halverd* glue() const { return mHalverd; }
  DeviceLookupConnection* connectionDialog() const { return mDeviceLookupConnection; }
  bool recording() const { return mIsRecording; }
  QStandardItemModel* pointTable() const { return mQStandardItemModel; }
  bool connected() const { return isConnected; }
  int connectTimes() const { return ConnectTimes; }
  int ringFrameCount() const { return frameCount; }
  int ringFrameIndex() const { return frameIndex; }
  QTimer* connectTestStartTimer() const { return startTimer; }
  QTimer* connectTestEndTimer() const { return endTimer; }

  // Hand-off points of the frame display to the export writers (they pop under the mutex).
  std::mutex& saveMutex() { return mSaveMutex; }
  std::deque<CloudPtr>& saveQueue() { return mSaveQueue; }
  std::deque<std::string>& saveNameQueue() { return mSaveNameQueue; }
  // Starts collecting frames for a save: 1 CSV, 2 PCD, 3 LAS.
  void beginFrameCollection(int type, int count, const QString& dir = QString());
  bool isCollecting() const { return mIsSavingCsv || mIsSavingPcd || mIsSavingLas; }
  // The running save's writer and progress dialog (null when none was started).
  FrameSaveWorker* saveWorker() const { return mSaveWorker.get(); }
  QProgressDialog* saveProgressDialog() const { return progDlg_SaveData; }

  // Box selection state, as the box-select tool will set it.
  void setSelectionBox(const BoxSelectParam& box);
  void setDisplayPaused(bool paused) { mPauseForSelect[0] = paused; }

  // Delivers a key press to the 3D view through Qt (the view's own key bindings).
  void sendKeyToView(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

  // Tool state, read by tests.
  BoxSelectParam selectionBox() const { return mBoxBounds; }
  bool selectionBoxValid() const { return mIsBoxValid; }
  bool areaSelecting() const { return mIsSelecting; }
  bool measuring() const { return measureMode; }
  bool gridShown() const { return mIsGridShown; }
  int gridAngle() const { return mGridAngle; }
  std::size_t gridCircleCount() const { return mGridCircles.size(); }
  int currentPointSize() const { return pointSize; }
  bool coordinateVisible() const { return coordinateShown; }
  const PointRanging& ranging() const { return mRanging; }
  WallThicknessTest& thicknessTest() { return mThicknessTest; }
  BoxSelectChangeValue* boxDialog() const { return mBoxSelectChangeValue; }
  SetMeasurementGrid* gridDialog() const { return mSetMeasurementGrid; }
  PickPlaneFit& pickPlaneFit() { return mPickFit; }
  std::size_t selectionCloudSize() const { return mSelectCloud ? mSelectCloud->size() : 0; }

  // The viewer's area-picking callback: the picked indices of the frame on screen.
  void areaPicking_callback(const pcl::visualization::AreaPickingEvent& event, void* cookie);

signals:
  void onSendDataLogToSaveSignal(QString text, int level = 0);
  void onSendDataToShowSignal(QString text, int level = 0);
  void SendSaveDataValueResult(bool done, int value);
  void isSendToPlay();
  void onOpenPcapFileSignal();

public slots:
  // Connection control.
  void onGetLidarInitParamSlot(LidarInitParam param);
  void onPbn_ConnectSlot();
  void PlayOffLineStopOnlineSlot(LidarInitParam param);
  void getOffLineFinish(bool enable);
  void onPbn_OpenPacketSlot();
  void onCbx_EchoSelectSlot(int state);
  void onComboBox_ColorSelectSlot(int index);
  void onComboBox_ColorbarSlot(int index);
  void getFiltrationDataParamSlot(FiltrationDataInitParam param);
  void onStartTinerOut();
  void onEndTinerOut();

  // Live frame display.
  void onCalculateShowPointCloudSlot(pcl::PointCloud<PointInfo>::Ptr frame,
                                     pcl::PointCloud<PointInfo>::Ptr companion, int frameCount,
                                     QString extraText);
  void onCalculateShowPointCloudSlot(pcl::PointCloud<PointInfo>::Ptr frame,
                                     pcl::PointCloud<PointInfo>::Ptr second,
                                     pcl::PointCloud<PointInfo>::Ptr third, int frameCount,
                                     QString extraText);
  void onCalculateShowPointCloudSlot_PCD(pcl::PointCloud<PointInfo>::Ptr cloud);
  void onSbx_SetPointSizeSlot(int value);

  // Window, view and tool slots; most are filled in by the tools that own them.
  void onPushButtonCloseSlot();
  void onPushButtonMaxSlot();
  void onPushButtonMinSlot();
  void onPushButtonAboutSlot();
  void onPushButtonInstructionsSlot();
  void onPbn_MeaGridSlot();
  void onPbn_CoordinateSlot();
  void onPbn_BoxSelectSlot();
  void onPbn_MeasureSlot();
  void onPbn_ClearSlot();
  void onPbn_ListSlot();
  void onPbn_VeiwTopSlot();
  void onPbn_VeiwFrontSlot();
  void onPbn_VeiwBackSlot();
  void onPbn_VeiwLeftSlot();
  void onPbn_VeiwRightSlot();
  void onPbn_FullScreenSlot();
  void onPbn_AmplificationSlot();
  void onPbn_FiltrationSlot();
  void onPbn_DataStorageSlot();
  void onPbn_ColorPaletteSlot();
  void onPbn_SettingSlot();
  void onPbn_AdvancedSettingSlot();
  void onGetDataToShowSignal(QString text, int level);
  void getSelectSaveDataTypeSlot(int type, int count);
  void getSaveDataValueResult(bool done, int value);
  void getWidgetAndFontColorSlot(QString style);
  void getBoxSelectTypeAndValueSlot(int mode, BoxSelectParam param);
  void onGetMeasurementGridSlot(GridParam param);
  void rotatedGrid_UP();
  void rotatedGrid_DW();
  void StartDataCollection();
  void getSelectPacketType(int type, int count);
  void showErrorMessage(std::string strValue, int gValue);
  void onTrayIconActivated(QSystemTrayIcon::ActivationReason reason);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private slots:
  void showThicknessResult(WallThickness::Evaluation result);
  void showPickThickness(double centimetres, quint64 request);
  void onSaveFailed(QString text);
  // Says in the view, while the live display is frozen by Play, that it is.
  void showLivePauseLine();

private:
  void initScreenVTK();
  void initConnect();
  void initObjects();
  void initGridConnections();
  void initTimers();
  void initTrayIcon();
  void initStyle();
  void initPointTable();

  // The status bar names what the play bar replays, or nothing.
  void showPlayingSource();
  void logLine(const QString& text, int level = 0) { emit onSendDataLogToSaveSignal(text, level); }
  void clearPickedAndSelected();
  void render();
  void showTips(const QString& text);
  void reportFailedStart(const QString& type);

  // Frame display helpers.
  CloudPtr takeMergedCloud();
  void fillPointTable(const pcl::PointCloud<PointInfo>& source);
  void writeTableRow(int row, const PointInfo& point);
  void showSelectionCount(std::size_t count);
  void showFrameCloud(const CloudPtr& cloud, const std::string& id);
  // Fits the camera when a fit is pending, and once more on the first whole turn of a run.
  void fitCameraToFrame();
  std::array<double, 11> cameraState() const;
  void showCompanionCloud(const CloudPtr& cloud, const std::string& id);
  void collectThicknessFrame();
  void keyBoardClick_callback(const pcl::visualization::KeyboardEvent& event, void* cookie);
  void PtActivePick_callback(const pcl::visualization::PointPickingEvent& event, void* cookie);

  // View helpers (newLumivarView.cpp).
  void setCamera(double x, double y, double z, double upX, double upY, double upZ);
  void setParallelProjection(bool on);
  void showPanels(bool show);
  // A label of the view, fromTop pixels below its top edge whatever the view's size.
  void showScreenText(const std::string& text, int fromTop, const std::string& id);
  // The actor's position is then counted from that corner of the view, in normalised view
  // coordinates ((0, 1) top left), so it keeps its place when the view changes size.
  static void anchorToViewCorner(vtkActor2D* actor, double x, double y);
  void drawMeasurementGridThread(const GridParam& param);
  void drawRotatedGridThread(const GridParam& param, int angleDegrees);
  void drawGridLabels();
  void removeGrid();
  void removeShapesKeepingGrid();
  void rotateGrid();
  // Tool helpers (newLumivarTools.cpp).
  bool runIsGoing() const;
  void applySelectRange();
  void leavePickingMode();
  // Ends an area selection that a disconnect or a new start makes pointless: the view leaves
  // its picking mode and the display paused for it is released.
  void cancelAreaSelection();
  // Writes the picked points' rows that are in view (or about to be) into the point table.
  void fillPickedRows();
  void drawBoxLinesThread(const BoxSelectParam& box);
  void sendBoxToGlue(bool on, const BoxSelectParam& box);
  void clearRanging();
  // Drops the box in force: the driver gets none, and its marks, count and rows leave the view.
  void dropSelectionBox();
  void showRangingStep(const PointRanging::Step& step);
  void altClickRanging(const QPoint& widgetPos);
  // Frame saves (newLumivarSave.cpp).
  void initSaveWorker();
  void recordPcap();
  void saveCsvFiles();
  void savePcdFile();
  void saveLasFile();
  // Ends the running writer, drops what it had queued and stops the frame slot queuing.
  void stopSaving();
  void clearSaveQueues();
  void newSaveProgressDialog(QProgressDialog* dialog);
  void resetPcapToPcd();
  void wakeSaveWorker();

  std::unique_ptr<Ui::newLumivar> ui;

  bool neutralBranding = false;
  bool hideInternalFunctions = false;
  QString storedTitle;
  QString logoPath;
  QIcon appIcon;
  SaveDataAndLog* mSaveDataAndLog = nullptr;
  vtkSmartPointer<vtkGenericOpenGLRenderWindow> renderWindow;
  pcl::visualization::PCLVisualizer::Ptr mViewer;
  vtkSmartPointer<vtkOrientationMarkerWidget> mAxesWidget;
  int pointSize = 1;
  DeviceLookupConnection* mDeviceLookupConnection = nullptr;
  CaptureRecordControl* mRecordControl = nullptr;  // child of the window
  LidarInitParam lidarInitParam;
  Halverd* mHalverd = nullptr;
  bool isConnected = false;
  bool resetCameraPending = true;
  // A run's first frame is only the part of a turn since its start: the first whole turn is
  // fitted again, unless the user moved the camera in between (mFirstFit, the camera of the
  // first fit, is set until the frame after it).
  bool mRefitWholeTurn = false;
  std::optional<std::array<double, 11>> mFirstFit;
  vtkSmartPointer<vtkTextActor> mPauseLine;  // "Display paused" while Play freezes a live run
  int ConnectTimes = 0;
  int frameCount = 1;
  int frameIndex = 0;
  bool coordinateShown = false;
  SetMeasurementGrid* mSetMeasurementGrid = nullptr;
  GridParam gridParam;
  QShortcut* shortcut = nullptr;
  QShortcut* shortcut_2 = nullptr;
  bool mIsGridShown = false;
  bool mIsGridBusy = false;
  int mGridAngle = 0;
  std::array<bool, 2> mPauseForSelect{{false, false}};
  bool mIsSelecting = false;
  BoxSelectParam mBoxBounds;
  bool mIsBoxValid = false;
  BoxSelectChangeValue* mBoxSelectChangeValue = nullptr;
  std::array<CloudPtr, 2> mFrameRing;
  CloudPtr mCurrentCloud;
  CloudPtr mSelectCloud;
  QStandardItemModel* mQStandardItemModel = nullptr;
  QStandardItem* mQStandardItem = nullptr;  // owned by the model
  // The last area pick as the table lists it: (*mPickTableCloud)[k] belongs in row
  // mPickTableRows[k]. Emptied once a frame or a reset takes the table over.
  std::vector<int> mPickTableRows;
  CloudPtr mPickTableCloud;
  std::mutex tableMutex;
  std::mutex mSaveMutex;
  FiltrationData* mFiltrationData = nullptr;
  SaveLidarDataTypeSelect* mSaveLidarDataTypeSelect = nullptr;
  std::deque<CloudPtr> mSaveQueue;
  std::deque<std::string> mSaveNameQueue;
  // Declared after the queues it reads; stopped and joined first in the destructor.
  std::unique_ptr<FrameSaveWorker> mSaveWorker;
  // Bumped by every save start and stop, so results a stopped writer had already posted
  // are dropped instead of reaching the next save's dialog.
  std::atomic<int> mSaveGeneration{0};
  int mSaveType = 0;
  int mSaveCount = 0;
  int mQueuedFrames = 0;
  bool mIsSavingCsv = false;
  bool mIsSavingPcd = false;
  bool mIsSavingLas = false;
  bool mIsRecording = false;
  QString mSaveDir;
  QProgressDialog* progDlg_SaveData = nullptr;
  SetWidgetAndFontColor* mSetWidgetAndFontColor = nullptr;
  QString mWidgetStyle;
  // The 100-frame wall-thickness test; its worker is joined before the glue goes.
  WallThicknessTest mThicknessTest;
  PickPlaneFit mPickFit;  // its results reach the window queued, so never after the window
  bool measureMode = false;
  PointRanging mRanging;  // marks of the measuring mode
  std::vector<vtkSmartPointer<vtkActor>> mGridCircles;  // range circles: the viewer does not track them
  QTimer* startTimer = nullptr;  // connect test: reconnect
  QTimer* endTimer = nullptr;    // connect test: disconnect
  bool isTimerTestEnable = false;
  QSystemTrayIcon* mTrayIcon = nullptr;
};
