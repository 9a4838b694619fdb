// Windows figures: TlsAlloc/TlsFree, GetProcessHandleCount, a fresh event's
// handle, and a VirtualQuery walk of the address space for the memory.
#include <windows.h>

#include "process_resources.h"

namespace {

// Sums the committed private pages and every region in use, from the
// lowest address to the highest.
void measureAddressSpace(long long* privateBytes, long long* usedBytes) {
  *privateBytes = 0;
  *usedBytes = 0;
  MEMORY_BASIC_INFORMATION region;
  const char* address = nullptr;
  while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
    const long long size = static_cast<long long>(region.RegionSize);
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
      *privateBytes += size;
    if (region.State != MEM_FREE) *usedBytes += size;
    const char* next =
        static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;  // wrapped around the top
    address = next;
  }
}

}  // namespace

bool ProcessResources::probe(std::string* error) {
  const DWORD slot = TlsAlloc();
  if (slot == TLS_OUT_OF_INDEXES) {
    *error = "TlsAlloc: no slot left";
    return false;
  }
  TlsFree(slot);
  tlsSlot = static_cast<long>(slot);

  DWORD handleCount = 0;
  if (!GetProcessHandleCount(GetCurrentProcess(), &handleCount)) {
    *error = "GetProcessHandleCount failed";
    return false;
  }
  handles = static_cast<long>(handleCount);

  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) {
    *error = "CreateEvent failed";
    return false;
  }
  // Handle values are multiples of four; count them one by one.
  nextHandle = static_cast<long>(reinterpret_cast<UINT_PTR>(event) / 4);
  CloseHandle(event);

  measureAddressSpace(&memoryBytes, &mappedBytes);
  return true;
}
