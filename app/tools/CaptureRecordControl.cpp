#include "CaptureRecordControl.h"

#include "DeviceLookupConnection.h"
#include "FileDialogSeam.h"
#include "MessageBoxSeam.h"
#include "NetWorkAdapterView.h"

#include <QDateTime>
#include <QFile>
#include <QFileDialog>

CaptureRecordControl::CaptureRecordControl(QWidget* window, DeviceLookupConnection* connection,
                                           QObject* parent)
    : QObject(parent), m_Window(window), m_Connection(connection) {
  m_ChoosePath = [](QWidget* dialogParent, const QString& caption, const QString& proposed,
                    const QString& filter) {
    return chooseSaveFileName(dialogParent, caption, proposed, filter, QFileDialog::DontUseNativeDialog);
  };
  if (connection)
    connect(connection->adapterView(), &NetWorkAdapterView::recordFailed, this,
            &CaptureRecordControl::onRecordFailed);
}

QString CaptureRecordControl::recordedText(std::size_t packets) {
  // A capture with only its header is still a valid file: it is kept, and the user is told.
  if (packets == 0)
    return tr("No packet was recorded: no sensor data reached the chosen network adapter. "
              "The file is kept, but it holds no data.");
  if (packets == 1) return tr("1 packet was recorded.");
  return tr("%1 packets were recorded.").arg(packets);
}

QString CaptureRecordControl::proposedFileName(const QString& lidarType, const QDateTime& now) {
  return lidarType + "_" + now.toString("yyyy-MM-dd-hh-mm") + ".pcap";
}

void CaptureRecordControl::recordPcap(bool connected, int saveType, const QString& lidarType) {
  NetWorkAdapterView* view = m_Connection ? m_Connection->adapterView() : nullptr;
  // A recording outlives a disconnect; the button must still be able to end it.
  if (m_IsRecording) {
    QString text = tr("Finished recording");
    if (view) {
      view->stopRecord();
      text += "\n" + recordedText(view->recordedPackets());
    }
    setRecording(false);
    messageBoxInformation(m_Window, tr("Hint"), text);
    return;
  }
  if (!connected) {
    messageBoxInformation(nullptr, tr("warring"), tr("Please connect online data first!"));
    return;
  }
  if (!view) return;
  if (view->m_stDevName.empty()) {
    m_Connection->setWindowFlags(m_Connection->windowFlags() | Qt::FramelessWindowHint);
    m_Connection->show();
    view->show();
    messageBoxInformation(nullptr, tr("warring"), tr("Please Select the captured network adapter"));
    return;
  }
  const QByteArray proposed = proposedFileName(lidarType, QDateTime::currentDateTime()).toLatin1();
  const QString path = m_ChoosePath(m_Window, tr("Save PCAP"), tr(proposed.constData()),
                                    tr("WireSharkCaptureFile (*.pcap)"));
  if (path.isEmpty()) {
    messageBoxInformation(m_Window, tr("Hint"), tr("The path of saving the file is incorrect!"));
    return;
  }
  // The file system's own encoding, so any name the dialog accepts can be created.
  view->recordPath = QFile::encodeName(path).toStdString();
  view->isAccepted = false;
  view->recordMode = saveType;
  // The view has shown why a start failed; nothing records then.
  setRecording(view->startRecord());
}

void CaptureRecordControl::setRecording(bool recording) {
  if (recording == m_IsRecording) return;
  m_IsRecording = recording;
  emit recordingChanged(recording);
}

void CaptureRecordControl::onRecordFailed() { setRecording(false); }
