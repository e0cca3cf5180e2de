// Tiskar: eight channels, 23-byte firing blocks with up to five returns. At start each
// frame is five markers long and holds one channel (sub-frames 0 to 4 in turn); channel
// flags 5 to 9 enable returns 1 to 5.
#pragma once

#include <array>

#include "ScanDecoder.h"

namespace tiskar {

constexpr std::size_t kPacketBytes = 1212;
constexpr int kBlocks = 52;
constexpr std::size_t kBlockBytes = 23;
constexpr int kReturns = 5;
constexpr std::size_t kFirstReturn = 3;        // u24 BE distance, then intensity
constexpr std::size_t kReturnBytes = 4;
constexpr int kAngleBits = 21;                 // bits 4-0 of byte 0, bytes 1-2
constexpr int kChannelShift = 5;
constexpr std::size_t kTailTime = 1200;
constexpr std::size_t kEchoByteOffset = 1211;
constexpr std::uint8_t kDualEcho = 6;
constexpr std::size_t kFrameLimit = 3000000;   // points

constexpr int kSubFrames = 5;                  // channels 0-4, one per sub-frame
constexpr int kReturnFlagBase = 4;             // channel flag 4 + r enables return r
constexpr double kChannelSpacing = 0.1;        // degrees per channel outside sub-frame mode
constexpr float kWindowLimit = 360.f;

// Device-information packet.
constexpr std::size_t kDeviceBias = 188;       // four 16-bit BE, 0.01 degree
constexpr double kBiasUnit = 0.01;
constexpr std::size_t kDeviceChannelAngles = 327;  // five s16 BE, 0.001 degree
constexpr double kChannelAngleUnit = 0.001;
constexpr std::array<float, 4> kStartBias = {7.26f, 6.1f, 6.62f, 5.52f};

}  // namespace tiskar

class LIDAR_Tiskar : public ScanDecoder {
public:
  LIDAR_Tiskar();

  void disposeSingleEcho(const unsigned char* packet);
  void disposeDoubleEcho(const unsigned char* packet);

  int m_markersPerFrame = 5;
  int m_subFrameIndex = 0;
  bool m_subFrameMode = true;
  float m_distanceUnit = 0.001f;  // metres per count
  float m_hAngleUnit = 0.001f;    // degrees per count
  std::array<float, tiskar::kSubFrames> m_channelVAngle{};
  std::array<float, 4> m_vAngleBias = tiskar::kStartBias;

protected:
  void decodePacket(const unsigned char* bytes, std::size_t length) override;
  int calibrationArea(const PointInfo& point, bool) const override { return inFirstRectangle(point) ? 1 : 0; }

private:
  struct Block;
  // Marker handling; true when the block carries no point.
  bool frameMarker(const unsigned char* block, bool advanceSubFrame);
  bool readBlock(const unsigned char* block, Block& out);
  PointInfo returnPoint(const Block& b, int r, double time) const;
};
