#include "newLumivar.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressDialog>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTimer>

#include <vtkAxesActor.h>
#include <vtkCamera.h>
#include <vtkTextProperty.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>

#include "AppBuildInfo.h"
#include "BoxSelection.h"
#include "CaptureRecordControl.h"
#include "DeviceLookupConnection.h"
#include "DialogFrame.h"
#include "DisabledLook.h"
#include "FiltrationData.h"
#include "FrameSaveWorker.h"
#include "FrameSaveWriters.h"
#include "Halverd.h"
#include "HalverdPanels.h"
#include "MessageBoxSeam.h"
#include "OffLineClass.h"
#include "ProgramSettings.h"
#include "SaveDataAndLog.h"
#include "SaveLidarDataTypeSelect.h"
#include "SetMeasurementGrid.h"
#include "SetWidgetAndFontColor.h"
#include "ui_newLumivar.h"

namespace {

// Log texts carry the source position, as every entry of the window does.
QString sourceFileName(const char* path) { return QFileInfo(QString::fromUtf8(path)).fileName(); }
#define LOG_TEXT(text) (QString("[%1:%2]\t").arg(sourceFileName(__FILE__)).arg(__LINE__) + (text))

const QString kStarLine = QString(152, QChar('*'));
const char* kConnectedIcon = "background-image: url(:/image2/Resources/images2/断开.png);";
const char* kDisconnectedIcon = "background-image: url(:/image2/Resources/images2/连接.png);";
const char* kFailedStartText =
    "Failed to start this Lidar connection! Please check that its ports are free and the addresses are right";
const char* kFailedModelText =
    "Failed to open this LidarType model! Please determine if this type of lidar is available";

constexpr int kCompanionR = 196, kCompanionG = 18, kCompanionB = 205;  // selection colour
constexpr double kCompanionPointSize = 5.0;
// The pause line: top right of the view, clear of the selection labels on the left.
const char* kLivePausedText = "Display paused: press Play to resume";
constexpr int kPauseLineFontSize = 20;
constexpr int kPauseLineRightMargin = 20, kPauseLineFromTop = 40;
constexpr double kPauseLineR = 1.0, kPauseLineG = 0.85, kPauseLineB = 0.2;
constexpr int kConnectTestFirstMs = 10000;  // first disconnect after a manual connect
constexpr int kConnectTestCycleMs = 5000;   // then connected 5 s, disconnected 5 s

const char* const kColourModes[] = {"Intensity", "Solid", "Elevation", "H_angle", "Channel"};
const char* const kTableHeaders[] = {"Channel",  "XYZ",       "H_angle",  "V_angle",  "Distance",
                                     "Intensity", "Distance2", "Intensity2", "Timestamp"};

pcl::PointCloud<PointInfo>::Ptr newEmptyCloud() {
  pcl::PointCloud<PointInfo>::Ptr cloud(new pcl::PointCloud<PointInfo>);
  cloud->is_dense = true;
  cloud->sensor_origin_ = Eigen::Vector4f::Zero();
  cloud->sensor_orientation_ = Eigen::Quaternionf::Identity();
  return cloud;
}

QString fixed3(double v) { return QString::number(v, 'f', 3); }

}  // namespace

newLumivar::newLumivar(QWidget* parent) : MyWidget(parent), ui(new Ui::newLumivar) {
  renderWindow = vtkSmartPointer<vtkGenericOpenGLRenderWindow>::New();
  pointSize = 1;
  lidarInitParam = LidarInitParam();
  mHalverd = nullptr;

  ui->setupUi(this);
  hideInternalFunctions = true;

  setWindowTitle(windowTitle() + "_" + kLumivarVersionSuffix);
  setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
  storedTitle = windowTitle();

  mSaveDataAndLog = new SaveDataAndLog();
  connect(this, SIGNAL(onSendDataLogToSaveSignal(QString, int)), mSaveDataAndLog,
          SLOT(onGetDataLogToSaveSlot(QString, int)), Qt::UniqueConnection);
  logLine(LOG_TEXT("Lumivar Platform Srart Runnig"));

  connect(this, SIGNAL(onSendDataToShowSignal(QString, int)), this,
          SLOT(onGetDataToShowSignal(QString, int)));

  initScreenVTK();
  initConnect();
  initObjects();
  initStyle();

  installEventFilter(this);
  keepOnScreen();  // the size restore goes back to must fit the screen too
  showMaximized();
}

newLumivar::~newLumivar() {
  // The save writer reads the queues and reports to this window: stop and join it first.
  stopSaving();
  mSaveWorker.reset();
  logLine(LOG_TEXT("mHalverd Start delete! "));
  // Workers first: the live run and the playback worker both feed the glue.
  if (isConnected && mHalverd) mHalverd->stoptRun();
  isConnected = false;
  ui->widget_offLineData->stopPlayback();  // joins a replay; harmless without one
  mThicknessTest.waitForEvaluation();
  mPickFit.cancel();
  ui->widget_offLineData->mGlue = nullptr;
  // The glue stops and destroys its driver itself, offline runs included.
  delete mHalverd;
  mHalverd = nullptr;
  logLine(LOG_TEXT("mHalverd End delete! "));

  // mQStandardItem belongs to the model, which deletes it with the model.
  mQStandardItem = nullptr;
  delete mQStandardItemModel;
  mQStandardItemModel = nullptr;
  logLine(LOG_TEXT("mQStandardItemModel End delete! "));

  auto deleteLogged = [this](auto*& object, const char* name) {
    delete object;
    object = nullptr;
    logLine(LOG_TEXT(QString(name) + " End delete! "));
  };
  deleteLogged(mDeviceLookupConnection, "mDeviceLookupConnection");
  deleteLogged(mSetMeasurementGrid, "mSetMeasurementGrid");
  deleteLogged(shortcut, "shortcut");
  deleteLogged(shortcut_2, "shortcut_2");
  deleteLogged(mBoxSelectChangeValue, "mBoxSelectChangeValue");
  deleteLogged(mFiltrationData, "mFiltrationData");
  deleteLogged(mSetWidgetAndFontColor, "mSetWidgetAndFontColor");
  deleteLogged(mSaveLidarDataTypeSelect, "mSaveLidarDataTypeSelect");
  deleteLogged(progDlg_SaveData, "progDlg_SaveData");
  if (startTimer) startTimer->stop();
  if (endTimer) endTimer->stop();
  deleteLogged(startTimer, "startTimer");
  deleteLogged(endTimer, "endTimer");
  deleteLogged(mTrayIcon, "mTrayIcon");

  logLine(LOG_TEXT("Lumivar Platform  Stoping "));
  delete mSaveDataAndLog;
  mSaveDataAndLog = nullptr;

  // The view's interactor, its style and the render window hold each other; untie them so
  // the 3D view is freed with the window.
  mAxesWidget->SetEnabled(0);
  mAxesWidget->SetInteractor(nullptr);
  mAxesWidget = nullptr;
  if (vtkRenderWindowInteractor* interactor = ui->screen->interactor()) interactor->SetInteractorStyle(nullptr);
  mViewer.reset();
  ui->screen->setRenderWindow(static_cast<vtkGenericOpenGLRenderWindow*>(nullptr));
  renderWindow = nullptr;
}

