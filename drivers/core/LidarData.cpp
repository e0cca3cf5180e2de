#include "LidarData.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace {

// Device-information header: byte 0 is A5 or 00, then these seven bytes.
constexpr std::size_t kDeviceHeaderBytes = 8;
constexpr std::array<unsigned char, 7> kDeviceHeaderTail = {0xFF, 0x00, 0x5A, 0x11, 0x11, 0x55, 0x55};
constexpr unsigned int kMaxPort = 65535;
constexpr int kMulticastFirstOctetMin = 224;
constexpr int kMulticastFirstOctetMax = 239;

}  // namespace

bool isDevicePacketStart(const unsigned char* bytes) {
  return (bytes[0] == 0xA5 || bytes[0] == 0x00) && bytes[1] == kDeviceHeaderTail[0] &&
         bytes[2] == kDeviceHeaderTail[1] && bytes[3] == kDeviceHeaderTail[2];
}

bool isDeviceInfoHeader(const unsigned char* bytes, std::size_t length) {
  if (bytes == nullptr || length < kDeviceHeaderBytes) return false;
  return isDevicePacketStart(bytes) &&
         std::memcmp(bytes + 1, kDeviceHeaderTail.data(), kDeviceHeaderTail.size()) == 0;
}

std::vector<std::string> splitString(std::string text) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  std::string part;
  while (std::getline(in, part, '.')) parts.push_back(part);
  return parts;
}

bool isMulticastAddress(std::string address) {
  const std::vector<std::string> parts = splitString(address);
  if (parts.empty()) return false;
  try {
    const int number = std::stoi(parts[0]);
    std::cout << "The number is: " << number << std::endl;
    return number >= kMulticastFirstOctetMin && number <= kMulticastFirstOctetMax;
  } catch (const std::invalid_argument& e) {
    std::cerr << "Invalid argument: " << e.what() << std::endl;
  } catch (const std::out_of_range& e) {
    std::cerr << "Out of range: " << e.what() << std::endl;
  }
  return false;
}

LidarData::LidarData() : m_Buffer(kMaxDatagramBytes, 0) {}

LidarData::~LidarData() {
  requestStop();
  waitStopped();
  closeSockets();
}

void LidarData::addListener(Listener* listener) {
  if (listener == nullptr) return;
  std::lock_guard<std::mutex> lock(m_ListenerMutex);
  m_Listeners.insert(listener);
}

void LidarData::removeListener(Listener* listener) {
  std::lock_guard<std::mutex> lock(m_ListenerMutex);
  m_Listeners.erase(listener);
}

bool LidarData::SetGroupIp(std::string group) {
  std::lock_guard<std::mutex> lock(m_GroupMutex);
  m_GroupIp = std::move(group);
  return true;
}

std::string LidarData::groupIp() const {
  std::lock_guard<std::mutex> lock(m_GroupMutex);
  return m_GroupIp;
}

void LidarData::sendMessage(std::string text, int code) {
  if (m_Stop.load()) return;
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
  MessageCallback* callback = m_MessageCallback.load();
  if (callback != nullptr && *callback) (*callback)(text, code);
}

void LidarData::closeSockets() {
  m_SockData.close();
  m_SockDev.close();
}

int LidarData::initSocket(unsigned int dataPort, unsigned int devPort, std::string address) {
  // Nothing is opened before the checks, so a refusal leaves no descriptor behind.
  if (address.size() > kMaxAddressTextLength) {
    sendMessage("Address text too long\n", 10000);
    return 0;
  }
  closeSockets();

  if (!m_SockData.open()) {
    sendMessage("m_SockData socka()\n", 10000);
    return 0;
  }
  // The kernel caps the buffer at its own limit; a smaller buffer still receives.
  m_SockData.setReceiveBuffer(kDataSocketReceiveBuffer);
  if (dataPort > kMaxPort || !m_SockData.bindAny(static_cast<std::uint16_t>(dataPort))) {
    sendMessage("Bind mDataPort failed\n", 10001);
    closeSockets();
    return 0;
  }
  std::string group;
  {
    std::lock_guard<std::mutex> lock(m_GroupMutex);
    if (isMulticastAddress(address)) m_GroupIp = address;
    group = m_GroupIp;
  }
  m_SockData.joinMulticast(group);  // a failed join still leaves unicast reception

  if (!m_SockDev.open()) {
    sendMessage("m_SockDev sockb()\n", 10000);
    closeSockets();
    return 0;
  }
  if (devPort > kMaxPort || !m_SockDev.bindAny(static_cast<std::uint16_t>(devPort))) {
    sendMessage("Bind mDevPort failed\n", 10002);
    closeSockets();
    return 0;
  }
  m_SockDev.joinMulticast(group);
  return 1;
}

