#include "OffLineClass.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <algorithm>
#include <cstdint>

#include <pcl/io/pcd_io.h>

#include "DisabledLook.h"
#include "Halverd.h"
#include "MessageBoxSeam.h"
#include "PcdFrameFile.h"
#include "ProgramSettings.h"
#include "selectSaveDataPacket.h"

namespace {

constexpr const char* kPlayIcon = ":/image2/Resources/images2/icon_Play.png";
constexpr const char* kStopIcon = ":/image2/Resources/images2/icon_Stop.png";
constexpr const char* kLogoIcon = ":/image2/Resources/images2/title-logo.png";
constexpr const char* kPushButtonStyle =
    "QPushButton { background-color: rgb(1, 10, 35); color: rgb(240, 240, 240);}";
constexpr int kProgressDialogWidth = 300;
constexpr int kProgressMinimumDurationMs = 5;
// A modal progress dialog runs the event loop on every value; the indexer reports in steps.
constexpr std::int64_t kIndexProgressStep = 64;
constexpr int kPcdCancelledCode = 99;

const QString kEmptyCaptureText = QStringLiteral("The Pcap file is Empty");

// Warnings take the program's message-box seam as well, so a test can answer them.
void showWarning(QWidget* parent, const QString& title, const QString& text) {
  MessageBoxHook hook = setMessageBoxHook({});
  setMessageBoxHook(hook);
  if (hook) {
    hook(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    return;
  }
  QMessageBox::warning(parent, title, text);
}

QProgressDialog* newProgressDialog(QWidget* parent, const QString& label, const QString& title, int maximum) {
  auto* dialog = new QProgressDialog(label, QStringLiteral("Cancel"), 0, maximum, parent);
  dialog->setWindowTitle(title);
  dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  dialog->setFixedWidth(kProgressDialogWidth);
  dialog->setMinimumDuration(kProgressMinimumDurationMs);
  dialog->setWindowIcon(QIcon(kLogoIcon));
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->setAutoClose(false);
  dialog->setAutoReset(false);
  return dialog;
}

}  // namespace

OffLineClass::OffLineClass(QWidget* parent) : QWidget(parent) {
  registerLidarInitParamMetaType();
  qRegisterMetaType<pcl::PointCloud<PointInfo>::Ptr>("pcl::PointCloud<PointInfo>::Ptr");
  qRegisterMetaType<std::string>("std::string");
  ui.setupUi(this);
  for (QPushButton* button : findChildren<QPushButton*>()) {
    button->installEventFilter(this);
    button->setStyleSheet(kPushButtonStyle);
  }
  connectSignals();
  mOpenDialog = new selectSaveDataPacket(this);
  connect(mOpenDialog, SIGNAL(SendSelectType(int, int)), this, SLOT(getSelectPacketType(int, int)),
          Qt::UniqueConnection);
  connect(mOpenDialog, &selectSaveDataPacket::sendCancel_Clicked, this, [this] { endCancelledOpen(); });

  ui.toolButton_OpenPacket->hide();  // the main window has its own open button
  ui.toolButton_Record->hide();
  ui.toolButton_Round->hide();
  ui.toolButton_PcapToPcd->hide();
  ui.toolButton_PcapToPcd->setEnabled(false);
  ui.toolButton_PcapToPcd->setChecked(false);
  for (QToolButton* b : {ui.toolButton_SeekBackward, ui.toolButton_Play, ui.toolButton_GoToEnd,
                         ui.toolButton_SeekForward})
    b->setEnabled(false);
  ui.comboBox_PlaySpeed->setCurrentIndex(playback::kDefaultSpeedIndex);
  ui.checkBox_round->setChecked(false);
  ui.checkBox_offlineLocked->setChecked(true);
  // The arrows keep the sheet's colour when disabled: each button is greyed while it is.
  DisabledLook::installOnToolButtons(this);
}

OffLineClass::~OffLineClass() {
  // The worker and the loader end before the capture, the clouds and the dialogs go.
  mPlayer.stop();
  isPcdCancelled = true;
  joinLoader();
  mCaptureFile.close();
  closeProgressDialog();
}

void OffLineClass::connectSignals() {
  connect(ui.toolButton_OpenPacket, SIGNAL(clicked()), this, SLOT(onOpenPacket()));
  connect(ui.toolButton_Play, SIGNAL(clicked()), this, SLOT(onPlay()));
  connect(ui.toolButton_SeekBackward, SIGNAL(clicked()), this, SLOT(onSeekBackward()));
  connect(ui.toolButton_SeekForward, SIGNAL(clicked()), this, SLOT(onSeekForward()));
  connect(ui.toolButton_GoToEnd, SIGNAL(clicked()), this, SLOT(onSeekGoToEnd()));
  connect(ui.toolButton_PcapToPcd, SIGNAL(clicked()), this, SLOT(onTbn_PcapToPcd_Slot()));
  connect(ui.comboBox_PlaySpeed, SIGNAL(currentIndexChanged(int)), this, SLOT(onPlaySpeed(int)));
  connect(ui.Slider_Frame, SIGNAL(sliderMoved(int)), this, SLOT(progressMoved(int)));
  connect(ui.Slider_Frame, SIGNAL(sliderReleased()), this, SLOT(progressReleased()));
  connect(ui.checkBox_offlineLocked, SIGNAL(stateChanged(int)), this, SLOT(onOfflineWidgetLocked(int)));
  connect(ui.checkBox_round, SIGNAL(stateChanged(int)), this, SLOT(onSeekRound(int)));
  // Emitted on the worker or loader thread: these arrive queued, on the GUI thread.
  connect(this, SIGNAL(SendFileTotleLength(long)), this, SLOT(getTotleLength(long)));
  connect(this, SIGNAL(sendOpenPcapFinish(bool, int)), this, SLOT(getOpenPcapFinish(bool, int)));
  connect(this, SIGNAL(SendProgressValue(int, int)), this, SLOT(updateProgress(int, int)));
  connect(this, SIGNAL(sendFinish(bool)), this, SLOT(onFinish(bool)));
  connect(this, SIGNAL(SendReadPCD_Result(bool, int, int)), this, SLOT(getReadPCD_Result(bool, int, int)),
          Qt::UniqueConnection);
}

void OffLineClass::setPlayIcon(bool stop) {
  ui.toolButton_Play->setIcon(QIcon(stop ? kStopIcon : kPlayIcon));
}

void OffLineClass::showCount(long frame) {
  // The slider reaches one past the last frame end; the label never shows more than there are.
  ui.label_Count->setText(QStringLiteral("%1/%2").arg(std::clamp(frame, 0L, totalFrames)).arg(totalFrames));
}

// ---- choosing what to open ----

void OffLineClass::onOpenPacket() {
  // No conversion while the user chooses; a cancel gives the button back as it was.
  if (!mOpenPending) mPcapToPcdBeforeOpen = ui.toolButton_PcapToPcd->isEnabled();
  mOpenPending = true;
  setPcapToPcdEnabled(false);
  mOpenDialog->setOpenMode();
  mOpenDialog->setWindowFlags(mOpenDialog->windowFlags() | Qt::FramelessWindowHint);
  mOpenDialog->show();
  mOpenDialog->retranslateUi();
  mOpenDialog->initLidarTypeList();
}

void OffLineClass::endCancelledOpen() {
  if (!mOpenPending) return;
  mOpenPending = false;
  setPcapToPcdEnabled(mPcapToPcdBeforeOpen);
}

void OffLineClass::getSelectPacketType(int type, int) {
  mOpenDialog->hide();  // a choice, not a cancel: no close event
  // Nothing changes until a file or directory is chosen: a cancel leaves the window as it was.
  if (type == selectSaveDataPacket::kOpenCapture) {
    chooseCaptureFile();
  } else if (type == selectSaveDataPacket::kOpenPcdDirectory) {
    openPcdDirectory();
  }
}

namespace {

QFileDialog* newCaptureDialog(QWidget* parent) {
  // Not a nested event loop: the choice arrives as a signal, the caller goes on at once.
  auto* dialog = new QFileDialog(parent, QObject::tr("Select WireShark Capture File"), LastOfflinePlayPath,
                                 QStringLiteral("WireShark Capture Files (*.pcap);;All Files (*)"));
  dialog->setObjectName(QStringLiteral("captureFileDialog"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  return dialog;
}

}  // namespace

void OffLineClass::chooseCaptureFile() {
  QFileDialog* dialog = newCaptureDialog(this);
  const LidarInitParam param = mOpenDialog->mLidarInitParam;
  connect(dialog, &QFileDialog::fileSelected, this, [this, param](const QString& name) {
    if (name.isEmpty()) return endCancelledOpen();
    LastOfflinePlayPath = name;
    if (!openCaptureFile(name)) return endCancelledOpen();
    mCaptureChosen = true;
    // The main window restarts its run offline and then calls OpenOffLine.
    emit SendLidarStopOnlineSignals(param);
  });
  connect(dialog, &QFileDialog::rejected, this, [this] { endCancelledOpen(); });
  dialog->open();
}

void OffLineClass::OpenOffLine() {
  setPlayIcon(false);
  for (QToolButton* b : {ui.toolButton_Play, ui.toolButton_SeekBackward, ui.toolButton_SeekForward,
                         ui.toolButton_GoToEnd})
    b->setEnabled(false);

  if (isPcdMode) {
    openPcdDirectory();
    setPcapToPcdEnabled(false);
    return;
  }
  if (mCaptureChosen) {
    // Indexed before the run started: shown from its first frame.
    mCaptureChosen = false;
    stopPlayback();
    playCount = 0;
    isIdle = true;
    emit SendFileTotleLength(frameCount);
    ui.toolButton_Play->setEnabled(true);
    setPcapToPcdEnabled(true);
    return;
  }
  QFileDialog* dialog = newCaptureDialog(this);
  connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& name) {
    if (name.isEmpty()) {
      emit sendFinish(true);
      return;
    }
    LastOfflinePlayPath = name;
    openCaptureFile(name);
  });
  connect(dialog, &QFileDialog::rejected, this, [this] { emit sendFinish(true); });
  dialog->open();
}

void OffLineClass::closeCapture() {
  // The worker reads the capture: it ends before the file is closed.
  stopPlayback();
  mCaptureFile.close();
  mIndex.clear();
  frameCount = 0;
  playCount = 0;
  isIdle = true;
}

bool OffLineClass::openCaptureFile(const QString& path) {
  const capture::CaptureRules rules = capture::CaptureRules::fromInitParam(mOpenDialog->mLidarInitParam);
  const bool reassembled = rules.lidarFamily == capture::kReassembledFamily;
  capture::CaptureFile file;
  capture::CaptureIndex index;
  const auto refuse = [this](const QString& text) {
    if (!text.isEmpty()) showWarning(this, QStringLiteral("warning"), text);
    emit sendFinish(true);
    return false;
  };
  if (!file.open(QFile::encodeName(path).toStdString())) {
    qDebug() << "open false";
    return refuse(file.error().empty() ? QString() : QString::fromStdString(file.error()));
  }
  if (!runIndexing(path, file, rules, index)) return refuse(QString());
  QString problem = QString::fromStdString(capture::describeDamage(index));
  // The family-4 reader keeps a capture without frames, as it always did.
  if (!reassembled && index.frameCount == 0) {
    problem = problem.isEmpty() ? kEmptyCaptureText : problem + "\n" + kEmptyCaptureText;
    return refuse(problem);
  }
  if (!problem.isEmpty()) showWarning(this, QStringLiteral("warning"), problem);

  // Only now does the previous capture go.
  mOpenPending = false;
  closeCapture();
  mCaptureFile.swap(file);
  mIndex = std::move(index);
  mRules = rules;
  frameCount = mIndex.frameCount;
  isPcdMode = false;
  capturePath = path;
  emit SendFileTotleLength(frameCount);
  ui.toolButton_Play->setEnabled(true);
  setPcapToPcdEnabled(true);
  return true;
}

// ---- capture indexing ----

bool OffLineClass::runIndexing(const QString& path, capture::CaptureFile& file, const capture::CaptureRules& rules,
                               capture::CaptureIndex& index) {
  const bool reassembled = rules.lidarFamily == capture::kReassembledFamily;
  const std::int64_t estimate = capture::progressEstimate(file.size(), rules.lidarFamily);
  closeProgressDialog();
  progressDialog = newProgressDialog(this, QStringLiteral("Opening file..."), QStringLiteral("Please wait a moment"),
                                     int(std::min<std::int64_t>(estimate, INT32_MAX)));
  progressDialog->show();
  // Records read, or during a search for the next record after damage the bytes walked in
  // record sizes, so the dialog moves (and its Cancel is seen) there as well.
  std::int64_t shown = 0;
  const capture::IndexProgress progress = [this, &shown, &rules](std::int64_t read, std::int64_t position) {
    const std::int64_t value = std::max(read, capture::progressEstimate(position, rules.lidarFamily));
    if (value - shown >= kIndexProgressStep) {
      shown = value;
      progressDialog->setValue(int(std::min<std::int64_t>(value, progressDialog->maximum())));
    }
    return !progressDialog->wasCanceled();
  };
  const capture::IndexResult result = reassembled ? capture::buildReassembledIndex(file, index, progress)
                                                  : capture::buildIndex(file, rules, index, progress);
  if (result != capture::IndexResult::Completed) {
    closeProgressDialog();
    return false;
  }
  qDebug() << "i_FrameSize = " << index.frameCount << ": dataPositionsPerPacket.size() = "
           << index.dataPositionsPerPacket.size() << ": dataFramePositions.size() = "
           << index.dataFramePositions.size() << path;
  progressDialog->setValue(progressDialog->maximum());
  closeProgressDialog();
  return true;
}

bool OffLineClass::indexPcapFile(QString path) { return openCaptureFile(path); }

bool OffLineClass::indexReassembledPcapFile(QString path) { return openCaptureFile(path); }

void OffLineClass::getTotleLength(long frames) {
  ui.Slider_Frame->setRange(0, int(frames));
  ui.Slider_Frame->setPageStep(1);
  ui.Slider_Frame->setValue(0);
  mPlayer.currentFrame = 0;
  totalFrames = frames;
  showCount(0);
}

void OffLineClass::updateProgress(int, int frame) {
  if (!isDragging) ui.Slider_Frame->setValue(frame);
  showCount(frame);
}

void OffLineClass::getOpenPcapFinish(bool, int) {}

// ---- play, pause, steps, stop ----

void OffLineClass::startPlayback() {
  playback::PlaybackJob job;
  job.file = &mCaptureFile;
  job.index = &mIndex;
  job.rules = mRules;
  if (isPcdMode) {
    job.player = playback::Player::Pcd;
    job.pcdFrames = frameCount;
  } else if (mRules.lidarFamily == capture::kReassembledFamily) {
    job.player = playback::Player::Datagram;
  } else {
    job.player = playback::Player::Capture;
  }
  // The glue of this run; the main window replaces its pointer only after stopping us.
  Halverd* glue = mGlue;
  playback::PlaybackEvents events;
  events.feed = [glue](unsigned char* data, unsigned short length, int kind, bool end, int step) {
    if (glue) glue->getOffLineData(data, length, static_cast<_LidarDataType>(kind), end, step);
  };
  events.finish = [this](bool done) { emit sendFinish(done); };
  events.progress = [this](std::int64_t position, int frame) {
    emit SendProgressValue(int(std::min<std::int64_t>(position, INT32_MAX)), frame);
  };
  // The clouds are not touched while a run goes: only a new open changes them, after a stop.
  events.showPcdFrame = [this](int index) { emit SendLidarData_PCD(pcdClouds[std::size_t(index)]); };
  mPlayer.speedIndex = ui.comboBox_PlaySpeed->currentIndex();
  mPlayer.resume();  // a new run starts playing
  mPlayer.start(job, std::move(events));
}

void OffLineClass::onPlay() {
  if (!isOfflineMode) {
    // Outside an offline run Play only freezes or releases the display.
    iconShowsStop = !iconShowsStop;
    setPlayIcon(iconShowsStop);
    ui.toolButton_Play->setChecked(iconShowsStop);  // pressed in look while it holds the display
    emit liveDisplayPauseChanged(iconShowsStop);
    return;
  }
  if (!isPcdMode) {
    ui.Slider_Frame->setMaximum(frameCount);
    if (frameCount == 0) {
      showWarning(this, QStringLiteral("warning"), kEmptyCaptureText);
      return;
    }
  }
  setPcapToPcdEnabled(false);
  if (isIdle) {
    setPlayIcon(true);
    isIdle = false;
    isFinished = false;
    if (playCount == 0) {
      startPlayback();
    } else if (frameCount > 0) {
      mPlayer.resume();
    }
    ++playCount;
  } else {
    setPlayIcon(false);
    isIdle = true;
    if (playCount > 0 && frameCount > 0) mPlayer.pause();
  }
  for (QToolButton* b : {ui.toolButton_Play, ui.toolButton_SeekBackward, ui.toolButton_SeekForward,
                         ui.toolButton_GoToEnd})
    b->setEnabled(true);
  ui.toolButton_OpenPacket->setEnabled(false);
}

void OffLineClass::onSeekForward() {
  mPlayer.reqDirection = 1;
  if (!isIdle) return;  // playing: the turn takes effect at the next frame end
  if (mPlayer.currentFrame >= frameCount || isFinished) mPlayer.resume();
  if (mPlayer.isPaused) mPlayer.releaseOnce();
}

void OffLineClass::onSeekBackward() {
  mPlayer.reqDirection = -1;
  if (!isIdle) return;
  if (mPlayer.currentFrame < 1 || isFinished) mPlayer.resume();
  if (mPlayer.isPaused) mPlayer.releaseOnce();
}

void OffLineClass::onSeekGoToEnd() {
  stopPlayback();
  isIdle = true;
  mPlayer.isPaused = false;
  ui.toolButton_Round->setChecked(false);
  isRepeat = false;
  ui.checkBox_round->setChecked(false);
}

void OffLineClass::stopPlayback() { mPlayer.stop(); }

void OffLineClass::onFinish(bool ok) {
  if (!ok) return;
  // The finish of a run that an open or a stop replaced, arriving after a new run began.
  if (mPlayer.isActive()) return;
  isIdle = true;
  playCount = 0;
  for (QToolButton* b : {ui.toolButton_SeekBackward, ui.toolButton_SeekForward, ui.toolButton_GoToEnd})
    b->setEnabled(false);
  mPlayer.reqDirection = 1;
  mPlayer.curDirection = 1;
  setPlayIcon(false);
  mPlayer.currentFrame = 0;
  ui.Slider_Frame->setValue(0);
  ui.label_Count->setText(QStringLiteral("%1/%2").arg(0).arg(frameCount));
  isFinished = true;
  ui.toolButton_OpenPacket->setEnabled(true);
  setPcapToPcdEnabled(true);
  qDebug() << "isRepeatbool = " << isRepeat;
  // Only a run that reached its end starts again; a stopped one stays stopped.
  if (isRepeat && !mPlayer.lastRunStopped()) onPlay();
}

void OffLineClass::onSeekRound(int) { isRepeat = ui.checkBox_round->isChecked(); }

void OffLineClass::onPlaySpeed(int) { mPlayer.speedIndex = ui.comboBox_PlaySpeed->currentIndex(); }

void OffLineClass::onOfflineWidgetLocked(int state) { isLocked = state != 0; }

void OffLineClass::progressMoved(int value) {
  isDragging = true;
  mPlayer.seekTarget = value;
}

void OffLineClass::progressReleased() {
  const int target = std::clamp(int(mPlayer.seekTarget), 0, std::max(0, frameCount - 1));
  mPlayer.seekTarget = target;
  ui.Slider_Frame->setValue(target + 1);
  showCount(target + 1);
  mPlayer.isSeekPending = true;
  isDragging = false;
}

void OffLineClass::setPcapToPcdEnabled(bool enable) {
  ui.toolButton_PcapToPcd->setEnabled(enable);
  ui.toolButton_PcapToPcd->setChecked(false);
}

void OffLineClass::setOfflineLocked(bool locked) {
  isLocked = locked;
  ui.checkBox_offlineLocked->setChecked(locked);
}

void OffLineClass::resumeLiveDisplay() {
  const bool wasPaused = iconShowsStop;
  iconShowsStop = false;
  setPlayIcon(false);
  ui.toolButton_Play->setChecked(false);
  if (wasPaused) emit liveDisplayPauseChanged(false);
}

void OffLineClass::setOfflineControlsEnabled(bool enable) {
  ui.toolButton_OpenPacket->setEnabled(enable);
  stopPlayback();
  for (QToolButton* b : {ui.toolButton_SeekBackward, ui.toolButton_SeekForward, ui.toolButton_GoToEnd})
    b->setEnabled(false);
  // A pause belongs to its run: the next one must not start with a black view. Play freezes a
  // live display, so it is offered in every live run, whatever was replayed before; after the
  // run there is nothing to play (the capture went when it started).
  resumeLiveDisplay();
  ui.toolButton_Play->setEnabled(!enable);
  if (enable) return;
  // A live run takes over: the replay's capture goes, and with it its count and position (the
  // stopped run's late finish then shows none either).
  closeCapture();
  getTotleLength(0);
}

void OffLineClass::onTbn_PcapToPcd_Slot() {
  isConversionRequested = true;
  setEnabled(false);
  conversionFrameCount = frameCount;
  isConversionAccepted = false;
  // The main window answers within this emit (direct connection).
  emit SendSelectType(1, frameCount);
  if (isConversionAccepted) {
    isPcdMode = false;
    onPlay();
    return;
  }
  isConversionRequested = false;
  setPcapToPcdEnabled(true);
  setEnabled(true);
}

// ---- PCD directory replay ----

bool OffLineClass::openPcdDirectory() {
  auto* dialog = new QFileDialog(this, tr("Open PCD File..."), QString());
  dialog->setObjectName(QStringLiteral("pcdDirectoryDialog"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly, true);
  connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& directory) {
    if (directory.isEmpty()) return endCancelledOpen();
    startPcdReplay(directory);
  });
  connect(dialog, &QFileDialog::rejected, this, [this] { endCancelledOpen(); });
  dialog->open();
  // The choice arrives later; whether one was made is known only then.
  return true;
}

