#include "Halverd.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

#include "DriverCatalog.h"
#include "DriverLibrary.h"
#include "HalverdPanels.h"

namespace {

constexpr int kDebugLevel = 99;          // log level of debug-only entries
constexpr int kCodeTimeText = 50;        // per-second packet time text
constexpr int kCodeTimeout = 10004;      // receive wait timed out (no traffic)
constexpr int kCodeSocketFirst = 10000;  // socket creation and bind failures
constexpr int kCodeSocketLast = 10002;
constexpr const char* kColourBarFile = "colorbar/colorbar.bin";  // read by the drivers
constexpr qint64 kColourBarBytes = 1024;                          // one bar of 256 entries
constexpr int kPollIntervalMs = 5;
// Frames waiting for the glue's thread. A display that falls behind loses the oldest frames
// instead of growing the queue without end (about two seconds of a fast sensor).
constexpr int kMaxPendingFrames = 32;

QString trimmedText(const std::string& text) {
  return QString::fromStdString(text).trimmed();
}

}  // namespace

namespace halverd {

// Hand-over from the driver's threads to the glue's thread. Callbacks only queue here under
// the mutex and wake the glue's event loop through an event descriptor (no Qt call on a
// driver thread); the glue's thread emits. Closing a session under the same mutex
// guarantees that no callback of that driver touches the glue afterwards.
struct DriverInbox {
  struct Event {
    enum Kind { TwoClouds, ThreeClouds, Message, GlueLog, DevicePacket } kind;
    ILidarDriver::CloudPtr first, second, third;
    int number = 0;  // frame status, message code, or the glue's own log level
    std::string text;
    std::uint64_t session = 0;  // set by push
  };

  std::mutex mutex;
  std::deque<Event> events;
  std::uint64_t openSession = 0;  // the one session whose callbacks are accepted
  bool wakePending = false;
  int socketFailures = 0;         // failure codes seen since the last reset
  bool accepting = true;          // false once the glue is being destroyed
  int pendingFrames = 0;
  bool devicePacketPending = false;  // one queued report stands for every packet since
  long droppedFrames = 0;         // since the last delivery
  int wakeFd = -1;                // eventfd watched by the glue's event loop

  void push(std::uint64_t session, Event event) {
    std::lock_guard<std::mutex> lock(mutex);
    if (session != openSession) return;
    if (event.kind == Event::Message && event.number >= kCodeSocketFirst &&
        event.number <= kCodeSocketLast)
      ++socketFailures;
    if (event.kind == Event::DevicePacket) {
      // A sensor sends them steadily; the glue only needs to know that one came.
      if (devicePacketPending) return;
      devicePacketPending = true;
    }
    event.session = session;
    queueLocked(std::move(event));
  }

  // The glue's own entries, in order with the driver's.
  void pushGlueLog(std::string text, int level) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!accepting) return;
    queueLocked({Event::GlueLog, nullptr, nullptr, nullptr, level, std::move(text)});
  }

  void queueLocked(Event event) {
    if (event.kind == Event::TwoClouds || event.kind == Event::ThreeClouds) {
      if (pendingFrames >= kMaxPendingFrames) {
        auto oldest = std::find_if(events.begin(), events.end(), [](const Event& e) {
          return e.kind == Event::TwoClouds || e.kind == Event::ThreeClouds;
        });
        events.erase(oldest);
        --pendingFrames;
        ++droppedFrames;
      }
      ++pendingFrames;
    }
    events.push_back(std::move(event));
    if (!wakePending && wakeFd >= 0) {
      wakePending = true;
      const std::uint64_t one = 1;
      // Cannot fail short of a closed descriptor; a lost wake only delays delivery.
      [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
    }
  }
};

}  // namespace halverd

using halverd::DriverInbox;