bool LidarData::start(unsigned int dataPort, unsigned int devPort, std::string address) {
  std::lock_guard<std::mutex> lock(m_ThreadMutex);
  // The previous thread must be gone before new sockets are opened, or it would close them.
  m_Stop.store(true);
  m_Wake.signal();
  if (m_Thread.joinable()) m_Thread.join();
  closeSockets();

  m_Stop.store(false);
  m_Wake.clear();
  if (initSocket(dataPort, devPort, address) == 0) {
    sendMessage("Create Sock Fail!\n", 10000);
    closeSockets();
    return false;
  }
  if (!m_SockData.isOpen() || !m_SockDev.isOpen()) {
    sendMessage("m_SockData not create\n", 10000);
    closeSockets();
    return false;
  }
  m_Running.store(true);
  try {
    m_Thread = std::thread(&LidarData::recvThread, this);
  } catch (const std::system_error&) {
    m_Running.store(false);
    closeSockets();
    return false;
  }
  m_StopWord.store(0);
  return true;
}

void LidarData::requestStop() {
  m_StopWord.store(1);
  m_Stop.store(true);
  m_Wake.signal();
}

void LidarData::waitStopped() {
  std::lock_guard<std::mutex> lock(m_ThreadMutex);
  // A listener that stops the receiver from inside the receive thread cannot wait for itself.
  if (m_Thread.joinable() && m_Thread.get_id() != std::this_thread::get_id()) m_Thread.join();
}

void LidarData::deliver(std::vector<unsigned char>& copy, std::size_t length) {
  std::memcpy(copy.data(), m_Buffer.data(), length);
  const _LidarDataType kind = isDeviceInfoHeader(copy.data(), length) ? LidarDataType_Device : LidarDataType_Point;
  std::lock_guard<std::mutex> lock(m_ListenerMutex);
  for (Listener* listener : m_Listeners) listener->onReceiveData(kind, copy.data(), static_cast<unsigned short>(length));
}

void LidarData::recvThread() {
  const lumivar::UdpSocket* sockets[2] = {&m_SockData, &m_SockDev};
  std::vector<unsigned char> copy(kMaxDatagramBytes);
  while (!m_Stop.load()) {
    bool readable[2] = {false, false};
    // The time-out is given afresh on every pass.
    const lumivar::WaitResult result = lumivar::waitReadable(sockets, readable, 2, &m_Wake, kSelectTimeoutMs);
    if (result == lumivar::WaitResult::Error) {
      sendMessage("Socket select fail...\n", 10003);
      break;
    }
    if (result == lumivar::WaitResult::Timeout) {
      sendMessage("timeout\n", 10004);
      continue;
    }
    if (result == lumivar::WaitResult::Woken) {
      m_Wake.clear();
      continue;
    }

    // One datagram from every ready socket per pass: steady data never starves the device socket.
    struct Source {
      lumivar::UdpSocket& socket;
      const char* failure;
      int code;
    };
    const Source sources[2] = {{m_SockData, "recvfrom m_SockData fail\n", 10005},
                               {m_SockDev, "recvfromErr m_SockDev fail\n", 10006}};
    bool failed = false;
    for (int i = 0; i < 2 && !failed; ++i) {
      if (!readable[i]) continue;
      std::fill(m_Buffer.begin(), m_Buffer.end(), 0);
      const long received = sources[i].socket.receive(m_Buffer.data(), m_Buffer.size());
      if (received == lumivar::UdpSocket::kNothingWaiting) continue;  // dropped after the wait
      if (received < 0) {
        sendMessage(sources[i].failure, sources[i].code);
        failed = true;
      } else if (static_cast<std::size_t>(received) <= m_Buffer.size()) {
        deliver(copy, static_cast<std::size_t>(received));
      }  // else it arrived cut: dropped rather than handed on as a fragment
    }
    if (failed) break;
  }
  closeSockets();
  m_Running.store(false);
}
