// The frame saves of the main window: the save-type dispatch, the CSV, PCD and LAS starts,
// and the writer's progress, finish and failure reports. The frame slot queues the frames
// (newLumivar.cpp); FrameSaveWorker writes them on its own thread.
#include "newLumivar.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProgressDialog>

#include <functional>

#include "CaptureRecordControl.h"
#include "FileDialogSeam.h"
#include "FrameSaveWorker.h"
#include "FrameSaveWriters.h"
#include "MessageBoxSeam.h"
#include "OffLineClass.h"
#include "ProgramSettings.h"
#include "SaveLidarDataTypeSelect.h"
#include "ui_newLumivar.h"

namespace {

QString sourceFileName(const char* path) { return QFileInfo(QString::fromUtf8(path)).fileName(); }
#define SAVE_LOG_TEXT(text) (QString("[%1:%2]\t").arg(sourceFileName(__FILE__)).arg(__LINE__) + (text))

// Save codes of the save-type dialog.
constexpr int kRecordAll = 0;
constexpr int kRecordOwnPorts = 10;
constexpr int kCsvMerged = 1;
constexpr int kCsvPerFrame = 11;
constexpr int kPcd = 2;
constexpr int kLas = 3;

constexpr int kCsvDialogWidth = 300;
constexpr int kPcdDialogWidth = 500;
constexpr int kDialogShowDelayMs = 5;

}  // namespace

void newLumivar::initSaveWorker() {
  mSaveWorker = std::make_unique<FrameSaveWorker>(mSaveMutex, mSaveQueue, mSaveNameQueue);
  // The writer reports from its own thread. Each report is tagged there with the save it
  // belongs to and delivered on this thread only while that save is still the current one.
  auto deliverIfCurrent = [this](std::function<void()> deliver) {
    const int generation = mSaveGeneration.load();
    QMetaObject::invokeMethod(
        this,
        [this, generation, deliver = std::move(deliver)] {
          if (generation == mSaveGeneration.load()) deliver();
        },
        Qt::QueuedConnection);
  };
  connect(
      mSaveWorker.get(), &FrameSaveWorker::progress, this,
      [this, deliverIfCurrent](bool done, int frames) {
        deliverIfCurrent([this, done, frames] { emit SendSaveDataValueResult(done, frames); });
      },
      Qt::DirectConnection);
  connect(
      mSaveWorker.get(), &FrameSaveWorker::showText, this,
      [this, deliverIfCurrent](QString text, int level) {
        deliverIfCurrent([this, text, level] { emit onSendDataToShowSignal(text, level); });
      },
      Qt::DirectConnection);
  connect(
      mSaveWorker.get(), &FrameSaveWorker::failed, this,
      [this, deliverIfCurrent](QString text) { deliverIfCurrent([this, text] { onSaveFailed(text); }); },
      Qt::DirectConnection);
}

void newLumivar::onPbn_DataStorageSlot() {
  if (mIsRecording) {
    recordPcap();  // the button ends a running recording
    return;
  }
  if (mIsSavingLas) {
    saveLasFile();  // the button ends a running LAS recording
    return;
  }
  mSaveLidarDataTypeSelect->setWindowFlags(mSaveLidarDataTypeSelect->windowFlags() | Qt::FramelessWindowHint);
  mSaveLidarDataTypeSelect->show();
}

void newLumivar::getSelectSaveDataTypeSlot(int type, int count) {
  mSaveType = type;
  mSaveCount = count;
  switch (type) {
    case kRecordAll:
    case kRecordOwnPorts:
      recordPcap();
      break;
    case kCsvMerged:
    case kCsvPerFrame:
      saveCsvFiles();
      break;
    case kPcd:
      savePcdFile();
      break;
    case kLas:
      saveLasFile();
      break;
    default:
      break;
  }
}

void newLumivar::recordPcap() {
  // Codes 0 and 10 start a recording (mode mSaveType); a second call stops it.
  mRecordControl->recordPcap(isConnected, mSaveType, currentLidarType);
}

void newLumivar::saveCsvFiles() {
  if (mIsSavingCsv) return;  // one CSV save at a time
  stopSaving();

  OffLineClass* panel = ui->widget_offLineData;
  if ((panel->isIdle || panel->iconShowsStop) && mSaveCount == 1) {
    // Nothing new may arrive: save the frame on screen.
    CloudPtr onScreen = mIsBoxValid ? mSelectCloud : (frameCount == 2 ? takeMergedCloud() : mFrameRing[frameIndex]);
    if (!onScreen) onScreen.reset(new pcl::PointCloud<PointInfo>);
    std::lock_guard<std::mutex> lock(mSaveMutex);
    mSaveQueue.push_back(onScreen);
  } else {
    // Queue from now on, so frames that arrive while the dialog below is open are kept.
    mQueuedFrames = 0;
    mIsSavingCsv = true;
  }

  const bool perFrame = mSaveType == kCsvPerFrame;
  QString path;
  if (perFrame) {
    mSaveDir = chooseExistingDirectory(this, tr("Open PCD File..."), QString());
    if (mSaveDir.isEmpty()) {
      resetPcapToPcd();
      showTips(tr("The selected path is empty"));
      mIsSavingCsv = false;
      clearSaveQueues();
      return;
    }
  } else {
    const QString proposed = FrameSave::csvProposedName(currentLidarType, QDateTime::currentDateTime(), mSaveCount);
    path = chooseSaveFileName(this, tr("Save CSV"), proposed, QString(), QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) {
      mIsSavingCsv = false;
      clearSaveQueues();
      return;
    }
  }

  auto* dialog = new QProgressDialog(tr("Save file..."), tr("cancel"), 0, 10, this);
  dialog->setWindowTitle(tr("Please wait a moment"));
  dialog->setFixedWidth(kCsvDialogWidth);
  dialog->setMinimumDuration(kDialogShowDelayMs);
  dialog->setModal(false);
  dialog->setRange(0, mSaveCount);
  newSaveProgressDialog(dialog);

  logLine(SAVE_LOG_TEXT(QString("Save CSV start: %1 ; frames = %2").arg(perFrame ? mSaveDir : path).arg(mSaveCount)));
  const bool started = perFrame ? mSaveWorker->startCsvPerFrame(mSaveDir, currentLidarType, mSaveCount)
                                : mSaveWorker->startCsvMerged(path, mSaveCount);
  if (started) wakeSaveWorker();  // frames may be queued already
}