struct Halverd::Session {
  std::uint64_t id = 0;
  std::string key;
  bool threeClouds = false;
  std::shared_ptr<halverd::DriverLibrary> library;
  ILidarDriver* driver = nullptr;
  // The driver keeps only the addresses of these; they live until the driver is gone.
  ILidarDriver::MessageFn onMessage;
  ILidarDriver::TwoCloudFn onTwoClouds;
  ILidarDriver::ThreeCloudFn onThreeClouds;
  ILidarDriver::DeviceFn onDevicePacket;
  // A device-information packet has reached this driver; until then its device getters have
  // nothing to answer but -1.
  bool deviceReported = false;
};

Halverd::Halverd() : m_Inbox(std::make_shared<DriverInbox>()) {
  qRegisterMetaType<pcl::PointCloud<PointInfo>::Ptr>("pcl::PointCloud<PointInfo>::Ptr");
  m_Inbox->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (m_Inbox->wakeFd >= 0) {
    m_Wake = new QSocketNotifier(m_Inbox->wakeFd, QSocketNotifier::Read, this);
    connect(m_Wake, &QSocketNotifier::activated, this, &Halverd::deliverDriverEvents);
  } else {
    auto* poll = new QTimer(this);  // no descriptor to spare: look every few milliseconds
    connect(poll, &QTimer::timeout, this, &Halverd::deliverDriverEvents);
    poll->start(kPollIntervalMs);
  }
  dataEmitter = new HalverdFrameEmitter(this);
  m_DropReportTimer = new QTimer(this);
  m_DropReportTimer->setObjectName(QStringLiteral("dropReportTimer"));
  m_DropReportTimer->setSingleShot(true);
  connect(m_DropReportTimer, &QTimer::timeout, this, &Halverd::reportDroppedFrames);
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    settingWidget = new HalverdSettingPanel;
    settingWidget->setSummaryProvider([this] { return driverSummary(); });
    aboutWidget = new HalverdAboutPanel;
    advancedSettingWidget = new HalverdAdvancedPanel;
  }
}

Halverd::~Halverd() {
  {
    std::lock_guard<std::mutex> lock(m_Inbox->mutex);
    m_Inbox->accepting = false;  // nothing is delivered any more
    m_Inbox->openSession = 0;
  }
  {
    std::lock_guard<std::mutex> lock(m_DriverMutex);
    releaseDriverLocked();
  }
  reportDroppedFrames();  // the last total is not lost with the glue
  delete settingWidget;
  delete aboutWidget;
  delete advancedSettingWidget;
  delete m_Wake;
  std::lock_guard<std::mutex> lock(m_Inbox->mutex);
  if (m_Inbox->wakeFd >= 0) ::close(m_Inbox->wakeFd);
  m_Inbox->wakeFd = -1;
}

int Halverd::logLevelForCode(int code) {
  return (code == kCodeTimeText || code == kCodeTimeout) ? kDebugLevel : 0;
}

// Queued rather than emitted at once: the caller may hold the driver lock, and a slot that
// called back into the glue would then deadlock.
void Halverd::log(const QString& text, int level) {
  m_Inbox->pushGlueLog(text.toStdString(), level);
}

void Halverd::releaseDriverLocked() {
  if (!m_Session) return;
  {
    std::lock_guard<std::mutex> lock(m_Inbox->mutex);
    m_Inbox->openSession = 0;
  }
  std::unique_ptr<Session> old = std::move(m_Session);
  old->driver->LidarStop();
  // The driver's destroy waits for its threads; only then may the callbacks go.
  old->library->destroyDriver(old->driver);
  m_State = RunState::Idle;
  log(QStringLiteral("driver %1 released").arg(QString::fromStdString(old->key)));
}

