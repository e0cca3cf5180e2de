// Frames handed out stay their receivers': a kept frame is never written again, and frames
// decoded into memory that earlier frames gave back are the same, byte for byte, as frames
// decoded while every earlier one is still held. Every single-model decoder, on sweeps of
// its record layout and on the seeded robustness stream.
#include <gtest/gtest.h>

#include <functional>

#include "FrameRecorder.h"
#include "GetLidarDataDll_Sembrel.h"
#include "GetLidarDataDll_Tiskar.h"
#include "GetLidarDataDll_Ulmeth.h"
#include "LIDAR_Coravel.h"
#include "LIDAR_Drovik.h"
#include "LIDAR_Fenwyr.h"
#include "LIDAR_Hestin.h"
#include "LIDAR_Sembrel.h"
#include "LIDAR_Sembrel_WideAngle.h"
#include "LIDAR_Tiskar.h"
#include "LIDAR_Ulmeth.h"
#include "LIDAR_Yorbek.h"
#include "PacketStreams.h"
#include "SeededStream.h"

using namespace single_model_test;
using frame_test::FrameRecorder;
using frame_test::Keep;

namespace {

template <typename Decoder>
struct DecoderRun {
  FrameRecorder recorder;
  TwoCloudCallback onFrame = recorder.callback();
  Decoder decoder;  // after the callback: it must go first
  explicit DecoderRun(Keep keep) : recorder(keep) { decoder.setTwoCloudCallback(&onFrame); }
  void feed(const unsigned char* bytes, std::size_t n) { decoder.feedPacket(bytes, n); }
};

// The same packets three times: every frame kept, none kept, every other one kept.
template <typename Decoder>
void expectSameFramesHoweverKept(const std::function<void(DecoderRun<Decoder>&)>& stream, std::size_t minimumFrames,
                                 bool selects) {
  DecoderRun<Decoder> all(Keep::All), none(Keep::None), some(Keep::EveryOther);
  for (DecoderRun<Decoder>* run : {&all, &none, &some}) stream(*run);
  ASSERT_GE(all.recorder.frames(), minimumFrames);
  std::size_t selectedPoints = 0;
  const std::vector<std::size_t> sizes = all.recorder.sizes();
  for (std::size_t i = 1; i < sizes.size(); i += 2) selectedPoints += sizes[i];
  if (selects) {
    EXPECT_GT(selectedPoints, 0u);
  }
  EXPECT_TRUE(all.recorder.keptUnchanged());
  EXPECT_TRUE(some.recorder.keptUnchanged());
  EXPECT_TRUE(frame_test::sameDigests(all.recorder.digests(), none.recorder.digests()));
  EXPECT_TRUE(frame_test::sameDigests(all.recorder.digests(), some.recorder.digests()));
}

// A sweep of the decoder's layout with a select box around the sensor (the first returns lie
// 10 m out).
template <typename Decoder>
void expectSweep(const char* model, const Packets& packets, std::size_t minimumFrames, int lineParam = 0) {
  SCOPED_TRACE(model);
  expectSameFramesHoweverKept<Decoder>(
      [&](DecoderRun<Decoder>& run) {
        run.decoder.setSelectRange(true, -20.f, -20.f, -20.f, 20.f, 20.f, 20.f);
        run.decoder.setLineParam(lineParam);
        for (const auto& p : packets) run.feed(p.data(), p.size());
      },
      minimumFrames, true);
}

template <typename Decoder>
void expectSeeded(std::uint32_t seed) {
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  expectSameFramesHoweverKept<Decoder>(
      [&](DecoderRun<Decoder>& run) {
        randomPacketStream(seed, run.decoder, [&](const PacketBuilder& p) { run.feed(p.data(), p.size()); });
      },
      1, false);
}

// The mirror models' frames marked alternately 0 and 1, for the modes that keep one sweep.
Packets alternateMarkerBytes(Packets packets, bool dual, int packetsPerFrame) {
  const std::size_t recordBytes = dual ? eight_byte::kDualRecordBytes : eight_byte::kSingleRecordBytes;
  const int records = dual ? eight_byte::kDualRecords : eight_byte::kSingleRecords;
  for (std::size_t n = packetsPerFrame - 1, f = 0; n < packets.size(); n += packetsPerFrame, ++f)
    packets[n][(records - 1) * recordBytes + eight_byte::kMarkerByteOffset] = static_cast<unsigned char>(f % 2);
  return packets;
}

}  // namespace

