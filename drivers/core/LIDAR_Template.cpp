#include "LIDAR_Template.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ProfileIni.h"

namespace {

constexpr const char* kDriverConfigPath = "./config.ini";
constexpr std::size_t kProfileTextMax = 99;  // characters of a profile text value
constexpr int kMinNonZeroDistances = 20;     // fewer in a frame: code 10022
constexpr int kDistanceErrorCode = 10022;
constexpr int kTimeMessageCode = 50;
constexpr std::array<float, 4> kDefaultCalibBounds = {9999.0f, -999.0f, 9999.0f, -9999.0f};

// Lidar IP text from bytes 10-13 of a device-information packet.
constexpr std::size_t kLidarIpOffset = 10;

std::string dottedDecimal(const unsigned char* octets) {
  return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." + std::to_string(octets[2]) + "." +
         std::to_string(octets[3]);
}

template <typename Fn, typename... Args>
void callIfSet(const std::atomic<Fn*>& slot, Args&&... args) {
  Fn* fn = slot.load();
  if (fn != nullptr && *fn) (*fn)(std::forward<Args>(args)...);
}

}  // namespace

LIDAR_Template::LIDAR_Template()
    : m_Cos(new double[kTrigTableSize]),
      m_Sin(new double[kTrigTableSize]),
      m_Config(new DriverConfig),
      m_Receiver(new LidarData),
      m_OfflineBuffer(kOfflineBufferBytes, 0) {
  for (int i = 0; i < kTrigTableSize; ++i) {
    const double radians = i / 1000.0 * kDecoderPi / 180.0;
    m_Cos[i] = std::cos(radians);
    m_Sin[i] = std::sin(radians);
  }
  m_Receiver->addListener(this);

  renewWorkingClouds();
  m_ThirdCloud.reset(new LidarCloud);

  std::string colourTableError;
  m_Config->colorBars = loadColorBarFile(kColorBarPath, &colourTableError);
  if (!colourTableError.empty()) {
    std::printf("%s\n", colourTableError.c_str());
    m_PendingMessages.emplace_back(colourTableError, kValuesIgnoredCode);
  }
  m_Config->colorBarCount = static_cast<int>(m_Config->colorBars.size());
  m_Config->OriginalAngleOutput = lumivar::profileInt("SetD", "OriginalAngleOutput", 0, kDriverConfigPath);
  m_Config->isUserOskel = lumivar::profileInt("Oskel", "isUserOskel", 0, kDriverConfigPath);
  m_Config->isUser160_or_200 = lumivar::profileInt("SetD", "isUser160_or_200", 0, kDriverConfigPath);
  m_Config->isUserNewShowLidarParamStatus =
      lumivar::profileInt("SetD", "isUserNewShowLidarParamStatus", 0, kDriverConfigPath);
  m_Config->offsetAngle_V_Xandril = lumivar::parseDecimal(
      lumivar::profileString("SetD", "offsetAngle_V_Xandril", "-28.0", kProfileTextMax, kDriverConfigPath));
  m_Config->offsetAngle_V_Zorvane = lumivar::parseDecimal(
      lumivar::profileString("SetD", "offsetAngle_V_Zorvane", "6.37", kProfileTextMax, kDriverConfigPath));
  std::printf("\n path=%f \n", m_Config->offsetAngle_V_Xandril);
  std::printf("\n path=%f \n", m_Config->offsetAngle_V_Zorvane);

  m_CalibBounds.fill(kDefaultCalibBounds);
}

LIDAR_Template::~LIDAR_Template() {
  // A model decoder should have stopped already; the receive thread at least ends here.
  stopAndWait();
  m_Receiver->removeListener(this);
}

// ---------------------------------------------------------------- packet entry

void LIDAR_Template::onReceiveData(_LidarDataType kind, const unsigned char* bytes, unsigned short length) {
  const int k = static_cast<int>(kind);
  if (k < LidarDataType_Point || k > LidarDataType_Device || bytes == nullptr) return;
  if (length >= kMinQueuedPacketBytes) {
    QueuedPacket packet;
    packet.data.reset(new unsigned char[length]);
    std::memcpy(packet.data.get(), bytes, length);
    packet.length = length;
    std::lock_guard<std::mutex> lock(m_QueueMutex);
    if (m_QueuedBytes + length > m_QueueByteLimit) {
      m_DroppedPackets.fetch_add(1);
    } else {
      m_QueuedBytes += length;
      m_Queue.push_back(std::move(packet));
    }
  }
  if (kind == LidarDataType_Device) storeDevicePacket(bytes, length);
}