// ---------------------------------------------------------------------------------------
// Start-up

void newLumivar::initScreenVTK() {
  ui->screen->installEventFilter(this);
  keepDragsIn(ui->screen);  // a drag there turns the view or draws the box, not the window

  vtkSmartPointer<vtkRenderer> renderer = vtkSmartPointer<vtkRenderer>::New();
  renderWindow->AddRenderer(renderer);
  mViewer.reset(new pcl::visualization::PCLVisualizer(renderer, renderWindow, "mViewer", false));
  ui->screen->setRenderWindow(renderWindow);
  mViewer->setupInteractor(ui->screen->interactor(), ui->screen->renderWindow());
  mViewer->setBackgroundColor(0, 0, 0);

  mViewer->registerAreaPickingCallback(&newLumivar::areaPicking_callback, *this);
  mViewer->registerKeyboardCallback(&newLumivar::keyBoardClick_callback, *this);
  mViewer->registerPointPickingCallback(&newLumivar::PtActivePick_callback, *this);

  ui->screen->update();
  logLine(LOG_TEXT("initScreenVTK() "));

  mFrameRing[0] = newEmptyCloud();
  mFrameRing[1] = newEmptyCloud();
  mCurrentCloud = newEmptyCloud();

  // Not one of the viewer's shapes: clearing the marks and the grid must leave it alone.
  mPauseLine = vtkSmartPointer<vtkTextActor>::New();
  mPauseLine->SetInput(kLivePausedText);
  vtkTextProperty* font = mPauseLine->GetTextProperty();
  font->SetFontSize(kPauseLineFontSize);
  font->SetColor(kPauseLineR, kPauseLineG, kPauseLineB);
  font->SetJustificationToRight();
  font->SetVerticalJustificationToTop();
  anchorToViewCorner(mPauseLine, 1.0, 1.0);  // top right
  mPauseLine->SetPosition(-kPauseLineRightMargin, -kPauseLineFromTop);
  mPauseLine->SetVisibility(0);
  renderer->AddActor2D(mPauseLine);
}

void newLumivar::initConnect() {
  const auto unique = Qt::UniqueConnection;
  struct ButtonSlot {
    QAbstractButton* button;
    void (newLumivar::*slot)();
  };
  const ButtonSlot buttons[] = {
      {ui->pushButtonClose, &newLumivar::onPushButtonCloseSlot},
      {ui->pushButtonMax, &newLumivar::onPushButtonMaxSlot},
      {ui->pushButtonMin, &newLumivar::onPushButtonMinSlot},
      {ui->pushButtonAbout, &newLumivar::onPushButtonAboutSlot},
      {ui->pushButtonInstructions, &newLumivar::onPushButtonInstructionsSlot},
      {ui->pBn_OpenPacket, &newLumivar::onPbn_OpenPacketSlot},
      {ui->pBn_Connect, &newLumivar::onPbn_ConnectSlot},
      {ui->pBn_MeaGrid, &newLumivar::onPbn_MeaGridSlot},
      {ui->pBn_Coordinate, &newLumivar::onPbn_CoordinateSlot},
      {ui->pBn_BoxSelect, &newLumivar::onPbn_BoxSelectSlot},
      {ui->pBn_Measure, &newLumivar::onPbn_MeasureSlot},
      {ui->pBn_Clear, &newLumivar::onPbn_ClearSlot},
      {ui->pBn_List, &newLumivar::onPbn_ListSlot},
      {ui->pBn_VeiwTop, &newLumivar::onPbn_VeiwTopSlot},
      {ui->pBn_VeiwFront, &newLumivar::onPbn_VeiwFrontSlot},
      {ui->pBn_VeiwBack, &newLumivar::onPbn_VeiwBackSlot},
      {ui->pBn_VeiwLeft, &newLumivar::onPbn_VeiwLeftSlot},
      {ui->pBn_VeiwRight, &newLumivar::onPbn_VeiwRightSlot},
      {ui->pBn_FullScreen, &newLumivar::onPbn_FullScreenSlot},
      {ui->pBn_Amplification, &newLumivar::onPbn_AmplificationSlot},
      {ui->pBn_Filtration, &newLumivar::onPbn_FiltrationSlot},
      {ui->pBn_DataStorage, &newLumivar::onPbn_DataStorageSlot},
      {ui->pBn_ColorPalette, &newLumivar::onPbn_ColorPaletteSlot},
      {ui->pBn_Setting, &newLumivar::onPbn_SettingSlot},
      {ui->pBn_Setting_Advanced, &newLumivar::onPbn_AdvancedSettingSlot},
  };
  for (const ButtonSlot& b : buttons) connect(b.button, &QAbstractButton::clicked, this, b.slot, unique);

  connect(ui->sBx_SetPointSize, SIGNAL(valueChanged(int)), this, SLOT(onSbx_SetPointSizeSlot(int)), unique);
  connect(ui->comboBox_ColorSelect, SIGNAL(activated(int)), this, SLOT(onComboBox_ColorSelectSlot(int)));
  connect(ui->comboBox_Colorbar, SIGNAL(activated(int)), this, SLOT(onComboBox_ColorbarSlot(int)));
  connect(ui->cBx_SingleEcho, SIGNAL(stateChanged(int)), this, SLOT(onCbx_EchoSelectSlot(int)), unique);
  connect(ui->cBx_doubleEcho, SIGNAL(stateChanged(int)), this, SLOT(onCbx_EchoSelectSlot(int)), unique);
  logLine(LOG_TEXT("initConnect() "));
}