void newLumivar::savePcdFile() {
  if (mIsSavingPcd) return;
  OffLineClass* panel = ui->widget_offLineData;
  mSaveDir = chooseExistingDirectory(this, tr("Open PCD File..."), QString());
  if (mSaveDir.isEmpty()) {
    resetPcapToPcd();
    showTips(tr("The selected path is empty"));
    return;
  }
  panel->isConversionAccepted = true;
  stopSaving();

  auto* dialog = new QProgressDialog(tr("Save PCD file.Please wait a moment..."), QString(), 0, 10, nullptr);
  dialog->setWindowTitle(tr("Save PCD file. Please wait a moment..."));
  dialog->setWindowFlags(Qt::CustomizeWindowHint);
  dialog->setCancelButtonText(QString());
  dialog->setFixedWidth(kPcdDialogWidth);
  dialog->setRange(0, mSaveCount);
  dialog->setMinimumDuration(kDialogShowDelayMs);
  dialog->setModal(true);
  newSaveProgressDialog(dialog);

  logLine(SAVE_LOG_TEXT(QString("Save PCD start: %1 ; frames = %2").arg(mSaveDir).arg(mSaveCount)));
  if (!mSaveWorker->startPcd(mSaveDir, mSaveCount)) {
    panel->isConversionAccepted = false;  // the failure report follows
    return;
  }
  mQueuedFrames = 0;
  mIsSavingPcd = true;
}

void newLumivar::saveLasFile() {
  if (mIsSavingLas) {
    // Stop queuing; the writer writes what is queued, then reports the finish.
    mIsSavingLas = false;
    mSaveWorker->finishLas();
    logLine(SAVE_LOG_TEXT("Save LAS stop"));
    return;
  }
  mSaveDir = chooseExistingDirectory(this, tr("Open PCD File..."), QString());
  if (mSaveDir.isEmpty()) {
    showTips(tr("The selected path is empty"));
    return;
  }
  // Frames left by a cancelled save must not become LAS files.
  stopSaving();
  logLine(SAVE_LOG_TEXT(QString("Save LAS start: %1").arg(mSaveDir)));
  if (mSaveWorker->startLas(mSaveDir)) mIsSavingLas = true;
}

void newLumivar::getSaveDataValueResult(bool done, int value) {
  if (!done) {
    if (progDlg_SaveData) {
      progDlg_SaveData->show();
      progDlg_SaveData->setValue(value - 1);
    }
    return;
  }
  if (progDlg_SaveData) {
    progDlg_SaveData->setValue(value);
    progDlg_SaveData->hide();
  }
  OffLineClass* panel = ui->widget_offLineData;
  if (panel->isConversionRequested) {
    panel->isConversionRequested = false;
    panel->setEnabled(true);
  }
  messageBoxInformation(this, tr("information"), tr("Save file finished"));
}

void newLumivar::onSaveFailed(QString text) {
  // The writer has stopped: nothing more may be queued for it.
  mIsSavingCsv = false;
  mIsSavingPcd = false;
  mIsSavingLas = false;
  clearSaveQueues();
  if (progDlg_SaveData) progDlg_SaveData->hide();
  resetPcapToPcd();
  OffLineClass* panel = ui->widget_offLineData;
  if (panel->isConversionRequested) {
    panel->isConversionRequested = false;
    panel->setEnabled(true);
  }
  logLine(SAVE_LOG_TEXT("Save failed: " + text));
  showTips(text);
}

void newLumivar::stopSaving() {
  if (mSaveWorker) mSaveWorker->cancel();  // joins the writer
  ++mSaveGeneration;
  mIsSavingCsv = false;
  mIsSavingPcd = false;
  mIsSavingLas = false;
  clearSaveQueues();
}

void newLumivar::clearSaveQueues() {
  std::lock_guard<std::mutex> lock(mSaveMutex);
  mSaveQueue.clear();
  mSaveNameQueue.clear();
}

void newLumivar::newSaveProgressDialog(QProgressDialog* dialog) {
  delete progDlg_SaveData;
  progDlg_SaveData = dialog;
  connect(dialog, &QProgressDialog::canceled, this, [this] {
    stopSaving();
    OffLineClass* panel = ui->widget_offLineData;
    if (panel->isConversionRequested) {
      panel->isConversionRequested = false;
      panel->setEnabled(true);
    }
    logLine(SAVE_LOG_TEXT("Save cancelled"));
  });
}

void newLumivar::resetPcapToPcd() {
  OffLineClass* panel = ui->widget_offLineData;
  panel->isConversionAccepted = false;
  panel->setPcapToPcdEnabled(true);
}

void newLumivar::wakeSaveWorker() {
  if (mSaveWorker) mSaveWorker->wake();
}