void LIDAR_Template::storeDevicePacket(const unsigned char* bytes, std::size_t length) {
  // Configuration packets are built from these bytes: a datagram that does not carry the
  // whole packet is never taken, so nothing the sensor did not send reaches the sensor.
  if (length < kDevicePacketBytes) {
    m_ShortDevicePackets.fetch_add(1);
    return;
  }
  // Longer datagrams are cut to the buffer; nothing reads past byte 1205.
  const std::size_t n = std::min(length, kDevicePacketBuffer);
  {
    std::lock_guard<std::mutex> lock(m_DeviceMutex);
    std::memcpy(m_DevicePacket.data(), bytes, n);
    std::fill(m_DevicePacket.begin() + static_cast<std::ptrdiff_t>(n), m_DevicePacket.end(), 0);
    if (!isDeviceInfoHeader(m_DevicePacket.data(), n)) return;
    m_LidarIpText = dottedDecimal(m_DevicePacket.data() + kLidarIpOffset);
  }
  DevicePacketCallback* callback = m_DevicePacketCallback.load();
  if (callback != nullptr && *callback) {
    // The callback's copy is this packet even if another one is stored meanwhile.
    std::lock_guard<std::mutex> lock(m_DeviceCallbackMutex);
    std::memcpy(m_DeviceCallbackPacket.data(), bytes, n);
    std::fill(m_DeviceCallbackPacket.begin() + static_cast<std::ptrdiff_t>(n), m_DeviceCallbackPacket.end(),
              0);
    (*callback)(m_DeviceCallbackPacket.data(), m_Offline.load() ? 1 : 0);
  }
  m_DevicePacketFlag.store(true);
}

std::array<unsigned char, kDevicePacketBuffer> LIDAR_Template::devicePacketCopy() const {
  std::lock_guard<std::mutex> lock(m_DeviceMutex);
  return m_DevicePacket;
}

// ---------------------------------------------------------------- queue

bool LIDAR_Template::popPacket(std::unique_ptr<unsigned char[]>& data, std::size_t& length) {
  std::lock_guard<std::mutex> lock(m_QueueMutex);
  if (m_Queue.empty()) return false;
  data = std::move(m_Queue.front().data);
  length = m_Queue.front().length;
  m_QueuedBytes -= length;
  m_Queue.pop_front();
  return true;
}

bool LIDAR_Template::queueEmpty() {
  std::lock_guard<std::mutex> lock(m_QueueMutex);
  return m_Queue.empty();
}

void LIDAR_Template::clearQueue() {
  std::deque<QueuedPacket> dropped;
  {
    std::lock_guard<std::mutex> lock(m_QueueMutex);
    dropped.swap(m_Queue);
    m_QueuedBytes = 0;
  }
}

void LIDAR_Template::setQueueByteLimit(std::size_t bytes) {
  std::lock_guard<std::mutex> lock(m_QueueMutex);
  m_QueueByteLimit = bytes;
}

void LIDAR_Template::reportDrops() {
  if (m_DroppedPackets.load(std::memory_order_relaxed) == 0 &&
      m_ShortDevicePackets.load(std::memory_order_relaxed) == 0)
    return;
  const auto now = m_Now();
  if (now < m_NextDropReport) return;
  m_NextDropReport = now + std::chrono::seconds(1);
  if (const unsigned long n = m_DroppedPackets.exchange(0))
    sendMessage("Packet queue full: " + std::to_string(n) + " packets dropped", kPacketsDroppedCode);
  if (const unsigned long n = m_ShortDevicePackets.exchange(0))
    sendMessage("Short device-information packets ignored: " + std::to_string(n) +
                    " (a device packet has 1206 bytes)",
                kPacketsDroppedCode);
}

std::size_t LIDAR_Template::queuedPackets() {
  std::lock_guard<std::mutex> lock(m_QueueMutex);
  return m_Queue.size();
}

// ---------------------------------------------------------------- frame hand-over

