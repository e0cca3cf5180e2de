// The exported class of the Sembrel_WideAngle driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Sembrel_WideAngle : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Sembrel_WideAngle();
  GetLidarDataDll_Sembrel_WideAngle(const GetLidarDataDll_Sembrel_WideAngle& other);
  GetLidarDataDll_Sembrel_WideAngle& operator=(const GetLidarDataDll_Sembrel_WideAngle& other);
  ~GetLidarDataDll_Sembrel_WideAngle();

  std::string GetDllCurrentTypeVersionDate() override;
};
