// The exported class of the Coravel driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Coravel : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Coravel();
  GetLidarDataDll_Coravel(const GetLidarDataDll_Coravel& other);
  GetLidarDataDll_Coravel& operator=(const GetLidarDataDll_Coravel& other);
  ~GetLidarDataDll_Coravel();

  std::string GetDllCurrentTypeVersionDate() override;
};
