// The replay worker of the playback bar: walks an indexed capture record by record (or a
// set of loaded PCD frames), hands each packet to the glue through a callback, counts frames
// and paces them, and waits at frame ends while paused. No widgets and no Qt: the panel turns
// the callbacks into queued signals, so nothing here touches the GUI.
//
// One owner (the panel) starts, stops and joins the thread. The flags below are written by
// the owner's thread and read by the worker at record or frame boundaries.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CaptureIndex.h"

namespace playback {

enum class Player {
  Capture,   // record by record, families other than 4
  Datagram,  // family 4: reassembled 56280-byte datagrams
  Pcd,       // frames already in memory
};

constexpr int kSpeedCount = 5;  // "0.5x" ... "2.0x"
constexpr int kDefaultSpeedIndex = 2;

// Pause after each shown frame, ms. Three model keys (exact match) send frames four times as
// often and get a quarter of the capture player's pause.
int frameDelayMs(Player player, int speedIndex, const std::string& lidarType);

// Called on the worker thread.
struct PlaybackEvents {
  // One packet for the glue: bytes, length, kind (0 point data, 1 device information),
  // end of data, play direction. The bytes stay valid only during the call.
  std::function<void(unsigned char*, unsigned short, int, bool, int)> feed;
  std::function<void(bool)> finish;                       // false at a capture run's start, true at its end
  std::function<void(std::int64_t, int)> progress;        // file position, frame shown
  std::function<void(int)> showPcdFrame;                  // index of the PCD frame to show
};

struct PlaybackJob {
  Player player = Player::Capture;
  capture::CaptureFile* file = nullptr;           // open and indexed; only the worker reads it while running
  const capture::CaptureIndex* index = nullptr;   // not changed while running
  capture::CaptureRules rules;
  int pcdFrames = 0;
};

class PlaybackWorker {
 public:
  PlaybackWorker() = default;
  ~PlaybackWorker();
  PlaybackWorker(const PlaybackWorker&) = delete;
  PlaybackWorker& operator=(const PlaybackWorker&) = delete;

  // Starts a run; a run still going is stopped and joined first. Clears the stop request
  // and the pending seek; both directions become forward. A pause set before the start
  // holds the run at its first frame end.
  void start(const PlaybackJob& job, PlaybackEvents events);
  // Asks the run to end and waits for its thread. The run still sends its end packet and
  // its finish(true). Harmless without a run.
  void stop();
  // A thread is started and has not yet sent its finish(true).
  bool isActive() const { return mActive.load(); }
  // The last run ended on a stop request rather than at its end.
  bool lastRunStopped() const { return mStoppedByRequest.load(); }

  // The pause gate: a paused worker waits at its next frame end until resumed, released
  // once per step, or stopped. Releases pressed before the worker reaches the gate count.
  void pause();
  void resume();
  void releaseOnce();
  bool isWaitingAtGate() const;

  std::atomic<bool> isStopRequested{false};
  std::atomic<bool> isPaused{false};
  std::atomic<int> reqDirection{1};  // asked for by the owner: +1 forward, -1 backward
  std::atomic<int> curDirection{1};  // in force; changes only at a frame end
  std::atomic<bool> isSeekPending{false};
  std::atomic<int> seekTarget{0};
  std::atomic<int> speedIndex{kDefaultSpeedIndex};
  std::atomic<int> currentFrame{0};

 private:
  void run();
  // The capture players' walk over the indexed records in the direction in force: a
  // finish(false) first, then each record read to onRecord (which may move the cursor through
  // next), then the end packet of endLength bytes.
  void walkRecords(std::size_t recordBytes, std::size_t endLength,
                   const std::function<void(const capture::CaptureRecord&, std::int64_t& next)>& onRecord);
  void playPcapPackets();
  void playReassembledPackets();
  void playPcdFrames();
  // Shared frame-end steps of the capture players: count, report, gate, direction, seek,
  // pace. Returns the record index to continue from.
  std::int64_t frameEnd(bool& isSkipFrame, std::int64_t next, std::int64_t position);
  void reachedStart(std::int64_t next, std::int64_t position);
  void waitAtGate();
  void sleepFrame(Player player);
  void sendEnd(std::size_t length);

  PlaybackJob mJob;
  PlaybackEvents mEvents;
  std::thread mThread;
  std::atomic<bool> mActive{false};
  std::atomic<bool> mStoppedByRequest{false};

  mutable std::mutex mGateMutex;
  std::condition_variable mGate;
  int mReleases = 0;
  bool mWaiting = false;
};

}  // namespace playback
