#include "CaptureIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <functional>
#include <map>

#include "CaptureFixtures.h"
#include "KaldorSweep.h"

using namespace capture;
using capfix::Bytes;
using capfix::UdpFrame;

namespace {

const Bytes kMarker3{0xFF, 0xAA, 0xBB};
const Bytes kMarker5{0xFF, 0xAA, 0xBB, 0xCC, 0xDD};

Bytes pattern(std::size_t length) {
  Bytes p(length);
  for (std::size_t i = 0; i < length; ++i) p[i] = std::uint8_t(i % 251);
  return p;
}

Bytes frameOf(const Bytes& payload) { return UdpFrame{payload}.build(); }

CaptureRules family(int lidarFamily, const std::string& model = "LidarType_Sample") {
  CaptureRules rules;
  rules.lidarFamily = lidarFamily;
  rules.lidarType = model;
  return rules;
}

class CaptureTest : public ::testing::Test {
 protected:
  std::string write(const std::vector<Bytes>& frames, const std::string& name = "capture.pcap") {
    const std::string path = scratch.file(name);
    capfix::writeCapture(path, frames);
    return path;
  }
  CaptureIndex index(const std::string& path, const CaptureRules& rules, IndexResult expected = IndexResult::Completed) {
    CaptureFile file;
    EXPECT_TRUE(file.open(path));
    CaptureIndex out;
    const IndexResult result = rules.lidarFamily == kReassembledFamily ? buildReassembledIndex(file, out)
                                                                       : buildIndex(file, rules, out);
    EXPECT_EQ(result, expected);
    return out;
  }
  capfix::ScratchDir scratch;
};

// ---- acceptance and payload location, record by record from one capture ----

TEST_F(CaptureTest, RecordsAreUsedOnlyWhenEveryTestPasses) {
  CaptureRules filtered;
  filtered.isUse = true;
  CaptureRules fixedLengths;
  fixedLengths.isUsePacketLen = true;
  fixedLengths.dataLength = 1000;
  fixedLengths.devLength = 1206;

  struct Case {
    const char* name;
    UdpFrame frame;
    CaptureRules rules;
    bool used;
    int length = 0;               // located bytes
    std::size_t payloadFrom = 0;  // where in the frame the located payload begins
    PayloadClass kind = PayloadClass::PointData;
  };
  auto with = [](std::function<void(UdpFrame&)> edit, Bytes payload = pattern(1206)) {
    UdpFrame f{std::move(payload)};
    edit(f);
    return f;
  };
  auto same = [](UdpFrame&) {};
  CaptureRules badSource = filtered, textualPort = filtered;
  badSource.lidarIP = "192.168.1.201";
  textualPort.lidarIP = "192.168.001.200";  // compared as text
  CaptureRules tooLong = fixedLengths;
  tooLong.dataLength = 1207;

  const Case cases[] = {
      {"plain frame of 1248 bytes", with(same), {}, true, 1206, 42},
      {"one VLAN tag shifts every field by 4", with([](UdpFrame& f) { f.vlan = true; }), {}, true, 1206, 46},
      {"a VLAN id that reads 08 00 is not the type code",
       with([](UdpFrame& f) { f.vlan = true, f.vlanControl = 0x0800; }), {}, true, 1206, 46},
      {"1247 stored bytes", with(same, pattern(1205)), {}, false},
      {"1304 stored bytes: a payload longer than a sensor packet", with(same, pattern(1262)), {}, true, 1262, 42},
      {"1305 stored bytes", with(same, pattern(1263)), {}, false},
      {"not UDP", with([](UdpFrame& f) { f.protocol = 6; }), {}, false},
      {"destination port 1234", with([](UdpFrame& f) { f.destPort = 1234; }), {}, false},
      {"UDP length beyond the record", with([](UdpFrame& f) { f.udpLengthError = 10; }), {}, false},
      {"UDP length shorter than the record", with([](UdpFrame& f) { f.udpLengthError = -100; }), {}, true, 1106, 42},
      {"UDP length below its own header", with([](UdpFrame& f) { f.udpLengthError = -1220; }), {}, false},
      {"filter: all match", with(same), filtered, true, 1206, 42},
      {"filter: device port matches too", with([](UdpFrame& f) { f.destPort = 2369; }), filtered, true, 1206, 42},
      {"filter: other port", with([](UdpFrame& f) { f.destPort = 2370; }), filtered, false},
      {"filter: other source", with(same), badSource, false},
      {"filter: other destination", with([](UdpFrame& f) { f.destination = {192, 168, 1, 103}; }), filtered, false},
      {"filter: address text with leading zeros", with(same), textualPort, false},
      {"fixed lengths: data packet", with(same), fixedLengths, true, 1000, 42},
      {"fixed lengths on a VLAN frame: the shift is not added", with([](UdpFrame& f) { f.vlan = true; }),
       fixedLengths, true, 1000, 42},
      {"fixed lengths past the record", with(same), tooLong, false},
      {"fixed lengths: device packet takes the device length", with(same, capfix::devicePacket(0x00)), fixedLengths,
       true, 1206, 42, PayloadClass::DeviceInfo},
      {"device packet", with(same, capfix::devicePacket()), {}, true, 1206, 42, PayloadClass::DeviceInfo},
      {"configuration packet", with(same, capfix::configurationPacket()), {}, true, 1206, 42,
       PayloadClass::Configuration},
  };
  std::vector<Bytes> frames;
  for (const Case& c : cases) frames.push_back(c.frame.build());
  Bytes notIp(1248, 0);
  notIp[12] = 0x08, notIp[13] = 0x06;  // ARP: no IPv4 type code anywhere
  frames.push_back(notIp);

  CaptureFile file;
  ASSERT_TRUE(file.open(write(frames)));
  CaptureRecord record;
  Payload payload;
  ASSERT_EQ(file.readRecordAt(kGlobalHeaderBytes, record), ReadStatus::Record);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    if (i > 0) {
      ASSERT_EQ(file.readNextRecord(record), ReadStatus::Record);
    }
    ASSERT_EQ(record.storedLength, frames[i].size());
    ASSERT_EQ(locatePayload(record, c.rules, payload), c.used);
    if (!c.used) continue;
    EXPECT_EQ(payload.length, c.length);
    EXPECT_EQ(payload.kind, c.kind);
    EXPECT_TRUE(std::equal(payload.bytes.begin(), payload.bytes.begin() + c.length, frames[i].begin() + long(c.payloadFrom)));
  }
  ASSERT_EQ(file.readNextRecord(record), ReadStatus::Record);
  EXPECT_FALSE(locatePayload(record, {}, payload));
  EXPECT_EQ(file.readNextRecord(record), ReadStatus::End);
}

