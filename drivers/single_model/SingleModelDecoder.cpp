#include "SingleModelDecoder.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

constexpr auto kIdlePoll = std::chrono::milliseconds(1);
constexpr int kEndOfDataStatus = 2;
constexpr int kDistanceTallyCap = 31;
constexpr double kCountedDistance = 1e-8;  // metres; below this a record has no distance
constexpr const char* kFrameSyncText = "Frame synchronization failure!";
constexpr const char* kConfigNotReadyText = "Equipment package is not update!!!";

}  // namespace

SingleModelDecoder::~SingleModelDecoder() { stopAndWait(); }

void SingleModelDecoder::dataProcessThread() {
  m_FirstPacketOfRun = true;
  std::unique_ptr<unsigned char[]> data;
  std::size_t length = 0;
  for (;;) {
    if (m_Stop.load()) {
      clearQueue();
      return;
    }
    if (popPacket(data, length)) {
      feedPacket(data.get(), length);
      data.reset();
    } else {
      std::this_thread::sleep_for(kIdlePoll);
    }
    // End of offline data once the queue is drained, so the last packets still count. The
    // run is marked stopped first: a caller that feeds again on hearing of the end starts
    // a new run instead of losing packets to this one.
    if (m_Offline.load() && m_EndOfData.load() && queueEmpty()) {
      LidarStop();
      endOfDataCallbacks();
    }
  }
}

void SingleModelDecoder::feedPacket(const unsigned char* bytes, std::size_t length) {
  if (bytes == nullptr) return;
  refreshSettings();
  decodePacket(bytes, length);
}

void SingleModelDecoder::endOfDataCallbacks() {
  if (!queueEmpty()) return;
  VectorFrameCallback* vectorCb = m_VectorCallback.load();
  if (vectorCb && *vectorCb) (*vectorCb)(m_WorkVector, kEndOfDataStatus);
  if (!queueEmpty()) return;
  SharedVectorFrameCallback* sharedCb = m_SharedVectorCallback.load();
  if (sharedCb && *sharedCb) (*sharedCb)(m_WorkSharedVector, kEndOfDataStatus);
  if (!queueEmpty()) return;
  TwoCloudCallback* twoCb = m_TwoCloudCallback.load();
  if (twoCb && *twoCb) {
    // Before any frame there are no handed clouds: hand empty ones rather than null.
    LidarCloudPtr frame = m_LastFrameCloud ? m_LastFrameCloud : LidarCloudPtr(new LidarCloud);
    LidarCloudPtr selected = m_LastSelectedCloud ? m_LastSelectedCloud : LidarCloudPtr(new LidarCloud);
    (*twoCb)(frame, selected, m_FrameStatus, m_ReturnMode, m_ModelValue, activeSettings().lineParam);
  }
}

double SingleModelDecoder::pointStep(int pointTimes) {
  if (m_FirstPacketOfRun) {
    m_PreviousPacketTime = m_PacketTime;
    m_FirstPacketOfRun = false;
  }
  return (m_PacketTime - m_PreviousPacketTime) / pointTimes;
}

void SingleModelDecoder::finishPacket() {
  m_PreviousPacketTime = m_PacketTime;
  m_FirstPacketOfRun = false;
}

void SingleModelDecoder::handOver() {
  publishFrame();
  m_frameMarkerCount = 0;
  m_FrameSyncFailure = 0;
}

bool SingleModelDecoder::frameFull(std::size_t limit) {
  if (m_FrameCloud->size() <= limit) return false;
  if (!m_FrameSyncFailure) {
    sendMessage(kFrameSyncText, kFrameSyncCode);
    m_FrameSyncFailure = 1;
  }
  return true;
}

void SingleModelDecoder::countDistance(double distance) {
  if (m_DistanceIsNotZero < kDistanceTallyCap && std::fabs(distance) > kCountedDistance) ++m_DistanceIsNotZero;
}

void SingleModelDecoder::appendPoint(const PointInfo& point) {
  if (checkFiltrationData(&point)) m_FrameCloud->push_back(point);
}

void SingleModelDecoder::appendSelected(const PointInfo& point) { m_SelectedCloud->push_back(point); }

bool SingleModelDecoder::inSelectBox(const PointInfo& point) const {
  const SelectBox& box = activeSettings().selectBox;
  return box.enabled && box.contains(point.x, point.y, point.z);
}

void SingleModelDecoder::appendEchoPair(const PointInfo& first, const PointInfo& second, bool selectFirst) {
  const int echo = activeSettings().echo;
  const bool useFirst = echo == 0 || echo == 1;
  const bool useSecond = echo == 0 || echo == 2;
  if (useFirst) appendPoint(first);
  if (useSecond) appendPoint(second);
  if (selectFirst && useFirst && inSelectBox(first) && checkFiltrationData(&first)) appendSelected(first);
  if (useSecond && inSelectBox(second) && checkFiltrationData(&second)) appendSelected(second);
}

namespace {

std::tm timeRecordTm(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return tm;
}

double checkedSeconds(std::time_t t) {
  if (t == static_cast<std::time_t>(-1)) {
    std::perror("parse error");
    return -1.0;
  }
  return static_cast<double>(t);
}

}  // namespace

double SingleModelDecoder::timeRecordAsUtc() {
  std::tm tm = timeRecordTm(m_Year, m_Month, m_Day, m_Hour, m_Minute, m_Second);
  tm.tm_isdst = 0;
  return checkedSeconds(timegm(&tm));
}

double SingleModelDecoder::timeRecordAsLocal() {
  std::tm tm = timeRecordTm(m_Year, m_Month, m_Day, m_Hour, m_Minute, m_Second);
  tm.tm_isdst = -1;
  return checkedSeconds(std::mktime(&tm));
}

void SingleModelDecoder::timeRecordFromUtc(std::uint64_t seconds, bool gpsYearOffset) {
  constexpr int kGpsYearShift = 70;  // GPS-epoch counts read as 1970-based
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) return;
  m_Year = tm.tm_year + 1900 - (gpsYearOffset ? kGpsYearShift : 0);
  m_Month = tm.tm_mon + 1;
  m_Day = tm.tm_mday;
  m_Hour = tm.tm_hour;
  m_Minute = tm.tm_min;
  m_Second = tm.tm_sec;
}

bool SingleModelDecoder::editConfigPacket(std::initializer_list<ConfigByte> bytes) {
  if (!prepareConfigPacket()) {
    sendMessage(kConfigNotReadyText, kConfigNotReadyCode);
    return false;
  }
  std::lock_guard<std::mutex> lock(m_DeviceMutex);
  for (const ConfigByte& b : bytes) m_ConfigPacket[b.offset] = static_cast<unsigned char>(b.value & 0xFF);
  return true;
}

void SingleModelDecoder::writeCalibrationRow(bool secondFile, int channel, float referenceMm, float distanceMm,
                                             float secondDistanceMm) {
  char row[160];
  std::snprintf(row, sizeof row, "%d,%g,%g,%g,%g,T\n", channel, referenceMm, distanceMm,
                distanceMm - referenceMm, secondDistanceMm);
  std::lock_guard<std::mutex> lock(m_CalibMutex);
  std::ofstream& file = secondFile ? m_CalibFile2 : m_CalibFile1;
  if (file.is_open()) file << row;
}
