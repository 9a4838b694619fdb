// The Windows DLL's entry point, linked into tarvok.dll alone.
//
// The statically linked C++ run-time allocates an emergency buffer for
// exceptions each time the DLL is loaded and never frees it, so a host that
// reloads the plug-in would lose that much memory per reload. When the host
// frees the library (rather than the process ending, when nothing needs to
// be handed back), the buffer goes back to the heap; no exception can be
// thrown in the library after this point.
#include <windows.h>

namespace __gnu_cxx {
// The C++ run-time's release of its one-time allocations.
void __freeres() noexcept;
}  // namespace __gnu_cxx

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  const bool freedByHost = reason == DLL_PROCESS_DETACH && reserved == nullptr;
  if (freedByHost) __gnu_cxx::__freeres();
  return TRUE;
}