void OffLineClass::startPcdReplay(const QString& directory) {
  mOpenPending = false;
  isOfflineMode = true;
  isPcdMode = true;
  setPlayIcon(false);
  for (QToolButton* b : {ui.toolButton_Play, ui.toolButton_SeekBackward, ui.toolButton_SeekForward,
                         ui.toolButton_GoToEnd})
    b->setEnabled(false);
  setPcapToPcdEnabled(false);
  closeCapture();
  capturePath.clear();
  loadPcdDirectory(directory);
  emit playingSourceChanged();  // the capture is gone; the directory counts once loaded
}

void OffLineClass::loadPcdDirectory(const QString& directory) {
  stopPlayback();
  isPcdCancelled = true;
  joinLoader();
  pcdDirectory.clear();
  mPcdLoading = directory;
  pcdFiles = QDir(directory).entryList({QStringLiteral("*.pcd")}, QDir::Files | QDir::Readable, QDir::Name);
  frameCount = 0;
  playCount = 0;
  isIdle = true;
  pcdClouds.clear();
  mLoadedFrames = 0;
  closeProgressDialog();

  progressDialog = newProgressDialog(this, QStringLiteral("Opening PCD file..."),
                                     QStringLiteral("Opening PCD file... Please wait a moment..."),
                                     int(pcdFiles.size()));
  connect(progressDialog, SIGNAL(canceled()), this, SLOT(getProgDlgCanceled()));
  progressDialog->show();
  isPcdCancelled = false;
  ui.toolButton_OpenPacket->setEnabled(false);
  mLoader = std::thread(&OffLineClass::loadPcdFiles, this, directory, pcdFiles);
}

