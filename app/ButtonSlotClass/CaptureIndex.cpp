#include "CaptureIndex.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "LidarInitParam.h"

namespace capture {

namespace {

constexpr std::uint8_t kConfigurationHead[] = {0xAA, 0x00, 0xFF, 0x11, 0x22, 0x22};
constexpr std::uint8_t kDeviceInfoTail[] = {0xFF, 0x00, 0x5A, 0x11, 0x11, 0x55, 0x55};  // after A5 or 00

// Frame-end rules of families other than 4.
constexpr std::uint8_t kAzimuthPairHead[] = {0xFF, 0xEE};  // family 0
constexpr std::size_t kFirstAzimuthOffset = 2;             // little-endian, hundredths of a degree
constexpr std::size_t kLastAzimuthOffset = 1102;
// A drop of more than half a turn from one FF EE payload to the next is the wrap of a turn;
// smaller steps back are jitter of the head.
constexpr int kWrapBetweenPayloads = 18000;  // hundredths of a degree
constexpr int kBlockAngleFamily = 5;
constexpr std::size_t kBlockBytes = 115;
constexpr int kBlocks = 10;
constexpr std::size_t kBlockFlagOffset = 2;  // the block's angle counts when this byte is 1
constexpr double kBlockAngleUnit = 0.01;     // degrees per count, big-endian at the block start
constexpr double kBlockAngleJump = 350.0;    // degrees; a larger step closes the frame
constexpr double kFirstPreviousBlockAngle = -0.001;
constexpr std::uint8_t kFrameMarker[] = {0xFF, 0xAA, 0xBB, 0xCC, 0xDD};  // family 3: all five
constexpr std::size_t kShortMarkerBytes = 3;                              // other families
constexpr int kPositionsPerFrame = 14;  // "Trevik" keys: the 15th position closes the frame

struct WalkShape {
  std::size_t step;
  std::size_t bound;  // positions below it
};

WalkShape walkShape(int family, std::uint8_t lastByte) {
  if (family == 1) return {lastByte == 2 ? 11u : 7u, 1199};
  if (family == 3) return {lastByte == 4 ? 7u : lastByte == 2 ? 12u : 8u, 1188};
  return {7, 1197};
}

// Family 4 frame rule, degrees.
constexpr double kDatagramAngleBefore = -10.0;
constexpr double kDatagramAngleAfter = 2.0;

std::string ipText(const std::uint8_t* p, std::size_t offset) {
  return std::to_string(p[offset]) + "." + std::to_string(p[offset + 1]) + "." + std::to_string(p[offset + 2]) +
         "." + std::to_string(p[offset + 3]);
}

bool startsWith(const std::uint8_t* p, std::size_t length, const std::uint8_t* head, std::size_t headLength) {
  return length >= headLength && std::memcmp(p, head, headLength) == 0;
}

// What an IPv4 frame's own header says of its length.
constexpr std::uint16_t kIpv4EtherType = 0x0800;
constexpr std::size_t kMaxLengthField = 1500;  // a type field up to this is the frame's data length (802.3)
constexpr std::size_t kIpTotalLengthField = 2;  // in the IP header, big-endian
constexpr int kIpVersion = 4;                   // upper half of the IP header's first byte
// Senders pad frames to 60 bytes (not counting VLAN tags); a capture may keep the 4-byte
// check sequence.
constexpr std::size_t kMinPaddedFrameBytes = 60;
constexpr std::size_t kFrameCheckBytes = 4;

bool isVlanTag(const std::uint8_t* frame, std::size_t at) {
  return (frame[at] == 0x81 && frame[at + 1] == 0x00) || (frame[at] == 0x88 && frame[at + 1] == 0xA8);
}

}  // namespace

CaptureRules CaptureRules::fromInitParam(const LidarInitParam& param) {
  CaptureRules rules;
  rules.lidarType = param.lidarType.toStdString();
  rules.lidarFamily = param.lidarFamily;
  rules.isUse = param.isUse;
  rules.lidarIP = param.lidarIP;
  rules.destIP = param.destIP;
  rules.dataPort = param.dataPort;
  rules.devPort = param.devPort;
  rules.isUsePacketLen = param.isUsePacketLen;
  rules.headLength = param.headLength;
  rules.dataLength = param.dataLength;
  rules.devLength = param.devLength;
  return rules;
}

// ---- CaptureFile ----

CaptureFile::~CaptureFile() { close(); }

bool CaptureFile::open(const std::string& path) {
  close();
  mError.clear();
  mFile = std::fopen(path.c_str(), "rb");
  if (!mFile) return false;
  mBuffer.resize(1 << 18);
  std::setvbuf(mFile, mBuffer.data(), _IOFBF, mBuffer.size());
  if (fseeko(mFile, 0, SEEK_END) != 0) {
    close();
    return false;
  }
  mSize = static_cast<std::int64_t>(ftello(mFile));
  if (mSize < 0 || fseeko(mFile, 0, SEEK_SET) != 0) {
    close();
    return false;
  }
  mPosition = 0;
  if (!readGlobalHeader()) {
    const std::string reason = mError;
    close();
    mError = reason;
    return false;
  }
  return true;
}

namespace {

std::string hex32(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

}  // namespace

bool CaptureFile::readGlobalHeader() {
  std::uint8_t header[kGlobalHeaderBytes];
  if (mSize < kGlobalHeaderBytes || !readBytes(header, sizeof header)) {
    mError = "The file is too short to be a pcap capture (" + std::to_string(mSize) + " bytes).";
    return false;
  }
  const std::uint32_t little = readLE32(header, 0);
  const std::uint32_t big = readBE32(header, 0);
  mFormat = CaptureFormat{};
  if (little == kMicrosecondMagic || little == kNanosecondMagic) {
    mFormat.nanoseconds = little == kNanosecondMagic;
  } else if (big == kMicrosecondMagic || big == kNanosecondMagic) {
    mFormat.swapped = true;
    mFormat.nanoseconds = big == kNanosecondMagic;
  } else if (little == kPcapngMagic) {
    mError = "The file is a pcapng capture, not a classic pcap file; save it as pcap.";
    return false;
  } else {
    mError = "The file is not a pcap capture (magic number " + hex32(big) + ").";
    return false;
  }
  const std::uint16_t major = mFormat.swapped ? readBE16(header, 4) : readLE16(header, 4);
  if (major != kMajorVersion) {
    mError = "The pcap file has version " + std::to_string(major) + "; only version 2 is read.";
    return false;
  }
  mFormat.snapLength = field32(header, kSnapLengthOffset);
  // The upper bits may carry frame-check-sequence flags.
  mFormat.linkType = field32(header, kLinkTypeOffset) & 0xFFFFu;
  if (mFormat.linkType == kCookedLinkType || mFormat.linkType == kCookedV2LinkType) {
    mError = "The capture's link type is " + std::to_string(mFormat.linkType) +
             ", not Ethernet (1): it was taken on all network adapters at once. Take the capture on "
             "one network adapter, the one the sensor is connected to.";
    return false;
  }
  if (mFormat.linkType != kEthernetLinkType) {
    mError = "The capture's link type is " + std::to_string(mFormat.linkType) +
             ", not Ethernet (1); only Ethernet captures are read. Take the capture on the Ethernet "
             "adapter the sensor is connected to.";
    return false;
  }
  return true;
}

bool CaptureFile::plausibleHeader(const std::uint8_t* header) const {
  const std::uint32_t fraction = field32(header, kFractionOffset);
  const std::uint32_t stored = field32(header, kIncludedLengthOffset);
  const std::uint32_t wire = field32(header, kWireLengthOffset);
  const std::uint32_t fractionLimit = mFormat.nanoseconds ? 1000000000u : 1000000u;
  return fraction < fractionLimit && stored >= kMinEthernetFrameBytes && stored <= wire &&
         wire <= kMaxPlausibleRecordBytes;
}

std::size_t CaptureFile::readAt(std::int64_t position, void* into, std::size_t count) {
  if (!mFile || !seekTo(position)) return 0;
  const std::size_t got = std::fread(into, 1, count, mFile);
  mPosition += static_cast<std::int64_t>(got);
  return got;
}

void CaptureFile::swap(CaptureFile& other) noexcept {
  std::swap(mFile, other.mFile);
  std::swap(mFormat, other.mFormat);
  std::swap(mError, other.mError);
  std::swap(mSize, other.mSize);
  std::swap(mPosition, other.mPosition);
  mBuffer.swap(other.mBuffer);
}

void CaptureFile::close() {
  if (mFile) std::fclose(mFile);
  mFile = nullptr;
  mSize = 0;
  mPosition = 0;
}

bool CaptureFile::seekTo(std::int64_t position) {
  if (position == mPosition) return true;  // keep stdio's buffer on a sequential walk
  if (fseeko(mFile, static_cast<off_t>(position), SEEK_SET) != 0) return false;
  mPosition = position;
  return true;
}

bool CaptureFile::readBytes(void* into, std::size_t count) {
  const std::size_t got = std::fread(into, 1, count, mFile);
  mPosition += static_cast<std::int64_t>(got);
  return got == count;
}

ReadStatus CaptureFile::startRecord(std::int64_t position, CaptureRecord& record) const {
  record.dataRead = false;
  record.storedLength = 0;
  record.position = position;
  if (!mFile || position < 0 || position >= mSize) return ReadStatus::End;
  if (mSize - position < std::int64_t(kRecordHeaderBytes)) return ReadStatus::Truncated;
  return ReadStatus::Record;
}

ReadStatus CaptureFile::judgeHeader(std::int64_t position, const std::uint8_t* header, CaptureRecord& record) const {
  if (!plausibleHeader(header)) return ReadStatus::Damaged;
  const std::uint32_t stored = includedLength(header);
  if (std::int64_t(stored) > mSize - position - std::int64_t(kRecordHeaderBytes)) return ReadStatus::Truncated;
  record.storedLength = stored;
  return ReadStatus::Record;
}

ReadStatus CaptureFile::readRecordAt(std::int64_t position, CaptureRecord& record) {
  ReadStatus status = startRecord(position, record);
  if (status != ReadStatus::Record) return status;
  std::array<std::uint8_t, kRecordHeaderBytes> header;
  if (!seekTo(position) || !readBytes(header.data(), header.size())) return ReadStatus::Truncated;
  status = judgeHeader(position, header.data(), record);
  if (status != ReadStatus::Record) return status;
  const std::uint32_t stored = record.storedLength;

  if (stored > record.data.size()) {
    // Larger than any record this reader uses: step over it.
    if (fseeko(mFile, static_cast<off_t>(mPosition + stored), SEEK_SET) != 0) return ReadStatus::Truncated;
    mPosition += stored;
    return ReadStatus::Record;
  }
  if (!readBytes(record.data.data(), stored)) return ReadStatus::Truncated;
  record.dataRead = true;
  return ReadStatus::Record;
}

// ---- payloads ----

PayloadClass classifyPayload(const std::uint8_t* payload, std::size_t length) {
  if (startsWith(payload, length, kConfigurationHead, sizeof kConfigurationHead)) return PayloadClass::Configuration;
  if (length >= 1 + sizeof kDeviceInfoTail && (payload[0] == 0xA5 || payload[0] == 0x00) &&
      std::memcmp(payload + 1, kDeviceInfoTail, sizeof kDeviceInfoTail) == 0)
    return PayloadClass::DeviceInfo;
  return PayloadClass::PointData;
}

int findIpv4Shift(const std::uint8_t* frame, std::size_t length) {
  std::size_t at = kTypeCodeOffset;
  // A whole VLAN tag is stepped over, so a tag whose control bytes read 08 00 is not taken
  // for the type code.
  while (at + kVlanTagBytes + 1 < length && isVlanTag(frame, at)) at += kVlanTagBytes;
  for (; at + 1 < length; ++at)
    if (frame[at] == 0x08 && frame[at + 1] == 0x00) return static_cast<int>(at - kTypeCodeOffset);
  return -1;
}

namespace {

// A frame of `expected` bytes behind a link header of `link` bytes, as a record may hold it.
FrameLength lengthAgrees(std::size_t stored, std::size_t expected, std::size_t link) {
  const std::size_t padded = std::max(expected, kMinPaddedFrameBytes + (link - kMinEthernetFrameBytes));
  return stored >= expected && stored <= padded + kFrameCheckBytes ? FrameLength::Agrees : FrameLength::Disagrees;
}

}  // namespace

FrameLength frameLength(const std::uint8_t* frame, std::size_t stored, std::size_t wire) {
  if (stored != wire) return FrameLength::Unknown;
  std::size_t at = kTypeCodeOffset;
  while (at + 2 <= stored && isVlanTag(frame, at)) at += kVlanTagBytes;
  if (at + 2 > stored) return FrameLength::Unknown;
  const std::size_t type = readBE16(frame, at);
  if (type <= kMaxLengthField) return lengthAgrees(stored, at + 2 + type, at + 2);
  if (type != kIpv4EtherType) return FrameLength::Unknown;
  const std::size_t ip = at + 2;
  // An IPv4 frame too short for its own IP header: the length in the record header is wrong.
  if (stored < ip + kIpHeaderBytes) return FrameLength::Disagrees;
  if ((frame[ip] >> 4) != kIpVersion) return FrameLength::Unknown;  // not an IPv4 header after all
  return lengthAgrees(stored, ip + readBE16(frame, ip + kIpTotalLengthField), ip);
}

bool locatePayload(const CaptureRecord& record, const CaptureRules& rules, Payload& out) {
  const std::size_t n = record.size();
  if (n < kMinRecordBytes || n > kMaxRecordBytes) return false;
  const std::uint8_t* frame = record.bytes();
  const int found = findIpv4Shift(frame, n);
  if (found < 0) return false;
  const std::size_t s = static_cast<std::size_t>(found);
  if (kUdpPayloadOffset + s > n) return false;  // the headers must lie inside the record

  if (frame[kIpProtocolOffset + s] != kUdpProtocol) return false;
  const int destPort = readBE16(frame, kUdpDestPortOffset + s);
  if (destPort == kIgnoredDestPort) return false;
  if (rules.isUse) {
    if (ipText(frame, kIpSourceOffset + s) != rules.lidarIP) return false;
    if (ipText(frame, kIpDestOffset + s) != rules.destIP) return false;
    if (destPort != rules.dataPort && destPort != rules.devPort) return false;
  }

  std::size_t start = 0;
  std::size_t length = 0;
  PayloadClass kind = PayloadClass::PointData;
  if (rules.isUsePacketLen) {
    // The user's header length counts from the frame's start; the shift is not added.
    if (rules.headLength < 0 || std::size_t(rules.headLength) > n) return false;
    start = std::size_t(rules.headLength);
    kind = classifyPayload(frame + start, n - start);
    const int wanted = kind == PayloadClass::DeviceInfo ? rules.devLength : rules.dataLength;
    if (wanted < 0) return false;
    length = std::size_t(wanted);
  } else {
    start = kUdpPayloadOffset + s;
    const std::size_t udpLength = readBE16(frame, kUdpLengthOffset + s);
    if (udpLength < kUdpHeaderBytes) return false;
    length = udpLength - kUdpHeaderBytes;
    kind = classifyPayload(frame + start, std::min(length, n - start));
  }
  if (start + length > n) return false;  // a payload the record holds only in part is not used

  out.kind = kind;
  out.length = static_cast<int>(length);
  std::memcpy(out.bytes.data(), frame + start, length);
  if (length < std::size_t(kDeviceInfoLength))
    std::fill(out.bytes.begin() + length, out.bytes.begin() + kDeviceInfoLength, std::uint8_t{0});
  return true;
}

// ---- frame ends, families other than 4 ----

FrameEndTest::FrameEndTest(const CaptureRules& rules, Mode mode)
    : mFamily(rules.lidarFamily), mCountPositions(rules.lidarType.find("Trevik") != std::string::npos), mMode(mode) {
  reset();
}

void FrameEndTest::reset() {
  mPreviousAngle = kFirstPreviousBlockAngle;
  mPositionCount = 0;
  mHavePreviousPair = false;
}

void FrameEndTest::setDirection(int direction) {
  const int wanted = direction < 0 ? -1 : 1;
  if (wanted == mDirection) return;
  mDirection = wanted;
  mHavePreviousPair = false;
}

bool FrameEndTest::endsFrame(const std::uint8_t* payload, std::size_t length) {
  if (mMode == Mode::Player && startsWith(payload, length, kAzimuthPairHead, sizeof kAzimuthPairHead))
    return (mFamily == 0 || mFamily == kBlockAngleFamily) && azimuthPairEnds(payload, length);
  if (mFamily == kBlockAngleFamily) return blockAngleEnds(payload, length);
  if (mFamily == 0 && mMode == Mode::Indexer) return azimuthPairEnds(payload, length);
  return markerWalkEnds(payload, length);
}

bool FrameEndTest::azimuthPairEnds(const std::uint8_t* payload, std::size_t length) {
  if (!startsWith(payload, length, kAzimuthPairHead, sizeof kAzimuthPairHead)) return false;
  if (length < kLastAzimuthOffset + 2) return false;
  const int first = readLE16(payload, kFirstAzimuthOffset);
  const int last = readLE16(payload, kLastAzimuthOffset);
  bool ends = last < first;  // the turn wraps inside this payload
  if (mHavePreviousPair) {
    // ... or between the previous payload and this one (in time order).
    ends = ends || (mDirection > 0 ? mPreviousLast - first : last - mPreviousFirst) > kWrapBetweenPayloads;
  }
  mHavePreviousPair = true;
  mPreviousFirst = first;
  mPreviousLast = last;
  return ends;
}

bool FrameEndTest::blockAngleEnds(const std::uint8_t* payload, std::size_t length) {
  for (int b = 0; b < kBlocks; ++b) {
    const std::size_t block = std::size_t(b) * kBlockBytes;
    if (block + kBlockFlagOffset >= length) break;
    if (payload[block + kBlockFlagOffset] != 1) continue;
    const double angle = readBE16(payload, block) * kBlockAngleUnit;
    const bool jump = std::fabs(angle - mPreviousAngle) > kBlockAngleJump;
    // The closing angle starts the next frame; kept back, every block after the wrap would
    // close another frame.
    mPreviousAngle = angle;
    if (jump) return true;
  }
  return false;
}

bool FrameEndTest::markerWalkEnds(const std::uint8_t* payload, std::size_t length) {
  if (length == 0) return false;
  const WalkShape shape = walkShape(mFamily, payload[length - 1]);
  const std::size_t markerBytes = mFamily == 3 ? sizeof kFrameMarker : kShortMarkerBytes;
  for (std::size_t j = 0; j < shape.bound; j += shape.step) {
    if (mCountPositions) {
      if (++mPositionCount > kPositionsPerFrame) {
        mPositionCount = 0;
        return true;
      }
      continue;
    }
    if (j + markerBytes > length) break;
    if (std::memcmp(payload + j, kFrameMarker, markerBytes) == 0) return true;
  }
  return false;
}

// ---- family 4 ----

bool datagramEndsFrame(const std::uint8_t* datagram) {
  double previous = 0.0;
  for (int r = 0; r < kDatagramPoints; ++r) {
    const auto raw = static_cast<std::int16_t>(readBE16(datagram, kDatagramHeadBytes + std::size_t(r) * kDatagramPointBytes));
    const double angle = raw * kDatagramAngleUnit;
    if (angle > kDatagramAngleAfter && previous < kDatagramAngleBefore) return true;
    previous = angle;
  }
  return false;
}

DatagramAssembler::DatagramAssembler() : mDatagram(kDatagramBytes, 0) { restart(1); }

void DatagramAssembler::restart(int direction) {
  mDirection = direction < 0 ? -1 : 1;
  mOffset = mDirection > 0 ? 0 : std::int64_t(kDatagramBytes);
  mSpoiled = false;
}

bool DatagramAssembler::add(const CaptureRecord& record) {
  const std::size_t n = record.size();
  const bool first = record.storedLength == kFirstFragmentRecordBytes;
  const bool last = record.storedLength == kLastFragmentRecordBytes;
  const std::int64_t emptyOffset = mDirection > 0 ? 0 : std::int64_t(kDatagramBytes);
  // The fragment that opens a datagram in this direction drops what a lost fragment left.
  if ((mDirection > 0 ? first : last) && (mOffset != emptyOffset || mSpoiled)) restart(mDirection);

  std::int64_t fragmentLength = -1;
  std::size_t from = first ? kFirstFragmentDataOffset : kFragmentDataOffset;
  if (n >= kFragmentTotalLengthOffset + 2) {
    fragmentLength = std::int64_t(readBE16(record.bytes(), kFragmentTotalLengthOffset)) - std::int64_t(kIpHeaderBytes);
    if (first) fragmentLength -= std::int64_t(kUdpHeaderBytes);
  }
  const bool inRecord = fragmentLength >= 0 && from + std::size_t(fragmentLength) <= n;
  if (inRecord) mLastFragmentLength = static_cast<int>(fragmentLength);

  const std::int64_t at = mDirection > 0 ? mOffset : mOffset - fragmentLength;
  if (!inRecord || at < 0 || at + fragmentLength > std::int64_t(kDatagramBytes)) {
    mSpoiled = true;
  } else {
    std::memcpy(mDatagram.data() + at, record.bytes() + from, std::size_t(fragmentLength));
    mOffset = mDirection > 0 ? at + fragmentLength : at;
  }

  if (!(mDirection > 0 ? last : first)) return false;
  const bool whole = !mSpoiled && mOffset == (mDirection > 0 ? std::int64_t(kDatagramBytes) : 0);
  restart(mDirection);
  return whole;
}

// ---- index ----

void CaptureIndex::clear() {
  dataPositionsPerPacket.clear();
  dataFramePositions.clear();
  frameCount = 0;
  payloadLength = kInitialPayloadLength;
  damage = CaptureDamage{};
}

std::string describeDamage(const CaptureIndex& index) {
  const CaptureDamage& d = index.damage;
  if (!d.any()) return {};
  std::string text = "The capture file is damaged";
  if (d.damagedRegions > 0) {
    text += " at byte " + std::to_string(d.firstDamageAt) + ": " + std::to_string(d.damagedRegions) +
            (d.damagedRegions == 1 ? " unreadable stretch" : " unreadable stretches") + " of " +
            std::to_string(d.skippedBytes) + " bytes in all " +
            (d.endLost ? "(no readable record after it)" : "passed over");
    if (d.cutShort) text += ", and";
  }
  if (d.cutShort)
    text += std::string(d.damagedRegions > 0 ? " it" : ": it") + " ends inside the record at byte " +
            std::to_string(d.cutShortAt);
  text += ". " + std::to_string(index.frameCount) + (index.frameCount == 1 ? " frame was" : " frames were") +
          " kept.";
  return text;
}

std::int64_t CaptureIndex::seekRecordForFrame(long long target) const {
  if (dataFramePositions.empty()) return 0;
  const long long last = static_cast<long long>(dataFramePositions.size()) - 1;
  return dataFramePositions[std::size_t(std::clamp(target, 0LL, last))];
}

std::int64_t progressEstimate(std::int64_t fileSize, int lidarFamily) {
  const std::int64_t perRecord = lidarFamily == kReassembledFamily ? kEstimateFragmentBytes : kEstimateRecordBytes;
  return std::max<std::int64_t>(0, (fileSize - kGlobalHeaderBytes) / perRecord);
}

namespace {

// The indexer's reader: the file in large blocks, with kRecordLookaheadBytes kept in memory
// past any place a record or a candidate for one is checked, so the search for the next
// record after damage costs no seek per candidate.
class IndexReader {
 public:
  IndexReader(CaptureFile& file, const IndexProgress& progress)
      : mFile(file),
        mProgress(progress),
        mBuffer(kIndexBlockBytes + kRecordLookaheadBytes),
        mWireTop(file.format().swapped ? kWireLengthOffset : kWireLengthOffset + 3) {}