TEST(SingleModelFrameOwnership, SweepsOfEveryLayout) {
  for (bool dual : {false, true}) {
    SCOPED_TRACE(dual ? "dual echo" : "single echo");
    expectSweep<LIDAR_Sembrel>("Sembrel", sevenByteRun(dual, 32, true, 4, 20), 4);
    expectSweep<LIDAR_Sembrel_WideAngle>("Sembrel_WideAngle", sevenByteRun(dual, 32, true, 4, 20), 4);
    expectSweep<LIDAR_Hestin>("Hestin", sevenByteRun(dual, 128, false, 4, 20), 4);
    expectSweep<LIDAR_Yorbek>("Yorbek", sevenByteRun(dual, 3, false, 4, 20), 4);
    expectSweep<LIDAR_Drovik>("Drovik", sevenByteRun(dual, 256, false, 4, 20), 4);
    expectSweep<LIDAR_Ulmeth>("Ulmeth", mirrorRun(dual, 4, 20), 4);
    expectSweep<LIDAR_Coravel>("Coravel", mirrorRun(dual, 4, 20), 4);
    expectSweep<LIDAR_Fenwyr>("Fenwyr", wedgeRun(dual, 4, 10), 4);
    expectSweep<LIDAR_Tiskar>("Tiskar", tiskarRun(dual, 2), 5);
  }
}

// Ulmeth keeping only the sweep after marker byte 0 drops every other frame unhanded.
TEST(SingleModelFrameOwnership, DroppedSweepsOfTheMirrorModel) {
  for (bool dual : {false, true}) {
    SCOPED_TRACE(dual ? "dual echo" : "single echo");
    expectSweep<LIDAR_Ulmeth>("Ulmeth", alternateMarkerBytes(mirrorRun(dual, 8, 10), dual, 10), 3, 2);
  }
}

TEST(SingleModelFrameOwnership, SeededRobustnessStreams) {
  expectSeeded<LIDAR_Sembrel>(1);
  expectSeeded<LIDAR_Sembrel_WideAngle>(2);
  expectSeeded<LIDAR_Hestin>(3);
  expectSeeded<LIDAR_Yorbek>(4);
  expectSeeded<LIDAR_Drovik>(5);
  expectSeeded<LIDAR_Ulmeth>(6);
  expectSeeded<LIDAR_Coravel>(7);
  expectSeeded<LIDAR_Fenwyr>(8);
  expectSeeded<LIDAR_Tiskar>(9);
}

// The drivers decode on their own thread and a consumer thread lets the frames go.
template <typename Driver, typename Decoder>
void expectReleasedOnAnotherThread(Packets packets, unsigned seed) {
  DecoderRun<Decoder> reference(Keep::None);
  for (const auto& p : packets) reference.feed(p.data(), p.size());
  frame_test::ReleasingConsumer consumer(seed);
  ASSERT_TRUE(frame_test::playOfflineTo<Driver>(consumer, packets));
  EXPECT_TRUE(frame_test::sameDigests(reference.recorder.digests(), consumer.recorder().digests()));
  EXPECT_TRUE(consumer.keptUnchanged());
}

TEST(SingleModelFrameOwnership, FramesReleasedOnAnotherThread) {
  expectReleasedOnAnotherThread<GetLidarDataDll_Sembrel, LIDAR_Sembrel>(sevenByteRun(false, 32, true, 30, 10), 4);
  expectReleasedOnAnotherThread<GetLidarDataDll_Ulmeth, LIDAR_Ulmeth>(mirrorRun(true, 30, 10), 5);
  expectReleasedOnAnotherThread<GetLidarDataDll_Tiskar, LIDAR_Tiskar>(tiskarRun(false, 2), 6);
}
