#include "PlaybackWorker.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

namespace playback {

namespace {

using Delays = std::array<int, kSpeedCount>;  // ms per frame, by speed index
constexpr Delays kCaptureDelays{160, 120, 80, 60, 40};
constexpr Delays kFastModelDelays{40, 30, 20, 15, 10};
constexpr Delays kDatagramDelays{200, 150, 100, 75, 50};
constexpr Delays kPcdDelays{160, 120, 80, 60, 40};
constexpr int kOtherSpeedSlot = 2;  // an unknown speed index plays at "1.0x"

// Models that send four times as many frames; the key must match exactly.
constexpr const char* kFastModels[] = {"LidarType_Pavrik", "LidarType_Pavrik_B", "LidarType_Wixel"};

int pick(const Delays& delays, int speedIndex) {
  return speedIndex >= 0 && speedIndex < kSpeedCount ? delays[std::size_t(speedIndex)] : delays[kOtherSpeedSlot];
}

}  // namespace

int frameDelayMs(Player player, int speedIndex, const std::string& lidarType) {
  switch (player) {
    case Player::Datagram:
      return pick(kDatagramDelays, speedIndex);
    case Player::Pcd:
      return pick(kPcdDelays, speedIndex);
    case Player::Capture:
      break;
  }
  for (const char* key : kFastModels)
    if (lidarType == key) return pick(kFastModelDelays, speedIndex);
  return pick(kCaptureDelays, speedIndex);
}

PlaybackWorker::~PlaybackWorker() { stop(); }

void PlaybackWorker::start(const PlaybackJob& job, PlaybackEvents events) {
  stop();
  mJob = job;
  mEvents = std::move(events);
  {
    std::lock_guard<std::mutex> lock(mGateMutex);
    mReleases = 0;
    mWaiting = false;
  }
  isStopRequested = false;
  isSeekPending = false;
  reqDirection = 1;
  curDirection = 1;
  currentFrame = 0;
  mStoppedByRequest = false;
  mActive = true;
  mThread = std::thread(&PlaybackWorker::run, this);
}

void PlaybackWorker::stop() {
  isStopRequested = true;
  {
    // Under the gate's mutex, so a worker about to wait cannot miss the wake-up.
    std::lock_guard<std::mutex> lock(mGateMutex);
    mGate.notify_all();
  }
  if (mThread.joinable()) mThread.join();
}

void PlaybackWorker::pause() {
  std::lock_guard<std::mutex> lock(mGateMutex);
  isPaused = true;
  mReleases = 0;
}

void PlaybackWorker::resume() {
  std::lock_guard<std::mutex> lock(mGateMutex);
  isPaused = false;
  mReleases = 0;
  mGate.notify_all();
}

void PlaybackWorker::releaseOnce() {
  std::lock_guard<std::mutex> lock(mGateMutex);
  ++mReleases;
  mGate.notify_all();
}

bool PlaybackWorker::isWaitingAtGate() const {
  std::lock_guard<std::mutex> lock(mGateMutex);
  return mWaiting;
}

void PlaybackWorker::waitAtGate() {
  std::unique_lock<std::mutex> lock(mGateMutex);
  mWaiting = true;
  mGate.wait(lock, [this] { return mReleases > 0 || !isPaused || isStopRequested; });
  if (mReleases > 0) --mReleases;
  mWaiting = false;
}

void PlaybackWorker::sleepFrame(Player player) {
  const int ms = frameDelayMs(player, speedIndex, mJob.rules.lidarType);
  std::unique_lock<std::mutex> lock(mGateMutex);
  // A stop ends the pause at once; gate releases do not.
  mGate.wait_for(lock, std::chrono::milliseconds(ms), [this] { return isStopRequested.load(); });
}

void PlaybackWorker::sendEnd(std::size_t length) {
  std::vector<unsigned char> zeros(length, 0);
  mEvents.feed(zeros.data(), static_cast<unsigned short>(length), 0, true, 1);
}

void PlaybackWorker::run() {
  switch (mJob.player) {
    case Player::Capture:
      playPcapPackets();
      break;
    case Player::Datagram:
      playReassembledPackets();
      break;
    case Player::Pcd:
      playPcdFrames();
      break;
  }
  mStoppedByRequest = isStopRequested.load();
  // Before the finish: its receiver may start the next run at once.
  mActive = false;
  mEvents.finish(true);
}

std::int64_t PlaybackWorker::frameEnd(bool& isSkipFrame, std::int64_t next, std::int64_t position) {
  if (isSkipFrame) {
    // The frame that was cut by the turn is not counted.
    isSkipFrame = false;
  } else {
    const int frame = std::max(0, currentFrame.load() + curDirection.load());
    currentFrame = frame;
    mEvents.progress(position, frame);
    if (isPaused) waitAtGate();
  }
  const int wanted = reqDirection.load() < 0 ? -1 : 1;
  if (wanted != curDirection.load()) {
    isSkipFrame = true;
    curDirection = wanted;
  }
  if (isSeekPending.exchange(false)) {
    const capture::CaptureIndex& index = *mJob.index;
    // The slider reaches the frame count, one past the last frame end: held to the last.
    const int target = std::clamp(seekTarget.load(), 0, std::max(0, index.frameCount - 1));
    const int frame = index.frameCount > 0 ? target + 1 : 0;
    currentFrame = frame;
    mEvents.progress(position, frame);
    next = index.seekRecordForFrame(target);
  }
  sleepFrame(mJob.player);
  return next;
}

void PlaybackWorker::reachedStart(std::int64_t next, std::int64_t position) {
  // A backward walk that ran out of records is back at frame 0, frame end or not.
  if (isStopRequested || curDirection > 0 || next > 0 || currentFrame == 0) return;
  currentFrame = 0;
  mEvents.progress(position, 0);
}

namespace {

// The next record in the direction in force, or false at the end of the walk. next is the
// record a forward walk reads next; a backward walk reads the one before it.
bool stepCursor(int direction, std::int64_t records, std::int64_t& next, std::int64_t& cursor) {
  if (direction > 0) {
    if (next >= records) return false;
    cursor = next++;
  } else {
    if (next <= 0) return false;
    cursor = --next;
  }
  return true;
}

}  // namespace

void PlaybackWorker::walkRecords(std::size_t recordBytes, std::size_t endLength,
                                 const std::function<void(const capture::CaptureRecord&, std::int64_t&)>& onRecord) {
  capture::CaptureFile& file = *mJob.file;
  const std::vector<std::int64_t>& positions = mJob.index->dataPositionsPerPacket;
  const auto records = static_cast<std::int64_t>(positions.size());
  capture::CaptureRecord record(recordBytes);
  mEvents.finish(false);

  std::int64_t next = 0;
  std::int64_t cursor = 0;
  while (!isStopRequested && stepCursor(curDirection, records, next, cursor)) {
    if (file.readRecordAt(positions[std::size_t(cursor)], record) != capture::ReadStatus::Record) continue;
    onRecord(record, next);
  }
  reachedStart(next, file.position());
  sendEnd(endLength);
}

void PlaybackWorker::playPcapPackets() {
  capture::Payload payload;
  capture::FrameEndTest frameTest(mJob.rules, capture::FrameEndTest::Mode::Player);
  bool isSkipFrame = false;
  const auto onRecord = [&](const capture::CaptureRecord& record, std::int64_t& next) {
    if (!capture::locatePayload(record, mJob.rules, payload)) return;
    if (payload.kind == capture::PayloadClass::DeviceInfo) {
      mEvents.feed(payload.bytes.data(), static_cast<unsigned short>(payload.handedLength()), payload.packetKind(),
                   false, 1);
      return;
    }
    // After a turn the packets up to the next frame end belong to the cut frame.
    if (!isSkipFrame)
      mEvents.feed(payload.bytes.data(), static_cast<unsigned short>(payload.length), payload.packetKind(), false, 1);
    frameTest.setDirection(curDirection);
    if (frameTest.endsFrame(payload.bytes.data(), std::size_t(payload.length)))
      next = frameEnd(isSkipFrame, next, mJob.file->position());
  };
  walkRecords(capture::kMaxRecordBytes, std::size_t(capture::kEndPacketLength), onRecord);
}

void PlaybackWorker::playReassembledPackets() {
  capture::DatagramAssembler assembler;
  std::vector<unsigned char> datagram(capture::kDatagramBytes);
  bool isSkipFrame = false;
  const auto onRecord = [&](const capture::CaptureRecord& record, std::int64_t& next) {
    if (!assembler.add(record)) return;
    std::memcpy(datagram.data(), assembler.datagram(), datagram.size());
    // Whole datagrams are always handed on, also while a cut frame is skipped.
    mEvents.feed(datagram.data(), static_cast<unsigned short>(datagram.size()), 0, false, curDirection);
    if (capture::datagramEndsFrame(datagram.data())) next = frameEnd(isSkipFrame, next, mJob.file->position());
    // After the frame end: a turn there changes the direction the assembler walks in.
    assembler.restart(curDirection);
  };
  walkRecords(capture::kDatagramBytes, capture::kDatagramBytes, onRecord);
}

void PlaybackWorker::playPcdFrames() {
  const int frames = mJob.pcdFrames;
  if (frames <= 0) return;
  int i = 0;
  while (true) {
    if (isSeekPending.exchange(false)) i = std::clamp(seekTarget.load(), 0, frames - 1);
    if (isStopRequested) break;
    mEvents.showPcdFrame(i);
    currentFrame = i;
    mEvents.progress(0, i);
    sleepFrame(Player::Pcd);
    if (isPaused) waitAtGate();
    const int direction = reqDirection.load() < 0 ? -1 : 1;
    curDirection = direction;
    // A seek asked for meanwhile goes first, even at an edge.
    if (!isSeekPending && (i == frames - 1 || (i == 0 && direction < 0))) break;
    i += direction;
  }
}

}  // namespace playback
