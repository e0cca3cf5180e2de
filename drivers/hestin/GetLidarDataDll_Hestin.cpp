#include "GetLidarDataDll_Hestin.h"

#include "LIDAR_Hestin.h"

namespace {
constexpr const char* kTypeKey = "LidarType_Hestin";
constexpr const char* kVersion = "v1.1.0";
constexpr const char* kDate = "2023/08/31";
}  // namespace

GetLidarDataDll_Hestin::GetLidarDataDll_Hestin() { setDecoder(new LIDAR_Hestin); }

GetLidarDataDll_Hestin::GetLidarDataDll_Hestin(const GetLidarDataDll_Hestin& other) = default;

GetLidarDataDll_Hestin& GetLidarDataDll_Hestin::operator=(const GetLidarDataDll_Hestin& other) = default;

// The base destructor stops and deletes the decoder.
GetLidarDataDll_Hestin::~GetLidarDataDll_Hestin() = default;

std::string GetLidarDataDll_Hestin::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
