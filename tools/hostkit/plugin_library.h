// PluginLibrary: loads the plug-in library the way the real host does and
// finds its one export, `talk`, by its platform's symbol name. Host programs
// know the plug-in only through this and the boundary headers. Unloading
// destroys every bot instance the library holds.
#ifndef TARVOK_TOOLS_HOSTKIT_PLUGIN_LIBRARY_H_
#define TARVOK_TOOLS_HOSTKIT_PLUGIN_LIBRARY_H_

#include <string>

#include "host/bot_event.h"

typedef void(TARVOK_STDCALL* TalkFunction)(BotEvent& event);

class PluginLibrary {
 public:
  PluginLibrary() = default;
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;
  ~PluginLibrary() { unload(); }

  // Loads the library at `path`. On failure returns false and says why in
  // `error`.
  bool load(const std::string& path, std::string* error);
  void unload();

  bool loaded() const { return module_ != nullptr; }
  TalkFunction talk() const { return talk_; }

  // The name under which this platform's build exports `talk`.
  static const char* talkSymbol();
  // The library's file name on this platform: "tarvok.so" or "tarvok.dll".
  static const char* defaultFileName();

 private:
  void* module_ = nullptr;
  TalkFunction talk_ = nullptr;
};

#endif  // TARVOK_TOOLS_HOSTKIT_PLUGIN_LIBRARY_H_
