#include "DriverLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>

#include <QCoreApplication>

namespace halverd {

namespace {

std::string programDirectory() {
  if (QCoreApplication::instance() != nullptr)
    return QCoreApplication::applicationDirPath().toStdString();
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string exe(buffer, static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

}  // namespace

std::string DriverLibrary::searchDirectory() {
  const char* dir = std::getenv("LUMIVAR_DRIVER_DIR");
  if (dir != nullptr && *dir != '\0') return dir;
  return programDirectory();
}

std::string DriverLibrary::pathFor(const std::string& libraryName) {
  return searchDirectory() + "/lib" + libraryName + ".so";
}

std::shared_ptr<DriverLibrary> DriverLibrary::open(const std::string& path, std::string* error) {
  // Libraries stay loaded for the life of the process: frames made inside a library are
  // freed by its code whenever their last holder lets go, which may be long after the
  // driver that made them is gone.
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<DriverLibrary>> opened;

  std::lock_guard<std::mutex> lock(mutex);
  auto it = opened.find(path);
  if (it != opened.end()) return it->second;

  if (::access(path.c_str(), F_OK) != 0) {
    if (error) *error = "no driver library " + path;
    return nullptr;
  }
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    if (error) *error = why ? why : ("cannot load " + path);
    return nullptr;
  }
  auto create = reinterpret_cast<LumivarCreateDriverFn>(::dlsym(handle, LUMIVAR_CREATE_DRIVER_SYMBOL));
  auto destroy = reinterpret_cast<LumivarDestroyDriverFn>(::dlsym(handle, LUMIVAR_DESTROY_DRIVER_SYMBOL));
  if (create == nullptr || destroy == nullptr) {
    if (error) *error = path + " has no driver entry";
    ::dlclose(handle);
    return nullptr;
  }
  std::shared_ptr<DriverLibrary> library(new DriverLibrary(path, create, destroy));
  opened.emplace(path, library);
  return library;
}

}  // namespace halverd
