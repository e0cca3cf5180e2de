#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "UdpSocket.h"

namespace {

using Clock = std::chrono::steady_clock;
using lumivar::UdpSocket;
using lumivar::WaitResult;

void ignoreSignal(int) {}

struct BoundPair {
  UdpSocket a, b;
  BoundPair() {
    EXPECT_TRUE(a.open() && a.bindAny(0));
    EXPECT_TRUE(b.open() && b.bindAny(0));
  }
};

TEST(UdpSocket, WaitTellsWhichSocketIsReadableAndWakesAtOnce) {
  BoundPair s;
  lumivar::WakeEvent wake;
  const UdpSocket* set[2] = {&s.a, &s.b};
  bool readable[2];

  EXPECT_EQ(lumivar::waitReadable(set, readable, 2, &wake, 10), WaitResult::Timeout);

  UdpSocket out;
  ASSERT_TRUE(out.open());
  const char text[] = "abc";
  ASSERT_EQ(out.sendTo("127.0.0.1", s.b.localPort(), text, 3), 3);
  ASSERT_EQ(lumivar::waitReadable(set, readable, 2, &wake, 5000), WaitResult::Readable);
  EXPECT_FALSE(readable[0]);
  EXPECT_TRUE(readable[1]);

  // A datagram longer than the buffer reports its full length so the caller can drop it.
  char small[2];
  EXPECT_EQ(s.b.receive(small, sizeof small), 3);

  wake.signal();
  EXPECT_EQ(lumivar::waitReadable(set, readable, 2, &wake, 5000), WaitResult::Woken);
  wake.clear();
  EXPECT_EQ(lumivar::waitReadable(set, readable, 2, &wake, 10), WaitResult::Timeout);

  EXPECT_EQ(out.sendTo("not an address", 1, text, 3), -1);
}

TEST(UdpSocket, ReadWithNothingWaitingReturnsAtOnce) {
  // The kernel may drop a datagram between the readiness report and the read; the read must
  // then come back so the receive loop can see a stop. The time-out only bounds a faulty read.
  UdpSocket s;
  ASSERT_TRUE(s.open() && s.bindAny(0));
  const timeval bound{2, 0};
  ASSERT_EQ(::setsockopt(s.fd(), SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound), 0);
  char buffer[16];
  const auto t0 = Clock::now();
  EXPECT_EQ(s.receive(buffer, sizeof buffer), UdpSocket::kNothingWaiting);
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(1));

  // The socket itself stays blocking; a waiting datagram is read as before.
  UdpSocket out;
  ASSERT_TRUE(out.open());
  ASSERT_EQ(out.sendTo("127.0.0.1", s.localPort(), "xy", 2), 2);
  const UdpSocket* set[1] = {&s};
  bool readable[1];
  ASSERT_EQ(lumivar::waitReadable(set, readable, 1, nullptr, 5000), WaitResult::Readable);
  EXPECT_EQ(s.receive(buffer, sizeof buffer), 2);
}

TEST(UdpSocket, SignalsDuringAWaitDoNotCutItShort) {
  struct sigaction action {};
  action.sa_handler = ignoreSignal;  // no SA_RESTART: poll returns EINTR
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

  BoundPair s;
  const UdpSocket* set[1] = {&s.a};
  std::atomic<bool> done{false};
  WaitResult result = WaitResult::Readable;
  Clock::duration waited{};
  std::thread waiter([&] {
    bool readable[1];
    const auto t0 = Clock::now();
    result = lumivar::waitReadable(set, readable, 1, nullptr, 1000);
    waited = Clock::now() - t0;
    done = true;
  });
  while (!done) {
    ::pthread_kill(waiter.native_handle(), SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  waiter.join();
  ::sigaction(SIGUSR1, &previous, nullptr);

  EXPECT_EQ(result, WaitResult::Timeout);
  EXPECT_GE(waited, std::chrono::milliseconds(1000));
}

TEST(UdpSocket, PortInUseFailsToBindAndMoveKeepsOneOwner) {
  UdpSocket a;
  ASSERT_TRUE(a.open() && a.bindAny(0));
  UdpSocket b;
  ASSERT_TRUE(b.open());
  EXPECT_FALSE(b.bindAny(a.localPort()));
  EXPECT_FALSE(b.lastError().empty());

  const int fd = a.fd();
  UdpSocket moved(std::move(a));
  EXPECT_EQ(moved.fd(), fd);
  EXPECT_FALSE(a.isOpen());
  b = std::move(moved);
  EXPECT_EQ(b.fd(), fd);
  EXPECT_FALSE(moved.isOpen());
}

}  // namespace
