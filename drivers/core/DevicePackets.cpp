// Device-information packet getters, the configuration packet and its setters, the send,
// and the calibration recording files.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "ByteReaders.h"
#include "LIDAR_Template.h"
#include "UdpSocket.h"

namespace {

// Device-information packet, multi-byte numbers big-endian.
constexpr std::size_t kRotateSpeedOffset = 8;  // u16
constexpr std::size_t kLidarIpOffset = 10;     // 4 octets
constexpr std::size_t kDestIpOffset = 14;      // 4 octets
constexpr std::size_t kMacOffset = 18;         // 6 bytes
constexpr std::size_t kMacBytes = 6;
constexpr std::size_t kDataPortOffset = 24;         // u16
constexpr std::size_t kDevPortOffset = 26;          // u16
constexpr std::size_t kSourceSelectionOffset = 44;  // u8 (device layout) or u16
constexpr std::size_t kFirmwareOffset = 1198;       // major (2 bytes), minor, patch, two nibble bytes
constexpr std::size_t kGpsTimeBytes = 6;            // year - 2000, month, day, hour, minute, second
constexpr std::size_t kGpsTextBytes = 10;           // latitude or longitude characters
constexpr std::size_t kGpsLongitudeOffset = 10;     // from the GPS position offset
constexpr std::size_t kGpsLatitudeSuffix = 20;      // from the GPS position offset
constexpr std::size_t kGpsLongitudeSuffix = 21;
constexpr int kGpsYearBase = 2000;

// Configuration packet.
constexpr std::array<unsigned char, 8> kConfigHeader = {0xAA, 0x00, 0xFF, 0x11, 0x22, 0x22, 0xAA, 0xAA};
struct ByteRange {
  std::size_t offset, length;
};
constexpr std::array<ByteRange, 2> kConfigZeroed = {{{52, 8}, {160, 8}}};
constexpr auto kPauseAfterSend = std::chrono::milliseconds(200);

constexpr int kCodeNotUpdated = 10023;
constexpr int kCodeNotSupported = 10024;
constexpr int kCodeLidarAddress = 10025;
constexpr int kCodeDestAddress = 10026;
constexpr const char* kNotUpdated = "Equipment package is not update!!!";

// Calibration files.
constexpr const char* kCalibHeader = "ID,ActualDistance,LidarDistanc,Diff,PulseWidth,T";
constexpr const char* kCalibMarker10 = "_10%_";
constexpr const char* kCalibMarker70 = "_70%_";
constexpr std::size_t kCalibMaxFloats = 32;  // 8 records of 4
constexpr float kCalibSecondFileThreshold = 1e-6f;

using bytes::readBE16;

void writeBE16(unsigned char* p, std::size_t offset, unsigned value) {
  p[offset] = static_cast<unsigned char>((value >> 8) & 0xFF);
  p[offset + 1] = static_cast<unsigned char>(value & 0xFF);
}

std::string octetsText(const unsigned char* p) {
  return std::to_string(p[0]) + "." + std::to_string(p[1]) + "." + std::to_string(p[2]) + "." +
         std::to_string(p[3]);
}

// Offsets handed in by the exported class must leave the field inside the packet.
bool fieldInside(int offset, std::size_t length) {
  return offset >= 0 && static_cast<std::size_t>(offset) + length <= kDevicePacketBytes;
}

// Text + "." cut at every ".": "1.2.3" gives three parts, "1.2.3." four with an empty last one.
std::vector<std::string> addressParts(std::string text) {
  text += '.';
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (c == '.') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  return parts;
}

// A decimal 0-255 of at most three digits.
bool parseOctet(const std::string& text, int& value) {
  if (text.empty() || text.size() > 3) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= 255;
}

std::string swapCalibMarker(const std::string& path) {
  std::string out = path;
  std::size_t at = out.find(kCalibMarker10);
  if (at != std::string::npos) return out.replace(at, std::strlen(kCalibMarker10), kCalibMarker70);
  at = out.find(kCalibMarker70);
  if (at != std::string::npos) return out.replace(at, std::strlen(kCalibMarker70), kCalibMarker10);
  return out;
}

}  // namespace

struct LIDAR_Template::AddressRule {
  std::size_t offset;
  int code;
  const char* fewerParts;
  const char* emptyFourth;
  const char* refused;
  bool lidar;  // lidar address rules, else destination rules
};

// ---------------------------------------------------------------- getters

