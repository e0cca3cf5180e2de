#include "LIDAR_Kaldor_v4_0.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "KaldorPacket.h"
#include "SubModelFactory.h"

using namespace kaldor;

namespace {

constexpr int kSingleReturnRecordTimes = 384;  // 12 blocks x 32 records
constexpr int kDualReturnRecordTimes = 192;    // 6 block pairs x 32 records
constexpr int kSplitPairCountLimit = 36000;    // hundredths of a degree: 360.00
constexpr auto kIdlePoll = std::chrono::milliseconds(1);
constexpr auto kModelChangePause = std::chrono::milliseconds(10);
constexpr int kMessageFrameSync = 10021;
constexpr int kMessageConfigNotReady = 10023;
constexpr int kEndOfDataStatus = 2;

// Configuration packet bytes written by the device commands.
constexpr std::size_t kRotateStateGuard = 40, kRotateState = 41;
constexpr std::size_t kSourceGuard = 44, kSource = 45;
constexpr std::size_t kWorkState = 50;

}  // namespace

LIDAR_Kaldor_v4_0::LIDAR_Kaldor_v4_0() {
  m_DeviceLayoutFlag = false;
  setHangleRange(0.0f, 360.0f);
}

LIDAR_Kaldor_v4_0::~LIDAR_Kaldor_v4_0() { stopAndWait(); }

void LIDAR_Kaldor_v4_0::dataProcessThread() {
  m_FirstPacketOfRun = true;
  if (m_Stop.load()) {
    clearQueue();
    return;
  }
  std::unique_ptr<unsigned char[]> data;
  std::size_t length = 0;
  for (;;) {
    if (popPacket(data, length)) {
      processPacket(data.get(), length);
      data.reset();
    } else {
      std::this_thread::sleep_for(kIdlePoll);
    }
    // End of offline data: what is still queued is decoded first. The run is marked stopped
    // before the callbacks, so a caller that feeds again on hearing of the end starts a new
    // run instead of losing its packets to this one's end.
    if (m_Offline.load() && m_EndOfData.load() && queueEmpty()) {
      LidarStop();
      endOfDataCallbacks();
    }
    if (m_Stop.load()) {
      clearQueue();
      return;
    }
  }
}

void LIDAR_Kaldor_v4_0::processPacket(const unsigned char* buffer, std::size_t length) {
  unsigned char packet[kPacketBytes] = {};
  if (buffer) std::memcpy(packet, buffer, length < kPacketBytes ? length : kPacketBytes);
  refreshSettings();
  const PacketView view(packet);

  if (isDevicePacket(packet)) {
    handleDevicePacket(packet);
    return;
  }
  const int modelByte = view.modelByte();
  if (!isAcceptedModelByte(modelByte)) return;

  decodePacketTime(packet);
  sendTimeMessage();

  if (modelByte != m_ModelValue && m_SubModel) {
    std::this_thread::sleep_for(kModelChangePause);
    m_SubModel.reset();
  }
  m_ModelValue = modelByte;
  if (!m_SubModel) attachSubModel(modelByte);
  if (!m_SubModel) return;

  const DecoderSettings& s = activeSettings();
  m_SubModel->m_SelectFlag = s.selectBox.enabled ? 1 : 0;
  m_SubModel->m_SelectBox = s.selectBox;

  if (view.azimuthCount(0) == view.azimuthCount(kBlocks - 1)) {
    m_FrameSyncFailure = 1;
    sendMessage("Frame synchronization failure!", kMessageFrameSync);
    return;
  }
  m_FrameSyncFailure = 0;

  // The first packet of a run has no previous time to step from.
  if (m_FirstPacketOfRun) {
    m_PreviousPacketTime = m_PacketTime;
    m_FirstPacketOfRun = false;
  }
  m_ReturnMode = view.returnMode();
  if (isDualReturnMode(m_ReturnMode)) {
    m_TimeStep = (m_PacketTime - m_PreviousPacketTime) / kDualReturnRecordTimes;
    if (s.echo != 3) m_SubModel->disposeDoubleEcho(packet);
  } else {
    m_TimeStep = (m_PacketTime - m_PreviousPacketTime) / kSingleReturnRecordTimes;
    if (s.echo == 0 || s.echo == 1) m_SubModel->disposeSingleEcho(packet);
  }
  m_PreviousPacketTime = m_PacketTime;

  if (m_SubModel->m_FrameComplete) {
    m_FrameCloud = m_SubModel->m_CurrentCloud;
    m_SelectedCloud = m_SubModel->m_CurrentSelectedCloud;
    publishFrame();
    m_SubModel->resetFrame();  // also clears the frame-complete flag
  }
}

