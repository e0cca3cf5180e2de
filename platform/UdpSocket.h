// UDP sockets for the drivers (the Linux stand-in for the Windows socket calls).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumivar {

// Wakes a thread blocked in UdpSocket::waitReadable at once (an eventfd in the poll set).
class WakeEvent {
public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;
  void signal();
  void clear();
  int fd() const { return m_Fd; }
private:
  int m_Fd = -1;
};

class UdpSocket {
public:
  UdpSocket() = default;
  ~UdpSocket() { close(); }
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;
  UdpSocket(UdpSocket&& other) noexcept;
  UdpSocket& operator=(UdpSocket&& other) noexcept;

  bool open();                               // IPv4 datagram socket, blocking
  bool isOpen() const { return m_Fd >= 0; }
  void close();
  int fd() const { return m_Fd; }

  bool setReceiveBuffer(int bytes);
  bool bindAny(std::uint16_t port);          // any local address; port 0 picks a free one
  std::uint16_t localPort() const;
  bool joinMulticast(const std::string& group);  // on any interface
  // Sends one datagram; returns the bytes sent or -1.
  long sendTo(const std::string& ip, std::uint16_t port, const void* data, std::size_t length);
  // Receives one datagram into buffer; returns its full length (above capacity when it was
  // cut: MSG_TRUNC), 0 for an empty one, kNothingWaiting, or -1 on error. EINTR is retried.
  // Meant for after waitReadable: the call never blocks, since the kernel may drop a datagram
  // (a bad checksum) between the readiness report and the read.
  long receive(void* buffer, std::size_t capacity, std::string* fromIp = nullptr,
               std::uint16_t* fromPort = nullptr);
  static constexpr long kNothingWaiting = -2;

  std::string lastError() const { return m_LastError; }

private:
  int m_Fd = -1;
  std::string m_LastError;
};

enum class WaitResult { Error, Timeout, Woken, Readable };

// Waits until any socket is readable, the wake event fires, or timeoutMs pass. EINTR is
// retried with the time left. readable[i] tells which sockets can be read.
WaitResult waitReadable(const UdpSocket* const* sockets, bool* readable, int count,
                        const WakeEvent* wake, int timeoutMs);

}  // namespace lumivar