void newLumivar::initObjects() {
  for (QAbstractButton* b : findChildren<QAbstractButton*>()) b->installEventFilter(this);
  for (QComboBox* c : findChildren<QComboBox*>()) c->installEventFilter(this);

  qRegisterMetaType<LidarInitParam>("LidarInitParam");
  qRegisterMetaType<pcl::PointCloud<PointInfo>::Ptr>("pcl::PointCloud<PointInfo>::Ptr");
  qRegisterMetaType<GridParam>("GridParam");
  qRegisterMetaType<FiltrationDataInitParam>("FiltrationDataInitParam");
  qRegisterMetaType<QSystemTrayIcon::ActivationReason>("QSystemTrayIcon::ActivationReason");
  qRegisterMetaType<BoxSelectParam>("BoxSelectParam");
  qRegisterMetaType<std::string>("std::string");

  mDeviceLookupConnection = new DeviceLookupConnection();
  connect(mDeviceLookupConnection, SIGNAL(onSendLidarInitParamSignal(LidarInitParam)), this,
          SLOT(onGetLidarInitParamSlot(LidarInitParam)), Qt::UniqueConnection);
  mRecordControl = new CaptureRecordControl(this, mDeviceLookupConnection, this);
  connect(mRecordControl, &CaptureRecordControl::recordingChanged, this, [this](bool on) { mIsRecording = on; });

  mHalverd = new Halverd();
  connect(mHalverd, SIGNAL(onSendDataLogToSaveSignal(QString, int)), mSaveDataAndLog,
          SLOT(onGetDataLogToSaveSlot(QString, int)), Qt::UniqueConnection);
  mHalverd->hideInternalFunctions = hideInternalFunctions;
  // A save or the wall-thickness test needs every frame; the display only the newest.
  mHalverd->setEveryFrameWanted([this] { return isCollecting() || mThicknessTest.collecting(); });
  isConnected = false;

  initGridConnections();

  mBoxSelectChangeValue = new BoxSelectChangeValue();
  connect(mBoxSelectChangeValue, SIGNAL(sendBoxSelectTypeAndValueSignal(int, BoxSelectParam)), this,
          SLOT(getBoxSelectTypeAndValueSlot(int, BoxSelectParam)), Qt::UniqueConnection);

  mQStandardItemModel = new QStandardItemModel();
  initPointTable();
  ui->widget_ListData->hide();
  // Picked rows are written as they come into view; a resize changes the range.
  QScrollBar* tableScroll = ui->tableView->verticalScrollBar();
  connect(tableScroll, &QScrollBar::valueChanged, this, [this] { fillPickedRows(); });
  connect(tableScroll, &QScrollBar::rangeChanged, this, [this] { fillPickedRows(); });

  OffLineClass* panel = ui->widget_offLineData;
  panel->mGlue = mHalverd;
  connect(panel, SIGNAL(SendLidarData_PCD(pcl::PointCloud<PointInfo>::Ptr)), this,
          SLOT(onCalculateShowPointCloudSlot_PCD(pcl::PointCloud<PointInfo>::Ptr)), Qt::UniqueConnection);
  connect(panel, SIGNAL(SendLidarStopOnlineSignals(LidarInitParam)), this,
          SLOT(PlayOffLineStopOnlineSlot(LidarInitParam)), Qt::UniqueConnection);
  connect(panel, SIGNAL(SendSelectType(int, int)), this, SLOT(getSelectPacketType(int, int)),
          Qt::DirectConnection);
  connect(panel, SIGNAL(sendFinish(bool)), this, SLOT(getOffLineFinish(bool)), Qt::UniqueConnection);
  // Named once what plays is indexed or loaded: a capture or a PCD directory.
  connect(panel, &OffLineClass::SendFileTotleLength, this, [this, panel](long) { showPlayingSource(); });
  connect(panel, &OffLineClass::playingSourceChanged, this, &newLumivar::showPlayingSource);
  connect(panel, SIGNAL(SendLidarMessge(std::string, int)), this, SLOT(showErrorMessage(std::string, int)),
          Qt::UniqueConnection);
  connect(this, SIGNAL(onOpenPcapFileSignal()), panel, SLOT(onOpenPacket()), Qt::UniqueConnection);
  connect(this, SIGNAL(isSendToPlay()), panel, SLOT(onPlay()));
  connect(panel, &OffLineClass::liveDisplayPauseChanged, this, &newLumivar::showLivePauseLine);
  panel->setAttribute(Qt::WA_StyledBackground, true);
  panel->setStyleSheet("QWidget{background-color: rgb(1, 20, 45); color: rgb(240, 240, 240);}");

  mFiltrationData = new FiltrationData();
  mSetWidgetAndFontColor = new SetWidgetAndFontColor();
  mSaveLidarDataTypeSelect = new SaveLidarDataTypeSelect();
  connect(mFiltrationData, SIGNAL(sendFiltrationDataParamSignal(FiltrationDataInitParam)), this,
          SLOT(getFiltrationDataParamSlot(FiltrationDataInitParam)), Qt::UniqueConnection);
  connect(mSetWidgetAndFontColor, SIGNAL(sendWidgetAndFontColorSignal(QString)), this,
          SLOT(getWidgetAndFontColorSlot(QString)), Qt::UniqueConnection);
  connect(mSaveLidarDataTypeSelect, SIGNAL(SendSelectSaveDataTypeSlot(int, int)), this,
          SLOT(getSelectSaveDataTypeSlot(int, int)), Qt::UniqueConnection);
  connect(this, SIGNAL(SendSaveDataValueResult(bool, int)), this, SLOT(getSaveDataValueResult(bool, int)),
          Qt::UniqueConnection);
  initSaveWorker();
  // Dialogs and the glue's panels open centred over the window and stay above it.
  const std::initializer_list<QWidget*> dialogs{
      mDeviceLookupConnection, mBoxSelectChangeValue, mFiltrationData, mSetWidgetAndFontColor,
      mSaveLidarDataTypeSelect, mSetMeasurementGrid, mHalverd->settingWidget, mHalverd->aboutWidget,
      mHalverd->advancedSettingWidget};
  for (QWidget* dialog : dialogs)
    MyWidget::openOver(dialog, this);

  connect(ui->pBn_TestWallThickness, SIGNAL(clicked()), this, SLOT(StartDataCollection()), Qt::UniqueConnection);
  // The evaluation ends on its worker; the result is drawn on this thread.
  connect(&mThicknessTest, &WallThicknessTest::evaluated, this, &newLumivar::showThicknessResult,
          Qt::QueuedConnection);
  connect(&mPickFit, &PickPlaneFit::fitted, this, &newLumivar::showPickThickness, Qt::QueuedConnection);

  initTimers();
  initTrayIcon();
}

