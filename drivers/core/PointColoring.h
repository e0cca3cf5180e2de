// Point colouring, range filtering and the colour table; embedded by the decoder base.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "LidarRecords.h"

// One colour-table entry as kept in memory: red, green, blue, then the file's first byte.
struct ColorBarEntry {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
};
using ColorBar = std::array<ColorBarEntry, 256>;  // entry k belongs to intensity k

constexpr std::size_t kColorBarBytes = 1024;       // one bar in colorbar.bin
constexpr const char* kColorBarPath = "./colorbar/colorbar.bin";

// Reads size / 1024 bars (a trailing partial bar is ignored); missing or empty: none.
// Something there that cannot be read (a directory, no permission, a read error) also
// gives none, never an exception, and says why in *error when given.
std::vector<ColorBar> loadColorBarFile(const std::string& path, std::string* error = nullptr);

// The intensity ramp on v (intensity, or 8 x channel for the channel mode); alpha untouched.
void applyIntensityRamp(PointInfo* point, std::uint32_t v);

// Colour modes 1-4 and colour-bar lookup. Mode 0 belongs to the caller (a decoder may
// override its intensity colouring). Returns false when the caller must apply mode 0.
// An out-of-range bar index falls back to the colour modes.
bool colourPointByMode(PointInfo* point, _SetRGB_Type type, int useColorBar,
                       const std::vector<ColorBar>& bars);

// True when the colour of (type, useColorBar) follows from the intensity alone: a colour
// bar, mode 0 (when the decoder's mode 0 is the intensity ramp) or the solid mode. A table
// by intensity then gives the same colour as colouring each point.
bool colourFollowsIntensity(_SetRGB_Type type, int useColorBar, std::size_t barCount);

// Pairs 2-7 of the filter record (vertical angle, distance, intensity, x, y, z).
bool passesFiltration(const _FiltrationDataInitParam& filter, const PointInfo& point);

// Select box {x min, y min, z min, x max, y max, z max}, bounds inclusive.
struct SelectBox {
  bool enabled = false;
  float xMin = 0.f, yMin = 0.f, zMin = 0.f, xMax = 0.f, yMax = 0.f, zMax = 0.f;
  bool contains(float x, float y, float z) const {
    return xMin <= x && x <= xMax && yMin <= y && y <= yMax && zMin <= z && z <= zMax;
  }
};