bool LIDAR_Template::validDevicePacket(std::array<unsigned char, kDevicePacketBuffer>& out) {
  {
    std::lock_guard<std::mutex> lock(m_DeviceMutex);
    if (m_DevicePacketFlag.load()) {
      out = m_DevicePacket;
      return true;
    }
  }
  sendMessage(kNotUpdated, kCodeNotUpdated);
  return false;
}

int LIDAR_Template::GetLidarRotateSpeed() {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p)) return -1;
  return static_cast<int>(readBE16(p.data(), kRotateSpeedOffset));
}

std::string LIDAR_Template::GetLidarIP() {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p)) return "-1";
  return octetsText(p.data() + kLidarIpOffset);
}

std::string LIDAR_Template::GetComputerIP() {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p)) return "-1";
  return octetsText(p.data() + kDestIpOffset);
}

std::string LIDAR_Template::GetMacAddress() {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p)) return "-1";
  std::string text;
  char hex[4];
  for (std::size_t i = 0; i < kMacBytes; ++i) {
    std::snprintf(hex, sizeof hex, "%x", p[kMacOffset + i]);
    if (i > 0) text += '.';
    text += hex;
  }
  return text;
}

int LIDAR_Template::GetDataPort() {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p)) return -1;
  return static_cast<int>(readBE16(p.data(), kDataPortOffset));
}

int LIDAR_Template::GetDevPort() {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p)) return -1;
  return static_cast<int>(readBE16(p.data(), kDevPortOffset));
}

int LIDAR_Template::GetLidarRotateState(int offset) {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p) || !fieldInside(offset, 2)) return -1;
  return static_cast<int>(readBE16(p.data(), static_cast<std::size_t>(offset)));
}

int LIDAR_Template::GetLidarSoureSelection() {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p)) return -1;
  if (m_DeviceLayoutFlag) return p[kSourceSelectionOffset];
  return static_cast<int>(readBE16(p.data(), kSourceSelectionOffset));
}

std::string LIDAR_Template::GetFPGA_Verdion() {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p)) return "-1";
  const unsigned char* f = p.data() + kFirmwareOffset;
  const unsigned major = m_DeviceLayoutFlag ? readBE16(f, 0) : f[0] * 100u + f[1];
  return std::to_string(major) + "." + std::to_string(f[2]) + "." + std::to_string(f[3]) + "- v" +
         std::to_string(f[4] >> 4) + "." + std::to_string(f[4] & 0x0F) + "." + std::to_string(f[5] >> 4) +
         "." + std::to_string(f[5] & 0x0F);
}

std::string LIDAR_Template::GetGPS_Time(int offset) {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p) || !fieldInside(offset, kGpsTimeBytes)) return "-1";
  const unsigned char* t = p.data() + offset;
  return std::to_string(t[0] + kGpsYearBase) + "/" + std::to_string(t[1]) + "/" + std::to_string(t[2]) + " " +
         std::to_string(t[3]) + ":" + std::to_string(t[4]) + ":" + std::to_string(t[5]);
}

std::string LIDAR_Template::GetGPS_Latitude(int offset) {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p) || !fieldInside(offset, kGpsLongitudeSuffix + 1)) return "-1";
  const char* g = reinterpret_cast<const char*>(p.data() + offset);
  return std::string(g, kGpsTextBytes) + g[kGpsLatitudeSuffix];
}

std::string LIDAR_Template::GetGPS_Longitude(int offset) {
  std::array<unsigned char, kDevicePacketBuffer> p;
  if (!validDevicePacket(p) || !fieldInside(offset, kGpsLongitudeSuffix + 1)) return "-1";
  const char* g = reinterpret_cast<const char*>(p.data() + offset);
  return std::string(g + kGpsLongitudeOffset, kGpsTextBytes) + g[kGpsLongitudeSuffix];
}

// ---------------------------------------------------------------- configuration packet

bool LIDAR_Template::prepareConfigPacket() {
  {
    std::lock_guard<std::mutex> lock(m_DeviceMutex);
    if (!m_AfterSendFlag) return true;  // keep the edits made since the last preparation
    if (m_DevicePacketFlag.load()) {
      m_AfterSendFlag = false;
      m_DevicePacketFlag.store(false);
      std::memcpy(m_ConfigPacket.data(), m_DevicePacket.data(), kConfigPacketBytes);
      for (const ByteRange& r : kConfigZeroed) std::memset(m_ConfigPacket.data() + r.offset, 0, r.length);
      std::memcpy(m_ConfigPacket.data(), kConfigHeader.data(), kConfigHeader.size());
      return true;
    }
  }
  sendMessage(kNotUpdated, kCodeNotUpdated);
  return false;
}

