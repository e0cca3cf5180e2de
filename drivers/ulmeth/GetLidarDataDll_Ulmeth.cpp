#include "GetLidarDataDll_Ulmeth.h"

#include "LIDAR_Ulmeth.h"

namespace {
constexpr const char* kTypeKey = "LidarType_Ulmeth";
constexpr const char* kVersion = "v3.0.0";
constexpr const char* kDate = "2024/08/29";
}  // namespace

GetLidarDataDll_Ulmeth::GetLidarDataDll_Ulmeth() { setDecoder(new LIDAR_Ulmeth); }

GetLidarDataDll_Ulmeth::GetLidarDataDll_Ulmeth(const GetLidarDataDll_Ulmeth& other) = default;

GetLidarDataDll_Ulmeth& GetLidarDataDll_Ulmeth::operator=(const GetLidarDataDll_Ulmeth& other) = default;

// The base destructor stops and deletes the decoder.
GetLidarDataDll_Ulmeth::~GetLidarDataDll_Ulmeth() = default;

std::string GetLidarDataDll_Ulmeth::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