void LIDAR_Kaldor_v4_0::handleDevicePacket(const unsigned char* packet) {
  if (!m_SubModel) return;
  m_SubModel->disposeDevicePacket(packet);
  const std::uint16_t first = readBE16(packet, kDeviceSplitFirstOffset);
  const std::uint16_t second = readBE16(packet, kDeviceSplitSecondOffset);
  m_SubModel->m_DeviceSplitFirst = first;
  m_SubModel->m_DeviceSplitSecond = second;
  // A split at or beyond 360 degrees would never be reached: keep the current one.
  if (first != second && first < kSplitPairCountLimit) m_SubModel->m_SplitAzimuth = first * kAzimuthUnit;
}

void LIDAR_Kaldor_v4_0::decodePacketTime(const unsigned char* packet) {
  const PacketView view(packet);
  m_SubSecond = static_cast<double>(view.nanoseconds());
  double seconds = 0.0;
  if (view.secondsForm()) {
    const std::uint64_t utc = view.utcSeconds();
    seconds = static_cast<double>(utc);
    const std::time_t t = static_cast<std::time_t>(utc);
    std::tm tm{};
    if (gmtime_r(&t, &tm)) {
      m_Year = tm.tm_year + 1900;
      m_Month = tm.tm_mon + 1;
      m_Day = tm.tm_mday;
      m_Hour = tm.tm_hour;
      m_Minute = tm.tm_min;
      m_Second = tm.tm_sec;
    }
  } else {
    m_Year = view.tailByte(kYearOffset) + 2000;
    m_Month = view.tailByte(kMonthOffset);
    m_Day = view.tailByte(kDayOffset);
    m_Hour = view.tailByte(kHourOffset);
    m_Minute = view.tailByte(kMinuteOffset);
    m_Second = view.tailByte(kSecondOffset);
    std::tm tm{};
    tm.tm_year = m_Year - 1900;
    tm.tm_mon = m_Month - 1;
    tm.tm_mday = m_Day;
    tm.tm_hour = m_Hour;
    tm.tm_min = m_Minute;
    tm.tm_sec = m_Second;
    tm.tm_isdst = 0;
    const std::time_t t = timegm(&tm);
    if (t == static_cast<std::time_t>(-1)) {
      std::perror("parse error");
      seconds = -1.0;
    } else {
      seconds = static_cast<double>(t);
    }
  }
  m_PacketTime = m_SubSecond / 1e9 + seconds;
}

void LIDAR_Kaldor_v4_0::attachSubModel(int modelByte) {
  m_SubModel = createSubModel(modelByte);
  if (!m_SubModel) return;
  m_SubModel->setSubModelType(modelByte);
  m_SubModel->m_Owner = this;
  m_SubModel->m_ColorFunction = [this](PointInfo* point, _SetRGB_Type type) { setPointColor(point, type); };
  m_SubModel->m_PointCounter = &m_DistanceIsNotZero;
}

void LIDAR_Kaldor_v4_0::endOfDataCallbacks() {
  if (!queueEmpty()) return;
  VectorFrameCallback* vectorCb = m_VectorCallback.load();
  if (vectorCb && *vectorCb) (*vectorCb)(m_WorkVector, kEndOfDataStatus);
  if (!queueEmpty()) return;
  SharedVectorFrameCallback* sharedCb = m_SharedVectorCallback.load();
  if (sharedCb && *sharedCb) {
    // No decoder of the family fills a shared vector: hand an empty one rather than null.
    auto shared = m_WorkSharedVector ? m_WorkSharedVector : std::make_shared<std::vector<_MuchLidarData>>();
    (*sharedCb)(shared, kEndOfDataStatus);
  }
  if (!queueEmpty()) return;
  TwoCloudCallback* twoCb = m_TwoCloudCallback.load();
  if (twoCb && *twoCb) {
    // Before any frame there are no handed clouds: hand empty ones rather than null.
    LidarCloudPtr frame = m_LastFrameCloud ? m_LastFrameCloud : LidarCloudPtr(new LidarCloud);
    LidarCloudPtr selected = m_LastSelectedCloud ? m_LastSelectedCloud : LidarCloudPtr(new LidarCloud);
    (*twoCb)(frame, selected, m_FrameStatus, m_ReturnMode, m_ModelValue, activeSettings().lineParam);
  }
}

bool LIDAR_Kaldor_v4_0::editConfigPacket(std::initializer_list<ConfigByte> bytes) {
  if (!prepareConfigPacket()) {
    sendMessage("Equipment package is not update!!!", kMessageConfigNotReady);
    return false;
  }
  std::lock_guard<std::mutex> lock(m_DeviceMutex);
  for (const ConfigByte& b : bytes) m_ConfigPacket[b.offset] = static_cast<unsigned char>(b.value & 0xFF);
  return true;
}

bool LIDAR_Kaldor_v4_0::setLidarRotateState(int value) {
  return editConfigPacket({{kRotateStateGuard, 0}, {kRotateState, value}});
}

bool LIDAR_Kaldor_v4_0::setLidarSoureSelection(int value) {
  return editConfigPacket({{kSourceGuard, 0}, {kSource, value}});
}

bool LIDAR_Kaldor_v4_0::setLidarWorkState(int value) { return editConfigPacket({{kWorkState, value}}); }
