#include "LasWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <type_traits>
#include <vector>

namespace Las {

namespace {

template <typename T>
void putLE(std::uint8_t* out, T value) {
  static_assert(std::is_integral<T>::value, "integers only");
  using U = typename std::make_unsigned<T>::type;
  U bits = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

void putLEDouble(std::uint8_t* out, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  putLE(out, bits);
}

bool finitePoint(const PointInfo& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

}  // namespace

double axisOffset(double coordinate) {
  constexpr double lo = std::numeric_limits<std::int32_t>::min();
  constexpr double hi = std::numeric_limits<std::int32_t>::max();
  return std::trunc(std::clamp(coordinate, lo, hi));
}

std::int32_t quantize(double coordinate, double offset) {
  const double counts = std::round((coordinate - offset) / kScale);  // half away from zero
  constexpr double lo = std::numeric_limits<std::int32_t>::min();
  constexpr double hi = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(counts, lo, hi));
}

WriteStatus writeLasFile(const std::string& fileName, const pcl::PointCloud<PointInfo>& cloud) {
  const auto first = std::find_if(cloud.points.begin(), cloud.points.end(), finitePoint);
  if (first == cloud.points.end()) return WriteStatus::EmptyFrame;
  const std::array<double, 3> offset{axisOffset(first->x), axisOffset(first->y), axisOffset(first->z)};

  std::vector<std::uint8_t> records;
  records.reserve(cloud.size() * kPointRecordLength);
  std::array<std::int32_t, 3> lo{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
                                 std::numeric_limits<std::int32_t>::max()};
  std::array<std::int32_t, 3> hi{std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::min()};
  std::uint64_t count = 0;
  for (const PointInfo& p : cloud.points) {
    if (!finitePoint(p)) continue;
    std::array<std::uint8_t, kPointRecordLength> r{};
    const std::array<std::int32_t, 3> q{quantize(p.x, offset[0]), quantize(p.y, offset[1]), quantize(p.z, offset[2])};
    for (std::size_t axis = 0; axis < 3; ++axis) {
      putLE(&r[kRecX + 4 * axis], q[axis]);
      lo[axis] = std::min(lo[axis], q[axis]);
      hi[axis] = std::max(hi[axis], q[axis]);
    }
    putLE<std::uint16_t>(&r[kRecIntensity], p.Intensity);
    r[kRecReturns] = 1 | (1 << 3);  // return 1 of 1
    putLE<std::uint16_t>(&r[kRecPointSource], p.Channel);
    putLEDouble(&r[kRecGpsTime], p.Mtimestamp_nsce);
    putLE<std::uint16_t>(&r[kRecRgb], p.r);  // 0-255, not scaled to 16 bits
    putLE<std::uint16_t>(&r[kRecRgb + 2], p.g);
    putLE<std::uint16_t>(&r[kRecRgb + 4], p.b);
    records.insert(records.end(), r.begin(), r.end());
    ++count;
  }

  std::array<std::uint8_t, kHeaderSize> h{};
  std::memcpy(&h[kOffSignature], "LASF", 4);
  h[kOffVersionMajor] = 1;
  h[kOffVersionMinor] = 4;
  putLE(&h[kOffHeaderSize], kHeaderSize);
  putLE<std::uint32_t>(&h[kOffPointDataOffset], kHeaderSize);
  putLE<std::uint32_t>(&h[kOffVlrCount], 0);
  h[kOffPointFormat] = kPointFormat;
  putLE(&h[kOffRecordLength], kPointRecordLength);
  // Formats 0 to 5 also carry the legacy 32-bit counts; they stay 0 past their range.
  const std::uint32_t legacy = count <= std::numeric_limits<std::uint32_t>::max() ? static_cast<std::uint32_t>(count) : 0;
  putLE(&h[kOffLegacyPointCount], legacy);
  putLE(&h[kOffLegacyByReturn], legacy);
  for (std::size_t axis = 0; axis < 3; ++axis) {
    putLEDouble(&h[kOffScale + 8 * axis], kScale);
    putLEDouble(&h[kOffOffset + 8 * axis], offset[axis]);
    // The box of the stored (quantised) coordinates, as a reader decodes them.
    putLEDouble(&h[kOffBounds + 16 * axis], hi[axis] * kScale + offset[axis]);
    putLEDouble(&h[kOffBounds + 16 * axis + 8], lo[axis] * kScale + offset[axis]);
  }
  putLE(&h[kOffPointCount], count);
  putLE(&h[kOffByReturn], count);

  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) return WriteStatus::CannotOpen;
  out.write(reinterpret_cast<const char*>(h.data()), static_cast<std::streamsize>(h.size()));
  out.write(reinterpret_cast<const char*>(records.data()), static_cast<std::streamsize>(records.size()));
  out.close();
  if (out.fail()) {
    std::remove(fileName.c_str());
    return WriteStatus::WriteFailed;
  }
  return WriteStatus::Written;
}

}  // namespace Las