void newLumivar::initGridConnections() {
  mSetMeasurementGrid = new SetMeasurementGrid();
  connect(mSetMeasurementGrid, SIGNAL(sendGridSetValue(GridParam)), this, SLOT(onGetMeasurementGridSlot(GridParam)),
          Qt::UniqueConnection);
  mIsGridBusy = false;
  shortcut = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_Up), this);
  shortcut_2 = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_Down), this);
  connect(shortcut, SIGNAL(activated()), this, SLOT(rotatedGrid_UP()), Qt::UniqueConnection);
  connect(shortcut_2, SIGNAL(activated()), this, SLOT(rotatedGrid_DW()), Qt::UniqueConnection);
}

void newLumivar::initTimers() {
  startTimer = new QTimer();
  endTimer = new QTimer();
  connect(startTimer, SIGNAL(timeout()), this, SLOT(onStartTinerOut()), Qt::UniqueConnection);
  connect(endTimer, SIGNAL(timeout()), this, SLOT(onEndTinerOut()), Qt::UniqueConnection);
  QSettings config(programConfigFilePath(), QSettings::IniFormat);
  isTimerTestEnable = config.value("Config/isTimerTestEnable", false).toBool();
}

void newLumivar::initTrayIcon() {
  // Desktops without a notification area (and the test display) get no tray icon.
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  mTrayIcon = new QSystemTrayIcon(appIcon);
  mTrayIcon->setToolTip("My Application");
  QMenu* menu = new QMenu(this);
  menu->addAction("Show", this, [this] { show(); });
  menu->addAction("Quit", qApp, &QCoreApplication::quit);
  mTrayIcon->setContextMenu(menu);
  connect(mTrayIcon, &QSystemTrayIcon::activated, this, &newLumivar::onTrayIconActivated, Qt::UniqueConnection);
  mTrayIcon->setVisible(true);
}

void newLumivar::initStyle() {
  for (QLabel* label : {ui->label_TitleShow, ui->label_TitleShow_2, ui->label_StatusBarShow_1, ui->label_StatusBarShow_2})
    label->setStyleSheet("color: rgb(240, 240, 240)");
  ui->label_TitleShow->setText(storedTitle);
  ui->label_TitleShow_2->clear();
  ui->label_StatusBarShow_1->clear();
  ui->label_StatusBarShow_2->clear();
  // The window's own boxes (echo, "Locked", the play bar's looping box) read like the dialogs'.
  DialogFrame::addIndicatorStyle(this);
  // The tool bar's sheets name one picture for every state: a disabled button is greyed here.
  DisabledLook::installOnToolButtons(this);

  vtkSmartPointer<vtkAxesActor> axes = vtkSmartPointer<vtkAxesActor>::New();
  mAxesWidget = vtkSmartPointer<vtkOrientationMarkerWidget>::New();
  mAxesWidget->SetOrientationMarker(axes);
  mAxesWidget->SetInteractor(ui->screen->interactor());
  mAxesWidget->SetViewport(0.0, 0.0, 0.15, 0.2);
  mAxesWidget->SetEnabled(1);
  mAxesWidget->InteractiveOff();
  ui->screen->update();

  if (neutralBranding) {
    logoPath = ":/image2/Resources/images2/APPLogo2.png";
    ui->label_StatusBarShow_2->hide();
    ui->label_2->setFixedSize(45, 45);
  } else {
    ui->label_StatusBarShow_2->setTextFormat(Qt::RichText);
    ui->label_StatusBarShow_2->setOpenExternalLinks(true);
    ui->label_StatusBarShow_2->setText("<a style='color: rgb(240, 240, 240);' href='https://example.org/lumivar'>"
                                      "Lumivar lidar platform</a>");
    logoPath = ":/image2/Resources/images2/title-logo.png";
  }
  appIcon = QIcon(logoPath);
  setWindowIcon(appIcon);
  if (mTrayIcon) mTrayIcon->setIcon(appIcon);
  ui->label_2->setStyleSheet(QString("border-image: url(%1)").arg(logoPath));

  if (hideInternalFunctions) {
    ui->pBn_Setting_Advanced->hide();
    ui->pBn_TestWallThickness->hide();
  }
  ui->pBn_ColorPalette->hide();
  ui->pBn_WidgetColor_2->hide();
  ui->pBn_WidgetColor->hide();

  const QIcon modeIcon(":/image2/Resources/images2/20-20色彩调节.png");
  for (const char* mode : kColourModes) ui->comboBox_ColorSelect->addItem(modeIcon, mode);

  const bool noBars = ui->comboBox_Colorbar->count() == 0;
  ui->comboBox_ColorSelect->setVisible(noBars);
  ui->comboBox_Colorbar->setVisible(!noBars);
}

void newLumivar::initPointTable() {
  std::lock_guard<std::mutex> lock(tableMutex);
  mQStandardItemModel->clear();
  mQStandardItem = nullptr;
  mPickTableRows.clear();
  mPickTableCloud.reset();
  QStringList headers;
  for (const char* h : kTableHeaders) headers << tr(h);
  mQStandardItemModel->setHorizontalHeaderLabels(headers);
  ui->tableView->setModel(mQStandardItemModel);
  ui->tableView->horizontalHeader()->setStyleSheet(
      "QHeaderView::section { background-color: rgb(1, 20, 45); color: rgb(240, 240, 240);border: none;}");
  ui->tableView->setStyleSheet(
      "QTableView { background-color: rgb(1, 20, 60); color: rgb(240, 240, 240);}"
      "QScrollBar:vertical { width: 15px; background: #222;}"
      "QScrollBar:horizontal { height: 15px; background: #222;}"
      "QScrollBar::handle { background: #606060;}");
}