TEST_F(CaptureTest, DevicePacketsAreHandedOnAs1206BytesOfKindOne) {
  CaptureRules shortDevice;
  shortDevice.isUsePacketLen = true;
  shortDevice.devLength = 1000;  // the rest of the 1206 bytes handed on must be zeros
  struct Case {
    const char* name;
    Bytes payload;
    CaptureRules rules;
    int kind, handed;
  };
  const Case cases[] = {
      {"device packet, first byte A5", capfix::devicePacket(0xA5), {}, 1, 1206},
      {"device packet, first byte 00", capfix::devicePacket(0x00), {}, 1, 1206},
      {"other first byte: point data", capfix::devicePacket(0xA6), {}, 0, 1206},
      {"configuration packet: point data", capfix::configurationPacket(), {}, 0, 1206},
      {"short device packet padded with zeros", capfix::devicePacket(0xA5), shortDevice, 1, 1206},
  };
  std::vector<Bytes> frames;
  for (const Case& c : cases) frames.push_back(frameOf(c.payload));
  CaptureFile file;
  ASSERT_TRUE(file.open(write(frames)));
  CaptureRecord record;
  Payload payload;
  std::fill(payload.bytes.begin(), payload.bytes.end(), 0x77);  // stale bytes of an earlier record
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_EQ(file.readRecordAt(i == 0 ? kGlobalHeaderBytes : file.position(), record), ReadStatus::Record);
    ASSERT_TRUE(locatePayload(record, cases[i].rules, payload));
    EXPECT_EQ(payload.packetKind(), cases[i].kind);
    EXPECT_EQ(payload.handedLength(), cases[i].handed);
    const auto& bytes = payload.bytes;
    const std::size_t kept = std::size_t(payload.length);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + long(kept), cases[i].payload.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + long(kept), bytes.begin() + 1206, [](std::uint8_t b) { return b == 0; }));
  }
}

// ---- frame ends, indexed from real captures ----

