// Loading a driver library at run time. The only place that knows about dlopen; a Windows
// build swaps this file pair for one on LoadLibrary.
#pragma once

#include <memory>
#include <string>

#include "LidarDriverInterface.h"

namespace halverd {

class DriverLibrary {
public:
  // Opens (or returns the already opened) library at this path and resolves the C entry.
  // Null with a reason in *error when the file is missing or lacks the entry.
  static std::shared_ptr<DriverLibrary> open(const std::string& path, std::string* error);

  // Directory searched for lib<name>.so: $LUMIVAR_DRIVER_DIR when set and not empty, else
  // the program's own directory.
  static std::string searchDirectory();
  static std::string pathFor(const std::string& libraryName);

  ILidarDriver* createDriver() const { return m_Create(); }
  void destroyDriver(ILidarDriver* driver) const { m_Destroy(driver); }
  const std::string& path() const { return m_Path; }

private:
  DriverLibrary(std::string path, LumivarCreateDriverFn create, LumivarDestroyDriverFn destroy)
      : m_Path(std::move(path)), m_Create(create), m_Destroy(destroy) {}

  std::string m_Path;
  LumivarCreateDriverFn m_Create;
  LumivarDestroyDriverFn m_Destroy;
};

}  // namespace halverd
