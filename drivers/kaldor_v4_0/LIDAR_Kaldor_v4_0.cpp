#include "LIDAR_Kaldor_v4_0.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "KaldorPacket.h"
#include "SubModelFactory.h"

using namespace kaldor;

namespace {

constexpr int kSingleReturnRecordTimes = 384;  // 12 blocks x 32 records
constexpr int kDualReturnRecordTimes = 192;    // 6 block pairs x 32 records
constexpr int kSplitPairCountLimit = 36000;    // hundredths of a degree: 360.00
constexpr auto kModelChangePause = std::chrono::milliseconds(10);

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
  runDecodeLoop([this](const unsigned char* buffer, std::size_t length) { processPacket(buffer, length); });
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
    sendMessage(kFrameSyncText, kFrameSyncCode);
    return;
  }
  m_FrameSyncFailure = 0;

  m_ReturnMode = view.returnMode();
  if (isDualReturnMode(m_ReturnMode)) {
    m_TimeStep = pointStep(kDualReturnRecordTimes);
    if (s.echo != 3) m_SubModel->disposeDoubleEcho(packet);
  } else {
    m_TimeStep = pointStep(kSingleReturnRecordTimes);
    if (s.echo == 0 || s.echo == 1) m_SubModel->disposeSingleEcho(packet);
  }
  finishPacket();

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
    timeRecordFromUtc(utc, false);
  } else {
    timeRecordFromBytes(packet + kYearOffset);
    seconds = timeRecordAsUtc();
  }
  m_PacketTime = m_SubSecond / 1e9 + seconds;
}

void LIDAR_Kaldor_v4_0::attachSubModel(int modelByte) {
  m_SubModel = createSubModel(modelByte);
  if (!m_SubModel) return;
  m_SubModel->setSubModelType(modelByte);
  m_SubModel->m_Owner = this;
  m_SubModel->m_PointCounter = &m_DistanceIsNotZero;
}

void LIDAR_Kaldor_v4_0::setIntensityColor(PointInfo* point) { LIDAR_Template::setIntensityColor(point); }

bool LIDAR_Kaldor_v4_0::setLidarRotateState(int value) {
  return editConfigPacket({{kRotateStateGuard, 0}, {kRotateState, value}});
}

bool LIDAR_Kaldor_v4_0::setLidarSoureSelection(int value) {
  return editConfigPacket({{kSourceGuard, 0}, {kSource, value}});
}

bool LIDAR_Kaldor_v4_0::setLidarWorkState(int value) { return editConfigPacket({{kWorkState, value}}); }