TEST_F(CaptureTest, FrameEndsPerFamily) {
  auto unflagged = [] {
    Bytes p = capfix::blockAngles({100, 500});
    p[115 + 2] = 0;  // block 1's angle would close the frame if it counted
    return p;
  };
  struct Case {
    const char* name;
    CaptureRules rules;
    std::vector<Bytes> payloads;
    std::vector<std::int64_t> frameEnds;  // records up to and including the closing one
  };
  const Case cases[] = {
      {"family 0: rising azimuths, then one that wraps",
       family(0),
       {capfix::azimuthPair(10, 100), capfix::azimuthPair(110, 200), capfix::azimuthPair(350, 5),
        capfix::azimuthPair(6, 20)},
       {3}},
      {"family 0: a turn that wraps between two packets",
       family(0),
       {capfix::azimuthPair(200, 300), capfix::azimuthPair(310, 359.8), capfix::azimuthPair(0, 100),
        capfix::azimuthPair(110, 200)},
       {3}},
      {"family 0: a small step back between packets is jitter, not a turn",
       family(0),
       {capfix::azimuthPair(100, 200), capfix::azimuthPair(199.5, 250), capfix::azimuthPair(20, 30)},
       {3}},
      {"family 0: marker bytes are not looked for", family(0), {capfix::marker(kMarker3, 0)}, {}},
      {"family 5: 359.50 then 5.00 closes, and the next blocks start the new frame",
       family(5),
       {capfix::blockAngles({100, 200, 359.5}), capfix::blockAngles({5.0}), capfix::blockAngles({5.5}),
        capfix::blockAngles({9})},
       {2}},
      {"family 5: a step of exactly 350 does not close",
       family(5),
       {capfix::blockAngles({100, 355.0}), capfix::blockAngles({5.0})},
       {}},
      {"family 5: blocks without their flag are passed over", family(5),
       {capfix::blockAngles({100}), unflagged(), capfix::blockAngles({100})}, {}},
      {"family 1: step 11 when the last byte is 2",
       family(1),
       {capfix::marker(kMarker3, 35, 2), capfix::marker(kMarker3, 55, 2), capfix::marker(kMarker3, 1188, 2)},
       {2, 3}},
      {"family 1: step 7 otherwise", family(1), {capfix::marker(kMarker3, 35), capfix::marker(kMarker3, 55)}, {1}},
      {"family 3: five marker bytes at step 12, 7 or 8",
       family(3),
       {capfix::marker(kMarker5, 24, 2), capfix::marker(kMarker3, 24, 2), capfix::marker(kMarker5, 28, 4),
        capfix::marker(kMarker5, 16), capfix::marker(kMarker5, 28)},
       {1, 3, 4}},
      {"other families: three marker bytes at step 7, below 1197",
       family(2),
       {capfix::marker(kMarker3, 14), capfix::marker(kMarker3, 15), capfix::marker(kMarker3, 1190),
        capfix::marker(kMarker3, 1197)},
       {1, 3}},
      {"configuration and device packets are not tested",
       family(2),
       {[] {
          Bytes p = capfix::configurationPacket();
          std::copy(kMarker3.begin(), kMarker3.end(), p.begin() + 14);
          return p;
        }(),
        [] {
          Bytes p = capfix::devicePacket();
          std::copy(kMarker3.begin(), kMarker3.end(), p.begin() + 14);
          return p;
        }()},
       {}},
      {"Trevik keys close a frame at the walk's fifteenth position",
       family(2, "LidarType_Trevik_16"),
       {capfix::zeros(), capfix::zeros(), capfix::zeros()},
       {1, 2, 3}},
      {"Trevik matches with case", family(2, "LidarType_trevik"), {capfix::zeros()}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> frames;
    for (const Bytes& p : c.payloads) frames.push_back(frameOf(p));
    const CaptureIndex idx = index(write(frames), c.rules);
    EXPECT_EQ(idx.dataFramePositions, c.frameEnds);
    EXPECT_EQ(idx.frameCount, int(c.frameEnds.size()));
    EXPECT_EQ(idx.dataPositionsPerPacket.size(), c.payloads.size());
  }
}

TEST_F(CaptureTest, UnusedRecordsKeepTheirPlaceInTheIndex) {
  UdpFrame tcp{capfix::marker(kMarker3, 14)};
  tcp.protocol = 6;
  UdpFrame ignoredPort{capfix::marker(kMarker3, 14)};
  ignoredPort.destPort = 1234;
  const std::vector<Bytes> frames{tcp.build(), frameOf(capfix::marker(kMarker3, 14)), ignoredPort.build(),
                                  frameOf(capfix::zeros(1100)), frameOf(capfix::marker(kMarker3, 21))};
  const CaptureIndex idx = index(write(frames), family(2));
  std::vector<std::int64_t> positions;
  std::int64_t at = kGlobalHeaderBytes;
  for (const Bytes& f : frames) positions.push_back(at), at += std::int64_t(kRecordHeaderBytes + f.size());
  EXPECT_EQ(idx.dataPositionsPerPacket, positions);
  EXPECT_EQ(idx.dataFramePositions, (std::vector<std::int64_t>{2, 5}));
  EXPECT_EQ(idx.payloadLength, 1206);

  // Read back through the index the way the player seeks: record 1 again.
  CaptureFile file;
  ASSERT_TRUE(file.open(scratch.file("capture.pcap")));
  CaptureRecord record;
  Payload payload;
  ASSERT_EQ(file.readRecordAt(idx.dataPositionsPerPacket[1], record), ReadStatus::Record);
  ASSERT_TRUE(locatePayload(record, family(2), payload));
  EXPECT_TRUE(std::equal(kMarker3.begin(), kMarker3.end(), payload.bytes.begin() + 14));
}

TEST(FrameEndTestModes, PlayerTestsAzimuthPairsByTheFamilyZeroRuleOnly) {
  Bytes azimuthWithMarker = capfix::azimuthPair(350, 5);
  std::copy(kMarker5.begin(), kMarker5.end(), azimuthWithMarker.begin() + 24);
  azimuthWithMarker.back() = 2;
  struct Case {
    const char* name;
    int lidarFamily;
    Bytes payload;
    bool indexer, player;
  };
  const Case cases[] = {
      {"family 0 without FF EE: only the player walks it", 0, capfix::marker(kMarker3, 14), false, true},
      {"family 0 with FF EE", 0, capfix::azimuthPair(350, 5), true, true},
      {"family 3 with FF EE: the player does not test it", 3, azimuthWithMarker, true, false},
      {"family 5 with FF EE: the player applies the family-0 rule", 5, capfix::azimuthPair(350, 5), false, true},
      {"family 5 block angles", 5, capfix::blockAngles({355}), true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FrameEndTest indexer(family(c.lidarFamily), FrameEndTest::Mode::Indexer);
    FrameEndTest player(family(c.lidarFamily), FrameEndTest::Mode::Player);
    EXPECT_EQ(indexer.endsFrame(c.payload.data(), c.payload.size()), c.indexer);
    EXPECT_EQ(player.endsFrame(c.payload.data(), c.payload.size()), c.player);
  }
}

TEST(FrameEndTestModes, ShortPayloadsAreNeverReadPastTheirEnd) {
  // Marker bytes past the payload's end (as a stale buffer would hold them) never count.
  const Bytes full = capfix::marker(kMarker5, 1183, 2);
  for (int lidarFamily : {0, 1, 2, 3, 5}) {
    SCOPED_TRACE(lidarFamily);
    for (std::size_t length : {std::size_t(0), std::size_t(1), std::size_t(1185), std::size_t(1103)}) {
      FrameEndTest test(family(lidarFamily), FrameEndTest::Mode::Player);
      EXPECT_FALSE(test.endsFrame(full.data(), length));
    }
  }
}

// ---- damaged captures ----

TEST_F(CaptureTest, DamagedCapturesKeepTheirGoodRecords) {
  const Bytes closing = frameOf(capfix::marker(kMarker3, 14));
  const std::int64_t recordBytes = std::int64_t(kRecordHeaderBytes + closing.size());
  auto appendRaw = [](const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  };
  struct Case {
    const char* name;
    std::vector<Bytes> frames;
    std::function<void(const std::string&)> damage;
    std::vector<std::int64_t> frameEnds;
    std::size_t records;
  };
  const Case cases[] = {
      {"last record cut short", {closing, closing, closing, closing},
       [&](const std::string& p) { std::filesystem::resize_file(p, std::uintmax_t(24 + 4 * recordBytes - 100)); },
       {1, 2, 3}, 3},
      {"file ends inside a record header", {closing, closing},
       [&](const std::string& p) { std::filesystem::resize_file(p, std::uintmax_t(24 + recordBytes + 10)); },
       {1}, 1},
      {"record header claiming 4 GiB", {closing, closing},
       [&](const std::string& p) {
         appendRaw(p, {0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 1, 2, 3});
       },
       {1, 2}, 2},
      {"a jumbo frame is stepped over", {},
       [&](const std::string& p) {
         // Rewrite with a 9000-byte record in the middle.
         capfix::writeCapture(p, {closing, frameOf(Bytes(8958, 0xFF)), closing});
       },
       {1, 3}, 3},
      {"global header only", {}, [](const std::string&) {}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = write(c.frames);
    c.damage(path);
    const CaptureIndex idx = index(path, family(2));
    EXPECT_EQ(idx.dataFramePositions, c.frameEnds);
    EXPECT_EQ(idx.dataPositionsPerPacket.size(), c.records);
  }
}

// 60 records, 12 frames of 5; what a damaged copy keeps and what the user is told.
TEST_F(CaptureTest, DamageIsPassedOverAndReported) {
  const Bytes plain = frameOf(capfix::zeros());
  const Bytes closing = frameOf(capfix::marker(kMarker3, 14));
  std::vector<Bytes> frames;
  for (int f = 0; f < 12; ++f)
    for (int k = 0; k < 5; ++k) frames.push_back(k == 4 ? closing : plain);
  frames[30] = frameOf(capfix::devicePacket());
  const std::int64_t recordBytes = std::int64_t(kRecordHeaderBytes + plain.size());
  const auto at = [&](int record) { return kGlobalHeaderBytes + record * recordBytes; };
  const auto patch = [](const std::string& path, std::int64_t offset, const Bytes& bytes) {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(offset);
    f.write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  };
  const auto insert = [](const std::string& path, std::int64_t offset, const Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    Bytes all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    all.insert(all.begin() + offset, bytes.begin(), bytes.end());
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(all.data()), long(all.size()));
  };
  struct Case {
    const char* name;
    std::function<void(const std::string&)> damage;
    std::size_t records;
    int frames;
    std::int64_t damageAt;
    std::string text;  // part of what the user reads
  };
  const Case cases[] = {
      {"one record header with a wild length: only that record is lost",
       [&](const std::string& p) { patch(p, at(30) + 8, {0xEF, 0xBE, 0xAD, 0xDE}); }, 59, 12, at(30),
       "damaged at byte " + std::to_string(at(30))},
      {"a closing record's header overwritten: its frame joins the next",
       [&](const std::string& p) { patch(p, at(9), Bytes(16, 0xFF)); }, 59, 11, at(9), "11 frames were kept"},
      {"stray bytes between two records",
       [&](const std::string& p) { insert(p, at(20), Bytes(37, 0x5A)); }, 60, 12, at(20), "37 bytes in all passed over"},
      {"stray bytes after a device packet: the packet itself stands",
       [&](const std::string& p) { insert(p, at(31), Bytes(37, 0x5A)); }, 60, 12, at(31), "37 bytes in all passed over"},
      {"a believable length inside the file (20000): only that record is lost",
       [&](const std::string& p) { patch(p, at(30) + 8, {0x20, 0x4E, 0, 0, 0x20, 0x4E, 0, 0}); }, 59, 12, at(30),
       "1 unreadable stretch of " + std::to_string(recordBytes) + " bytes in all passed over"},
      {"a believable length (200000) that runs past the end: the records after it are kept",
       [&](const std::string& p) { patch(p, at(30) + 8, {0x40, 0x0D, 0x03, 0x00, 0x40, 0x0D, 0x03, 0x00}); }, 59, 12,
       at(30), "1 unreadable stretch of " + std::to_string(recordBytes) + " bytes in all passed over. 12 frames"},
      {"garbage up to the end", [&](const std::string& p) { patch(p, at(50), Bytes(std::size_t(recordBytes * 10), 0xFF)); },
       50, 10, at(50), "no readable record after it"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = write(frames);
    c.damage(path);
    const CaptureIndex idx = index(path, family(2));
    EXPECT_EQ(idx.dataPositionsPerPacket.size(), c.records);
    EXPECT_EQ(idx.frameCount, c.frames);
    EXPECT_EQ(idx.damage.firstDamageAt, c.damageAt);
    const std::string text = describeDamage(idx);
    EXPECT_NE(text.find(c.text), std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(c.frames) + " frames were kept"), std::string::npos) << text;
  }

  // An undamaged file says nothing; one cut short says where.
  EXPECT_EQ(describeDamage(index(write(frames), family(2))), "");
  const std::string cut = write(frames, "cut.pcap");
  std::filesystem::resize_file(cut, std::uintmax_t(at(59) + 100));
  const CaptureIndex idx = index(cut, family(2));
  EXPECT_EQ(idx.frameCount, 11);
  EXPECT_EQ(describeDamage(idx), "The capture file is damaged: it ends inside the record at byte " +
                                     std::to_string(at(59)) + ". 11 frames were kept.");
}

// Damaged files put together from libpcap's own records and raw bytes, so the place of every
// good record is known: 240 records, a frame closed by every fifth.
namespace {

struct Piece {
  Bytes bytes;
  bool good = false;    // a whole record that must be kept
  bool closes = false;  // and it closes a frame
};
using Pieces = std::vector<Piece>;

// What the indexer must find in the file the pieces make.
struct Expected {
  std::vector<std::int64_t> positions, frameEnds;
  int regions = 0;
  std::int64_t firstDamageAt = -1, skipped = 0, cutAt = -1;
};

Expected expectedOf(const Pieces& pieces, bool endsCut) {
  Expected e;
  std::int64_t at = kGlobalHeaderBytes;
  bool inDamage = false;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Piece& p = pieces[i];
    if (p.good) {
      e.positions.push_back(at);
      if (p.closes) e.frameEnds.push_back(std::int64_t(e.positions.size()));
      inDamage = false;
    } else if (endsCut && i + 1 == pieces.size()) {
      e.cutAt = at;
    } else {
      if (!inDamage) ++e.regions;
      if (e.firstDamageAt < 0) e.firstDamageAt = at;
      e.skipped += std::int64_t(p.bytes.size());
      inDamage = true;
    }
    at += std::int64_t(p.bytes.size());
  }
  return e;
}

}  // namespace

TEST_F(CaptureTest, DamagedFilesKeepExactlyTheirGoodRecordsAndSayWhere) {
  constexpr int kRecords = 240;
  const Bytes plain = frameOf(capfix::zeros());
  const Bytes closing = frameOf(capfix::marker(kMarker3, 14));
  const std::uint32_t recordBytes = std::uint32_t(kRecordHeaderBytes + plain.size());
  UdpFrame tagged{capfix::marker(kMarker3, 14)};
  tagged.vlan = true;
  const Bytes vlanClosing = tagged.build();
  Bytes qinqClosing = vlanClosing;
  qinqClosing[12] = 0x88, qinqClosing[13] = 0xA8;
  Bytes padded = frameOf(capfix::zeros(4));  // 46 bytes, padded by the sender to 60
  padded.resize(60, 0);
  Bytes withCheckSequence = closing;
  withCheckSequence.insert(withCheckSequence.end(), {0xDE, 0xAD, 0xBE, 0xEF});
  Bytes arp(60, 0);
  arp[12] = 0x08, arp[13] = 0x06;
  const Bytes jumbo = frameOf(Bytes(8958, 0x11));  // 9000 bytes, IPv4 total length 8986

  // The undamaged file with some frames changed, as pieces.
  const auto pieces = [&](std::map<int, Bytes> changed = {}) {
    std::vector<Bytes> frames;
    for (int r = 0; r < kRecords; ++r) frames.push_back(changed.count(r) ? changed[r] : r % 5 == 4 ? closing : plain);
    const capfix::WrittenRecords written = capfix::libpcapRecords(frames);
    Pieces p;
    for (int r = 0; r < kRecords; ++r) {
      const Bytes& f = frames[std::size_t(r)];
      p.push_back({written.records[std::size_t(r)], true,
                   f == closing || f == withCheckSequence || f == vlanClosing || f == qinqClosing});
    }
    return p;
  };
  // Edits; records are counted in the undamaged file, so edits that insert go last.
  const auto lengths = [](Pieces p, std::vector<int> records, std::uint32_t stored, std::uint32_t wire) {
    for (int r : records) {
      capfix::setRecordLengths(p[std::size_t(r)].bytes, stored, wire);
      p[std::size_t(r)].good = false;
    }
    return p;
  };
  const auto claims = [&](Pieces p, int record, std::uint32_t stored) { return lengths(std::move(p), {record}, stored, stored); };
  const auto insert = [](Pieces p, int before, Bytes junk) {
    p.insert(p.begin() + before, Piece{std::move(junk)});
    return p;
  };
  // A length that ends exactly on the header of a later record, the records between inside.
  const auto swallowing = [&](Pieces p, int record, int inside) {
    const std::uint32_t frame = std::uint32_t(p[std::size_t(record)].bytes.size() - kRecordHeaderBytes);
    return claims(std::move(p), record, frame + std::uint32_t(inside) * recordBytes);
  };
  // A believable header every other byte; the record each points to is junk, but near the
  // end some point at a real record.
  const Bytes pattern = capfix::repeated({0x01, 0x00, 0x01, 0x00}, 2 << 20);
  Bytes llc(60, 0);  // an 802.3 frame: its type field is its length, 38 bytes, padded to 60
  llc[13] = 38;

  struct Case {
    const char* name;
    Pieces pieces;
    bool endsCut = false;  // the last piece is a record the file cuts short
  };
  const auto suspectRun = [&] {
    Pieces p = pieces();
    for (int r = 50; r <= 70; r += 2) p = claims(std::move(p), r, kMaxPlausibleRecordBytes);
    return p;
  };
  const Case cases[] = {
      {"undamaged", pieces()},
      {"frames padded to 60 bytes, with a check sequence, VLAN and double tags, ARP, jumbo, 802.3",
       pieces({{10, padded}, {14, withCheckSequence}, {19, vlanClosing}, {24, qinqClosing}, {30, arp}, {31, jumbo}, {35, llc}})},
      {"a wild length", lengths(pieces(), {30}, 0xDEADBEEF, 0xDEADBEEF)},
      {"a longer believable length in the first record", claims(pieces(), 0, 20000)},
      {"... in a middle record", claims(pieces(), 30, 20000)},
      {"... in the last but one", claims(pieces(), 238, 20000)},
      {"... in the last: a cut at its header", claims(pieces(), 239, 20000), true},
      {"a longer length, stored below wire", lengths(pieces(), {30}, 20000, 30000)},
      {"two adjacent", lengths(pieces(), {30, 31}, 20000, 20000)},
      {"two apart", lengths(pieces(), {30, 40}, 20000, 20000)},
      {"1 stray byte", insert(pieces(), 30, {0x5A})},
      {"37 stray bytes", insert(pieces(), 30, Bytes(37, 0x5A))},
      {"1 MB of random bytes", insert(pieces(), 120, capfix::randomBytes(1 << 20, 1))},
      {"15 MB of random bytes", insert(pieces(), 120, capfix::randomBytes(15 << 20, 2))},
      {"a jumbo record followed by junk stands", insert(pieces({{100, jumbo}}), 101, Bytes(100, 0x5A))},
      {"2 MB of 01 00 01 00", insert(pieces(), 30, pattern)},
      {"2 MB of 01 00 01 00 begun on its second byte", insert(pieces(), 30, Bytes(pattern.begin() + 1, pattern.end()))},
      {"a run of headers claiming 262,144 bytes between good records", suspectRun()},
      // A length that falls short, or ends exactly on a later header or the end of the file:
      // the frame inside says how long the record is.
      {"a length of 100", claims(pieces(), 30, 100)},
      {"a length of 1000", claims(pieces(), 30, 1000)},
      {"a length ending on the next record but one", swallowing(pieces(), 20, 1)},
      {"... 5 records on", swallowing(pieces(), 20, 5)},
      {"... 50 records on", swallowing(pieces(), 20, 50)},
      {"... 205 records on", swallowing(pieces(), 20, 205)},
      {"... at the end of the file", swallowing(pieces(), 200, kRecords - 201)},
      {"... behind a VLAN tag", swallowing(pieces({{19, vlanClosing}}), 19, 5)},
      {"... behind a double tag", swallowing(pieces({{19, qinqClosing}}), 19, 5)},
      {"17,000,000 random bytes", insert(pieces(), 120, capfix::randomBytes(17000000, 3))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = capfix::libpcapRecords({}).globalHeader;
    for (const Piece& p : c.pieces) file.insert(file.end(), p.bytes.begin(), p.bytes.end());
    const std::string path = scratch.file("damaged.pcap");
    capfix::writeBytes(path, file);
    const Expected e = expectedOf(c.pieces, c.endsCut);

    const CaptureIndex idx = index(path, family(2));
    EXPECT_EQ(idx.dataPositionsPerPacket, e.positions);
    EXPECT_EQ(idx.dataFramePositions, e.frameEnds);
    EXPECT_EQ(idx.damage.damagedRegions, e.regions);
    EXPECT_EQ(idx.damage.firstDamageAt, e.firstDamageAt);
    EXPECT_EQ(idx.damage.skippedBytes, e.skipped);
    EXPECT_EQ(idx.damage.cutShortAt, e.cutAt);
    EXPECT_FALSE(idx.damage.endLost);

    const std::string text = describeDamage(idx);
    if (e.regions == 0 && e.cutAt < 0) {
      EXPECT_EQ(text, "");
      continue;
    }
    const auto says = [&](const std::string& part) { EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text; };
    if (e.regions > 0) {
      says("damaged at byte " + std::to_string(e.firstDamageAt) + ": " + std::to_string(e.regions) + " unreadable");
      says(" of " + std::to_string(e.skipped) + " bytes in all passed over");
    }
    if (e.cutAt >= 0) says("ends inside the record at byte " + std::to_string(e.cutAt));
    says(std::to_string(e.frameEnds.size()) + " frames were kept.");
  }
}

// The same records in every classic layout: byte order and time-stamp resolution.
namespace {

Bytes readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

void swap32(Bytes& b, std::size_t at) { std::reverse(b.begin() + long(at), b.begin() + long(at + 4)); }
void swap16(Bytes& b, std::size_t at) { std::reverse(b.begin() + long(at), b.begin() + long(at + 2)); }

// A little-endian capture rewritten as a big-endian host (or a nanosecond writer) would.
Bytes relayout(Bytes file, bool bigEndian, bool nanoseconds) {
  if (nanoseconds) {
    file[0] = 0x4D, file[1] = 0x3C;  // A1B23C4D
    for (std::size_t at = 24; at + 16 <= file.size();) {
      const std::uint32_t micro = readLE32(file.data(), at + 4), stored = readLE32(file.data(), at + 8);
      const std::uint32_t nano = micro * 1000u + 999u;
      for (int i = 0; i < 4; ++i) file[at + 4 + std::size_t(i)] = std::uint8_t(nano >> (8 * i));
      at += 16 + stored;
    }
  }
  if (bigEndian) {
    swap32(file, 0), swap16(file, 4), swap16(file, 6), swap32(file, 8), swap32(file, 12), swap32(file, 16),
        swap32(file, 20);
    for (std::size_t at = 24; at + 16 <= file.size();) {
      const std::uint32_t stored = readLE32(file.data(), at + 8);
      for (std::size_t f = 0; f < 16; f += 4) swap32(file, at + f);
      at += 16 + stored;
    }
  }
  return file;
}

}  // namespace

TEST_F(CaptureTest, ClassicCapturesOfEitherByteOrderAndResolutionIndexAlike) {
  std::vector<Bytes> frames;
  for (int f = 0; f < 4; ++f) {
    frames.push_back(frameOf(capfix::azimuthPair(20, 200)));
    frames.push_back(frameOf(capfix::azimuthPair(210, 359)));
  }
  // Sub-second stamps, so a nanosecond fraction above a million is seen.
  const std::string base = write(frames);
  Bytes original = readAll(base);
  for (std::size_t at = 24, n = 0; at + 16 <= original.size(); ++n) {
    const std::uint32_t micro = std::uint32_t(999000 + n);
    for (int i = 0; i < 4; ++i) original[at + 4 + std::size_t(i)] = std::uint8_t(micro >> (8 * i));
    at += 16 + readLE32(original.data(), at + 8);
  }
  writeAll(base, original);
  const CaptureIndex reference = index(base, family(0));
  ASSERT_EQ(reference.frameCount, 3);  // every turn after the first wraps between two packets
  ASSERT_FALSE(reference.damage.any());

  struct Case {
    const char* name;
    bool bigEndian, nanoseconds;
  };
  for (const Case& c : {Case{"little-endian nanoseconds", false, true}, Case{"big-endian microseconds", true, false},
                        Case{"big-endian nanoseconds", true, true}}) {
    SCOPED_TRACE(c.name);
    const std::string path = scratch.file(std::string(c.name) + ".pcap");
    writeAll(path, relayout(original, c.bigEndian, c.nanoseconds));
    CaptureFile file;
    ASSERT_TRUE(file.open(path)) << file.error();
    EXPECT_EQ(file.format().swapped, c.bigEndian);
    EXPECT_EQ(file.format().nanoseconds, c.nanoseconds);
    const CaptureIndex idx = index(path, family(0));
    EXPECT_EQ(idx.dataPositionsPerPacket, reference.dataPositionsPerPacket);
    EXPECT_EQ(idx.dataFramePositions, reference.dataFramePositions);
    EXPECT_FALSE(idx.damage.any()) << describeDamage(idx);
  }

  // libpcap's own nanosecond writer.
  pcap_t* dead = pcap_open_dead_with_tstamp_precision(DLT_EN10MB, 65535, PCAP_TSTAMP_PRECISION_NANO);
  const std::string nano = scratch.file("libpcap-nano.pcap");
  pcap_dumper_t* dumper = pcap_dump_open(dead, nano.c_str());
  ASSERT_NE(dumper, nullptr);
  for (const Bytes& f : frames) {
    pcap_pkthdr header{};
    header.ts.tv_sec = 1700000000;
    header.ts.tv_usec = 999999999;  // nanoseconds in this precision
    header.caplen = header.len = bpf_u_int32(f.size());
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, f.data());
  }
  pcap_dump_close(dumper);
  pcap_close(dead);
  EXPECT_EQ(index(nano, family(0)).dataFramePositions, reference.dataFramePositions);
}

TEST_F(CaptureTest, FilesThatAreNotClassicEthernetCapturesAreRefusedWithAReason) {
  const Bytes valid = readAll(write({frameOf(capfix::azimuthPair(350, 5))}));
  const auto edited = [&](std::function<void(Bytes&)> edit) {
    Bytes b = valid;
    edit(b);
    return b;
  };
  // A pcapng section header block, then an interface and a packet block would follow.
  const Bytes pcapng{0x0A, 0x0D, 0x0D, 0x0A, 0x1C, 0, 0, 0, 0x4D, 0x3C, 0x2B, 0x1A, 1, 0, 0, 0,
                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x1C, 0, 0, 0};
  struct Case {
    const char* name;
    Bytes bytes;
    std::string reason;
  };
  const Case cases[] = {
      {"pcapng", pcapng, "not a classic pcap file; save it as pcap"},
      {"bad magic number", edited([](Bytes& b) { b[0] = 0x00; }), "not a pcap capture (magic number"},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', ' ', 't', 'h', 'i', 's', ' ', 'i',
                     's', ' ', 't', 'e', 'x', 't', '\n'},
       "not a pcap capture"},
      {"raw IP link type", edited([](Bytes& b) { b[20] = 101; }), "link type is 101, not Ethernet"},
      {"taken on all adapters at once", edited([](Bytes& b) { b[20] = 113; }),
       "all network adapters at once. Take the capture on one network adapter"},
      {"taken on all adapters at once, newer header", edited([](Bytes& b) { b[20] = 0x14, b[21] = 1; }),
       "link type is 276, not Ethernet (1): it was taken on all network adapters at once"},
      {"version 3", edited([](Bytes& b) { b[4] = 3; }), "version 3"},
      {"shorter than the global header", Bytes(valid.begin(), valid.begin() + 10), "too short"},
      {"empty", Bytes{}, "too short"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = scratch.file("refused.pcap");
    writeAll(path, c.bytes);
    CaptureFile file;
    EXPECT_FALSE(file.open(path));
    EXPECT_FALSE(file.isOpen());
    EXPECT_NE(file.error().find(c.reason), std::string::npos) << file.error();
    CaptureIndex idx;
    EXPECT_EQ(buildIndex(file, family(0), idx), IndexResult::NotOpen);
    EXPECT_EQ(idx.frameCount, 0);
  }
}

