#include "TestDriver.h"

#include "TestDecoder.h"

#ifndef TEST_DRIVER_TYPE
#define TEST_DRIVER_TYPE "LidarType_Test"
#endif
#ifndef TEST_DRIVER_VERSION
#define TEST_DRIVER_VERSION "v0.0.1"
#endif
#ifndef TEST_DRIVER_DATE
#define TEST_DRIVER_DATE "2026/01/01"
#endif

GetLidarDataDll_Test::GetLidarDataDll_Test() {
  setDecoder(new TestDecoder);
}
GetLidarDataDll_Test::GetLidarDataDll_Test(const GetLidarDataDll_Test& other) = default;
GetLidarDataDll_Test& GetLidarDataDll_Test::operator=(const GetLidarDataDll_Test& other) = default;
GetLidarDataDll_Test::~GetLidarDataDll_Test() = default;

std::string GetLidarDataDll_Test::GetDllCurrentTypeVersionDate() {
  return std::string(TEST_DRIVER_TYPE) + "_" + TEST_DRIVER_VERSION + "_" + TEST_DRIVER_DATE;
}

TestDecoder* GetLidarDataDll_Test::testDecoder() const {
  return static_cast<TestDecoder*>(decoder());
}
