// The exported class of the Hestin driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Hestin : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Hestin();
  GetLidarDataDll_Hestin(const GetLidarDataDll_Hestin& other);
  GetLidarDataDll_Hestin& operator=(const GetLidarDataDll_Hestin& other);
  ~GetLidarDataDll_Hestin();

  std::string GetDllCurrentTypeVersionDate() override;
};
