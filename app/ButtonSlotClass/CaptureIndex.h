// Reading of .pcap captures of sensor traffic for offline playback, with our own buffered
// reader rather than the capture library: the record walk, the acceptance of records, the
// location of the UDP payload, the frame-end tests and the reassembly of the 56280-byte
// datagrams that family 4 sensors send as IPv4 fragments. Plain C++ (no widgets): the
// playback panel wraps the index builders with its progress dialog and its messages.
//
// Layout as read: a 24-byte global header (magic number, version, snap length, link type),
// then records of a 16-byte header (seconds, fraction, included length, wire length; 32-bit,
// in the byte order the magic number gives) followed at once by the included length of
// Ethernet frame bytes. Classic pcap only, either byte order, micro- or nanosecond time
// stamps, link type Ethernet; pcapng and anything else is refused with a reason.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ByteReaders.h"

struct LidarInitParam;

namespace capture {

// File layout.
constexpr std::int64_t kGlobalHeaderBytes = 24;
constexpr std::size_t kRecordHeaderBytes = 16;
constexpr std::size_t kIncludedLengthOffset = 8;  // in the record header
constexpr std::size_t kFractionOffset = 4;        // micro- or nanoseconds
constexpr std::size_t kWireLengthOffset = 12;
constexpr std::uint32_t kMicrosecondMagic = 0xA1B2C3D4;  // as read in the file's own byte order
constexpr std::uint32_t kNanosecondMagic = 0xA1B23C4D;
constexpr std::uint32_t kPcapngMagic = 0x0A0D0D0A;       // section header block type
constexpr std::size_t kSnapLengthOffset = 16;            // in the global header
constexpr std::size_t kLinkTypeOffset = 20;
constexpr std::uint32_t kEthernetLinkType = 1;
// What a capture on all adapters at once holds: frames with a pseudo header, no Ethernet.
constexpr std::uint32_t kCookedLinkType = 113;
constexpr std::uint32_t kCookedV2LinkType = 276;
constexpr std::uint16_t kMajorVersion = 2;
// No record of a readable capture is longer; a header claiming more is damage.
constexpr std::uint32_t kMaxPlausibleRecordBytes = 262144;
static_assert(kMaxPlausibleRecordBytes < (1u << 24), "the search passes over headers whose length has a top byte");
constexpr std::size_t kMinEthernetFrameBytes = 14;
// The indexer reads in blocks and keeps this much ahead of a place that looks like a record
// header: the header it points to, past the longest record, is then in memory too.
constexpr std::size_t kIndexBlockBytes = 4 << 20;
constexpr std::size_t kRecordLookaheadBytes = 2 * kRecordHeaderBytes + kMaxPlausibleRecordBytes;
// A search for the next record reports progress after every stretch of this many bytes, so
// the progress dialog moves and its Cancel is seen within a fraction of a second.
constexpr std::size_t kSearchReportBytes = 64 << 10;

// Frame fields, all big-endian; every offset from kIpProtocolOffset on moves by the shift s,
// the distance of the IPv4 type code from kTypeCodeOffset (0 plain, 4 behind a VLAN tag).
constexpr std::size_t kTypeCodeOffset = 12;  // 08 00
constexpr std::size_t kVlanTagBytes = 4;     // 81 00 or 88 A8, then the tag control bytes
constexpr std::size_t kIpTotalLengthOffset = 16;
constexpr std::size_t kIpProtocolOffset = 23;
constexpr std::size_t kIpSourceOffset = 26;
constexpr std::size_t kIpDestOffset = 30;
constexpr std::size_t kUdpDestPortOffset = 36;
constexpr std::size_t kUdpLengthOffset = 38;
constexpr std::size_t kUdpPayloadOffset = 42;
constexpr std::size_t kUdpHeaderBytes = 8;
constexpr std::uint8_t kUdpProtocol = 17;
constexpr int kIgnoredDestPort = 1234;  // never sensor traffic

// Records used by families other than 4: stored length inclusive window, bytes.
constexpr std::size_t kMinRecordBytes = 1248;
constexpr std::size_t kMaxRecordBytes = 1304;

// Packets handed to the glue library.
constexpr int kDeviceInfoLength = 1206;   // a device-information packet is always this long
constexpr int kEndPacketLength = 1212;    // zero bytes with the end flag, families other than 4
constexpr int kInitialPayloadLength = 1206;
constexpr std::size_t kPayloadCapacity = kMaxRecordBytes;  // no used record holds more

// Family 4: one 56280-byte datagram in 41 fragments.
constexpr int kReassembledFamily = 4;
constexpr std::size_t kDatagramBytes = 56280;
constexpr std::size_t kFirstFragmentRecordBytes = 1442;   // 14 + 20 + 8 + 1400
constexpr std::size_t kMiddleFragmentRecordBytes = 1434;  // 14 + 20 + 1400
constexpr std::size_t kLastFragmentRecordBytes = 314;     // 14 + 20 + 280
constexpr std::size_t kFragmentTotalLengthOffset = 16;    // IP header at frame byte 14
constexpr std::size_t kIpHeaderBytes = 20;
constexpr std::size_t kFirstFragmentDataOffset = 42;  // behind the UDP header
constexpr std::size_t kFragmentDataOffset = 34;
constexpr std::size_t kDatagramHeadBytes = 280;
constexpr std::size_t kDatagramPointBytes = 28;
constexpr int kDatagramPoints = 2000;
constexpr double kDatagramAngleUnit = 1.0 / 128.0;  // degrees per count, signed big-endian

// Record sizes behind the progress estimate (file size - 24) / size.
constexpr std::int64_t kEstimateRecordBytes = 1264;
constexpr std::int64_t kEstimateFragmentBytes = 1434;

using bytes::readBE16;
using bytes::readBE32;
using bytes::readLE16;
using bytes::readLE32;

// What the open dialog chose: the protocol family, the model key and the optional address
// filter and fixed lengths.
struct CaptureRules {
  std::string lidarType;  // model key; one containing "Trevik" counts frames by position
  int lidarFamily = 0;
  bool isUse = false;  // filter by the addresses and ports below
  std::string lidarIP = "192.168.1.200";
  std::string destIP = "192.168.1.102";
  int dataPort = 2368;
  int devPort = 2369;
  bool isUsePacketLen = false;  // payload at headLength, dataLength or devLength bytes long
  int headLength = 42;
  int dataLength = 1212;
  int devLength = 1206;

