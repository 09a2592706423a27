#include "platform/rtl/Modules.h"

#include <dlfcn.h>

#include "platform/rtl/SysUtils.h"

namespace {

thread_local std::string lastModuleError;

bool EndsWithDll(const std::string& name) {
  return name.size() > 4 && SameText(name.substr(name.size() - 4), ".dll");
}

}  // namespace

std::string ModuleFileName(const std::string& name) {
  if (name.find_first_of("/\\") != std::string::npos) return PlatformPath(name);
  if (EndsWithDll(name)) return GetProgramFolder() + "lib" + name.substr(0, name.size() - 4) + ".so";
  return GetProgramFolder() + name;
}

TModuleHandle LoadModule(const std::string& name) {
  if (name.empty()) {
    lastModuleError = "no module name";
    return nullptr;
  }
  const std::string fileName = ModuleFileName(name);
  TModuleHandle handle = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = ::dlerror();
    lastModuleError = error ? error : "cannot load " + fileName;
  }
  return handle;
}

void* GetModuleSymbol(TModuleHandle handle, const std::string& symbolName) {
  if (!handle) {
    lastModuleError = "no module";
    return nullptr;
  }
  ::dlerror();
  void* symbol = ::dlsym(handle, symbolName.c_str());
  if (!symbol) {
    const char* error = ::dlerror();
    lastModuleError = error ? error : symbolName + " is null";
  }
  return symbol;
}

void FreeModule(TModuleHandle handle) {
  if (handle) ::dlclose(handle);
}

std::string ModuleError() { return lastModuleError; }
