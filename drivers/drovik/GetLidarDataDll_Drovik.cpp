#include "GetLidarDataDll_Drovik.h"

#include "LIDAR_Drovik.h"

namespace {
constexpr const char* kTypeKey = "LidarType_Drovik";
constexpr const char* kVersion = "v1.0.0";
constexpr const char* kDate = "2023/08/31";
}  // namespace

GetLidarDataDll_Drovik::GetLidarDataDll_Drovik() { setDecoder(new LIDAR_Drovik); }

GetLidarDataDll_Drovik::GetLidarDataDll_Drovik(const GetLidarDataDll_Drovik& other) = default;

GetLidarDataDll_Drovik& GetLidarDataDll_Drovik::operator=(const GetLidarDataDll_Drovik& other) = default;

// The base destructor stops and deletes the decoder.
GetLidarDataDll_Drovik::~GetLidarDataDll_Drovik() = default;

std::string GetLidarDataDll_Drovik::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