bool Halverd::initClassLidarType(std::string modelKey) {
  static std::atomic<std::uint64_t> nextSessionId{1};
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  // Key and library are checked first: a key that cannot load leaves the current run alone.
  const halverd::ModelEntry* model = halverd::findModel(modelKey);
  if (model == nullptr) {
    log(QStringLiteral("unknown model key %1").arg(QString::fromStdString(modelKey)));
    return false;
  }
  std::string error;
  auto library = halverd::DriverLibrary::open(
      halverd::DriverLibrary::pathFor(std::string(model->library)), &error);
  if (!library) {
    log(QStringLiteral("cannot load the driver of %1: %2")
            .arg(QString::fromStdString(modelKey), QString::fromStdString(error)));
    return false;
  }
  releaseDriverLocked();
  m_ModelKey.clear();
  ILidarDriver* driver = library->createDriver();
  if (driver == nullptr) {
    log(QStringLiteral("%1 created no driver").arg(QString::fromStdString(library->path())));
    return false;
  }

  auto session = std::make_unique<Session>();
  session->id = nextSessionId++;
  session->key = modelKey;
  session->threeClouds = modelKey.find("_Zentra") != std::string::npos;
  session->library = library;
  session->driver = driver;
  {
    std::lock_guard<std::mutex> inboxLock(m_Inbox->mutex);
    m_Inbox->openSession = session->id;
  }
  const std::uint64_t id = session->id;
  std::shared_ptr<DriverInbox> inbox = m_Inbox;
  session->onMessage = [inbox, id, modelKey](std::string text, int code) {
    DriverInbox::Event e{DriverInbox::Event::Message, nullptr, nullptr, nullptr, code, modelKey + ": " + text};
    inbox->push(id, std::move(e));
  };
  session->onTwoClouds = [inbox, id](ILidarDriver::CloudPtr frame, ILidarDriver::CloudPtr selected,
                                     int status, int, int, int) {
    inbox->push(id, {DriverInbox::Event::TwoClouds, std::move(frame), std::move(selected), nullptr, status, {}});
  };
  session->onThreeClouds = [inbox, id](ILidarDriver::CloudPtr frame, ILidarDriver::CloudPtr third,
                                       ILidarDriver::CloudPtr selected, int status, int, int) {
    inbox->push(id, {DriverInbox::Event::ThreeClouds, std::move(frame), std::move(third), std::move(selected),
                     status, {}});
  };
  // Runs on the driver's receive thread (live) or the playback worker (offline): it only queues.
  session->onDevicePacket = [inbox, id](unsigned char*, int) {
    inbox->push(id, {DriverInbox::Event::DevicePacket, nullptr, nullptr, nullptr, 0, {}});
  };
  driver->SetCallbackMessage(&session->onMessage);
  driver->SetDecCallBackFun(&session->onDevicePacket);
  if (session->threeClouds)
    driver->SetThreeCloudCallback(&session->onThreeClouds);
  else
    driver->SetTwoCloudCallback(&session->onTwoClouds);

  m_Session = std::move(session);
  m_State = RunState::Idle;
  m_ModelKey = modelKey;
  channelCount = model->channelCount;
  channelsPerGroup = model->channelsPerGroup;
  const QFileInfo bars(QString::fromLatin1(kColourBarFile));
  isColorbarAvailable = bars.isFile() && bars.size() >= kColourBarBytes;
  applyKeptSettingsLocked();
  m_Connection = {};
  queueSettingPanelRefresh();
  log(QStringLiteral("driver %1 loaded from %2: %3")
          .arg(QString::fromStdString(modelKey), QString::fromStdString(library->path()),
               QString::fromStdString(driver->GetDllCurrentTypeVersionDate())));
  return true;
}