  bool cancelled() const { return mCancelled; }

  // After every record kept.
  bool recordRead(std::int64_t position) {
    ++mRecordsRead;
    return report(position);
  }

  // CaptureFile::readRecordAt from memory.
  ReadStatus readRecordAt(std::int64_t position, CaptureRecord& record) {
    ReadStatus status = mFile.startRecord(position, record);
    if (status != ReadStatus::Record) return status;
    if (!hold(position)) return ReadStatus::Truncated;
    const std::uint8_t* header = at(position);
    status = mFile.judgeHeader(position, header, record);
    if (status == ReadStatus::Record && record.storedLength <= record.data.size()) {
      std::memcpy(record.data.data(), header + kRecordHeaderBytes, record.storedLength);
      record.dataRead = true;
    }
    return status;
  }

  // What the frame of the whole record at position (read just before) says of its length.
  FrameLength frameLengthAt(std::int64_t position) const {
    const std::uint8_t* header = at(position);
    return frameLength(header + kRecordHeaderBytes, mFile.includedLength(header), mFile.wireLength(header));
  }

  // Whether position is the end of the file, or holds a plausible record header or the start
  // of one the file cuts short. Within the look-ahead of the record read last.
  bool recordOrEndAt(std::int64_t position) {
    if (mFile.size() - position < std::int64_t(kRecordHeaderBytes)) return true;
    return hold(position, kRecordHeaderBytes) && mFile.plausibleHeader(at(position));
  }

