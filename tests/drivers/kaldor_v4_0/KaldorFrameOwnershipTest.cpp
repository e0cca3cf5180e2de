// Frames handed out stay their receivers': a kept frame is never written again, and frames
// decoded into memory that earlier frames gave back are the same, byte for byte, as frames
// decoded while every earlier one is still held.
#include <gtest/gtest.h>

#include "FrameRecorder.h"
#include "GetLidarDataDll_Kaldor_v4_0.h"
#include "KaldorSeededStream.h"
#include "KaldorTestHarness.h"

using namespace kaldor_test;
using frame_test::FrameRecorder;
using frame_test::Keep;

namespace {

struct DecoderRun {
  FrameRecorder recorder;
  TwoCloudCallback onFrame = recorder.callback();
  LIDAR_Kaldor_v4_0 decoder;  // after the callback: it must go first
  explicit DecoderRun(Keep keep) : recorder(keep) { decoder.setTwoCloudCallback(&onFrame); }
  void feed(const std::vector<unsigned char>& p) { decoder.processPacket(p.data(), p.size()); }
};

// The same packets three times: every frame kept, none kept, every other one kept.
template <typename Stream>
void expectSameFramesHoweverKept(Stream stream, std::size_t minimumFrames) {
  DecoderRun all(Keep::All), none(Keep::None), some(Keep::EveryOther);
  for (DecoderRun* run : {&all, &none, &some}) stream(*run);
  ASSERT_GE(all.recorder.frames(), minimumFrames);
  std::size_t framePoints = 0, selectedPoints = 0;
  const std::vector<std::size_t> sizes = all.recorder.sizes();
  for (std::size_t i = 0; i < sizes.size(); ++i) (i % 2 ? selectedPoints : framePoints) += sizes[i];
  EXPECT_GT(framePoints, 0u);
  EXPECT_GT(selectedPoints, 0u);
  EXPECT_TRUE(all.recorder.keptUnchanged());
  EXPECT_TRUE(some.recorder.keptUnchanged());
  EXPECT_TRUE(frame_test::sameDigests(all.recorder.digests(), none.recorder.digests()));
  EXPECT_TRUE(frame_test::sameDigests(all.recorder.digests(), some.recorder.digests()));
}

}  // namespace

TEST(KaldorFrameOwnership, EverySubModelSingleAndDual) {
  // Two turns at 1.2 degrees per block of each sub-model in each return mode, one after the
  // other; the select box picks part of each frame, so both clouds carry points.
  const int models[] = {4, 7, 32, 69, 90, 16, 1, 2, 3, 5, 70, 92};
  std::vector<std::vector<unsigned char>> packets;
  for (int model : models) {
    for (std::uint8_t mode : {kSingle, kDual}) {
      const auto turns = rotationPackets(static_cast<std::uint8_t>(model), mode, mode == kSingle ? 50 : 100, 120);
      packets.insert(packets.end(), turns.begin(), turns.end());
    }
  }
  expectSameFramesHoweverKept(
      [&](DecoderRun& run) {
        run.decoder.setSelectRange(true, -20.f, 0.f, -20.f, 20.f, 20.f, 20.f);
        for (const auto& p : packets) run.feed(p);
      },
      24);
}

TEST(KaldorFrameOwnership, SeededRobustnessStream) {
  expectSameFramesHoweverKept(
      [](DecoderRun& run) { seededStream(kRobustnessSeed, run.decoder, [&](const std::vector<unsigned char>& p) { run.feed(p); }); },
      10);
}

// The driver decodes on its own thread and a consumer thread lets the frames go.
TEST(KaldorFrameOwnership, FramesReleasedOnAnotherThread) {
  auto packets = rotationPackets(32, kSingle, 900);
  DecoderRun reference(Keep::None);
  for (const auto& p : packets) reference.feed(p);

  frame_test::ReleasingConsumer consumer(3);
  ASSERT_TRUE(frame_test::playOfflineTo<GetLidarDataDll_Kaldor_v4_0>(consumer, packets));
  EXPECT_TRUE(frame_test::sameDigests(reference.recorder.digests(), consumer.recorder().digests()));
  EXPECT_TRUE(consumer.keptUnchanged());
}
