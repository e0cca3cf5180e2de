#include "GetLidarDataDll_Sembrel.h"

#include "LIDAR_Sembrel.h"

namespace {
constexpr const char* kTypeKey = "LidarType_Sembrel";
constexpr const char* kVersion = "v3.1.0";
constexpr const char* kDate = "2023/08/31";
// Device-information packet bytes of the rotate state, GPS time and GPS position.
constexpr int kRotateStateOffset = 46;
constexpr int kGpsTimeOffset = 36;
constexpr int kGpsPositionOffset = 212;
}  // namespace

GetLidarDataDll_Sembrel::GetLidarDataDll_Sembrel() {
  setDecoder(new LIDAR_Sembrel);
  setDeviceOffsets(kRotateStateOffset, kGpsTimeOffset, kGpsPositionOffset);
}

GetLidarDataDll_Sembrel::GetLidarDataDll_Sembrel(const GetLidarDataDll_Sembrel& other) = default;

GetLidarDataDll_Sembrel& GetLidarDataDll_Sembrel::operator=(const GetLidarDataDll_Sembrel& other) = default;

// The base destructor stops and deletes the decoder.
GetLidarDataDll_Sembrel::~GetLidarDataDll_Sembrel() = default;

std::string GetLidarDataDll_Sembrel::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