  // The position of the first record header at or after from that is followed by another
  // plausible header or by the end of the file; -1 when there is none before the end of the
  // file (or before the position before, when given), or when the run was cancelled.
  std::int64_t findNextRecord(std::int64_t from, std::int64_t before = -1) {
    std::int64_t last = mFile.size() - std::int64_t(kRecordHeaderBytes);
    if (before >= 0) last = std::min(last, before - 1);
    std::int64_t candidate = from;
    while (candidate <= last) {
      if (!hold(candidate)) return -1;
      // Candidates whose look-ahead is in memory, one report stretch at most.
      const std::int64_t held = mStart + std::int64_t(mLength);
      const std::int64_t checkable = held == mFile.size() ? held : held - std::int64_t(kRecordLookaheadBytes) + 1;
      const std::int64_t stretchEnd =
          std::min({last + 1, checkable, candidate + std::int64_t(kSearchReportBytes)});
      for (; candidate < stretchEnd; ++candidate) {
        const std::uint8_t* header = at(candidate);
        if (!believable(header)) continue;
        const std::int64_t next =
            candidate + std::int64_t(kRecordHeaderBytes) + std::int64_t(mFile.includedLength(header));
        if (next + std::int64_t(kRecordHeaderBytes) > mFile.size() && next != mFile.size()) continue;
        // The record after the candidate must look like one too: one plausible header in
        // random bytes is not rare, two in a row at the right distance are. In repeated
        // bytes they are not rare either, but such a candidate's frame gives another length.
        if (next != mFile.size() && !believable(at(next))) continue;
        if (frameLengthAt(candidate) != FrameLength::Disagrees) return candidate;
      }
      if (!report(candidate)) return -1;
    }
    return -1;
  }

