// The decode loop the model decoders share, with its packet timing and end of offline data.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "LIDAR_Template.h"

namespace {

constexpr auto kIdlePoll = std::chrono::milliseconds(1);
constexpr int kEndOfDataStatus = 2;

}  // namespace

void LIDAR_Template::runDecodeLoop(const std::function<void(const unsigned char*, std::size_t)>& decode) {
  markRunStart();
  std::unique_ptr<unsigned char[]> data;
  std::size_t length = 0;
  for (;;) {
    if (m_Stop.load()) {
      clearQueue();
      return;
    }
    if (popPacket(data, length)) {
      decode(data.get(), length);
      data.reset();
    } else {
      std::this_thread::sleep_for(kIdlePoll);
    }
    reportDrops();
    // The run is marked stopped before the callbacks: a caller that feeds again on hearing
    // of the end starts a new run instead of losing packets to this one.
    if (m_Offline.load() && m_EndOfData.load() && queueEmpty()) {
      LidarStop();
      endOfDataCallbacks();
    }
  }
}

void LIDAR_Template::endOfDataCallbacks() {
  if (!queueEmpty()) return;
  VectorFrameCallback* vectorCb = m_VectorCallback.load();
  if (vectorCb && *vectorCb) (*vectorCb)(m_WorkVector, kEndOfDataStatus);
  if (!queueEmpty()) return;
  SharedVectorFrameCallback* sharedCb = m_SharedVectorCallback.load();
  if (sharedCb && *sharedCb) {
    // No decoder of the suite fills a shared vector: hand an empty one rather than null.
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

double LIDAR_Template::pointStep(int pointTimes) {
  if (m_FirstPacketOfRun) {
    m_PreviousPacketTime = m_PacketTime;
    m_FirstPacketOfRun = false;
  }
  return (m_PacketTime - m_PreviousPacketTime) / pointTimes;
}

// A packet that was not walked computed no step: the run's first step is still to come.
void LIDAR_Template::finishPacket() { m_PreviousPacketTime = m_PacketTime; }

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

double LIDAR_Template::timeRecordAsUtc() {
  std::tm tm = timeRecordTm(m_Year, m_Month, m_Day, m_Hour, m_Minute, m_Second);
  tm.tm_isdst = 0;
  return checkedSeconds(timegm(&tm));
}

double LIDAR_Template::timeRecordAsLocal() {
  std::tm tm = timeRecordTm(m_Year, m_Month, m_Day, m_Hour, m_Minute, m_Second);
  tm.tm_isdst = -1;
  return checkedSeconds(std::mktime(&tm));
}

void LIDAR_Template::timeRecordFromUtc(std::uint64_t seconds, bool gpsYearOffset) {
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

void LIDAR_Template::timeRecordFromBytes(const unsigned char* bytes) {
  constexpr int kYearBase = 2000;
  m_Year = bytes[0] + kYearBase;
  m_Month = bytes[1];
  m_Day = bytes[2];
  m_Hour = bytes[3];
  m_Minute = bytes[4];
  m_Second = bytes[5];
}