void Halverd::applyKeptSettingsLocked() {
  ILidarDriver* d = m_Session->driver;
  if (m_Kept.echo) d->SetEcho_SingleOrDouble(*m_Kept.echo);
  if (m_Kept.colour) d->SetRGB_TypeSelection(m_Kept.colour->first, m_Kept.colour->second);
  // The filter dialog shows each new model's own channel layout, so another model's flags
  // (or flags chosen before any model) would switch off channels the user sees as on.
  if (m_Kept.channels && m_Kept.channelsModel == m_Session->key)
    d->SetChannelSelection(m_Kept.channels->data());
  else
    m_Kept.channels.reset();
  if (m_Kept.hAngle) d->SetHangleRange(m_Kept.hAngle->first, m_Kept.hAngle->second);
  if (m_Kept.filter) d->SetFiltrationDataParam(*m_Kept.filter);
  if (m_Kept.select) {
    const SelectBox& b = *m_Kept.select;
    d->setSelectRange(b.on, b.xMin, b.yMin, b.zMin, b.xMax, b.yMax, b.zMax);
  }
  if (m_Kept.distanceZero) d->SetFilteDistanceZero(*m_Kept.distanceZero);
}

bool Halverd::startRun(unsigned int dataPort, unsigned int devPort, std::string destination,
                       std::string multicastGroup, bool offline) {
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  isOffline = offline;
  if (!m_Session) {
    log(QStringLiteral("startRun without a driver"));
    return false;
  }
  ILidarDriver* d = m_Session->driver;
  {
    std::lock_guard<std::mutex> inboxLock(m_Inbox->mutex);
    m_Inbox->socketFailures = 0;
  }
  d->SetGroupIp(multicastGroup);
  d->LidarTypeInit(dataPort, devPort, destination);
  m_Connection = {QString::fromStdString(destination), dataPort, devPort};
  queueSettingPanelRefresh();
  if (offline) {
    m_State = RunState::Offline;
    log(QStringLiteral("offline run of %1").arg(QString::fromStdString(m_ModelKey)));
    return true;
  }
  d->LidarStart();
  int failures;
  {
    std::lock_guard<std::mutex> inboxLock(m_Inbox->mutex);
    failures = m_Inbox->socketFailures;
  }
  m_State = RunState::Live;
  if (failures > 0) {
    log(QStringLiteral("live run of %1 on ports %2/%3 failed to open its sockets")
            .arg(QString::fromStdString(m_ModelKey))
            .arg(dataPort)
            .arg(devPort));
    return false;
  }
  log(QStringLiteral("live run of %1 on ports %2/%3, address %4, group %5")
          .arg(QString::fromStdString(m_ModelKey))
          .arg(dataPort)
          .arg(devPort)
          .arg(QString::fromStdString(destination), QString::fromStdString(multicastGroup)));
  return true;
}

void Halverd::stoptRun() {
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  if (!m_Session) return;
  m_Session->driver->LidarStop();
  m_State = RunState::Stopped;
  queueSettingPanelRefresh();
}

void Halverd::getOffLineData(unsigned char* payload, unsigned short length, _LidarDataType kind,
                             bool end, int step) {
  if (!end && (payload == nullptr || length == 0)) return;
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  // A replay that outlives its run (stopped, or the model switched) must not feed or
  // restart the next driver.
  if (!m_Session || m_State != RunState::Offline) return;
  m_Session->driver->setOffLineData(payload, length, kind, end, step);
}

bool Halverd::SetEcho_SingleOrDouble(int echo) {
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  m_Kept.echo = echo;
  return m_Session && m_Session->driver->SetEcho_SingleOrDouble(echo);
}

bool Halverd::onRGB_TypeSelection(_SetRGB_Type type, int useColorBar) {
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  m_Kept.colour = std::make_pair(type, useColorBar);
  return m_Session && m_Session->driver->SetRGB_TypeSelection(type, useColorBar);
}

bool Halverd::onChannelSelection(const int* flags) {
  if (flags == nullptr) return false;
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  std::array<int, 256> copy;
  std::copy(flags, flags + copy.size(), copy.begin());
  m_Kept.channels = copy;
  m_Kept.channelsModel = m_ModelKey;
  return m_Session && m_Session->driver->SetChannelSelection(m_Kept.channels->data());
}

bool Halverd::onHangleRange(float minimum, float maximum) {
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  m_Kept.hAngle = std::make_pair(minimum, maximum);
  return m_Session && m_Session->driver->SetHangleRange(minimum, maximum);
}