 private:
  // plausibleHeader, with most bytes passed on one compare: no plausible length reaches the
  // wire length's top byte.
  bool believable(const std::uint8_t* header) const { return header[mWireTop] == 0 && mFile.plausibleHeader(header); }

  bool report(std::int64_t position) {
    if (mProgress && !mProgress(mRecordsRead, position)) mCancelled = true;
    return !mCancelled;
  }

  // Makes [position, position + count) (or to the end of the file) held in memory; a new
  // block starts at position and keeps what is held already of it. False on a read error.
  bool hold(std::int64_t position, std::size_t count = kRecordLookaheadBytes) {
    const std::int64_t wanted = std::min(mFile.size(), position + std::int64_t(count));
    const std::int64_t held = mStart + std::int64_t(mLength);
    if (position >= mStart && wanted <= held) return true;
    std::size_t kept = 0;
    if (position >= mStart && position < held) {
      kept = std::size_t(held - position);
      std::memmove(mBuffer.data(), mBuffer.data() + (position - mStart), kept);
    }
    const std::size_t want = std::size_t(
        std::min<std::int64_t>(std::int64_t(mBuffer.size() - kept), mFile.size() - position - std::int64_t(kept)));
    const std::size_t got = mFile.readAt(position + std::int64_t(kept), mBuffer.data() + kept, want);
    mStart = position;
    mLength = kept + got;
    return mStart + std::int64_t(mLength) >= wanted;
  }