// Packets of the stand-in sensor: 2.4 degrees a packet, so every turn wraps between two.
TEST_F(CaptureTest, TheStandInSensorsTurnsAreFramesForwardAndBackward) {
  constexpr int kTurns = 3;
  const long packets = long(kTurns) * kaldor_sweep::kPacketsPerTurn;
  std::vector<Bytes> payloads;
  std::vector<Bytes> frames;
  for (long n = 0; n < packets; ++n) {
    const auto packet = kaldor_sweep::buildPacket(n, 1700000000, 0);
    payloads.emplace_back(packet.begin(), packet.end());
    frames.push_back(frameOf(payloads.back()));
  }
  // The sweep starts past 0 degrees: the first wrap comes after the rest of the first turn.
  const long firstWrap = (36000 - kaldor_sweep::kStartAzimuth) / (kaldor_sweep::kAzimuthStep * kaldor_sweep::kBlocksPerPacket);
  std::vector<std::int64_t> ends;
  for (long n = firstWrap; n < packets; n += kaldor_sweep::kPacketsPerTurn) ends.push_back(n + 1);
  ASSERT_EQ(ends.size(), std::size_t(kTurns));

  const CaptureIndex idx = index(write(frames), family(0, "LidarType_Kaldor_v4_0"));
  EXPECT_EQ(idx.dataFramePositions, ends);

  // The player walking backward finds the same wraps.
  FrameEndTest player(family(0), FrameEndTest::Mode::Player);
  player.setDirection(-1);
  std::vector<long> backward;
  for (long n = packets - 1; n >= 0; --n)
    if (player.endsFrame(payloads[std::size_t(n)].data(), payloads[std::size_t(n)].size())) backward.push_back(n);
  std::vector<long> expected;
  for (auto it = ends.rbegin(); it != ends.rend(); ++it) expected.push_back(long(*it) - 2);  // the packet before the wrap
  EXPECT_EQ(backward, expected);
}

