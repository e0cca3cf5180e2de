// The exported model class of the test driver libraries.
#pragma once

#include <string>

#include "GetLidarDataDll.h"

class TestDecoder;

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll_Test : public GetLidarDataDll {
public:
  GetLidarDataDll_Test();
  std::string GetDllCurrentTypeVersionDate() override;
  TestDecoder* testDecoder() const;
};
