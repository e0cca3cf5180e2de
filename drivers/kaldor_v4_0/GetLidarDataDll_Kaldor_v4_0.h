// The exported class of the family's driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Kaldor_v4_0 : public GetLidarDataDll {
public:
  GetLidarDataDll_Kaldor_v4_0();
  GetLidarDataDll_Kaldor_v4_0(const GetLidarDataDll_Kaldor_v4_0& other) = default;
  GetLidarDataDll_Kaldor_v4_0& operator=(const GetLidarDataDll_Kaldor_v4_0& other) = default;
  ~GetLidarDataDll_Kaldor_v4_0() = default;

  std::string GetDllCurrentTypeVersionDate() override;
};