TEST_F(CaptureTest, OpeningAMissingFileFails) {
  CaptureFile file;
  EXPECT_FALSE(file.open(scratch.file("nothing.pcap")));
  CaptureIndex idx;
  EXPECT_EQ(buildIndex(file, family(0), idx), IndexResult::NotOpen);
  EXPECT_EQ(buildReassembledIndex(file, idx), IndexResult::NotOpen);
  CaptureRecord record;
  EXPECT_EQ(file.readRecordAt(kGlobalHeaderBytes, record), ReadStatus::End);
}

TEST_F(CaptureTest, CancellingLeavesAnEmptyIndex) {
  const Bytes closing = frameOf(capfix::marker(kMarker3, 14));
  CaptureFile file;
  ASSERT_TRUE(file.open(write({closing, closing, closing, closing})));
  std::vector<std::int64_t> calls;
  CaptureIndex idx;
  const IndexResult result = buildIndex(file, family(2), idx, [&](std::int64_t read, std::int64_t) {
    calls.push_back(read);
    return read < 3;
  });
  EXPECT_EQ(result, IndexResult::Cancelled);
  EXPECT_EQ(calls, (std::vector<std::int64_t>{1, 2, 3}));
  EXPECT_EQ(idx.frameCount, 0);
  EXPECT_TRUE(idx.dataFramePositions.empty());
  EXPECT_TRUE(idx.dataPositionsPerPacket.empty());

  calls.clear();
  const IndexProgress counting = [&](std::int64_t read, std::int64_t) {
    calls.push_back(read);
    return true;
  };
  EXPECT_EQ(buildIndex(file, family(2), idx, counting), IndexResult::Completed);
  EXPECT_EQ(idx.frameCount, 4);
  EXPECT_EQ(calls.size(), 4u);
  EXPECT_EQ(progressEstimate(file.size(), 2), 4);
}