bool LIDAR_Template::writeConfigWord(std::size_t offset, int value, int minimum, const char* refusal,
                                     int code) {
  if (!prepareConfigPacket()) {
    sendMessage(kNotUpdated, kCodeNotUpdated);
    return false;
  }
  if (value < minimum || value > 0xFFFF) {
    sendMessage(refusal, code);
    return false;
  }
  writeBE16(m_ConfigPacket.data(), offset, static_cast<unsigned>(value));
  return true;
}

bool LIDAR_Template::editConfigPacket(std::initializer_list<ConfigByte> bytes) {
  if (!prepareConfigPacket()) {
    sendMessage(kNotUpdated, kCodeNotUpdated);
    return false;
  }
  std::lock_guard<std::mutex> lock(m_DeviceMutex);
  for (const ConfigByte& b : bytes) m_ConfigPacket[b.offset] = static_cast<unsigned char>(b.value & 0xFF);
  return true;
}

// Values that do not fit their field are refused commands (10024), not address faults.
bool LIDAR_Template::setLidarRotateSpeed(int speed) {
  return writeConfigWord(kRotateSpeedOffset, speed, 0,
                         "Failed to set the Lidar rotate speed!!! The speed must be 0 to 65535.",
                         kCodeNotSupported);
}

bool LIDAR_Template::setDataPort(int port) {
  return writeConfigWord(kDataPortOffset, port, 1,
                         "Failed to set the data port!!! The port must be 1 to 65535.", kCodeNotSupported);
}

bool LIDAR_Template::setDevPort(int port) {
  return writeConfigWord(kDevPortOffset, port, 1,
                         "Failed to set the device port!!! The port must be 1 to 65535.", kCodeNotSupported);
}

bool LIDAR_Template::setLidarRotateState(int) {
  sendMessage("The Lidar does not support this function (setLidarRotateState)!!!", kCodeNotSupported);
  return false;
}

bool LIDAR_Template::setLidarSoureSelection(int) {
  sendMessage("The Lidar does not support this function (setLidarSoureSelection)!!!", kCodeNotSupported);
  return false;
}

bool LIDAR_Template::setLidarWorkState(int) {
  sendMessage("The Lidar does not support this function (setLidarWorkState)!!", kCodeNotSupported);
  return false;
}

bool LIDAR_Template::checkLidarIP(int first, int fourth) {
  if (first == 0 || first == 127 || first >= 224) {
    sendMessage("The Lidar IP cannot be set to " + std::to_string(first) + ".x.x.x!!!", kCodeLidarAddress);
    return false;
  }
  if (fourth == 255) {
    sendMessage("The Lidar IP cannot be set to broadcast(x.x.x.255)!!!", kCodeLidarAddress);
    return false;
  }
  return true;
}

bool LIDAR_Template::checkDestIP(int first) {
  // Multicast groups (224-239) are valid destinations.
  if (first == 0 || first == 127 || first >= 240) {
    sendMessage("The Dest IP cannot be set to " + std::to_string(first) + ".x.x.x!!!", kCodeDestAddress);
    return false;
  }
  return true;
}

bool LIDAR_Template::writeAddress(const std::string& text, const AddressRule& rule) {
  if (!prepareConfigPacket()) {
    sendMessage(kNotUpdated, kCodeNotUpdated);
    return false;
  }
  const std::vector<std::string> parts = addressParts(text);
  if (parts.size() < 4) {
    sendMessage(rule.fewerParts, rule.code);
    return false;
  }
  if (parts.size() == 4 && parts[3].empty()) {
    sendMessage(rule.emptyFourth, rule.code);
    return false;
  }
  // Parts after the fourth are ignored.
  std::array<int, 4> octets{};
  for (std::size_t i = 0; i < octets.size(); ++i) {
    if (!parseOctet(parts[i], octets[i])) {
      sendMessage(rule.refused, rule.code);
      return false;
    }
  }
  const bool accepted = rule.lidar ? checkLidarIP(octets[0], octets[3]) : checkDestIP(octets[0]);
  if (!accepted) {
    sendMessage(rule.refused, rule.code);
    return false;
  }
  for (std::size_t i = 0; i < octets.size(); ++i)
    m_ConfigPacket[rule.offset + i] = static_cast<unsigned char>(octets[i]);
  return true;
}

bool LIDAR_Template::setLidarIP(std::string ip) {
  static const AddressRule rule{
      kLidarIpOffset,
      kCodeLidarAddress,
      "Please enter the full Lidar IP address!!!Failed to set the Lidar IP address!!!",
      "Please enter the full Lidar IP address!!!Failed to set the Lidar IP address!!!",
      "Failed to set the Lidar IP address!!!",
      true};
  return writeAddress(ip, rule);
}