void LIDAR_Template::publishFrame() {
  if (!m_WorkVector.empty()) {
    callIfSet(m_VectorCallback, m_WorkVector, m_FrameStatus);
    std::lock_guard<std::mutex> lock(m_PollMutex);
    m_PollVector = m_WorkVector;
  }
  if (m_WorkSharedVector) {
    callIfSet(m_SharedVectorCallback, m_WorkSharedVector, m_FrameStatus);
    {
      std::lock_guard<std::mutex> lock(m_PollMutex);
      m_PollSharedVector = m_WorkSharedVector;
    }
    m_WorkSharedVector = std::make_shared<std::vector<_MuchLidarData>>();
  }
  if (m_FrameCloud) {
    callIfSet(m_TwoCloudCallback, m_FrameCloud, m_SelectedCloud, m_FrameStatus, m_ReturnMode, m_ModelValue,
              m_Active.lineParam);
    // The three-cloud form takes the third cloud second.
    callIfSet(m_ThreeCloudCallback, m_FrameCloud, m_ThirdCloud, m_SelectedCloud, m_FrameStatus, m_ReturnMode,
              m_ModelValue);
    // Frames can alternate between short and long ones: size for the larger recent ones.
    m_ExpectedFramePoints = std::max(m_FrameCloud->size(), m_ExpectedFramePoints - m_ExpectedFramePoints / 4);
    m_ExpectedSelectedPoints =
        std::max(m_SelectedCloud->size(), m_ExpectedSelectedPoints - m_ExpectedSelectedPoints / 4);
    m_LastFrameCloud = m_FrameCloud;
    m_LastSelectedCloud = m_SelectedCloud;
    m_LastThirdCloud = m_ThirdCloud;
    // Renewed, not cleared: the receivers own what they were handed.
    renewWorkingClouds();
    m_ThirdCloud.reset(new LidarCloud);
  }
  if (m_DistanceIsNotZero < kMinNonZeroDistances) {
    sendMessage("Data error! All liadr distanceValue are 0! m_DistanceIsNotZero = " +
                    std::to_string(m_DistanceIsNotZero),
                kDistanceErrorCode);
  }
  m_DistanceIsNotZero = 0;
  m_FrameReady.store(true);
  m_WorkVector.clear();
}

void LIDAR_Template::renewWorkingClouds() {
  // Let go first: a cloud held by nobody else is taken straight back.
  m_FrameCloud.reset();
  m_SelectedCloud.reset();
  m_FrameCloud = m_FramePool.take(m_ExpectedFramePoints + m_ExpectedFramePoints / 8);
  m_SelectedCloud = m_SelectedPool.take(m_ExpectedSelectedPoints);
}

std::vector<_MuchLidarData> LIDAR_Template::takePolledVector() {
  m_FrameReady.store(false);
  std::lock_guard<std::mutex> lock(m_PollMutex);
  return m_PollVector;
}

std::shared_ptr<std::vector<_MuchLidarData>> LIDAR_Template::takePolledSharedVector() {
  m_FrameReady.store(false);
  std::lock_guard<std::mutex> lock(m_PollMutex);
  return m_PollSharedVector;
}

// ---------------------------------------------------------------- messages

void LIDAR_Template::sendMessage(std::string text, int code) {
  if (m_Stop.load()) return;
  callIfSet(m_MessageCallback, std::move(text), code);
}

void LIDAR_Template::sendTimeMessage() {
  if (m_Second != m_LastSecondSent) {
    sendMessage(std::to_string(m_Year) + "/" + std::to_string(m_Month) + "/" + std::to_string(m_Day) + " " +
                    std::to_string(m_Hour) + ":" + std::to_string(m_Minute) + ":" + std::to_string(m_Second),
                kTimeMessageCode);
  }
  m_LastSecondSent = m_Second;
}

void LIDAR_Template::setMessageCallback(MessageCallback* cb) {
  m_MessageCallback.store(cb);
  m_Receiver->SetCallbackMessage(cb);
  if (cb == nullptr || !*cb) return;
  std::vector<std::pair<std::string, int>> pending;
  pending.swap(m_PendingMessages);
  for (auto& m : pending) sendMessage(std::move(m.first), m.second);
}

// ---------------------------------------------------------------- run control

void LIDAR_Template::LidarTypeInit(unsigned int dataPort, unsigned int devPort, std::string address) {
  m_DataPort = dataPort;
  m_DevPort = devPort;
  m_Address = std::move(address);
  m_Offline.store(false);
  m_EndOfData.store(false);
}

void LIDAR_Template::joinDecodeThreadLocked() {
  if (!m_DecodeThread.joinable()) return;
  if (m_DecodeThread.get_id() == std::this_thread::get_id()) return;  // called from the loop itself
  m_Stop.store(true);
  m_DecodeThread.join();
}

void LIDAR_Template::startDataProcessThread() {
  std::lock_guard<std::mutex> lock(m_ThreadMutex);
  const bool onDecodeThread =
      m_DecodeThread.joinable() && m_DecodeThread.get_id() == std::this_thread::get_id();
  joinDecodeThreadLocked();
  m_Stop.store(false);
  m_Running.store(true);
  if (onDecodeThread) {
    markRunStart();  // the running loop simply goes on, with a new run
    return;
  }
  m_DecodeThread = std::thread([this] { dataProcessThread(); });
}

