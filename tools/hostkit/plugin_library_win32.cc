// Library loading on Windows: LoadLibrary and GetProcAddress.
#include <windows.h>

#include <string>

#include "hostkit/plugin_library.h"

const char* PluginLibrary::talkSymbol() { return "?talk@@YGXAAUBotEvent@@@Z"; }
const char* PluginLibrary::defaultFileName() { return "tarvok.dll"; }

namespace {

// The system's text for an error code, without its trailing line end.
std::string systemErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return "error " + std::to_string(code);
  std::string result(text, length);
  LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' '))
    result.pop_back();
  return result;
}

// A relative name is taken from the current directory, as the host finds the
// plug-in beside itself, never from the system's search path.
std::string fullPathOf(const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD length =
      GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) return path;
  return std::string(buffer, length);
}

}  // namespace

bool PluginLibrary::load(const std::string& path, std::string* error) {
  unload();
  HMODULE module = LoadLibraryA(fullPathOf(path).c_str());
  if (module == nullptr) {
    *error = path + ": " + systemErrorText(GetLastError());
    return false;
  }
  module_ = module;
  // Through void (*)(), which converts to any function type without warning.
  const FARPROC symbol = GetProcAddress(module, talkSymbol());
  talk_ = reinterpret_cast<TalkFunction>(reinterpret_cast<void (*)()>(symbol));
  if (talk_ == nullptr) {
    *error = path + " does not export " + talkSymbol();
    unload();
    return false;
  }
  return true;
}

void PluginLibrary::unload() {
  if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
  module_ = nullptr;
  talk_ = nullptr;
}
