// POSIX figures: a pthread key for the storage slot, the entries of
// /proc/self/fd, a fresh descriptor, glibc's count of heap bytes in use, and
// /proc/self/statm.
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdio>

#include "process_resources.h"

namespace {

bool countOpenDescriptors(long* count) {
  DIR* folder = opendir("/proc/self/fd");
  if (folder == nullptr) return false;
  long entries = 0;
  while (const dirent* entry = readdir(folder)) {
    if (entry->d_name[0] != '.') ++entries;
  }
  closedir(folder);
  *count = entries - 1;  // the descriptor of the listing itself
  return true;
}

bool mappedPages(long long* pages) {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return false;
  const bool read = std::fscanf(statm, "%lld", pages) == 1;
  std::fclose(statm);
  return read;
}

}  // namespace

bool ProcessResources::probe(std::string* error) {
  pthread_key_t key;
  if (pthread_key_create(&key, nullptr) != 0) {
    *error = "pthread_key_create failed";
    return false;
  }
  pthread_key_delete(key);
  tlsSlot = static_cast<long>(key);

  if (!countOpenDescriptors(&handles)) {
    *error = "cannot list /proc/self/fd";
    return false;
  }
  const int descriptor = open("/dev/null", O_RDONLY);
  if (descriptor < 0) {
    *error = "cannot open /dev/null";
    return false;
  }
  nextHandle = descriptor;
  close(descriptor);

  const struct mallinfo2 heap = mallinfo2();
  memoryBytes = static_cast<long long>(heap.uordblks + heap.hblkhd);

  long long pages = 0;
  if (!mappedPages(&pages)) {
    *error = "cannot read /proc/self/statm";
    return false;
  }
  mappedBytes = pages * sysconf(_SC_PAGESIZE);
  return true;
}