bool LIDAR_Template::LidarStart() {
  m_Offline.store(false);
  m_EndOfData.store(false);
  // The previous run's threads end before the new run's packets arrive.
  {
    std::lock_guard<std::mutex> lock(m_ThreadMutex);
    joinDecodeThreadLocked();
  }
  m_Receiver->requestStop();
  m_Receiver->waitStopped();
  clearQueue();
  if (!m_Receiver->start(m_DataPort, m_DevPort, m_Address)) return false;
  startDataProcessThread();
  return true;
}

void LIDAR_Template::LidarStop() {
  m_Stop.store(true);
  m_Running.store(false);
  m_Receiver->requestStop();
}

void LIDAR_Template::stopAndWait() {
  LidarStop();
  m_Receiver->waitStopped();
  std::lock_guard<std::mutex> lock(m_ThreadMutex);
  joinDecodeThreadLocked();
}

void LIDAR_Template::setOffLineData(const unsigned char* data, unsigned short length, _LidarDataType kind,
                                    bool end, int step) {
  if (end) {
    m_EndOfData.store(true);
    return;
  }
  if (data == nullptr) return;
  m_Offline.store(true);
  m_EndOfData.store(false);
  if (!m_Running.load()) startDataProcessThread();
  // Longer packets are cut to the offline buffer.
  const std::size_t n = std::min<std::size_t>(length, kOfflineBufferBytes);
  std::memcpy(m_OfflineBuffer.data(), data, n);
  m_OfflineStep = step;
  onReceiveData(kind, m_OfflineBuffer.data(), static_cast<unsigned short>(n));
}

// ---------------------------------------------------------------- settings

void LIDAR_Template::refreshSettings() {
  if (m_SettingsVersion.load() == m_ActiveVersion) return;
  std::lock_guard<std::mutex> lock(m_SettingsMutex);
  m_Active = m_Settings;
  m_ActiveVersion = m_SettingsVersion.load();
}

DecoderSettings LIDAR_Template::settingsCopy() const {
  std::lock_guard<std::mutex> lock(m_SettingsMutex);
  return m_Settings;
}

void LIDAR_Template::setEcho(int echo) {
  editSettings([&](DecoderSettings& s) { s.echo = echo; });
}

void LIDAR_Template::setRGBType(_SetRGB_Type type, int useColorBar) {
  editSettings([&](DecoderSettings& s) {
    s.rgbType = type;
    s.useColorBar = useColorBar;
  });
}

void LIDAR_Template::setChannelSelection(const int* flags) {
  if (flags == nullptr) return;
  editSettings([&](DecoderSettings& s) {
    std::copy(flags, flags + s.channelSelection.size(), s.channelSelection.begin());
  });
}

void LIDAR_Template::setHangleRange(float start, float end) {
  editSettings([&](DecoderSettings& s) {
    s.hAngleStart = start;
    s.hAngleEnd = end;
  });
}

void LIDAR_Template::setFiltrationData(const _FiltrationDataInitParam& filter) {
  editSettings([&](DecoderSettings& s) { s.filter = filter; });
}

void LIDAR_Template::setFilterDistanceZero(bool on) {
  editSettings([&](DecoderSettings& s) { s.filterDistanceZero = on; });
}

void LIDAR_Template::setLineParam(int value) {
  editSettings([&](DecoderSettings& s) { s.lineParam = value; });
}

void LIDAR_Template::setSetParam(int value, const std::vector<float>* list) {
  editSettings([&](DecoderSettings& s) {
    s.setParam = value;
    s.setList = list != nullptr ? *list : std::vector<float>();
  });
}

void LIDAR_Template::setSelectRange(bool enable, float a, float b, float c, float d, float e, float f) {
  editSettings([&](DecoderSettings& s) { s.selectBox = SelectBox{enable, a, b, c, d, e, f}; });
}

// ---------------------------------------------------------------- colouring and filtering

void LIDAR_Template::setPointColor(PointInfo* point, _SetRGB_Type type) {
  if (!colourPointByMode(point, type, m_Active.useColorBar, m_Config->colorBars)) setIntensityColor(point);
}

void LIDAR_Template::setIntensityColor(PointInfo* point) {
  applyIntensityRamp(point, point->Intensity);
}

bool LIDAR_Template::checkFiltrationData(const PointInfo* point) const {
  return passesFiltration(m_Active.filter, *point);
}
