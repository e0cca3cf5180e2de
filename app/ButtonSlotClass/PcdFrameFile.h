// Reading of one .pcd frame for the PCD directory replay. The header is checked by our own
// reader before PCL sees the file, so a malformed or hostile file is refused with a reason
// instead of crashing the reader or making it read past its buffers.
#pragma once

#include <cstdint>
#include <string>

#include "LidarRecords.h"

namespace pcdframe {

// Bounds of what a replayed frame can be; anything larger is not a frame of this program.
constexpr std::uint64_t kMaxPoints = 16u << 20;
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
constexpr std::uint64_t kMaxPointBytes = 4096;  // bytes of one point over all fields

enum class DataKind { Ascii, Binary, BinaryCompressed };

struct PcdHeader {
  std::uint64_t width = 0;
  std::uint64_t height = 1;
  std::uint64_t points = 0;      // width x height, checked against POINTS when given
  std::uint64_t pointBytes = 0;  // sum of SIZE x COUNT
  std::size_t fields = 0;
  DataKind data = DataKind::Ascii;
  std::uint64_t dataOffset = 0;  // first byte after the DATA line
};

// Parses and checks the header against the file's size; false with the reason.
bool checkPcdFile(const std::string& path, PcdHeader& header, std::string& why);

// Checks the file, then reads it through PCL; every exception is caught. False with the
// reason; a file of no points is an empty frame.
bool readPcdFrame(const std::string& path, pcl::PointCloud<PointInfo>& cloud, std::string& why);

}  // namespace pcdframe
