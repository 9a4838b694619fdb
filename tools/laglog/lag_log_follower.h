// LagLogFollower: reads what the plug-in appends to its lag logs while a
// simulation runs, so that the simulator can show or count each line as it
// is written. Each file is read from its beginning, once it exists; a line
// is passed on when its line feed has arrived (a carriage return before it
// is dropped). A line longer than kLongestLine is passed on as a note that
// says so, its bytes dropped; only regular files are followed. Paths are
// relative to the current directory.
//
// The follower knows its file by identity, looked at by name once a poll:
// when the name holds another file, the one read so far has been rotated
// to PATH.N, and the poll reads the rest of it, then every newer rotated
// file whole (the file rotated more than once since the last poll), then
// the new file from its beginning. So no row is lost across a rotation. A
// file that becomes shorter than what was read of it (cut back in place)
// is read again from its beginning. The file stays open between polls only
// where that does not keep the plug-in from renaming it (not on Windows,
// unless the file is never rotated).
#ifndef TARVOK_TOOLS_LAGLOG_LAG_LOG_FOLLOWER_H_
#define TARVOK_TOOLS_LAGLOG_LAG_LOG_FOLLOWER_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hostkit/host_platform.h"

class LagLogFollower {
 public:
  // Called with the file's path, as given to follow(), and the line (valid
  // during the call).
  using LineHandler =
      std::function<void(const std::string& path, std::string_view line)>;

  static constexpr std::size_t kLongestLine = 64 * 1024;
  // The rotated files looked at for the file read so far: PATH.1 to PATH.N.
  static constexpr int kRotatedFiles = 9;

  LagLogFollower() = default;
  ~LagLogFollower();
  LagLogFollower(const LagLogFollower&) = delete;
  LagLogFollower& operator=(const LagLogFollower&) = delete;

  // Starts following `path`; a path already followed is left as it is.
  void follow(const std::string& path);
  bool following() const { return !files_.empty(); }

  // Passes every complete line appended since the last poll to `handler`.
  void poll(const LineHandler& handler);

  // For logs without a cap (a replay's own): a file held open is read
  // without looking for a rotation, which saves a look at its name a poll,
  // and is held open on every platform.
  void neverRotated() { rotationsWatched_ = false; }

 private:
  struct File {
    std::string path;
    std::FILE* stream = nullptr;  // the file read so far, where held open
    bool known = false;     // a file has been read: `identity` is its
    FileIdentity identity;  // the file read so far
    long offset = 0;        // of its first byte not yet read
    std::string pending;    // the start of a line without its end
    bool skipping = false;  // dropping the rest of an overlong line
  };
  // Reads `stream` from `file.offset` to its end.
  static void readRest(File& file, std::FILE* stream,
                       const LineHandler& handler);
  // After a rotation: the rest of the file read so far, wherever it went,
  // and the rotated files newer than it.
  static void readRotated(File& file, const LineHandler& handler);
  std::vector<File> files_;
  bool rotationsWatched_ = true;
};

#endif  // TARVOK_TOOLS_LAGLOG_LAG_LOG_FOLLOWER_H_