  static CaptureRules fromInitParam(const LidarInitParam& param);
};

// One record as read. Data longer than the buffer is skipped, not read.
struct CaptureRecord {
  explicit CaptureRecord(std::size_t capacity = kMaxRecordBytes) : data(capacity) {}
  std::int64_t position = 0;      // of the record header
  std::uint32_t storedLength = 0;  // included length
  bool dataRead = false;
  std::vector<std::uint8_t> data;

  const std::uint8_t* bytes() const { return data.data(); }
  std::size_t size() const { return dataRead ? storedLength : 0; }
};

enum class ReadStatus {
  Record,     // a whole record; its data read when it fits the buffer
  End,        // no bytes left
  Truncated,  // the file ends inside the record: nothing of it is used
  Damaged,    // the record header cannot be one (length beyond any record, bad fraction)
};

// What the global header says.
struct CaptureFormat {
  bool swapped = false;      // written on a host of the other byte order
  bool nanoseconds = false;  // record fractions are nanoseconds
  std::uint32_t snapLength = 0;
  std::uint32_t linkType = 0;
};

// A capture open for reading ("rb", 64-bit positions, block reads).
class CaptureFile {
 public:
  CaptureFile() = default;
  ~CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // False when the file cannot be opened or is not a capture this reader reads; error()
  // then says which (empty when the file could not be opened at all).
  bool open(const std::string& path);
  void close();
  // Exchanges the open files (stdio's buffer moves with its file).
  void swap(CaptureFile& other) noexcept;
  bool isOpen() const { return mFile != nullptr; }
  std::int64_t size() const { return mSize; }
  const CaptureFormat& format() const { return mFormat; }
  const std::string& error() const { return mError; }

