// ProcessResources: what a library that is loaded and freed again and again
// could leave behind in the process. A probe takes the same four figures
// before and after many cycles; any growth is a leak of the library (or of
// the run-time linked into it).
#ifndef TARVOK_TESTS_RELOAD_PROCESS_RESOURCES_H_
#define TARVOK_TESTS_RELOAD_PROCESS_RESOURCES_H_

#include <string>

struct ProcessResources {
  // The index a new thread-local storage slot gets (TlsAlloc, or
  // pthread_key_create), freed again at once: slots never freed push it up.
  long tlsSlot = 0;
  // Open kernel handles (Windows) or file descriptors (POSIX).
  long handles = 0;
  // The number of the handle or file descriptor a new one gets, closed again
  // at once: both systems hand out the lowest free one, so a leak pushes it
  // up (and wine's handle count is always 0).
  long nextHandle = 0;
  // Memory the process owns: heap bytes in use (POSIX) or committed private
  // pages (Windows, summed over the address space with VirtualQuery, which
  // wine answers truthfully where GetProcessMemoryInfo does not).
  long long memoryBytes = 0;
  // Address space mapped: mappings of unloaded modules that stay count here.
  long long mappedBytes = 0;

  // Takes the figures of the running process. False, with the reason in
  // `error`, when one cannot be read.
  bool probe(std::string* error);

  // "tls slot 3, 41 handles, next handle 44, 1234 KiB memory, 56789 KiB
  // mapped".
  std::string describe() const;
};

#endif  // TARVOK_TESTS_RELOAD_PROCESS_RESOURCES_H_
