#include "DataDispose_Jarnis_v4_0.h"

#include <cmath>
#include <cstring>

using namespace kaldor;

namespace {

constexpr int kCalibratedModel = 17;
constexpr unsigned char kDeviceHeader[8] = {0xA5, 0xFF, 0x00, 0x5A, 0x11, 0x11, 0x55, 0x55};

double nominalAngle(int line) { return -16.0 + 2.0 * line; }  // degrees

double hundredthsBE(const unsigned char* p, std::size_t offset) {
  return static_cast<std::int16_t>(readBE16(p, offset)) / 100.0;
}

}  // namespace

DataDispose_Jarnis_v4_0::DataDispose_Jarnis_v4_0() {
  m_SplitWindow = 10;  // degrees
  loadChannelMap(kMapJ16);
  loadVerticalAngles(kAnglesJ16);
}

void DataDispose_Jarnis_v4_0::setSubModelType(int modelByte) {
  switch (modelByte) {
    case 18:
      loadChannelMap(kMapJ18);
      break;
    case 91:
      m_R0 = 0.0209f;  // metres
      m_A0 = 27.76f;   // degrees
      loadVerticalAngles(kAnglesJ91);
      break;
    default:
      loadChannelMap(kMapJ16);
      break;
  }
  m_ModelByte = static_cast<std::uint32_t>(modelByte);
}

// The offsets are taken whenever the packet is readable; the vertical angles only when all
// 16 lie near their nominal values, else the nominal ones return.
void DataDispose_Jarnis_v4_0::disposeDevicePacket(const unsigned char* packet) {
  if (m_ModelByte != kCalibratedModel || !packet) return;
  if (std::memcmp(packet, kDeviceHeader, sizeof kDeviceHeader) == 0 && (packet[kJarnisCheckByte1] >> 4) == 7 &&
      (packet[kJarnisCheckByte2] >> 4) == 7) {
    for (int i = 0; i < kJarnisLines; ++i) {
      m_MeasuredVAngle[i] = hundredthsBE(packet, kJarnisVerticalOffset + 2 * i);
      m_HorizontalOffset[i] = hundredthsBE(packet, kJarnisHorizontalOffset + 2 * i);
    }
  }
  bool valid = true;
  for (int i = 0; i < kJarnisLines && valid; ++i)
    valid = std::fabs(m_MeasuredVAngle[i] - nominalAngle(i)) <= kJarnisAngleTolerance;
  for (int i = 0; i < kJarnisLines; ++i) {
    const float angle = valid ? static_cast<float>(m_MeasuredVAngle[i]) : static_cast<float>(nominalAngle(i));
    m_VerticalAngle[i] = angle;
    m_VerticalAngle[kJarnisLines + i] = angle;
    loadChannelTrig(i, angle);
  }
}