  // Whether 16 bytes could be the header of a record of this capture.
  bool plausibleHeader(const std::uint8_t* header) const;
  std::uint32_t includedLength(const std::uint8_t* header) const { return field32(header, kIncludedLengthOffset); }
  std::uint32_t wireLength(const std::uint8_t* header) const { return field32(header, kWireLengthOffset); }
  // Block read of count bytes at position; the bytes read.
  std::size_t readAt(std::int64_t position, void* into, std::size_t count);

  // The checks every record read makes before its header: End past the file (or with no
  // file), Truncated where no whole header fits, else Record; record is reset to position.
  ReadStatus startRecord(std::int64_t position, CaptureRecord& record) const;
  // What the header of the record at position says: Damaged when it is not believable,
  // Truncated when the record runs past the end, else Record with record.storedLength set.
  ReadStatus judgeHeader(std::int64_t position, const std::uint8_t* header, CaptureRecord& record) const;

  // Reads the record whose header is at position; the next record follows it.
  ReadStatus readRecordAt(std::int64_t position, CaptureRecord& record);
  ReadStatus readNextRecord(CaptureRecord& record) { return readRecordAt(mPosition, record); }
  std::int64_t position() const { return mPosition; }

 private:
  bool seekTo(std::int64_t position);
  bool readBytes(void* into, std::size_t count);
  bool readGlobalHeader();
  std::uint32_t field32(const std::uint8_t* p, std::size_t offset) const {
    return mFormat.swapped ? readBE32(p, offset) : readLE32(p, offset);
  }

  std::FILE* mFile = nullptr;
  CaptureFormat mFormat;
  std::string mError;
  std::int64_t mSize = 0;
  std::int64_t mPosition = 0;
  std::vector<char> mBuffer;  // stdio's block buffer
};

enum class PayloadClass {
  PointData,      // anything else: handed on as kind 0 and frame-tested
  Configuration,  // AA 00 FF 11 22 22: not frame-tested by the indexer
  DeviceInfo,     // A5 or 00, then FF 00 5A 11 11 55 55: kind 1, 1206 bytes, never tested
};
PayloadClass classifyPayload(const std::uint8_t* payload, std::size_t length);

// The UDP payload of a used record, copied out of it.
struct Payload {
  PayloadClass kind = PayloadClass::PointData;
  int length = 0;  // bytes located in the record
  // Zero past length up to kDeviceInfoLength, so a short device packet is handed on padded.
  std::array<std::uint8_t, kPayloadCapacity> bytes{};

  int packetKind() const { return kind == PayloadClass::DeviceInfo ? 1 : 0; }
  int handedLength() const { return kind == PayloadClass::DeviceInfo ? kDeviceInfoLength : length; }
};

// Shift of the IPv4 type code from byte 12, or -1 when the record has none.
int findIpv4Shift(const std::uint8_t* frame, std::size_t length);

// What a record's own frame says of the length its header gives. An Ethernet frame carrying
// IPv4 (behind any VLAN tags) is link header + IPv4 total length long, one whose type field
// is a length (up to 1500) link header + that length; padding to 60 bytes and a check
// sequence are allowed. Frames cut short by the snap length (stored below wire) and frames
// of other types say nothing.
enum class FrameLength { Unknown, Agrees, Disagrees };
FrameLength frameLength(const std::uint8_t* frame, std::size_t stored, std::size_t wire);

// Acceptance test and payload location for families other than 4. False: the record is not
// used (wrong size or protocol, port 1234, filtered out, or a payload that the record does
// not hold in full).
bool locatePayload(const CaptureRecord& record, const CaptureRules& rules, Payload& out);

// Frame-end test of point-data payloads for families other than 4. Keeps the previous
// family-5 angle, the previous FF EE payload's azimuths and the position counter across
// payloads: one object per walk.
class FrameEndTest {
 public:
  // The player tests FF EE payloads by the family-0 rule alone, and only in families 0 and
  // 5; other family-0 payloads go through the walk. The indexer does neither.
  enum class Mode { Indexer, Player };

  FrameEndTest(const CaptureRules& rules, Mode mode);
  void reset();
  // Walk direction: +1 in file order, -1 backward. A change forgets the previous payload,
  // since the payload read next is no longer its neighbour in time.
  void setDirection(int direction);
  bool endsFrame(const std::uint8_t* payload, std::size_t length);

