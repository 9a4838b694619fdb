// The Windows DLL's entry point and its start-up and clean-up glue, linked
// into tarvok.dll alone.
//
// The statically linked C++ run-time allocates an emergency buffer for
// exceptions each time the DLL is loaded and never frees it, so a host that
// reloads the plug-in would lose that much memory per reload. When the host
// frees the library (rather than the process ending, when nothing needs to
// be handed back), the buffer goes back to the heap; no exception can be
// thrown in the library after this point.
//
// The unwinder's table of exception frames takes a lock whose semaphore it
// creates on first use and never closes: registering the DLL's frames at
// load would cost the host one handle per reload. The plug-in runs on the
// host's thread alone, so the registration at load and its undoing at
// unload run with the run-time's thread support off (`_CRT_MT`, which the
// run-time reads to decide whether locks are needed); the lock then only
// comes into being if an exception is ever thrown.
#include <windows.h>

namespace __gnu_cxx {
// The C++ run-time's release of its one-time allocations.
void __freeres() noexcept;
}  // namespace __gnu_cxx

extern "C" {
extern int _CRT_MT;
void __real___register_frame_info(const void* frames, void* object);
void* __real___deregister_frame_info(const void* frames);

void __wrap___register_frame_info(const void* frames, void* object) {
  const int threads = _CRT_MT;
  _CRT_MT = 0;
  __real___register_frame_info(frames, object);
  _CRT_MT = threads;
}

void* __wrap___deregister_frame_info(const void* frames) {
  const int threads = _CRT_MT;
  _CRT_MT = 0;
  void* object = __real___deregister_frame_info(frames);
  _CRT_MT = threads;
  return object;
}
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  const bool freedByHost = reason == DLL_PROCESS_DETACH && reserved == nullptr;
  if (freedByHost) __gnu_cxx::__freeres();
  return TRUE;
}
