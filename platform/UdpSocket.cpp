#include "UdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>

namespace lumivar {

WakeEvent::WakeEvent() : m_Fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeEvent::~WakeEvent() {
  if (m_Fd >= 0) ::close(m_Fd);
}

void WakeEvent::signal() {
  if (m_Fd < 0) return;
  const std::uint64_t one = 1;
  ssize_t n;
  do {
    n = ::write(m_Fd, &one, sizeof one);
  } while (n < 0 && errno == EINTR);
}

void WakeEvent::clear() {
  if (m_Fd < 0) return;
  std::uint64_t value;
  ssize_t n;
  do {
    n = ::read(m_Fd, &value, sizeof value);  // non-blocking: EAGAIN when already clear
  } while (n < 0 && errno == EINTR);
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : m_Fd(other.m_Fd), m_LastError(std::move(other.m_LastError)) {
  other.m_Fd = -1;
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
  if (this != &other) {
    close();
    m_Fd = other.m_Fd;
    m_LastError = std::move(other.m_LastError);
    other.m_Fd = -1;
  }
  return *this;
}

bool UdpSocket::open() {
  close();
  m_Fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (m_Fd < 0) {
    m_LastError = std::strerror(errno);
    return false;
  }
  // Reads follow readiness, so the socket stays blocking.
  const int flags = ::fcntl(m_Fd, F_GETFL, 0);
  if (flags >= 0 && (flags & O_NONBLOCK)) ::fcntl(m_Fd, F_SETFL, flags & ~O_NONBLOCK);
  return true;
}

void UdpSocket::close() {
  if (m_Fd >= 0) {
    ::close(m_Fd);
    m_Fd = -1;
  }
}

bool UdpSocket::setReceiveBuffer(int bytes) {
  if (::setsockopt(m_Fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) != 0) {
    m_LastError = std::strerror(errno);
    return false;
  }
  return true;
}

bool UdpSocket::bindAny(std::uint16_t port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(m_Fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    m_LastError = std::strerror(errno);
    return false;
  }
  return true;
}

std::uint16_t UdpSocket::localPort() const {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (m_Fd < 0 || ::getsockname(m_Fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
  return ntohs(addr.sin_port);
}

bool UdpSocket::joinMulticast(const std::string& group) {
  ip_mreq mreq{};
  if (::inet_pton(AF_INET, group.c_str(), &mreq.imr_multiaddr) != 1) {
    m_LastError = "bad group address";
    return false;
  }
  mreq.imr_interface.s_addr = htonl(INADDR_ANY);
  if (::setsockopt(m_Fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof mreq) != 0) {
    m_LastError = std::strerror(errno);
    return false;
  }
  return true;
}

long UdpSocket::sendTo(const std::string& ip, std::uint16_t port, const void* data,
                       std::size_t length) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  if (::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1) {
    m_LastError = "bad destination address";
    return -1;
  }
  ssize_t n;
  do {
    n = ::sendto(m_Fd, data, length, 0, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  } while (n < 0 && errno == EINTR);
  if (n < 0) m_LastError = std::strerror(errno);
  return static_cast<long>(n);
}

long UdpSocket::receive(void* buffer, std::size_t capacity, std::string* fromIp,
                        std::uint16_t* fromPort) {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  ssize_t n;
  do {
    // MSG_TRUNC makes the call return the datagram's real length even when it was cut.
    n = ::recvfrom(m_Fd, buffer, capacity, MSG_TRUNC | MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr),
                   &len);
  } while (n < 0 && errno == EINTR);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return kNothingWaiting;
  if (n < 0) {
    m_LastError = std::strerror(errno);
    return -1;
  }
  if (fromIp) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    *fromIp = text;
  }
  if (fromPort) *fromPort = ntohs(addr.sin_port);
  return static_cast<long>(n);
}

WaitResult waitReadable(const UdpSocket* const* sockets, bool* readable, int count,
                        const WakeEvent* wake, int timeoutMs) {
  constexpr int kMaxSockets = 8;
  if (count < 0 || count > kMaxSockets) return WaitResult::Error;
  pollfd fds[kMaxSockets + 1];
  for (int i = 0; i < count; ++i) {
    readable[i] = false;
    fds[i].fd = sockets[i] ? sockets[i]->fd() : -1;  // poll ignores negative descriptors
    fds[i].events = POLLIN;
    fds[i].revents = 0;
  }
  int total = count;
  if (wake && wake->fd() >= 0) {
    fds[total].fd = wake->fd();
    fds[total].events = POLLIN;
    fds[total].revents = 0;
    ++total;
  }

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int left = timeoutMs;
  for (;;) {
    const int n = ::poll(fds, static_cast<nfds_t>(total), left);
    if (n > 0) break;
    if (n == 0) return WaitResult::Timeout;
    if (errno != EINTR) return WaitResult::Error;
    // Interrupted: wait again for the time that is left only.
    const auto now = Clock::now();
    if (now >= deadline) return WaitResult::Timeout;
    left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count()) + 1;
  }

  if (total > count && (fds[count].revents & POLLIN)) return WaitResult::Woken;
  bool any = false;
  for (int i = 0; i < count; ++i) {
    // An error or hang-up condition also makes the next read return at once.
    if (fds[i].revents & (POLLIN | POLLERR | POLLHUP)) readable[i] = any = true;
    if (fds[i].revents & POLLNVAL) return WaitResult::Error;
  }
  return any ? WaitResult::Readable : WaitResult::Timeout;
}

}  // namespace lumivar
