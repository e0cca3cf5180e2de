#include "GetLidarDataDll_Fenwyr.h"

#include "LIDAR_Fenwyr.h"

namespace {
constexpr const char* kTypeKey = "LidarType_Fenwyr";
constexpr const char* kVersion = "v3.0.0";
constexpr const char* kDate = "2024/08/29";
}  // namespace

GetLidarDataDll_Fenwyr::GetLidarDataDll_Fenwyr() { setDecoder(new LIDAR_Fenwyr); }

GetLidarDataDll_Fenwyr::GetLidarDataDll_Fenwyr(const GetLidarDataDll_Fenwyr& other) = default;

GetLidarDataDll_Fenwyr& GetLidarDataDll_Fenwyr::operator=(const GetLidarDataDll_Fenwyr& other) = default;

// The base destructor stops and deletes the decoder.
GetLidarDataDll_Fenwyr::~GetLidarDataDll_Fenwyr() = default;

std::string GetLidarDataDll_Fenwyr::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
