#include "GetLidarDataDll_Tiskar.h"

#include "LIDAR_Tiskar.h"

namespace {
constexpr const char* kTypeKey = "LidarType_Tiskar";
constexpr const char* kVersion = "v3.0.0";
constexpr const char* kDate = "2024/09/05";
}  // namespace

GetLidarDataDll_Tiskar::GetLidarDataDll_Tiskar() { setDecoder(new LIDAR_Tiskar); }

GetLidarDataDll_Tiskar::GetLidarDataDll_Tiskar(const GetLidarDataDll_Tiskar& other) = default;

GetLidarDataDll_Tiskar& GetLidarDataDll_Tiskar::operator=(const GetLidarDataDll_Tiskar& other) = default;

// The base destructor stops and deletes the decoder.
GetLidarDataDll_Tiskar::~GetLidarDataDll_Tiskar() = default;

std::string GetLidarDataDll_Tiskar::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
