#include "GetLidarDataDll_Kaldor_v4_0.h"

#include "LIDAR_Kaldor_v4_0.h"

namespace {
constexpr const char* kTypeKey = "LidarType_Kaldor_v4_0";
constexpr const char* kVersion = "v4.1.2";
constexpr const char* kDate = "2024/09/05";
}  // namespace

GetLidarDataDll_Kaldor_v4_0::GetLidarDataDll_Kaldor_v4_0() { setDecoder(new LIDAR_Kaldor_v4_0); }
GetLidarDataDll_Kaldor_v4_0::GetLidarDataDll_Kaldor_v4_0(const GetLidarDataDll_Kaldor_v4_0& other) = default;
GetLidarDataDll_Kaldor_v4_0& GetLidarDataDll_Kaldor_v4_0::operator=(const GetLidarDataDll_Kaldor_v4_0& other) = default;
GetLidarDataDll_Kaldor_v4_0::~GetLidarDataDll_Kaldor_v4_0() = default;

std::string GetLidarDataDll_Kaldor_v4_0::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
