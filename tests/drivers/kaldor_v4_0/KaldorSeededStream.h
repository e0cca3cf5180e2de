// The seeded stream of the robustness tests: random bytes under every accepted model byte,
// device-information packets and odd lengths, with the settings changed now and then as the
// caller's thread would change them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "LIDAR_Kaldor_v4_0.h"

namespace kaldor_test {

constexpr std::uint32_t kRobustnessSeed = 20240905;
constexpr int kStreamModels[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 16, 17, 18, 32, 33, 34, 35, 69, 70, 71, 72, 90, 91, 92, 93};

// `feed` gets every packet in turn; the settings go to `decoder` between packets.
template <typename Feed>
void seededStream(std::uint32_t seed, LIDAR_Kaldor_v4_0& decoder, Feed feed) {
  std::mt19937 rng(seed);
  auto byte = [&] { return static_cast<unsigned char>(rng() & 0xFF); };
  for (int round = 0; round < 2; ++round) {
    for (int model : kStreamModels) {
      for (int n = 0; n < 150; ++n) {
        if (n % 25 == 0) {
          decoder.setEcho(static_cast<int>(rng() % 5));
          decoder.setFilterDistanceZero(rng() % 2);
          decoder.setRGBType(static_cast<_SetRGB_Type>(rng() % 6), static_cast<int>(rng() % 2));
          const float a = static_cast<float>(rng() % 720) - 360.f;
          decoder.setHangleRange(a, a + static_cast<float>(rng() % 360));
          decoder.setSelectRange(rng() % 2, -50, -50, -50, 50, 50, 50);
          std::vector<float> list(4 * (1 + rng() % 2));
          for (float& f : list) f = static_cast<float>(rng() % 400);
          decoder.writeCalibrationData(static_cast<int>(rng() % 40), 0.f, rng() % 2, list, "", false);
        }
        std::vector<unsigned char> p(1212);
        for (auto& b : p) b = byte();
        const unsigned kind = rng() % 8;
        if (kind < 6) {  // data packet of the model, block 0 valid
          p[0] = 0xFF;
          p[1] = rng() % 2 ? 0xEE : static_cast<unsigned char>(0xE0 | (rng() & 0x0F));  // 20-bit form
          p[1211] = static_cast<unsigned char>(model);
          const unsigned char modes[] = {0x37, 0x39, 0x40, byte()};
          p[1210] = modes[rng() % 4];
          if (rng() % 2) p[1200] = 0xFF;  // seconds form
        } else if (kind == 6) {  // device-information packet
          const unsigned char header[] = {0xA5, 0xFF, 0x00, 0x5A, 0x11, 0x11, 0x55, 0x55};
          std::copy(header, header + (rng() % 2 ? 8 : 4), p.begin());
          if (rng() % 2) {  // readable by a per-channel calibration
            p[1198] = static_cast<unsigned char>(0x70 | (p[1198] & 0x0F));
            p[1202] = static_cast<unsigned char>(0x70 | (p[1202] & 0x0F));
          }
          p.resize(1206);
        } else {  // anything, possibly short
          p[1211] = static_cast<unsigned char>(model);
          p.resize(1206 + rng() % 7);
        }
        feed(p);
      }
    }
  }
}

}  // namespace kaldor_test