bool Halverd::onFiltrationDataParam(_FiltrationDataInitParam filter) {
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  m_Kept.filter = filter;
  return m_Session && m_Session->driver->SetFiltrationDataParam(filter);
}

bool Halverd::onSelectRange(bool on, float xMin, float yMin, float zMin, float xMax, float yMax,
                            float zMax) {
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  m_Kept.select = SelectBox{on, xMin, yMin, zMin, xMax, yMax, zMax};
  if (!m_Session) return false;
  m_Session->driver->setSelectRange(on, xMin, yMin, zMin, xMax, yMax, zMax);
  return true;
}

bool Halverd::onSetFilteDistanceZero(bool on) {
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  m_Kept.distanceZero = on;
  return m_Session && m_Session->driver->SetFilteDistanceZero(on);
}

QString Halverd::driverSummary() {
  std::lock_guard<std::mutex> lock(m_DriverMutex);
  if (!m_Session) return QStringLiteral("No lidar model selected");
  ILidarDriver* d = m_Session->driver;
  QString connection;
  switch (m_State) {
    case RunState::Idle: connection = QStringLiteral("not started"); break;
    case RunState::Stopped: connection = QStringLiteral("disconnected"); break;
    case RunState::Offline: connection = QStringLiteral("replay of a recording"); break;
    case RunState::Live:
      connection = QStringLiteral("address %1, data port %2, device port %3")
                       .arg(m_Connection.address)
                       .arg(m_Connection.dataPort)
                       .arg(m_Connection.devPort);
      break;
  }
  QStringList lines{QStringLiteral("Model: ") + QString::fromStdString(m_ModelKey),
                    QStringLiteral("Library: ") + QString::fromStdString(d->GetDllCurrentTypeVersionDate()),
                    QStringLiteral("Connection: ") + connection, QString(),
                    QStringLiteral("Reported by the sensor (device packets):")};
  const QString notYet = QStringLiteral("not reported yet");
  if (!m_Session->deviceReported) {
    // Not asked: without a device packet each getter answers -1 and logs that it has none.
    lines << QStringLiteral("No device packet has come from the sensor yet.");
    for (const char* field : {"Lidar IP", "Data port", "Device port", "Firmware", "MAC"})
      lines << QLatin1String(field) + QStringLiteral(": ") + notYet;
  } else {
    // The driver marks its packet as there just after reporting it: a -1 can still come first.
    const auto shown = [&notYet](const QString& value) {
      return value.isEmpty() || value == QLatin1String("-1") ? notYet : value;
    };
    lines << QStringLiteral("Lidar IP: ") + shown(QString::fromStdString(d->GetLidarIP()))
          << QStringLiteral("Data port: ") + shown(QString::number(d->GetDataPort()))
          << QStringLiteral("Device port: ") + shown(QString::number(d->GetDevPort()))
          << QStringLiteral("Firmware: ") + shown(QString::fromStdString(d->GetFPGA_Verdion()))
          << QStringLiteral("MAC: ") + shown(QString::fromStdString(d->GetMacAddress()));
  }
  return lines.join(QLatin1Char('\n'));
}

void Halverd::noteDevicePacket(std::uint64_t session) {
  {
    std::lock_guard<std::mutex> lock(m_DriverMutex);
    if (!m_Session || m_Session->id != session) return;  // reported by a driver since released
    m_Session->deviceReported = true;
  }
  refreshSettingPanel();
}

// Queued: the callers hold the driver lock, which the panel's text takes again.
void Halverd::queueSettingPanelRefresh() {
  QMetaObject::invokeMethod(this, &Halverd::refreshSettingPanel, Qt::QueuedConnection);
}

void Halverd::refreshSettingPanel() {
  if (settingWidget && settingWidget->isVisible()) settingWidget->refresh();
}

