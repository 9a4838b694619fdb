// Library loading on POSIX systems: dlopen and dlsym.
#include <dlfcn.h>

#include "hostkit/plugin_library.h"

const char* PluginLibrary::talkSymbol() { return "_Z4talkR8BotEvent"; }
const char* PluginLibrary::defaultFileName() { return "tarvok.so"; }

bool PluginLibrary::load(const std::string& path, std::string* error) {
  unload();
  // A bare file name would send dlopen searching the system's folders.
  const std::string where =
      path.find('/') == std::string::npos ? "./" + path : path;
  module_ = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module_ == nullptr) {
    *error = dlerror();
    return false;
  }
  talk_ = reinterpret_cast<TalkFunction>(dlsym(module_, talkSymbol()));
  if (talk_ == nullptr) {
    *error = path + " does not export " + talkSymbol();
    unload();
    return false;
  }
  return true;
}

void PluginLibrary::unload() {
  if (module_ != nullptr) dlclose(module_);
  module_ = nullptr;
  talk_ = nullptr;
}