// Three records, 2 MB of a believable header every other byte, three records: a Cancel asked
// during the search through the junk ends the run at the search's next report.
TEST_F(CaptureTest, CancelDuringALongSearchEndsTheRunAtOnce) {
  const Bytes closing = frameOf(capfix::marker(kMarker3, 14));
  const capfix::WrittenRecords written = capfix::libpcapRecords({closing, closing, closing});
  Bytes bytes = written.globalHeader;
  for (const Bytes& r : written.records) bytes.insert(bytes.end(), r.begin(), r.end());
  const std::int64_t junkAt = std::int64_t(bytes.size());
  const Bytes junk = capfix::repeated({0x01, 0x00, 0x01, 0x00}, 2 << 20);
  bytes.insert(bytes.end(), junk.begin(), junk.end());
  for (const Bytes& r : written.records) bytes.insert(bytes.end(), r.begin(), r.end());
  const std::string path = scratch.file("hostile.pcap");
  capfix::writeBytes(path, bytes);

  const std::int64_t cancelFrom = junkAt + (512 << 10);
  std::vector<std::pair<std::int64_t, std::int64_t>> calls;  // records read, position
  CaptureFile file;
  ASSERT_TRUE(file.open(path));
  CaptureIndex idx;
  const IndexResult result = buildIndex(file, family(2), idx, [&](std::int64_t read, std::int64_t position) {
    calls.emplace_back(read, position);
    return position < cancelFrom;
  });
  EXPECT_EQ(result, IndexResult::Cancelled);
  EXPECT_EQ(idx.frameCount, 0);
  EXPECT_TRUE(idx.dataPositionsPerPacket.empty());
  EXPECT_TRUE(idx.dataFramePositions.empty());

  // The search reported as it walked: stretch by stretch, the three records read before it.
  std::vector<std::int64_t> searching;
  for (const auto& [read, position] : calls)
    if (position > junkAt) {
      EXPECT_EQ(read, 3);
      searching.push_back(position);
    }
  ASSERT_GE(searching.size(), std::size_t((cancelFrom - junkAt) / std::int64_t(kSearchReportBytes)));
  for (std::size_t i = 1; i < searching.size(); ++i)
    EXPECT_LE(searching[i] - searching[i - 1], std::int64_t(kSearchReportBytes));
  // Nothing after the answer that cancelled.
  EXPECT_GE(searching.back(), cancelFrom);
  EXPECT_LE(searching.back(), cancelFrom + std::int64_t(kSearchReportBytes));
  EXPECT_EQ(std::count_if(searching.begin(), searching.end(), [&](std::int64_t p) { return p >= cancelFrom; }), 1);

  // Not cancelled, the same file keeps its six records and says where the junk was.
  const CaptureIndex whole = index(path, family(2));
  EXPECT_EQ(whole.frameCount, 6);
  EXPECT_EQ(whole.damage.firstDamageAt, junkAt);
  EXPECT_EQ(whole.damage.skippedBytes, std::int64_t(junk.size()));
}

