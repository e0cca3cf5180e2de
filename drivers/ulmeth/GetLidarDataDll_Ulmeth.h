// The exported class of the Ulmeth driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Ulmeth : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Ulmeth();
  GetLidarDataDll_Ulmeth(const GetLidarDataDll_Ulmeth& other);
  GetLidarDataDll_Ulmeth& operator=(const GetLidarDataDll_Ulmeth& other);
  ~GetLidarDataDll_Ulmeth();

  std::string GetDllCurrentTypeVersionDate() override;
};
