// The main window's side of a capture recording: the checks, the file dialog, starting and
// stopping the adapter view's recording, and the messages. One operation both starts and
// stops: the data-storage button calls it again while a recording runs.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstddef>
#include <functional>

class DeviceLookupConnection;
class QDateTime;
class QWidget;

class CaptureRecordControl : public QObject {
  Q_OBJECT

public:
  // Asks for the output file; an empty answer means cancelled. The default is the
  // non-native save-file dialog.
  using PathChooser = std::function<QString(QWidget* parent, const QString& caption,
                                            const QString& proposed, const QString& filter)>;

  // window: parent of the dialog and of the "Hint" boxes. connection: owner of the adapter
  // view that records; it may be destroyed first.
  CaptureRecordControl(QWidget* window, DeviceLookupConnection* connection,
                       QObject* parent = nullptr);

  void setPathChooser(PathChooser chooser) { m_ChoosePath = std::move(chooser); }

  // Starts a recording with saveType (0 all sensor traffic, 10 the connection's own ports)
  // or, while one runs, stops it.
  void recordPcap(bool connected, int saveType, const QString& lidarType);

  bool isRecording() const { return m_IsRecording; }

  // The line after "Finished recording": how many packets the recording wrote, or that none came.
  static QString recordedText(std::size_t packets);

  // currentLidarType + "_" + "yyyy-MM-dd-hh-mm" + ".pcap".
  static QString proposedFileName(const QString& lidarType, const QDateTime& now);

signals:
  // The recording state changed (started, stopped, or ended by a failure).
  void recordingChanged(bool recording);

private:
  void setRecording(bool recording);
  void onRecordFailed();

  QWidget* m_Window;
  QPointer<DeviceLookupConnection> m_Connection;
  PathChooser m_ChoosePath;
  bool m_IsRecording = false;
};
