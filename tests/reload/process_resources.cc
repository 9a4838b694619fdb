#include "process_resources.h"

std::string ProcessResources::describe() const {
  return "tls slot " + std::to_string(tlsSlot) + ", " +
         std::to_string(handles) + " handles, next handle " +
         std::to_string(nextHandle) + ", " +
         std::to_string(memoryBytes / 1024) + " KiB memory, " +
         std::to_string(mappedBytes / 1024) + " KiB mapped";
}