TEST(CaptureIndexSeek, FrameTargetsAreHeldToTheFramesThereAre) {
  CaptureIndex idx;
  EXPECT_EQ(idx.seekRecordForFrame(0), 0);
  idx.dataFramePositions = {3, 5};
  const std::pair<long long, std::int64_t> cases[] = {{-1, 3}, {0, 3}, {1, 5}, {2, 5}, {1000, 5}};
  for (const auto& [target, record] : cases) EXPECT_EQ(idx.seekRecordForFrame(target), record) << target;
  EXPECT_EQ(progressEstimate(24 + 1434 * 10, 4), 10);
  EXPECT_EQ(progressEstimate(24 + 1264 * 10, 0), 10);
  EXPECT_EQ(progressEstimate(5, 0), 0);
}

// ---- family 4: datagrams in fragments ----

std::vector<Bytes> trainOf(const std::vector<Bytes>& datagrams) {
  std::vector<Bytes> frames;
  for (const Bytes& d : datagrams)
    for (Bytes& f : capfix::fragmentFrames(d)) frames.push_back(std::move(f));
  return frames;
}

TEST_F(CaptureTest, ReassembledDatagramsCloseFramesOnTheAzimuthStep) {
  const Bytes still = capfix::datagram({-20});
  const Bytes step = capfix::datagram({-20, 5});
  const Bytes smallStep = capfix::datagram({-9, 5});  // from above -10: no frame end
  struct Case {
    const char* name;
    std::vector<Bytes> datagrams;
    std::function<void(std::vector<Bytes>&)> damage;
    std::vector<std::int64_t> frameEnds;
    std::size_t records;
  };
  const Case cases[] = {
      {"one frame end per stepping datagram", {still, step, step}, [](std::vector<Bytes>&) {}, {82, 123}, 123},
      {"never a step from below -10 to above 2", {still, smallStep, still}, [](std::vector<Bytes>&) {}, {}, 123},
      {"a lost fragment drops its datagram only", {step, step, step},
       [](std::vector<Bytes>& f) { f.erase(f.begin() + 41 + 10); }, {41, 122}, 122},
      {"a lost first fragment drops its datagram only", {step, step, step},
       [](std::vector<Bytes>& f) { f.erase(f.begin() + 41); }, {41, 122}, 122},
      {"a fragment claiming more than its record", {step, step},
       [](std::vector<Bytes>& f) { f[5][16] = 0x7F; }, {82}, 82},
      {"a fragment that would overrun the datagram", {step, step},
       [](std::vector<Bytes>& f) { f.insert(f.begin() + 20, f[20]); }, {83}, 83},
      {"a capture that starts inside a datagram", {step, step},
       [](std::vector<Bytes>& f) { f.erase(f.begin(), f.begin() + 3); }, {79}, 79},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> frames = trainOf(c.datagrams);
    c.damage(frames);
    const CaptureIndex idx = index(write(frames), family(kReassembledFamily));
    EXPECT_EQ(idx.dataFramePositions, c.frameEnds);
    EXPECT_EQ(idx.dataPositionsPerPacket.size(), c.records);
    EXPECT_EQ(idx.payloadLength, 280);
  }
}