// ---------------------------------------------------------------------------------------
// Connection control

void newLumivar::onGetLidarInitParamSlot(LidarInitParam param) {
  lidarInitParam = param;
  currentLidarType = param.lidarType;
  const QString type = param.lidarType;

  // A selection begun on the last run would keep the new one's frames off the screen, and a
  // box made on its frames would go on marking and counting the new ones.
  cancelAreaSelection();
  ui->widget_offLineData->resumeLiveDisplay();  // a pause of the last run would keep this one black
  if (mIsBoxValid)
    dropSelectionBox();
  else
    initPointTable();  // the rows are the last run's
  clearPickedAndSelected();
  mViewer->removeAllPointClouds();
  render();

  ConnectTimes += 1;
  logLine(LOG_TEXT(QString("Select Lidar type to start connecting: Type = %1 ; ConnectTimes = %2")
                       .arg(type).arg(ConnectTimes)));
  OffLineClass* panel = ui->widget_offLineData;
  const bool offline = panel->isOfflineMode;
  if (offline)
    logLine(LOG_TEXT(QString("Offline data play Lidar packets: Type = %1 ; ConnectTimes = %2").arg(type).arg(ConnectTimes)));
  else
    logLine(LOG_TEXT(QString("Online data connection to Lidar: Type = %1 ; ConnectTimes = %2").arg(type).arg(ConnectTimes)));

  if (!mHalverd || !mHalverd->initClassLidarType(type.toStdString())) {
    showTips(kFailedModelText);
    return;
  }

  const bool useBars = ui->comboBox_Colorbar->count() > 0 && mHalverd->isColorbarAvailable;
  ui->comboBox_Colorbar->setVisible(useBars);
  ui->comboBox_ColorSelect->setVisible(!useBars);
  // The new driver colours by what the combo shown says, so the two never disagree.
  QComboBox* shownCombo = useBars ? ui->comboBox_Colorbar : ui->comboBox_ColorSelect;
  mHalverd->onRGB_TypeSelection(static_cast<_SetRGB_Type>(std::max(0, shownCombo->currentIndex())),
                                useBars ? 1 : 0);
  mHalverd->isOffline = offline;
  mFiltrationData->mChannelsPerGroup = mHalverd->channelsPerGroup;
  mFiltrationData->setChannelCountAndEcho(mHalverd->channelCount, type == "LidarType_Tiskar");
  mHalverd->onSetFilteDistanceZero(isFilerDistanceZero);

  // Three-cloud frames only come from "_Zentra" keys; the match is case-sensitive.
  if (type.contains("_Zentra", Qt::CaseSensitive)) {
    connect(mHalverd->dataEmitter,
            SIGNAL(SendLidarDataPrt(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr,
                                    pcl::PointCloud<PointInfo>::Ptr, int, QString)),
            this,
            SLOT(onCalculateShowPointCloudSlot(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr,
                                               pcl::PointCloud<PointInfo>::Ptr, int, QString)),
            Qt::UniqueConnection);
  } else {
    connect(mHalverd->dataEmitter,
            SIGNAL(SendLidarDataPrt(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr, int, QString)),
            this,
            SLOT(onCalculateShowPointCloudSlot(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr, int,
                                               QString)),
            Qt::UniqueConnection);
  }

  const unsigned int dataPort = static_cast<unsigned int>(param.dataPort);
  const unsigned int devPort = static_cast<unsigned int>(param.devPort);
  if (offline) {
    const QString busy = "Please stop offline data play first";
    ui->pBn_Connect->setEnabled(false);
    ui->pBn_Connect->setToolTip(busy);
    ui->pBn_OpenPacket->setEnabled(false);
    ui->pBn_OpenPacket->setToolTip(busy);
    panel->OpenOffLine();
    if (!mHalverd->startRun(dataPort, devPort, param.destIP, param.multicastIP, true)) {
      getOffLineFinish(true);
      reportFailedStart(type);
      return;
    }
    showPlayingSource();
  } else {
    if (!mHalverd->startRun(dataPort, devPort, param.destIP, param.multicastIP, false)) {
      reportFailedStart(type);
      return;
    }
    isConnected = true;
    panel->setOfflineControlsEnabled(false);
    ui->pBn_OpenPacket->setEnabled(false);
    ui->pBn_OpenPacket->setToolTip("Please stop the online data play first");
    ui->pBn_Connect->setStyleSheet(kConnectedIcon);
    ui->pBn_Connect->setToolTip("Disconnect");
    ui->label_StatusBarShow_1->clear();
  }

  setWindowTitle(storedTitle + " --" + type);
  ui->label_TitleShow_2->setText(" " + type);
  resetCameraPending = true;
  mRefitWholeTurn = true;
  mFirstFit.reset();
  logLine(LOG_TEXT(QString("Lidar connection successful: Type:%1 ; ConnectTimes = %2").arg(type).arg(ConnectTimes)));
}

void newLumivar::reportFailedStart(const QString& type) {
  // The glue has logged the driver's failure codes; release what the start opened.
  mHalverd->stoptRun();
  logLine(LOG_TEXT(QString("Lidar connection failed: Type:%1 ; ConnectTimes = %2").arg(type).arg(ConnectTimes)));
  showTips(kFailedStartText);
}