void Halverd::setDropReportInterval(int milliseconds) { m_DropReportIntervalMs = std::max(0, milliseconds); }

void Halverd::countDroppedFrames(long frames) {
  if (frames <= 0) return;
  m_DropsUnreported += frames;
  m_DropsTotal += frames;
  using namespace std::chrono;
  const auto interval = milliseconds(m_DropReportIntervalMs);
  const auto now = m_Now();
  if (!m_LastDropReport || now - *m_LastDropReport >= interval) {
    reportDroppedFrames();
  } else if (!m_DropReportTimer->isActive()) {
    // The count so far goes out when the interval is over, even if no frame is dropped then.
    const auto left = duration_cast<milliseconds>(*m_LastDropReport + interval - now).count();
    m_DropReportTimer->start(static_cast<int>(std::max<long long>(left, 0)));
  }
}

void Halverd::reportDroppedFrames() {
  if (m_DropsUnreported == 0) return;
  emit onSendDataLogToSaveSignal(
      QStringLiteral("[Halverd]\t%1 frames dropped: the display fell behind the driver (%2 in all)")
          .arg(m_DropsUnreported)
          .arg(m_DropsTotal),
      0);
  m_DropsUnreported = 0;
  m_LastDropReport = m_Now();
}

void Halverd::deliverDriverEvents() {
  std::deque<DriverInbox::Event> events;
  long dropped = 0;
  {
    std::lock_guard<std::mutex> lock(m_Inbox->mutex);
    if (m_Inbox->wakeFd >= 0) {
      std::uint64_t count;
      [[maybe_unused]] ssize_t n = ::read(m_Inbox->wakeFd, &count, sizeof count);  // re-arm the wake
    }
    events.swap(m_Inbox->events);
    m_Inbox->wakePending = false;
    m_Inbox->pendingFrames = 0;
    m_Inbox->devicePacketPending = false;
    dropped = m_Inbox->droppedFrames;
    m_Inbox->droppedFrames = 0;
  }
  const auto isFrame = [](const DriverInbox::Event& e) {
    return e.kind == DriverInbox::Event::TwoClouds || e.kind == DriverInbox::Event::ThreeClouds;
  };
  // The newest display frame of the backlog: the newest frame and the partial frames that
  // complete it. Drawing the older ones would only delay it.
  std::vector<bool> newest(events.size(), false);
  {
    int wanted = -1;
    for (std::size_t i = events.size(); i-- > 0;) {
      if (!isFrame(events[i])) continue;
      if (wanted < 0) wanted = std::max(1, events[i].number);
      if (wanted == 0) break;
      newest[i] = true;
      --wanted;
    }
  }
  auto* emitter = static_cast<HalverdFrameEmitter*>(dataEmitter);
  for (std::size_t i = 0; i < events.size(); ++i) {
    DriverInbox::Event& e = events[i];
    if (isFrame(e) && !newest[i] && m_EveryFrameWanted && !m_EveryFrameWanted()) {
      ++dropped;
      continue;
    }
    switch (e.kind) {
      case DriverInbox::Event::TwoClouds:
        emit emitter->SendLidarDataPrt(e.first, e.second, e.number, QString());
        break;
      case DriverInbox::Event::ThreeClouds:
        emit emitter->SendLidarDataPrt(e.first, e.second, e.third, e.number, QString());
        break;
      case DriverInbox::Event::Message:
        emit onSendDataLogToSaveSignal(
            QStringLiteral("[Halverd]\t%1 (code %2)").arg(trimmedText(e.text)).arg(e.number),
            logLevelForCode(e.number));
        break;
      case DriverInbox::Event::GlueLog:
        emit onSendDataLogToSaveSignal(QStringLiteral("[Halverd]\t") + QString::fromStdString(e.text),
                                       e.number);
        break;
      case DriverInbox::Event::DevicePacket:
        noteDevicePacket(e.session);
        break;
    }
  }
  countDroppedFrames(dropped);
}