bool LIDAR_Template::setComputerIP(std::string ip) {
  static const AddressRule rule{
      kDestIpOffset,
      kCodeDestAddress,
      "Please enter the full Dest IP address!!! Failed to set the Dest(Computer) IP address!!!",
      "Please enter the full Dest IP address!!!Failed to set the Dest(Computer) IP address!!!",
      "Failed to set the computer IP address!!!",
      false};
  return writeAddress(ip, rule);
}

bool LIDAR_Template::SendLidarData_UDP() {
  std::string lidarIp;
  {
    std::lock_guard<std::mutex> lock(m_DeviceMutex);
    lidarIp = m_LidarIpText;
  }
  if (lidarIp.empty()) return false;  // no device-information packet yet: no destination

  lumivar::UdpSocket socket;  // closed on every path
  const long sent = socket.open()
                        ? socket.sendTo(lidarIp, m_ConfigDestPort, m_ConfigPacket.data(), kConfigPacketBytes)
                        : -1;
  if (sent != static_cast<long>(kConfigPacketBytes)) {
    std::printf("发送失败\n");
    std::fflush(stdout);
    return false;
  }
  std::printf("发送成功，发送%d个字符\n", static_cast<int>(sent));
  std::fflush(stdout);
  std::this_thread::sleep_for(kPauseAfterSend);
  socket.close();
  std::lock_guard<std::mutex> lock(m_DeviceMutex);
  m_AfterSendFlag = true;
  return true;
}

// ---------------------------------------------------------------- calibration

std::array<std::array<float, 4>, 8> LIDAR_Template::calibrationBounds() const {
  std::lock_guard<std::mutex> lock(m_CalibMutex);
  return m_CalibBounds;
}

bool LIDAR_Template::writeCalibrationData(int channel, float distance, bool open, std::vector<float> list,
                                          std::string path, bool close) {
  // Opening reads the last float to choose the second file: it needs one. Longer lists than
  // the eight records would run past them. Closing always works, whatever list comes with it.
  if (open && (list.empty() || list.size() > kCalibMaxFloats)) {
    sendMessage("Failed to set the calibration parameters!!! The bounds list must hold 1 to 32 values, not " +
                    std::to_string(list.size()) + ".",
                kCodeNotSupported);
    return false;
  }

  std::lock_guard<std::mutex> lock(m_CalibMutex);
  std::string storedPath = path;
  if (open) {
    // Whole groups of four fill the records; the floats of a last, shorter group (the third
    // angle range of a six-float list) stay in the list, where the decoders read them.
    for (std::size_t i = 0; i + 4 <= list.size(); i += 4)
      for (std::size_t k = 0; k < 4; ++k) m_CalibBounds[i / 4][k] = list[i + k];
    if (!path.empty()) storedPath = openCalibrationFiles(path, list.back());
  } else {
    // Collection stops: nothing more is written, so both files are finished now. The bounds
    // stay as the last opening set them.
    for (std::ofstream* file : {&m_CalibFile1, &m_CalibFile2}) {
      if (!file->is_open()) continue;
      file->flush();
      file->close();
    }
  }
  editSettings([&](DecoderSettings& s) {
    s.calibChannel = channel;
    s.calibDistance = distance;
    s.calibOpen = open;
    s.calibPath = storedPath;
    if (open) s.calibList = list;
    s.calibClose = close;
  });
  return false;
}

// Called with the calibration lock held; returns the path the decoders are given.
std::string LIDAR_Template::openCalibrationFiles(const std::string& path, float lastBound) {
  if (m_CalibFile1.is_open()) m_CalibFile1.close();
  if (m_CalibFile2.is_open()) m_CalibFile2.close();
  m_CalibFile1.clear();
  m_CalibFile1.open(path, std::ios::out | std::ios::trunc);
  m_CalibFile1 << kCalibHeader << "\n";
  m_CalibSecondInFirst = false;
  if (std::fabs(lastBound) <= kCalibSecondFileThreshold) return path;
  const std::string second = swapCalibMarker(path);
  // Without a marker both names are one file: it is not opened a second time, and the
  // second range's rows go to the one file.
  if (second == path) {
    m_CalibSecondInFirst = true;
    return path;
  }
  m_CalibFile2.clear();
  m_CalibFile2.open(second, std::ios::out | std::ios::trunc);
  m_CalibFile2 << kCalibHeader << "\n";
  return second;
}
