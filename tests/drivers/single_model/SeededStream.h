// The seeded stream of the robustness tests: random bytes of every packet length the models
// accept, with device headers, known echo bytes and time forms, and frame markers mixed in,
// and the settings changed now and then as a caller would change them.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "LidarRecords.h"
#include "PacketBuilder.h"

namespace single_model_test {

// Settings as a caller might set them, drawn at random.
template <typename Target>
void randomSettings(Target& t, std::mt19937& rng) {
  t.setEcho(static_cast<int>(rng() % 5));
  t.setFilterDistanceZero(rng() % 2);
  t.setRGBType(static_cast<_SetRGB_Type>(rng() % 5), 0);
  const float a = static_cast<float>(rng() % 720) - 360.f;
  t.setHangleRange(a, a + static_cast<float>(rng() % 360));
  t.setSelectRange(rng() % 2, -50, -50, -50, 50, 50, 50);
  t.setLineParam(static_cast<int>(rng() % 5));
  std::vector<float> none;
  t.setSetParam(rng() % 2 ? 100 : 0, &none);
  int flags[256];
  for (int& f : flags) f = static_cast<int>(rng() % 4 != 0);
  t.setChannelSelection(flags);
  std::vector<float> bounds(4 * (1 + rng() % 2));
  for (float& f : bounds) f = static_cast<float>(rng() % 200) - 100.f;
  t.writeCalibrationData(0, static_cast<float>(rng() % 3000), rng() % 2, bounds, "", rng() % 2);
}

// `feed` gets every packet in turn; the settings go to `decoder` between packets.
template <typename Decoder, typename Feed>
void randomPacketStream(std::uint32_t seed, Decoder& decoder, Feed feed) {
  std::mt19937 rng(seed);
  for (int n = 0; n < 400; ++n) {
    if (n % 40 == 0) randomSettings(decoder, rng);
    PacketBuilder p(1206 + rng() % 7);
    for (std::size_t i = 0; i < p.size(); ++i) p.u8(i, rng() & 0xFF);
    switch (rng() % 6) {
      case 0: {  // a device-information packet with random fields
        const PacketBuilder dev = devicePacket(rng() % 2 ? 0xA5 : 0x00);
        for (std::size_t i = 0; i < 8; ++i) p.u8(i, dev.data()[i]);
        break;
      }
      case 1:  // the echo bytes and time forms the models know
        for (std::size_t at : {1205u, 1211u})
          if (at < p.size()) p.u8(at, std::vector<unsigned>{2, 6, 17, 18}[rng() % 4]);
        for (std::size_t at : {1194u, 1200u}) p.u8(at, 0xFF);
        break;
      case 2:  // frame markers scattered over the records
        for (int k = 0; k < 10; ++k) p.marker(rng() % 1150);
        break;
      default:
        break;
    }
    feed(p);
  }
}

}  // namespace single_model_test
