// UDP receiver: the data and device sockets and the receive thread.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "CollectionDataObserver.h"
#include "Listener.h"
#include "UdpSocket.h"

// Receive-path sizes.
constexpr std::size_t kMaxDatagramBytes = 56280;        // largest datagram accepted (bytes)
constexpr int kDataSocketReceiveBuffer = 10485760;      // SO_RCVBUF of the data socket (bytes)
constexpr int kSelectTimeoutMs = 3000;                  // one "timeout" message per wait
constexpr std::size_t kMaxAddressTextLength = 19;       // longest address text accepted

// Device-information packets begin A5 FF 00 5A 11 11 55 55 (byte 0 may also be 00): the
// receiver classifies datagrams by all eight bytes.
bool isDeviceInfoHeader(const unsigned char* bytes, std::size_t length);
// The decoders' test on a full-size packet: A5 or 00, then FF 00 5A. It admits every packet
// the receiver calls a device packet, so none of them is ever decoded as points.
bool isDevicePacketStart(const unsigned char* bytes);

std::vector<std::string> splitString(std::string text);
bool isMulticastAddress(std::string address);

class LidarData : public CollectionDataObserver {
public:
  using MessageCallback = std::function<void(std::string, int)>;

  LidarData();
  ~LidarData() override;  // ends the receive thread and closes the sockets

  void addListener(Listener* listener) override;
  void removeListener(Listener* listener) override;

  // Opens both sockets and starts the receive thread; a previous thread is ended first.
  bool start(unsigned int dataPort, unsigned int devPort, std::string address);
  // Sets the stop flags and wakes the thread; does not wait.
  void requestStop();
  // Waits until the receive thread has left its loop (no-op when none runs).
  void waitStopped();
  bool isRunning() const { return m_Running.load(); }

  int initSocket(unsigned int dataPort, unsigned int devPort, std::string address);
  void sendMessage(std::string text, int code);

  void SetCallbackMessage(MessageCallback* callback) { m_MessageCallback.store(callback); }
  bool SetGroupIp(std::string group);
  std::string groupIp() const;

private:
  void recvThread();
  // Hands the datagram in m_Buffer to every listener through the thread's own copy.
  void deliver(std::vector<unsigned char>& copy, std::size_t length);
  void closeSockets();

  std::atomic<MessageCallback*> m_MessageCallback{nullptr};
  std::atomic<int> m_StopWord{0};
  lumivar::UdpSocket m_SockData;
  lumivar::UdpSocket m_SockDev;
  std::string m_Address = "192.168.1.102";
  std::atomic<bool> m_Stop{false};
  std::atomic<bool> m_Running{false};
  lumivar::WakeEvent m_Wake;
  std::vector<unsigned char> m_Buffer;  // receive buffer, kMaxDatagramBytes
  mutable std::mutex m_GroupMutex;
  std::string m_GroupIp = "224.1.1.1";
  std::mutex m_ListenerMutex;
  std::set<Listener*> m_Listeners;
  std::mutex m_ThreadMutex;  // serialises start/stop/wait of the thread object
  std::thread m_Thread;
};