  const std::uint8_t* at(std::int64_t position) const { return mBuffer.data() + (position - mStart); }

  CaptureFile& mFile;
  const IndexProgress& mProgress;
  std::vector<std::uint8_t> mBuffer;
  std::size_t mWireTop;     // header offset of the wire length's most significant byte
  std::int64_t mStart = 0;  // file position of mBuffer[0]
  std::size_t mLength = 0;  // bytes held
  std::int64_t mRecordsRead = 0;
  bool mCancelled = false;
};

// The walk both builders share: every whole record from byte 24 to the end of the file (or
// to a record the file really cuts short) goes to visit, then to the progress callback.
template <typename Visit>
IndexResult walkRecords(CaptureFile& file, CaptureRecord& record, CaptureIndex& index, const IndexProgress& progress,
                        Visit visit) {
  if (!file.isOpen()) return IndexResult::NotOpen;
  index.clear();
  IndexReader reader(file, progress);
  CaptureDamage& damage = index.damage;
  std::int64_t position = kGlobalHeaderBytes;
  const auto passOver = [&](std::int64_t from, std::int64_t to) {
    ++damage.damagedRegions;
    if (damage.firstDamageAt < 0) damage.firstDamageAt = from;
    damage.skippedBytes += to - from;
  };
  const auto cancel = [&] {
    index.clear();
    return IndexResult::Cancelled;
  };
  while (position < file.size()) {
    ReadStatus status = reader.readRecordAt(position, record);
    const std::int64_t end = position + std::int64_t(kRecordHeaderBytes) + record.storedLength;
    if (status == ReadStatus::Record) {
      const FrameLength frame = reader.frameLengthAt(position);
      const bool followed = reader.recordOrEndAt(end);
      // A header whose length its own frame bears out is not the damage, whatever follows.
      if (frame == FrameLength::Disagrees || (!followed && frame == FrameLength::Unknown)) {
        // The header's length may be the damage (a flipped bit). Records confirmed inside the
        // length it claims mean it was; a long record followed by junk finds none and stands.
        const std::int64_t inside = reader.findNextRecord(position + std::int64_t(kRecordHeaderBytes), end);
        if (reader.cancelled()) return cancel();
        if (inside >= 0) {
          passOver(position, inside);
          position = inside;
          continue;
        }
        // Neither its frame nor what follows bears the length out: the record is lost, and
        // the next one is looked for from its header on.
        if (!followed && frame == FrameLength::Disagrees) status = ReadStatus::Damaged;
      }
    }
    if (status == ReadStatus::Damaged || status == ReadStatus::Truncated) {
      // Go on at the next place where records follow each other again. A header whose
      // length runs past the end is a cut only when no record can be found after it; with
      // one found, the length was damage and the records after it are good.
      const std::int64_t next = reader.findNextRecord(position + 1);
      if (reader.cancelled()) return cancel();
      if (status == ReadStatus::Truncated && next < 0) {
        damage.cutShort = true;
        damage.cutShortAt = position;
        break;
      }
      if (next < 0) {
        damage.endLost = true;
        passOver(position, file.size());
        break;
      }
      passOver(position, next);
      position = next;
      continue;
    }
    if (status != ReadStatus::Record) break;
    index.dataPositionsPerPacket.push_back(position);
    position = end;
    visit(record);
    if (!reader.recordRead(position)) return cancel();
  }
  return IndexResult::Completed;
}

void closeFrame(CaptureIndex& index) {
  ++index.frameCount;
  index.dataFramePositions.push_back(static_cast<std::int64_t>(index.dataPositionsPerPacket.size()));
}

}  // namespace

IndexResult buildIndex(CaptureFile& file, const CaptureRules& rules, CaptureIndex& index,
                       const IndexProgress& progress) {
  CaptureRecord record(kMaxRecordBytes);
  Payload payload;
  FrameEndTest frameEnd(rules, FrameEndTest::Mode::Indexer);
  return walkRecords(file, record, index, progress, [&](const CaptureRecord& r) {
    if (!locatePayload(r, rules, payload)) return;
    index.payloadLength = payload.length;
    if (payload.kind != PayloadClass::PointData) return;
    if (frameEnd.endsFrame(payload.bytes.data(), std::size_t(payload.length))) closeFrame(index);
  });
}

IndexResult buildReassembledIndex(CaptureFile& file, CaptureIndex& index, const IndexProgress& progress) {
  CaptureRecord record(kDatagramBytes);
  DatagramAssembler assembler;
  return walkRecords(file, record, index, progress, [&](const CaptureRecord& r) {
    const bool whole = assembler.add(r);
    index.payloadLength = assembler.lastFragmentLength();
    if (whole && datagramEndsFrame(assembler.datagram())) closeFrame(index);
  });
}

}  // namespace capture
