// The exported class of the Fenwyr driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Fenwyr : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Fenwyr();
  GetLidarDataDll_Fenwyr(const GetLidarDataDll_Fenwyr& other);
  GetLidarDataDll_Fenwyr& operator=(const GetLidarDataDll_Fenwyr& other);
  ~GetLidarDataDll_Fenwyr();

  std::string GetDllCurrentTypeVersionDate() override;
};
