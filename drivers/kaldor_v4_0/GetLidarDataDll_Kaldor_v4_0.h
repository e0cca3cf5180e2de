// The exported class of the family's driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Kaldor_v4_0 : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Kaldor_v4_0();
  GetLidarDataDll_Kaldor_v4_0(const GetLidarDataDll_Kaldor_v4_0& other);
  GetLidarDataDll_Kaldor_v4_0& operator=(const GetLidarDataDll_Kaldor_v4_0& other);
  ~GetLidarDataDll_Kaldor_v4_0();

  std::string GetDllCurrentTypeVersionDate() override;
};
