#include "GetLidarDataDll_Sembrel_WideAngle.h"

#include "LIDAR_Sembrel_WideAngle.h"

namespace {
constexpr const char* kTypeKey = "LidarType_Sembrel_WideAngle";
constexpr const char* kVersion = "v3.1.0";
constexpr const char* kDate = "2023/08/31";
// Device-information packet bytes of the rotate state, GPS time and GPS position.
constexpr int kRotateStateOffset = 46;
constexpr int kGpsTimeOffset = 36;
constexpr int kGpsPositionOffset = 212;
}  // namespace

GetLidarDataDll_Sembrel_WideAngle::GetLidarDataDll_Sembrel_WideAngle() {
  setDecoder(new LIDAR_Sembrel_WideAngle);
  setDeviceOffsets(kRotateStateOffset, kGpsTimeOffset, kGpsPositionOffset);
}

GetLidarDataDll_Sembrel_WideAngle::GetLidarDataDll_Sembrel_WideAngle(const GetLidarDataDll_Sembrel_WideAngle& other) = default;

GetLidarDataDll_Sembrel_WideAngle& GetLidarDataDll_Sembrel_WideAngle::operator=(const GetLidarDataDll_Sembrel_WideAngle& other) = default;

// The base destructor stops and deletes the decoder.
GetLidarDataDll_Sembrel_WideAngle::~GetLidarDataDll_Sembrel_WideAngle() = default;

std::string GetLidarDataDll_Sembrel_WideAngle::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
