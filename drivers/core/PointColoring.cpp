#include "PointColoring.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

void setRGB(PointInfo* p, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  p->r = r;
  p->g = g;
  p->b = b;
}

// A NaN minimum switches the pair off; bounds are inclusive, a NaN maximum passes nothing.
bool inPair(float minimum, float maximum, float value) {
  if (std::isnan(minimum)) return true;
  return minimum <= value && value <= maximum;
}

// The whole file, or empty with the reason in `error` when it is there but unreadable.
std::vector<unsigned char> readWholeFile(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (!std::filesystem::exists(status)) return {};  // no colour table: nothing to report
  if (!std::filesystem::is_regular_file(status)) {
    error = "it is not a file";
    return {};
  }
  std::vector<unsigned char> bytes;
  try {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      error = "it cannot be opened";
      return {};
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::ios_base::failure("read error");
  } catch (const std::exception&) {
    error = "it cannot be read";
    return {};
  }
  return bytes;
}

}  // namespace

std::vector<ColorBar> loadColorBarFile(const std::string& path, std::string* error) {
  std::vector<ColorBar> bars;
  std::string reason;
  const std::vector<unsigned char> bytes = readWholeFile(path, reason);
  if (!reason.empty() && error != nullptr)
    *error = "Colour table " + path + " ignored (" + reason + "): no colour bars";
  std::printf("\n path=%s,size=%d \n", path.c_str(), static_cast<int>(bytes.size()));
  if (bytes.empty()) std::printf("\n path=%s,size=%d \n", path.c_str(), 0);
  const std::size_t count = bytes.size() / kColorBarBytes;
  bars.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t k = 0; k < 256; ++k) {
      const unsigned char* e = &bytes[i * kColorBarBytes + 4 * k];
      bars[i][k] = ColorBarEntry{e[1], e[2], e[3], e[0]};  // file order: unused, r, g, b
    }
  }
  return bars;
}

void applyIntensityRamp(PointInfo* p, std::uint32_t v) {
  if (v < 32) {
    setRGB(p, 0, static_cast<std::uint8_t>(v * 8), 255);
  } else if (v < 64) {
    setRGB(p, 0, 255, static_cast<std::uint8_t>(255 - v * 8));
  } else if (v < 128) {
    setRGB(p, static_cast<std::uint8_t>(v * 4), 255, 0);
  } else {
    setRGB(p, 255, static_cast<std::uint8_t>(255 - v * 2), 0);
  }
}

bool colourPointByMode(PointInfo* p, _SetRGB_Type type, int useColorBar,
                       const std::vector<ColorBar>& bars) {
  p->a = 255;
  const int index = static_cast<int>(type);
  if (useColorBar == 1 && index >= 0 && static_cast<std::size_t>(index) < bars.size()) {
    const ColorBarEntry& e = bars[static_cast<std::size_t>(index)][p->Intensity];
    setRGB(p, e.r, e.g, e.b);
    return true;
  }
  switch (index) {
    case RGB_Intensity:
      return false;
    case RGB_Solid:
      setRGB(p, 255, 255, 255);
      break;
    case RGB_Elevation:
      if (p->z <= -2.f) setRGB(p, 139, 69, 19);
      else if (p->z <= 0.f) setRGB(p, 255, 255, 0);
      else if (p->z <= 1.f) setRGB(p, 255, 255, 255);
      else if (p->z <= 5.f) setRGB(p, 0, 128, 0);
      else setRGB(p, 0, 0, 255);
      break;
    case RGB_HAngle:
      if (p->H_angle < 90.f) setRGB(p, 0, 255, 255);
      else if (p->H_angle < 180.f) setRGB(p, 0, 125, 192);
      else if (p->H_angle < 270.f) setRGB(p, 0, 255, 0);
      else setRGB(p, 255, 255, 0);
      break;
    case RGB_Channel:
      applyIntensityRamp(p, 8u * p->Channel);
      break;
    default:
      break;  // unknown mode: colour unchanged
  }
  return true;
}

bool colourFollowsIntensity(_SetRGB_Type type, int useColorBar, std::size_t barCount) {
  const int index = static_cast<int>(type);
  if (useColorBar == 1 && index >= 0 && static_cast<std::size_t>(index) < barCount) return true;
  return index == RGB_Intensity || index == RGB_Solid;
}

bool passesFiltration(const _FiltrationDataInitParam& f, const PointInfo& p) {
  return inPair(f.VAngleMin, f.VAngleMax, p.V_angle) &&
         inPair(f.DistanceMin, f.DistanceMax, p.Distance) &&
         inPair(f.IntensityMin, f.IntensityMax, static_cast<float>(p.Intensity)) &&
         inPair(f.XMin, f.XMax, p.x) && inPair(f.YMin, f.YMax, p.y) && inPair(f.ZMin, f.ZMax, p.z);
}