void newLumivar::onPbn_ConnectSlot() {
  OffLineClass* panel = ui->widget_offLineData;
  const QString type = lidarInitParam.lidarType;
  if (isConnected) {
    logLine(LOG_TEXT(QString("Disconnected Lidar start: Type:%1; ConnectTimes = %2").arg(type).arg(ConnectTimes)));
    cancelAreaSelection();
    if (mHalverd) mHalverd->stoptRun();
    isConnected = false;
    ui->pBn_Connect->setStyleSheet(kDisconnectedIcon);
    ui->pBn_Connect->setToolTip("Connect");
    panel->setOfflineControlsEnabled(true);
    ui->pBn_OpenPacket->setEnabled(true);
    ui->pBn_OpenPacket->setToolTip("Open pcap file");
    setWindowTitle(storedTitle);
    ui->label_TitleShow->setText(storedTitle);
    ui->label_TitleShow_2->clear();
    logLine(LOG_TEXT(QString("Disconnected Lidar finish: Type:%1; ConnectTimes = %2").arg(type).arg(ConnectTimes)));
    logLine(kStarLine);
    return;
  }
  logLine(kStarLine);
  panel->isOfflineMode = false;
  mDeviceLookupConnection->setWindowFlags(mDeviceLookupConnection->windowFlags() | Qt::FramelessWindowHint);
  mDeviceLookupConnection->show();
  if (isTimerTestEnable) {
    endTimer->setInterval(kConnectTestFirstMs);
    endTimer->start();
  }
}

void newLumivar::PlayOffLineStopOnlineSlot(LidarInitParam param) {
  logLine(kStarLine);
  ui->widget_offLineData->isOfflineMode = true;
  onGetLidarInitParamSlot(param);
}

void newLumivar::getOffLineFinish(bool enable) {
  // A replay stopped by a live start finishes late: the live run keeps the buttons.
  if (isConnected) return;
  ui->pBn_Connect->setEnabled(enable);
  ui->pBn_OpenPacket->setEnabled(enable);
  const QString busy = "Please stop offline data play first";
  ui->pBn_Connect->setToolTip(enable ? "Connect" : busy);
  ui->pBn_OpenPacket->setToolTip(enable ? "Open pcap file" : busy);
}

void newLumivar::onPbn_OpenPacketSlot() {
  resetCameraPending = true;
  emit onOpenPcapFileSignal();
}

void newLumivar::onCbx_EchoSelectSlot(int) {
  const bool first = ui->cBx_SingleEcho->isChecked();
  const bool second = ui->cBx_doubleEcho->isChecked();
  int mode = 0;  // both echoes
  if (first && !second) {
    mode = 1;
  } else if (!first && second) {
    mode = 2;
  } else if (!first && !second) {
    mode = 3;
    resetCameraPending = true;
  }
  mViewer->removeAllPointClouds();
  render();
  if (mHalverd) mHalverd->SetEcho_SingleOrDouble(mode);
}

void newLumivar::onComboBox_ColorSelectSlot(int) {
  if (!mHalverd) return;
  mHalverd->onRGB_TypeSelection(static_cast<_SetRGB_Type>(ui->comboBox_ColorSelect->currentIndex()), 0);
}

void newLumivar::onComboBox_ColorbarSlot(int) {
  if (!mHalverd) return;
  mHalverd->onRGB_TypeSelection(static_cast<_SetRGB_Type>(ui->comboBox_Colorbar->currentIndex()), 1);
}

void newLumivar::getFiltrationDataParamSlot(FiltrationDataInitParam param) {
  if (!mHalverd) return;
  mHalverd->onHangleRange(param.HAngleMin, param.HAngleMax);
  mHalverd->onChannelSelection(param.ChannelFlags);
  mHalverd->onFiltrationDataParam(param);
}

void newLumivar::onEndTinerOut() {
  endTimer->stop();
  startTimer->setInterval(kConnectTestCycleMs);
  startTimer->start();
  onPbn_ConnectSlot();
}

void newLumivar::onStartTinerOut() {
  startTimer->stop();
  endTimer->setInterval(kConnectTestCycleMs);
  endTimer->start();
  onGetLidarInitParamSlot(LidarInitParam(lidarInitParam));
}

// ---------------------------------------------------------------------------------------
// Live frame display

void newLumivar::onCalculateShowPointCloudSlot(pcl::PointCloud<PointInfo>::Ptr frame,
                                               pcl::PointCloud<PointInfo>::Ptr companion, int count,
                                               QString extraText) {
  if (ui->widget_offLineData->iconShowsStop || mPauseForSelect[0]) return;  // display frozen: drop
  if (!frame) return;

  const QString type = lidarInitParam.lidarType;
  if (!extraText.isEmpty()) {
    setWindowTitle(storedTitle + " --" + type + extraText);
    ui->label_TitleShow_2->setText("  " + type + extraText);
  }

  mSelectCloud = companion ? companion : newEmptyCloud();
  // The ring has two slots: larger partial-frame counts are shown as two.
  frameCount = std::clamp(count, 1, 2);
  frameIndex = frameCount > 1 ? (frameIndex + 1) % frameCount : 0;
  mFrameRing[frameIndex] = frame;

  if (mIsSavingCsv) {
    mQueuedFrames += 1;
    CloudPtr toSave = mIsBoxValid ? mSelectCloud : (frameCount == 2 ? takeMergedCloud() : frame);
    {
      std::lock_guard<std::mutex> lock(mSaveMutex);
      mSaveQueue.push_back(toSave);
    }
    wakeSaveWorker();
    if (mQueuedFrames == mSaveCount) mIsSavingCsv = false;
  }
  if (mIsSavingPcd) {
    const std::string name = FrameSave::localPath(
        FrameSave::pcdFrameFileName(mSaveDir, type, QDateTime::currentDateTime(), mSaveCount, mQueuedFrames));
    CloudPtr toSave = frameCount == 2 ? takeMergedCloud() : frame;
    {
      std::lock_guard<std::mutex> lock(mSaveMutex);
      mSaveQueue.push_back(toSave);
      mSaveNameQueue.push_back(name);
    }
    wakeSaveWorker();
    mQueuedFrames += 1;
    if (mQueuedFrames == mSaveCount) {
      mIsSavingPcd = false;
      mSaveDir.clear();
    }
  }
  if (mIsSavingLas) {
    {
      std::lock_guard<std::mutex> lock(mSaveMutex);
      mSaveQueue.push_back(frame);
    }
    wakeSaveWorker();
  }
  if (mThicknessTest.collecting()) collectThicknessFrame();

  if (mIsBoxValid) showSelectionCount(mSelectCloud->size());
  fillPointTable(mIsBoxValid ? *mSelectCloud : *frame);

  if (frameCount == 2) {
    const std::string slotId = "realTime_points_" + std::to_string(frameIndex);
    mViewer->removePointCloud("realTime_points");
    mViewer->removePointCloud(slotId);
    showFrameCloud(mFrameRing[frameIndex], slotId);
    mViewer->removePointCloud("clicked_points");
    mViewer->removePointCloud("clicked_points_3d11");
    mViewer->removePointCloud("mSelectPointShow");
    const std::string companionId = "mSelectPointShow_" + std::to_string(frameIndex);
    mViewer->removePointCloud(companionId);
    showCompanionCloud(mSelectCloud, companionId);
  } else {
    for (const char* id : {"realTime_points_0", "mSelectPointShow_0", "realTime_points_1", "mSelectPointShow_1",
                           "realTime_points"})
      mViewer->removePointCloud(id);
    showFrameCloud(frame, "realTime_points");
    mViewer->removePointCloud("clicked_points_3d11");
    mViewer->removePointCloud("m_SelectPointCloudPrt");
    showCompanionCloud(mSelectCloud, "m_SelectPointCloudPrt");
  }
  fitCameraToFrame();
  render();
}

