// Decoder of the mirror-scanning four-channel models (Ulmeth, Coravel): records carry
// their own horizontal and vertical angle, the direction comes from the mirror geometry,
// and dual-echo packets may carry a status block.
#pragma once

#include <array>

#include "EightByteRecordDecoder.h"

namespace mirror {

constexpr int kChannels = 4;
constexpr std::size_t kHAngleOffset = 0;      // s16 BE
constexpr std::size_t kChannelVAngleOffset = 2;  // top two bits channel, 14-bit signed angle
constexpr std::size_t kDistanceOffset = 4;    // u24 BE
constexpr int kVAngleBits = 14;
constexpr std::size_t kStatusOffset = 1190;   // four status bytes
constexpr int kStatusFields = 6;
constexpr std::array<int, 2> kStatusLead = {2000, 0};
constexpr int kStatusCode = 51;
constexpr std::uint8_t kDualEcho = 2;
constexpr std::uint8_t kDualEchoPlain = 18;
constexpr std::uint8_t kSingleEchoPlain = 17;

// Device-information packet.
constexpr std::size_t kDeviceBias = 188;      // four s16 BE, 0.01 degree
constexpr double kBiasUnit = 0.01;
constexpr std::size_t kDeviceMode = 231;
constexpr std::size_t kDeviceVersionMajor = 1202, kDeviceVersionMinor = 1203;
constexpr float kFineVAngleUnit = 0.0025f;
constexpr float kCoarseVAngleUnit = 0.01f;
constexpr int kWideMode1 = 64, kWideMode2 = 65;

constexpr std::array<float, kChannels> kStartMirrorAngles = {1.5f, -0.5f, 0.5f, -1.5f};
constexpr std::array<float, kChannels> kStartBias = {7.26f, 6.1f, 6.62f, 5.52f};
constexpr float kWindowLimit = 60.f;  // degrees either side at start
constexpr int kOriginalAnglesParam = 100;  // SetLidarSetParam value: keep the record's angles

}  // namespace mirror

class MirrorDecoder : public EightByteRecordDecoder {
public:
  int m_lastMarkerByte = 0;
  std::array<float, mirror::kChannels> m_mirrorAngle = mirror::kStartMirrorAngles;
  std::array<float, mirror::kChannels> m_vAngleBias = mirror::kStartBias;
  std::array<int, mirror::kStatusFields> m_status{};
  std::array<int, mirror::kStatusFields> m_statusSent{};

protected:
  MirrorDecoder();
  void decodePacket(const unsigned char* bytes, std::size_t length) override;
  ScanRecord readRecord(const unsigned char* record) const override;
  EchoPositions pointPosition(int channel, float& hAngle, float& vAngle, double distance1,
                              double distance2) override;

  // The model's reading of a device-information packet after the shared fields.
  virtual void deviceModeChanged(const unsigned char* packet) = 0;
  // Model steps between the time and the echo dispatch (Coravel's mode switch).
  virtual void beforeEchoDispatch(const unsigned char*) {}
  virtual float mirrorTilt() const = 0;  // degrees

private:
  void sendStatus(const unsigned char* packet);
};
