#include <gtest/gtest.h>

#include <cxxabi.h>
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "LidarDriverInterface.h"

namespace {

const char* const kLibraries[] = {TEST_DRIVER_ALPHA, TEST_DRIVER_BETA};

struct LoadedDriver {
  void* handle = nullptr;
  LumivarCreateDriverFn create = nullptr;
  LumivarDestroyDriverFn destroy = nullptr;
  explicit LoadedDriver(const char* path) {
    handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return;
    create = reinterpret_cast<LumivarCreateDriverFn>(dlsym(handle, LUMIVAR_CREATE_DRIVER_SYMBOL));
    destroy = reinterpret_cast<LumivarDestroyDriverFn>(dlsym(handle, LUMIVAR_DESTROY_DRIVER_SYMBOL));
  }
  // Left loaded: clouds made inside a library may outlive the test's last call into it.
};

std::vector<unsigned char> pointPacket(int points) {
  std::vector<unsigned char> bytes(1212, 0);
  bytes[8] = static_cast<unsigned char>(points);
  for (int i = 0; i < points; ++i) bytes[16 + i] = 3;
  return bytes;
}

TEST(DriverLibraries, TwoLibrariesInOneProcessKeepTheirOwnClassesAndCallbacks) {
  LoadedDriver alpha(kLibraries[0]);
  LoadedDriver beta(kLibraries[1]);
  ASSERT_TRUE(alpha.handle && alpha.create && alpha.destroy) << dlerror();
  ASSERT_TRUE(beta.handle && beta.create && beta.destroy) << dlerror();

  ILidarDriver* a = alpha.create();
  ILidarDriver* b = beta.create();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->GetDllCurrentTypeVersionDate(), "LidarType_TestAlpha_v1.0.Alpha_2026/12/10");
  EXPECT_EQ(b->GetDllCurrentTypeVersionDate(), "LidarType_TestBeta_v1.0.Beta_2026/12/10");

  std::atomic<int> framesA{0}, framesB{0}, pointsA{0}, pointsB{0};
  ILidarDriver::TwoCloudFn onA = [&](ILidarDriver::CloudPtr f, ILidarDriver::CloudPtr, int s, int, int, int) {
    if (s != 1) return;
    ++framesA;
    pointsA += static_cast<int>(f->size());
  };
  ILidarDriver::TwoCloudFn onB = [&](ILidarDriver::CloudPtr f, ILidarDriver::CloudPtr, int s, int, int, int) {
    if (s != 1) return;
    ++framesB;
    pointsB += static_cast<int>(f->size());
  };
  a->SetTwoCloudCallback(&onA);
  b->SetTwoCloudCallback(&onB);
  std::vector<unsigned char> packetA = pointPacket(2), packetB = pointPacket(5);
  for (int n = 0; n < 3; ++n) a->setOffLineData(packetA.data(), 1212, LidarDataType_Point, false, 1);
  for (int n = 0; n < 7; ++n) b->setOffLineData(packetB.data(), 1212, LidarDataType_Point, false, 1);

  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((framesA < 3 || framesB < 7) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  alpha.destroy(a);
  beta.destroy(b);
  EXPECT_EQ(framesA.load(), 3);
  EXPECT_EQ(pointsA.load(), 6);
  EXPECT_EQ(framesB.load(), 7);
  EXPECT_EQ(pointsB.load(), 35);
}

std::string demangle(const std::string& name) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> out(abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status),
                                             std::free);
  return status == 0 && out ? std::string(out.get()) : name;
}

bool startsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// The test libraries, then every model library the build placed in the driver directory.
std::vector<std::string> librariesToInspect() {
  std::vector<std::string> paths(std::begin(kLibraries), std::end(kLibraries));
  const char* dir = std::getenv("LUMIVAR_DRIVER_DIR");
  if (!dir) return paths;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    const std::string name = entry.path().filename().string();
    if (startsWith(name, "libLidarDriver") && !startsWith(name, "libLidarDriverTest") &&
        entry.path().extension() == ".so")
      paths.push_back(entry.path().string());
  }
  return paths;
}