void newLumivar::onCalculateShowPointCloudSlot(pcl::PointCloud<PointInfo>::Ptr, pcl::PointCloud<PointInfo>::Ptr,
                                               pcl::PointCloud<PointInfo>::Ptr, int, QString) {
  // Three-cloud frames are not shown; the shared pointers release them.
}

void newLumivar::onCalculateShowPointCloudSlot_PCD(pcl::PointCloud<PointInfo>::Ptr cloud) {
  if (ui->widget_offLineData->iconShowsStop || mPauseForSelect[0]) return;
  if (!cloud) return;
  mFrameRing[0] = cloud;

  if (mIsSavingCsv) {
    mQueuedFrames += 1;
    {
      std::lock_guard<std::mutex> lock(mSaveMutex);
      mSaveQueue.push_back(cloud);
    }
    wakeSaveWorker();
    if (mQueuedFrames == mSaveCount) mIsSavingCsv = false;
  }

  // The companion is the in-box part of the cloud; the table follows the cloud it lists.
  CloudPtr companion = newEmptyCloud();
  if (mIsBoxValid) {
    const BoxSelectParam& b = mBoxBounds;
    for (const PointInfo& p : cloud->points) {
      if (p.Distance > 0 && b.xMin <= p.x && p.x <= b.xMax && b.yMin <= p.y && p.y <= b.yMax && b.zMin <= p.z &&
          p.z <= b.zMax)
        companion->push_back(p);
    }
    showSelectionCount(companion->size());
  }
  mSelectCloud = companion;
  fillPointTable(mIsBoxValid ? *companion : *cloud);

  for (const char* id : {"realTime_points_0", "mSelectPointShow_0", "realTime_points_1", "mSelectPointShow_1",
                         "realTime_points"})
    mViewer->removePointCloud(id);
  showFrameCloud(cloud, "realTime_points");
  mViewer->removePointCloud("clicked_points_3d11");
  mViewer->removePointCloud("mSelectPointShow");
  showCompanionCloud(companion, "mSelectPointShow");
  fitCameraToFrame();
  render();
}

void newLumivar::onSbx_SetPointSizeSlot(int value) { pointSize = value; }

std::array<double, 11> newLumivar::cameraState() const {
  std::array<double, 11> state{};
  vtkRenderer* renderer = mViewer->getRendererCollection()->GetFirstRenderer();
  vtkCamera* camera = renderer ? renderer->GetActiveCamera() : nullptr;
  if (!camera) return state;
  camera->GetPosition(&state[0]);
  camera->GetFocalPoint(&state[3]);
  camera->GetViewUp(&state[6]);
  state[9] = camera->GetParallelScale();
  state[10] = camera->GetViewAngle();
  return state;
}

void newLumivar::fitCameraToFrame() {
  if (resetCameraPending) {
    mViewer->resetCamera();
    resetCameraPending = false;
    mFirstFit.reset();
    if (mRefitWholeTurn) mFirstFit = cameraState();
    mRefitWholeTurn = false;
    return;
  }
  if (!mFirstFit) return;
  // The first frame held only the part of a turn since the start; this one is a whole turn.
  if (cameraState() == *mFirstFit) mViewer->resetCamera();
  mFirstFit.reset();
}

newLumivar::CloudPtr newLumivar::takeMergedCloud() {
  CloudPtr merged = mCurrentCloud ? mCurrentCloud : newEmptyCloud();
  merged->clear();
  for (const CloudPtr& c : mFrameRing)
    if (c) *merged += *c;
  mCurrentCloud = newEmptyCloud();
  return merged;
}

void newLumivar::fillPointTable(const pcl::PointCloud<PointInfo>& source) {
  std::lock_guard<std::mutex> lock(tableMutex);
  // The frame's rows replace the pick's: scrolling must not bring picked rows back.
  mPickTableRows.clear();
  mPickTableCloud.reset();
  if (source.size() > kTableMaxPoints) {
    // Header only: a huge frame costs the table nothing.
    mQStandardItemModel->removeRows(0, mQStandardItemModel->rowCount());
    mQStandardItem = nullptr;
    return;
  }
  const int first = ui->tableView->verticalScrollBar()->value();
  const int last = first + kTableWindowRows;
  int written = 0;
  for (int r = std::max(first, 0); r <= last && r < static_cast<int>(source.size()); ++r) {
    if (written == kTableWindowRows) break;
    const PointInfo& p = source.points[static_cast<std::size_t>(r)];
    if (!(p.Distance > 0)) continue;
    writeTableRow(r, p);
    ++written;
  }
}

void newLumivar::writeTableRow(int row, const PointInfo& p) {
  auto put = [this, row](int column, const QString& text) {
    mQStandardItem = new QStandardItem(text);
    mQStandardItemModel->setItem(row, column, mQStandardItem);  // the model takes the item
    return mQStandardItem;
  };
  put(0, QString::number(p.Channel))->setData(static_cast<int>(p.Channel), Qt::DisplayRole);
  put(1, fixed3(p.x) + "  " + fixed3(p.y) + "  " + fixed3(p.z));
  put(2, fixed3(p.H_angle));
  put(3, fixed3(p.V_angle));
  put(4, fixed3(p.Distance));
  put(5, QString::number(p.Intensity));
  put(6, fixed3(p.Distance2));
  put(7, QString::number(p.Intensity2));
  put(8, QString::number(p.Mtimestamp_nsce, 'g', 6));
}

