// The glue between the program and the driver libraries: picks the library of a model key,
// drives it through the plain driver interface and answers with Qt signals.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "LidarDriverInterface.h"
#include "LidarRecords.h"

class QSocketNotifier;
class QTimer;
class HalverdSettingPanel;
class HalverdAboutPanel;
class HalverdAdvancedPanel;

namespace halverd {
class DriverLibrary;
struct DriverInbox;
}

// Emits the frames. The type names in the signatures are the ones the program connects by.
class HalverdFrameEmitter : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;
signals:
  void SendLidarDataPrt(pcl::PointCloud<PointInfo>::Ptr frame, pcl::PointCloud<PointInfo>::Ptr selected,
                        int partialFrames, QString titleText);
  // Models whose key contains "_Zentra": frame, third cloud, selected points.
  void SendLidarDataPrt(pcl::PointCloud<PointInfo>::Ptr frame, pcl::PointCloud<PointInfo>::Ptr third,
                        pcl::PointCloud<PointInfo>::Ptr selected, int partialFrames, QString titleText);
};

// Every call comes from the thread that owns the object, except getOffLineData (the
// playback worker). Signals are always emitted on the owning thread.
class Halverd : public QObject {
  Q_OBJECT
public:
  Halverd();
  ~Halverd() override;

  QObject* dataEmitter = nullptr;  // a HalverdFrameEmitter
  // Panels exist only under a widget application (null otherwise).
  HalverdSettingPanel* settingWidget = nullptr;
  HalverdAboutPanel* aboutWidget = nullptr;
  HalverdAdvancedPanel* advancedSettingWidget = nullptr;
  bool isColorbarAvailable = false;
  bool hideInternalFunctions = false;
  bool isOffline = false;
  int channelCount = 256;
  int channelsPerGroup = 4;

  // Loads the model's library, stops and destroys the current driver, and creates a new
  // driver with the kept settings. False for an unknown key or a missing library; the
  // current driver is then left as it was.
  bool initClassLidarType(std::string modelKey);
  // Live: group, ports and address, then start. Offline: the same set-up without opening
  // sockets; replayed packets start decoding. False without a driver or when the driver
  // reported a socket failure while starting.
  bool startRun(unsigned int dataPort, unsigned int devPort, std::string destination,
                std::string multicastGroup, bool offline);
  void stoptRun();
  // One replayed packet (copied by the driver before return). Dropped unless an offline run
  // is started on the current driver.
  void getOffLineData(unsigned char* payload, unsigned short length, _LidarDataType kind, bool end,
                      int step);

  // Setters: kept and applied to every later driver. The result is the driver's, or false
  // when no driver is loaded yet. Channel flags are the exception: their numbering is the
  // model's own (Tiskar's 5-9 switch its returns), so they go only to a new driver of the
  // model they were chosen for.
  bool SetEcho_SingleOrDouble(int echo);
  bool onRGB_TypeSelection(_SetRGB_Type type, int useColorBar);
  bool onChannelSelection(const int* flags);  // 256 flags, 1 keeps a channel
  bool onHangleRange(float minimum, float maximum);
  bool onFiltrationDataParam(_FiltrationDataInitParam filter);
  bool onSelectRange(bool on, float xMin, float yMin, float zMin, float xMax, float yMax, float zMax);
  bool onSetFilteDistanceZero(bool on);

  std::string currentModelKey() const { return m_ModelKey; }
  // Text for the settings panel: the library's identity, the connection as started, and what
  // the sensor's last device-information packet says (or that none has come yet).
  QString driverSummary();

  // Message code to log level: time texts and time-outs are debug output.
  static int logLevelForCode(int code);

  // Asked on the glue's thread for each queued frame that a newer display frame follows: true
  // while every frame is wanted (a save collecting them). When it answers false, a backlog is
  // handed on as its newest display frame only (the newest frame and as many before it as
  // that frame's partial-frame count), and the others count as dropped. Unset: every frame.
  void setEveryFrameWanted(std::function<bool()> wanted) { m_EveryFrameWanted = std::move(wanted); }
  // Shortest time between two "frames dropped" log lines; each line gives the frames dropped
  // since the one before.
  void setDropReportInterval(int milliseconds);
  static constexpr int kDropReportIntervalMs = 60000;
  // Clock of those lines (the steady clock); tests set their own. The timer that sends the
  // count at the end of an interval is the child QTimer named "dropReportTimer".
  void setClock(std::function<std::chrono::steady_clock::time_point()> now) { m_Now = std::move(now); }

signals:
  void onSendDataLogToSaveSignal(QString text, int level);

private slots:
  void deliverDriverEvents();
  void refreshSettingPanel();  // a shown settings panel follows the driver's state

private:
  struct SelectBox {
    bool on;
    float xMin, yMin, zMin, xMax, yMax, zMax;
  };
  struct KeptSettings {
    std::optional<int> echo;
    std::optional<std::pair<_SetRGB_Type, int>> colour;
    std::optional<std::array<int, 256>> channels;
    std::string channelsModel;  // model the flags were chosen for; empty: before any model
    std::optional<std::pair<float, float>> hAngle;
    std::optional<_FiltrationDataInitParam> filter;
    std::optional<SelectBox> select;
    std::optional<bool> distanceZero;
  };
  enum class RunState { Idle, Live, Offline, Stopped };
  struct Session;

  struct Connection {
    QString address;
    unsigned int dataPort = 0, devPort = 0;
  };

  void noteDevicePacket(std::uint64_t session);
  void queueSettingPanelRefresh();
  void countDroppedFrames(long frames);
  void reportDroppedFrames();
  void releaseDriverLocked();  // m_DriverMutex held
  void applyKeptSettingsLocked();
  void log(const QString& text, int level = 0);

  std::mutex m_DriverMutex;  // the driver, its session and the run state
  std::unique_ptr<Session> m_Session;
  RunState m_State = RunState::Idle;
  Connection m_Connection;  // as given to the last startRun
  std::shared_ptr<halverd::DriverInbox> m_Inbox;
  QSocketNotifier* m_Wake = nullptr;
  KeptSettings m_Kept;
  std::string m_ModelKey;
  std::function<bool()> m_EveryFrameWanted;
  // Glue thread only.
  long m_DropsUnreported = 0;
  long m_DropsTotal = 0;
  std::optional<std::chrono::steady_clock::time_point> m_LastDropReport;
  int m_DropReportIntervalMs = kDropReportIntervalMs;
  std::function<std::chrono::steady_clock::time_point()> m_Now = std::chrono::steady_clock::now;
  QTimer* m_DropReportTimer = nullptr;
};