 private:
  bool azimuthPairEnds(const std::uint8_t* payload, std::size_t length);
  bool blockAngleEnds(const std::uint8_t* payload, std::size_t length);
  bool markerWalkEnds(const std::uint8_t* payload, std::size_t length);

  int mFamily;
  bool mCountPositions;  // model key contains "Trevik"
  Mode mMode;
  double mPreviousAngle = 0;
  int mPositionCount = 0;
  // Azimuths of the last FF EE payload, hundredths of a degree; a turn that wraps between
  // two payloads shows only here.
  bool mHavePreviousPair = false;
  int mPreviousFirst = 0;
  int mPreviousLast = 0;
  int mDirection = 1;
};

// Whether a whole family-4 datagram (kDatagramBytes) closes a frame: the azimuth steps from
// below -10 to above 2 degrees.
bool datagramEndsFrame(const std::uint8_t* datagram);

// Builds family-4 datagrams from their fragments, walking forward (first fragment first) or
// backward. A datagram counts only when its fragments filled it exactly; a fragment that the
// record does not hold or that would leave the datagram spoils the datagram it belongs to.
class DatagramAssembler {
 public:
  DatagramAssembler();
  // Starts a new datagram for the given direction (+1 forward, -1 backward).
  void restart(int direction);
  // Adds one record's fragment; true when it completes a whole datagram. The next datagram
  // then starts in the same direction.
  bool add(const CaptureRecord& record);
  int direction() const { return mDirection; }
  int lastFragmentLength() const { return mLastFragmentLength; }
  const std::uint8_t* datagram() const { return mDatagram.data(); }

 private:
  std::vector<std::uint8_t> mDatagram;
  int mDirection = 1;
  std::int64_t mOffset = 0;
  bool mSpoiled = false;
  int mLastFragmentLength = kInitialPayloadLength;
};

// Where a capture is damaged, as the indexer found it.
struct CaptureDamage {
  int damagedRegions = 0;           // stretches of bytes that hold no readable record
  std::int64_t firstDamageAt = -1;  // file position of the first
  std::int64_t skippedBytes = 0;    // bytes passed over in all of them
  bool cutShort = false;            // the file ends inside a record
  std::int64_t cutShortAt = -1;     // position of that record's header
  bool endLost = false;             // no record was found between the last damage and the end
  bool any() const { return damagedRegions > 0 || cutShort; }
};

// The index of one capture, rebuilt by every indexing run.
struct CaptureIndex {
  std::vector<std::int64_t> dataPositionsPerPacket;  // header position of every whole record
  std::vector<std::int64_t> dataFramePositions;      // per frame end: index of the next record
  int frameCount = 0;
  int payloadLength = kInitialPayloadLength;  // of the last payload found
  CaptureDamage damage;

  void clear();
  // Record index to continue from after the frame target: the entry of dataFramePositions,
  // with the target held to the entries there are (0 when there are none).
  std::int64_t seekRecordForFrame(long long target) const;
};

enum class IndexResult {
  Completed,  // walked to the end of the file; damage, if any, is in the index
  Cancelled,  // the progress callback asked to stop: the index is empty
  NotOpen,
};

// Called after every record, and during searches for the next record every
// kSearchReportBytes, with the records read so far and the file position reached; false
// cancels the run.
using IndexProgress = std::function<bool(std::int64_t recordsRead, std::int64_t position)>;

// The user's words for what the indexer found damaged, or empty.
std::string describeDamage(const CaptureIndex& index);

// Progress range of an indexing run: (size - 24) / bytes per record of the family.
std::int64_t progressEstimate(std::int64_t fileSize, int lidarFamily);

// Families other than 4: walks the file record by record.
IndexResult buildIndex(CaptureFile& file, const CaptureRules& rules, CaptureIndex& index,
                       const IndexProgress& progress = {});
// Family 4: reassembles datagrams and tests each for a frame end.
IndexResult buildReassembledIndex(CaptureFile& file, CaptureIndex& index, const IndexProgress& progress = {});

}  // namespace capture
