// One capture recording: the adapter's sensor traffic written to a .pcap file through
// libpcap's dump functions. Plain C++ (no widgets): the adapter view runs it on its thread
// and shows what goes wrong.
#pragma once

#include "PacketCapture.h"

#include <atomic>
#include <cstddef>
#include <string>

struct RecordSettings {
  std::string deviceName;  // capture name of the adapter
  std::string path;        // output file, as bytes
  int mode = 0;            // 10: the connection's own ports; any other value: sensor traffic
  int dataPort = 2368;     // the connection's ports, used by mode 10
  int devPort = 2369;
};

// Capture filter of a recording mode.
std::string recordFilter(int mode, int dataPort, int devPort);

class RecordingSession {
public:
  // Opens the adapter, installs the mode's filter and creates the file. False with a text
  // that says which step failed and why (libpcap's words); nothing is left open then.
  bool open(const RecordSettings& settings, std::string* error);

  // Writes every frame until stop is set (looked at every kStopCheckMs even on a quiet
  // network) or the capture or the file fails, flushing the file every kFlushIntervalMs.
  // On a stop the frames already captured are written and flushed before the file is
  // closed. Returns the failure text, empty after a stop.
  std::string run(const std::atomic<bool>& stop);

  // Frames flushed to the file so far.
  std::size_t packetsWritten() const { return m_Written.load(); }

  static constexpr int kStopCheckMs = 50;
  static constexpr int kFlushIntervalMs = 100;

private:
  lumivar::PacketCapture m_Capture;
  lumivar::CaptureDumpFile m_File;
  std::atomic<std::size_t> m_Written{0};
};