TEST(DriverLibraries, ExportOnlyTheTwoClassesAndTheEntry) {
  for (const std::string& path : librariesToInspect()) {
    SCOPED_TRACE(path);
    FILE* nm = popen((std::string("nm -D --defined-only ") + path).c_str(), "r");
    ASSERT_NE(nm, nullptr);
    // Demangled signatures: the complete and base-object variants of a constructor or
    // destructor fold into one, as they are one export of the class.
    std::set<std::string> methods, signatures, modelSignatures, tables;
    std::string modelClass;  // the one GetLidarDataDll_<Model> of this library
    std::vector<std::string> unexpected;
    int entries = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, nm)) {
      std::string text(line);
      const std::size_t last = text.find_last_of(' ');
      if (last == std::string::npos) continue;
      std::string symbol = text.substr(last + 1);
      if (!symbol.empty() && symbol.back() == '\n') symbol.pop_back();
      const std::string name = demangle(symbol);
      if (name == "LumivarCreateDriver" || name == "LumivarDestroyDriver") {
        ++entries;
        continue;
      }
      bool ours = false;
      for (const char* prefix : {"GetLidarDataDll::", "GetLidarDataDll_", "vtable for GetLidarDataDll",
                                 "typeinfo for GetLidarDataDll", "typeinfo name for GetLidarDataDll"})
        ours = ours || startsWith(name, prefix);
      if (!ours) unexpected.push_back(name);
      if (startsWith(name, "GetLidarDataDll_")) {
        const std::size_t scope = name.find("::");
        if (scope == std::string::npos) {
          unexpected.push_back(name);
          continue;
        }
        const std::string cls = name.substr(0, scope);
        if (!modelClass.empty() && modelClass != cls) unexpected.push_back(name);
        modelClass = cls;
        modelSignatures.insert(name.substr(scope + 2));
      }
      if (startsWith(name, "vtable for ") || startsWith(name, "typeinfo for ")) tables.insert(name);
      if (startsWith(name, "GetLidarDataDll::")) {
        signatures.insert(name.substr(17));
        methods.insert(name.substr(17, name.find_first_of("[(") - 17));  // no abi tag
      }
    }
    ASSERT_EQ(pclose(nm), 0);
    EXPECT_EQ(entries, 2);
    EXPECT_TRUE(unexpected.empty()) << unexpected.size() << " further symbols, first: " << unexpected.front();
    // The base class's exports, by name (constructors, destructor and overloads fold together);
    // the library's own helpers are not among them.
    const std::set<std::string> expected = {"GetLidarDataDll",
                                            "~GetLidarDataDll",
                                            "operator=",
                                            "GetComputerIP",
                                            "GetDataPort",
                                            "GetDevPort",
                                            "GetDllCurrentTypeVersionDate",
                                            "GetFPGA_Verdion",
                                            "GetGPS_Latitude",
                                            "GetGPS_Longitude",
                                            "GetGPS_Time",
                                            "GetLidarIP",
                                            "GetLidarPerFrameDate",
                                            "GetLidarPerFrameDatePrt",
                                            "GetLidarPerFrameIsOK",
                                            "GetLidarRotateSpeed",
                                            "GetLidarRotateState",
                                            "GetLidarSoureSelection",
                                            "GetMacAddress",
                                            "LidarStart",
                                            "LidarStop",
                                            "LidarTypeInit",
                                            "MessFunction",
                                            "SendLidarData_UDP",
                                            "SetCalibrationParam",
                                            "SetCallbackMessage",
                                            "SetChannelSelection",
                                            "SetComputerIP",
                                            "SetControllerCallBackFun",
                                            "SetDataPort",
                                            "SetDecCallBackFun",
                                            "SetDevPort",
                                            "SetEcho_SingleOrDouble",
                                            "SetFilteDistanceZero",
                                            "SetFiltrationDataParam",
                                            "SetGroupIp",
                                            "SetHangleRange",
                                            "SetXandrilLineSetParam",
                                            "SetLidarIP",
                                            "SetLidarRotateSpeed",
                                            "SetLidarRotateState",
                                            "SetLidarSetParam",
                                            "SetLidarSoureSelection",
                                            "SetLidarWorkState",
                                            "SetRGB_TypeSelection",
                                            "setOffLineData",
                                            "setSelectRange"};
    EXPECT_EQ(methods, expected);
    EXPECT_TRUE(signatures.count("GetLidarDataDll(GetLidarDataDll const&)"));
    // The model class: both constructors, destructor, assignment and its version text.
    ASSERT_FALSE(modelClass.empty());
    const std::set<std::string> expectedModel = {
        modelClass + "()", modelClass + "(" + modelClass + " const&)", "~" + modelClass + "()",
        "operator=(" + modelClass + " const&)", "GetDllCurrentTypeVersionDate[abi:cxx11]()"};
    EXPECT_EQ(modelSignatures, expectedModel);
    const std::set<std::string> expectedTables = {
        "vtable for GetLidarDataDll", "typeinfo for GetLidarDataDll", "vtable for " + modelClass,
        "typeinfo for " + modelClass};
    EXPECT_EQ(tables, expectedTables);
    // The interface's 58 exports: the two classes' members and their two virtual tables
    // (type information comes on top on this platform).
    EXPECT_EQ(signatures.size() + modelSignatures.size() + 2, 58u);
  }
}

}  // namespace
