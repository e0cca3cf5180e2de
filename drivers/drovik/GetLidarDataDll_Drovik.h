// The exported class of the Drovik driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Drovik : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Drovik();
  GetLidarDataDll_Drovik(const GetLidarDataDll_Drovik& other);
  GetLidarDataDll_Drovik& operator=(const GetLidarDataDll_Drovik& other);
  ~GetLidarDataDll_Drovik();

  std::string GetDllCurrentTypeVersionDate() override;
};