void newLumivar::showSelectionCount(std::size_t count) {
  showScreenText(BoxSelection::selectionCountText(int(count)).toStdString(), kCountFromTop, "Selection Number");
}

void newLumivar::showLivePauseLine() {
  const OffLineClass* panel = ui->widget_offLineData;
  // A pause for an area selection ends by itself with the pick: it needs no word.
  const bool paused = isConnected && panel->iconShowsStop && !mPauseForSelect[1];
  if (mPauseLine->GetVisibility() == (paused ? 1 : 0)) return;
  mPauseLine->SetVisibility(paused ? 1 : 0);
  render();
}

void newLumivar::showFrameCloud(const CloudPtr& cloud, const std::string& id) {
  if (!cloud) return;
  pcl::visualization::PointCloudColorHandlerRGBField<PointInfo> colours(cloud);
  mViewer->addPointCloud<PointInfo>(cloud, colours, id);
  mViewer->setPointCloudRenderingProperties(pcl::visualization::PCL_VISUALIZER_POINT_SIZE, pointSize, id);
}

void newLumivar::showCompanionCloud(const CloudPtr& cloud, const std::string& id) {
  if (!cloud) return;
  pcl::visualization::PointCloudColorHandlerCustom<PointInfo> colour(cloud, kCompanionR, kCompanionG, kCompanionB);
  mViewer->addPointCloud<PointInfo>(cloud, colour, id);
  mViewer->setPointCloudRenderingProperties(pcl::visualization::PCL_VISUALIZER_POINT_SIZE, kCompanionPointSize, id);
}

void newLumivar::collectThicknessFrame() {
  if (!mThicknessTest.addFrame(*mSelectCloud)) return;
  // The last frame of the test: evaluate off the GUI thread and give the driver its box back.
  mThicknessTest.evaluateInBackground();
  if (mIsSelecting) onPbn_BoxSelectSlot();
  sendBoxToGlue(mIsBoxValid, mBoxBounds);
  for (const char* id : {"mSelectPointShow_0", "mSelectPointShow_1", "mSelectPointShow", "TestThicknessPointsShow"})
    mViewer->removePointCloud(id);
  const CloudPtr shown = mThicknessTest.shownPoints();
  pcl::visualization::PointCloudColorHandlerCustom<PointInfo> yellow(shown, 255, 255, 0);
  mViewer->addPointCloud<PointInfo>(shown, yellow, "TestThicknessPointsShow");
  mViewer->setPointCloudRenderingProperties(pcl::visualization::PCL_VISUALIZER_POINT_SIZE, 2.0,
                                            "TestThicknessPointsShow");
}

void newLumivar::beginFrameCollection(int type, int count, const QString& dir) {
  mSaveCount = count;
  mQueuedFrames = 0;
  mSaveDir = dir;
  mIsSavingCsv = type == 1;
  mIsSavingPcd = type == 2;
  mIsSavingLas = type == 3;
}

void newLumivar::setSelectionBox(const BoxSelectParam& box) {
  mBoxBounds = box;
  mIsBoxValid = box.valid;
}

// ---------------------------------------------------------------------------------------
// Helpers

void newLumivar::render() { renderWindow->Render(); }

void newLumivar::showTips(const QString& text) { messageBoxInformation(this, "Tips", text); }

void newLumivar::clearPickedAndSelected() {
  mRanging.clear();
  mPickFit.cancel();
  removeShapesKeepingGrid();  // the grid stays until its own button takes it away
  for (const char* id : {"clicked_points", "clicked_points_3d11", "m_SelectPointCloudPrt", "TestThicknessPointsShow"})
    mViewer->removePointCloud(id);
}

void newLumivar::sendKeyToView(int key, Qt::KeyboardModifiers modifiers) {
  // The view's interactor reads its keys from Qt events, so posting them replaces key simulation.
  ui->screen->setFocus();
  const QString text = (key >= Qt::Key_A && key <= Qt::Key_Z) ? QString(QChar(key)).toLower() : QString();
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QCoreApplication::sendEvent(ui->screen, &press);
  QCoreApplication::sendEvent(ui->screen, &release);
}

// ---------------------------------------------------------------------------------------
// Window buttons and the slots whose work belongs to the save and playback panels.

void newLumivar::onPushButtonCloseSlot() {
  logLine(LOG_TEXT("onPushButtonCloseSlot() "));
  close();
}

void newLumivar::onPushButtonMaxSlot() {
  if (!isMaximized()) {
    showMaximized();
    logLine(LOG_TEXT("onPushButtonMaxSlot(): showMaximized "));
  } else {
    showNormalOnScreen();
    logLine(LOG_TEXT("onPushButtonMaxSlot(): showNormal "));
  }
}

void newLumivar::onPushButtonMinSlot() {
  showMinimized();
  logLine(LOG_TEXT("onPushButtonMinSlot(): showMinimized "));
}

void newLumivar::onPbn_FiltrationSlot() {
  mFiltrationData->setWindowFlags(mFiltrationData->windowFlags() | Qt::FramelessWindowHint);
  mFiltrationData->show();
}

void newLumivar::onGetDataToShowSignal(QString text, int) { messageBoxInformation(this, "information", text); }

void newLumivar::getWidgetAndFontColorSlot(QString style) { mWidgetStyle = style; }
void newLumivar::getSelectPacketType(int, int) {}
// The panel's notes (a skipped PCD file) go to the log.
void newLumivar::showErrorMessage(std::string text, int) { logLine(LOG_TEXT(QString::fromStdString(text))); }

void newLumivar::showPlayingSource() {
  const OffLineClass* panel = ui->widget_offLineData;
  if (panel->isPcdMode && !panel->pcdDirectory.isEmpty())
    ui->label_StatusBarShow_1->setText("Current play PCD directory: " + panel->pcdDirectory);
  else if (!panel->isPcdMode && !panel->capturePath.isEmpty())
    ui->label_StatusBarShow_1->setText("Current play Pcap pcaket: " + panel->capturePath);
  else
    ui->label_StatusBarShow_1->clear();
}
void newLumivar::keyBoardClick_callback(const pcl::visualization::KeyboardEvent&, void*) {}