TEST_F(CaptureTest, DatagramsReassembleTheSameForwardAndBackward) {
  const Bytes first = capfix::datagram({-20, 5, 7.5, -3.25});
  const Bytes second = capfix::datagram({100, -100});
  CaptureFile file;
  ASSERT_TRUE(file.open(write(trainOf({first, second}))));
  std::vector<CaptureRecord> records;
  for (std::int64_t at = kGlobalHeaderBytes;;) {
    CaptureRecord r(kDatagramBytes);
    if (file.readRecordAt(at, r) != ReadStatus::Record) break;
    at = file.position();
    records.push_back(std::move(r));
  }
  ASSERT_EQ(records.size(), 82u);

  DatagramAssembler assembler;
  std::vector<Bytes> forward, backward;
  for (const CaptureRecord& r : records)
    if (assembler.add(r)) forward.emplace_back(assembler.datagram(), assembler.datagram() + kDatagramBytes);
  assembler.restart(-1);
  for (auto r = records.rbegin(); r != records.rend(); ++r)
    if (assembler.add(*r)) backward.emplace_back(assembler.datagram(), assembler.datagram() + kDatagramBytes);
  EXPECT_EQ(forward, (std::vector<Bytes>{first, second}));
  EXPECT_EQ(backward, (std::vector<Bytes>{second, first}));
  EXPECT_TRUE(datagramEndsFrame(first.data()));
  EXPECT_FALSE(datagramEndsFrame(second.data()));

  // Backward from inside the second datagram: its part is dropped, the first is whole.
  assembler.restart(-1);
  std::vector<Bytes> fromMiddle;
  for (int i = 60; i >= 0; --i)
    if (assembler.add(records[std::size_t(i)]))
      fromMiddle.emplace_back(assembler.datagram(), assembler.datagram() + kDatagramBytes);
  EXPECT_EQ(fromMiddle, (std::vector<Bytes>{first}));
}

}  // namespace
