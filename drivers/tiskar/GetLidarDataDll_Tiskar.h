// The exported class of the Tiskar driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Tiskar : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Tiskar();
  GetLidarDataDll_Tiskar(const GetLidarDataDll_Tiskar& other);
  GetLidarDataDll_Tiskar& operator=(const GetLidarDataDll_Tiskar& other);
  ~GetLidarDataDll_Tiskar();

  std::string GetDllCurrentTypeVersionDate() override;
};
