// The exported class of the Yorbek driver library.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Yorbek : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Yorbek();
  GetLidarDataDll_Yorbek(const GetLidarDataDll_Yorbek& other);
  GetLidarDataDll_Yorbek& operator=(const GetLidarDataDll_Yorbek& other);
  ~GetLidarDataDll_Yorbek();

  std::string GetDllCurrentTypeVersionDate() override;
};
