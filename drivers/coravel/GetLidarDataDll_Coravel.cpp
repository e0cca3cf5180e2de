#include "GetLidarDataDll_Coravel.h"

#include "LIDAR_Coravel.h"

namespace {
// The sensor reports itself under the key of its sibling model.

constexpr const char* kTypeKey = "LidarType_Yarrel";
constexpr const char* kVersion = "v3.0.0";
constexpr const char* kDate = "2024/08/29";
}  // namespace

GetLidarDataDll_Coravel::GetLidarDataDll_Coravel() { setDecoder(new LIDAR_Coravel); }

GetLidarDataDll_Coravel::GetLidarDataDll_Coravel(const GetLidarDataDll_Coravel& other) = default;

GetLidarDataDll_Coravel& GetLidarDataDll_Coravel::operator=(const GetLidarDataDll_Coravel& other) = default;

// The base destructor stops and deletes the decoder.
GetLidarDataDll_Coravel::~GetLidarDataDll_Coravel() = default;

std::string GetLidarDataDll_Coravel::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
