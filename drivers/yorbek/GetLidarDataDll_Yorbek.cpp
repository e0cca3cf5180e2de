#include "GetLidarDataDll_Yorbek.h"

#include "LIDAR_Yorbek.h"

namespace {
constexpr const char* kTypeKey = "LidarType_Yorbek";
constexpr const char* kVersion = "v1.0.0";
constexpr const char* kDate = "2023/11/18";
}  // namespace

GetLidarDataDll_Yorbek::GetLidarDataDll_Yorbek() { setDecoder(new LIDAR_Yorbek); }

GetLidarDataDll_Yorbek::GetLidarDataDll_Yorbek(const GetLidarDataDll_Yorbek& other) = default;

GetLidarDataDll_Yorbek& GetLidarDataDll_Yorbek::operator=(const GetLidarDataDll_Yorbek& other) = default;

// The base destructor stops and deletes the decoder.
GetLidarDataDll_Yorbek::~GetLidarDataDll_Yorbek() = default;

std::string GetLidarDataDll_Yorbek::GetDllCurrentTypeVersionDate() {
  return std::string(kTypeKey) + "_" + kVersion + "_" + kDate;
}
