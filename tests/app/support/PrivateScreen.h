// A test program's own X screen of a given size, whatever display it was started under: a
// private Xvfb that picks a free display number itself (-displayfd), so tests run side by side
// never race for one, and that ends with the test program. Register it before main runs:
//     const auto* screen = ::testing::AddGlobalTestEnvironment(new PrivateScreen("1600x900x24"));
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <string>
#include <utility>
#include <sys/prctl.h>
#include <unistd.h>

class PrivateScreen : public ::testing::Environment {
 public:
  explicit PrivateScreen(std::string geometry) : geometry_(std::move(geometry)) {}

  void SetUp() override {
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // the server goes when the test program does
      if (::getppid() != parent) ::_exit(0);
      ::close(pipe_fds[0]);
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, 1);
      ::dup2(quiet, 2);
      const std::string fd = std::to_string(pipe_fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", geometry_.c_str(), "-nolisten", "tcp",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(pipe_fds[1]);
    // The server writes its display number once it takes connections; EOF means it failed.
    std::string number;
    char c = 0;
    while (::read(pipe_fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(pipe_fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start a " << geometry_ << " screen";
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
  }
  // No TearDown: the program's QApplication keeps its connection to the end, and the server
  // must outlive it.

 private:
  std::string geometry_;
};
