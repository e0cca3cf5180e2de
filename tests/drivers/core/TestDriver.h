// The exported model class of the test driver libraries.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class TestDecoder;

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Test : public GetLidarDataDll {
public:
  // Defined out of line so the library exports them, like every model class.
  GetLidarDataDll_Test();
  GetLidarDataDll_Test(const GetLidarDataDll_Test& other);
  GetLidarDataDll_Test& operator=(const GetLidarDataDll_Test& other);
  ~GetLidarDataDll_Test();
  std::string GetDllCurrentTypeVersionDate() override;
  LUMIVAR_DRIVER_LOCAL TestDecoder* testDecoder() const;  // for the tests linked with the core
};
