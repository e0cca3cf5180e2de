// The exported class of the Sembrel driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Sembrel : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Sembrel();
  GetLidarDataDll_Sembrel(const GetLidarDataDll_Sembrel& other);
  GetLidarDataDll_Sembrel& operator=(const GetLidarDataDll_Sembrel& other);
  ~GetLidarDataDll_Sembrel();

  std::string GetDllCurrentTypeVersionDate() override;
};