void OffLineClass::loadPcdFiles(QString directory, QStringList files) {
  int i = 0;
  for (; i < files.size() && !isPcdCancelled; ++i) {
    const QString path = directory + "/" + files[i];
    auto cloud = pcl::PointCloud<PointInfo>::Ptr(new pcl::PointCloud<PointInfo>);
    std::string why;
    if (!pcdframe::readPcdFrame(QFile::encodeName(path).toStdString(), *cloud, why)) {
      // One unreadable file is skipped; the others still play.
      qDebug() << "Couldn't read file: " << path;
      emit SendLidarMessge("Skipped " + QFile::encodeName(path).toStdString() + ": the file " + why, 0);
    } else {
      qDebug() << "Loaded PCD File: " << cloud->width << "x" << cloud->height;
      pcdClouds.push_back(cloud);
      ++mLoadedFrames;
    }
    emit SendReadPCD_Result(false, i, 0);
  }
  emit SendReadPCD_Result(true, int(files.size()), isPcdCancelled ? kPcdCancelledCode : 0);
}

void OffLineClass::joinLoader() {
  if (mLoader.joinable()) mLoader.join();
}

void OffLineClass::closeProgressDialog() {
  if (!progressDialog) return;
  progressDialog->disconnect(this);
  progressDialog->close();
  delete progressDialog;
  progressDialog = nullptr;
}

