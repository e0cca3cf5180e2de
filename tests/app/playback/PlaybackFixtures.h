// Captures for the replay tests: frames of tagged point packets whose running number the
// recorded feed reads back, and turns of Kaldor_v4_0 packets that the real driver decodes.
#pragma once

#include <cstdint>
#include <vector>

#include "CaptureFixtures.h"

namespace playfix {

using capfix::Bytes;

constexpr std::size_t kTagOffset = 200;  // big-endian 16-bit running number of a tagged packet

// A family-0 point packet (FF EE) at a position in its frame, azimuths rising with it;
// closesFrame makes its last azimuth smaller than its first.
Bytes taggedPacket(int tag, bool closesFrame, int position = 0);
// The tag of a tagged packet, -1 for anything else (device packets, the end packet).
int tagOf(const unsigned char* payload, std::size_t length);

// frames x perFrame tagged packets in Ethernet frames, numbered from 0; the last packet of
// each frame closes it.
std::vector<Bytes> taggedFrames(int frames, int perFrame);

// Kaldor_v4_0 packets (1212 bytes) sweeping whole turns at one degree per block; a turn wraps
// inside a packet, so each turn holds one capture frame end, and the driver splits its frames
// at 90 degrees.
constexpr int kKaldorPacketsPerTurn = 30;
std::vector<Bytes> kaldorTurns(int turns);

}  // namespace playfix
