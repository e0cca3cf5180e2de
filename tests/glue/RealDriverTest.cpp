// The glue over real driver libraries: the core's test driver libraries, placed under the
// names of two model libraries, decode replayed packets into frames.
#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "DriverCatalog.h"
#include "GlueTestSupport.h"

using gluetest::Recorder;
using gluetest::waitFor;

namespace {

// Test decoder packet: byte 8 point count, byte 9 packet second, byte 16 + i distance (m).
std::vector<unsigned char> testPacket(int points, int second) {
  std::vector<unsigned char> bytes(1212, 0);
  bytes[8] = static_cast<unsigned char>(points);
  bytes[9] = static_cast<unsigned char>(second);
  for (int i = 0; i < points; ++i) bytes[16 + i] = 3;
  return bytes;
}

class RealDriverTest : public ::testing::Test {
protected:
  void SetUp() override {
    gluetest::application();
    ASSERT_TRUE(dir.isValid());
    const std::string d = dir.path().toStdString();
    ASSERT_EQ(::symlink(TEST_DRIVER_ALPHA, (d + "/libLidarDriverUlmeth.so").c_str()), 0);
    ASSERT_EQ(::symlink(TEST_DRIVER_BETA, (d + "/libLidarDriverCoravel.so").c_str()), 0);
    ::setenv("LUMIVAR_DRIVER_DIR", d.c_str(), 1);
  }
  void feed(Halverd& glue, int packets, int points) {
    for (int n = 0; n < packets; ++n) {
      std::vector<unsigned char> p = testPacket(points, n);
      glue.getOffLineData(p.data(), static_cast<unsigned short>(p.size()), LidarDataType_Point, false, 1);
    }
  }
  QTemporaryDir dir;
};

TEST_F(RealDriverTest, ReplayedPacketsBecomeFramesWithTheKeptSettings) {
  Halverd glue;
  Recorder rec;
  ASSERT_TRUE(rec.attach(glue));
  glue.onSelectRange(true, 2.5f, -1.f, -1.f, 3.5f, 1.f, 1.f);  // before any driver: every point (x = 3 m)
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  int channels[256];
  std::fill(std::begin(channels), std::end(channels), 1);
  channels[1] = 0;
  glue.onChannelSelection(channels);

  // A reconnect to the same model: a new driver with every kept setting.
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  ASSERT_TRUE(glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", true));
  feed(glue, 3, 4);
  std::vector<unsigned char> end(1212, 0);
  glue.getOffLineData(end.data(), 1212, LidarDataType_Point, true, 1);
  ASSERT_TRUE(waitFor([&] { return rec.frames.size() == 4; }));
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(rec.frames[i].onOwnThread);
    EXPECT_EQ(rec.frames[i].points, 3u) << "channel 1 dropped by the kept selection";
    EXPECT_EQ(rec.frames[i].selected, 3u);
    EXPECT_EQ(rec.frames[i].partialFrames, 1);
  }
  EXPECT_EQ(rec.frames[3].partialFrames, 1);  // the end of the data repeats the last frame, status too
  EXPECT_EQ(rec.frames[3].points, 3u);
  // Per-second time texts are debug entries; too few points in a frame is an error.
  ASSERT_TRUE(waitFor([&] { return rec.logged("LidarType_Ulmeth: Data error!", 0); }));
  EXPECT_TRUE(rec.logged("(code 50)", 99));

  // Another model keeps the box but not the first model's channel numbering.
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Coravel"));
  ASSERT_TRUE(glue.startRun(2368, 2369, "192.168.1.102", "226.1.1.102", true));
  feed(glue, 1, 6);
  ASSERT_TRUE(waitFor([&] { return rec.frames.size() == 5; }));
  EXPECT_EQ(rec.frames[4].points, 6u);
  EXPECT_EQ(rec.frames[4].selected, 6u);
}

TEST_F(RealDriverTest, DestroyingTheGlueWhileTheDriverDecodes) {
  auto glue = std::make_unique<Halverd>();
  Recorder rec;
  ASSERT_TRUE(rec.attach(*glue));
  ASSERT_TRUE(glue->initClassLidarType("LidarType_Ulmeth"));
  glue->startRun(2368, 2369, "192.168.1.102", "226.1.1.102", true);
  feed(*glue, 200, 8);
  glue.reset();  // packets still queued in the driver
  const std::size_t delivered = rec.frames.size();
  QCoreApplication::processEvents();
  EXPECT_EQ(rec.frames.size(), delivered);
}

// A UDP socket bound to a free loopback-reachable port chosen by the system.
struct BoundPort {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  unsigned port = 0;
  BoundPort() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t n = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) == 0)
      port = ntohs(a.sin_port);
  }
  ~BoundPort() { ::close(fd); }
};

TEST_F(RealDriverTest, LiveRunOnABusyPortReportsFailure) {
  Halverd glue;
  Recorder rec;
  ASSERT_TRUE(rec.attach(glue));
  ASSERT_TRUE(glue.initClassLidarType("LidarType_Ulmeth"));
  BoundPort busy, other;
  ASSERT_NE(busy.port, 0u);
  ASSERT_NE(other.port, 0u);
  const unsigned devPort = other.port;
  ::close(other.fd);
  other.fd = -1;
  EXPECT_FALSE(glue.startRun(busy.port, devPort, "127.0.0.1", "226.1.1.102", false));
  ASSERT_TRUE(waitFor([&] { return rec.logged("failed to open its sockets", 0); }));
  EXPECT_TRUE(rec.logged("(code 10001)", 0));
  glue.stoptRun();
}

// Every model library that the build has made so far loads under its key and names itself
// by that key; the others fail cleanly.
TEST(BuiltDriverLibraries, LoadUnderTheirModelKeys) {
  gluetest::application();
  ::setenv("LUMIVAR_DRIVER_DIR", LUMIVAR_BIN_DIR, 1);
  for (const halverd::ModelEntry& model : halverd::kModelCatalog) {
    const std::string key(model.key);
    SCOPED_TRACE(key);
    const bool built = ::access((std::string(LUMIVAR_BIN_DIR) + "/lib" + std::string(model.library) + ".so").c_str(),
                                F_OK) == 0;
    Halverd glue;
    Recorder rec;
    ASSERT_TRUE(rec.attach(glue));
    EXPECT_EQ(glue.initClassLidarType(key), built);
    if (!built) continue;
    EXPECT_EQ(glue.channelCount, model.channelCount);
    // The loaded driver's own type, version and date text begins with the key, or with the
    // key under which the library's sensor reports itself.
    const std::string reported = key == "LidarType_Coravel" ? "LidarType_Yarrel" : key;
    ASSERT_TRUE(waitFor([&] { return rec.logged(QString::fromStdString(key + " loaded from"), 0); }));
    EXPECT_TRUE(rec.logged(QString::fromStdString(": " + reported + "_v"), 0));
  }
}

}  // namespace