void OffLineClass::getReadPCD_Result(bool done, int index, int) {
  if (isPcdCancelled) {
    // The loader may have read its last file before the cancel reached it: still cancelled.
    if (!done) return;
    joinLoader();
    closeProgressDialog();
    frameCount = 0;
    ui.toolButton_OpenPacket->setEnabled(true);
    emit playingSourceChanged();
    return;
  }
  if (!done) {
    if (progressDialog) progressDialog->setValue(index + 1);
    return;
  }
  // The loader's last act was this signal: after the join its clouds are ours to read.
  joinLoader();
  frameCount = mLoadedFrames;
  pcdDirectory = mPcdLoading;
  closeProgressDialog();
  emit SendFileTotleLength(frameCount);
  messageBoxInformation(this, QStringLiteral("information"), QStringLiteral("Open the PCD file successfully"));
  ui.toolButton_Play->setEnabled(true);
  ui.toolButton_OpenPacket->setEnabled(true);
}

void OffLineClass::getProgDlgCanceled() {
  isPcdCancelled = true;
  frameCount = 0;
  if (!progressDialog) return;
  progressDialog->setCancelButton(nullptr);
  progressDialog->setWindowFlags(progressDialog->windowFlags() | Qt::CustomizeWindowHint);
  progressDialog->setLabelText(QStringLiteral("\tCancelling now! Wait a moment, please\t"));
  progressDialog->show();
}
