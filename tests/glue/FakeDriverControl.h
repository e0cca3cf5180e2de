// Control of the fake driver library, reached by dlsym from the tests. Each library file
// built from FakeDriver.cpp has its own call log.
#pragma once

#include <string>
#include <vector>

struct FakeDriverControl {
  std::vector<std::string> (*calls)();  // "create", "LidarStart", "SetGroupIp 226.1.1.102", ...
  void (*clearCalls)();
  int (*liveDrivers)();
  // Asks the newest driver's own thread to emit frames (points in the frame cloud, one point
  // selected) or a message.
  void (*emitFrames)(int count, int status, int points);
  void (*emitMessage)(const std::string& text, int code);
  void (*setStreaming)(bool on);   // emit frames back to back while a driver lives
  long (*framesEmitted)();
  void (*failNextStart)();         // the next LidarStart reports a bind failure synchronously
  // Replayed packets take this long to copy (0: at once); a slow copy writes "setOffLineData
  // begins" first, so a test can act while one is in hand.
  void (*setOfflineDelay)(int milliseconds);
  // The newest driver's thread calls the device-packet callback, as a receive thread does for
  // each device-information packet.
  void (*emitDevicePacket)();
};

extern "C" const FakeDriverControl* FakeDriverGetControl();
#define FAKE_DRIVER_CONTROL_SYMBOL "FakeDriverGetControl"
