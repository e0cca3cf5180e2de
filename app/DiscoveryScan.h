// One discovery scan: captures on an adapter for a fixed window and collects the sensors
// seen. Runs on any thread; touches nothing but its arguments.
#pragma once

#include "NetworkInfoARP.h"

#include <QString>
#include <QVector>

#include <atomic>
#include <string>

struct DiscoveryScanSettings {
  std::string deviceName;  // capture name of the adapter
  discovery::ScanMode mode = discovery::ScanMode::DevicePacket;
  int windowMs = -1;       // -1: the mode's own window
};

struct DiscoveryScanResult {
  QVector<NetworkInfoARP> sensors;  // in the order first seen, each once
  QString error;                    // why the capture could not run; empty on success
};

// Capture parameters of each mode.
struct DiscoveryModeParams {
  const char* filter;
  int snapLength;  // bytes
  int windowMs;    // scan window
};
DiscoveryModeParams discoveryModeParams(discovery::ScanMode mode);

// Ends at the window's end, when stop is set (checked at least every 100 ms), or at once
// with an empty result and an error text when the adapter cannot be opened.
DiscoveryScanResult scanDevices(const DiscoveryScanSettings& settings,
                                const std::atomic<bool>& stop);
