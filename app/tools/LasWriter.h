// A small writer of LAS 1.4 files with point data format 3 (XYZ, intensity, GPS time, RGB):
// one frame per file, no variable-length records. All fields are little-endian.
#pragma once

#include <cstdint>
#include <string>

#ifndef PCL_NO_PRECOMPILE
#define PCL_NO_PRECOMPILE
#endif
#include <pcl/point_cloud.h>

#include "LidarRecords.h"

namespace Las {

constexpr std::uint16_t kHeaderSize = 375;      // bytes of a LAS 1.4 public header block
constexpr std::uint8_t kPointFormat = 3;
constexpr std::uint16_t kPointRecordLength = 34;  // bytes of a format-3 point record
constexpr double kScale = 0.0001;                // metres per coordinate count, x, y and z

// Header field offsets (bytes from the start of the file).
constexpr std::size_t kOffSignature = 0;
constexpr std::size_t kOffVersionMajor = 24;
constexpr std::size_t kOffVersionMinor = 25;
constexpr std::size_t kOffHeaderSize = 94;
constexpr std::size_t kOffPointDataOffset = 96;
constexpr std::size_t kOffVlrCount = 100;
constexpr std::size_t kOffPointFormat = 104;
constexpr std::size_t kOffRecordLength = 105;
constexpr std::size_t kOffLegacyPointCount = 107;
constexpr std::size_t kOffLegacyByReturn = 111;  // 5 x uint32
constexpr std::size_t kOffScale = 131;           // x, y, z doubles
constexpr std::size_t kOffOffset = 155;          // x, y, z doubles
constexpr std::size_t kOffBounds = 179;          // max x, min x, max y, min y, max z, min z
constexpr std::size_t kOffPointCount = 247;      // uint64
constexpr std::size_t kOffByReturn = 255;        // 15 x uint64

// Point record field offsets (bytes from the start of the record).
constexpr std::size_t kRecX = 0;  // int32 x, then y, z
constexpr std::size_t kRecIntensity = 12;
constexpr std::size_t kRecReturns = 14;  // bits 0-2 return number, 3-5 number of returns
constexpr std::size_t kRecClassification = 15;
constexpr std::size_t kRecPointSource = 18;
constexpr std::size_t kRecGpsTime = 20;
constexpr std::size_t kRecRgb = 28;  // uint16 red, green, blue

enum class WriteStatus {
  Written,
  EmptyFrame,   // no point that a LAS record can hold: no file is made
  CannotOpen,   // the file could not be created
  WriteFailed,  // created, but not all bytes reached it (the partial file is removed)
};

// The offset of one axis: the coordinate truncated toward zero to a 32-bit integer.
double axisOffset(double coordinate);

// A coordinate in counts of kScale from `offset`, rounded half away from zero and held to the
// 32-bit range.
std::int32_t quantize(double coordinate, double offset);

// Writes the frame as one file, replacing a file of that name. Points with a coordinate that
// is not finite are left out (a LAS record cannot hold them); the offsets come from the
// first point that is kept.
WriteStatus writeLasFile(const std::string& fileName, const pcl::PointCloud<PointInfo>& cloud);

}  // namespace Las
