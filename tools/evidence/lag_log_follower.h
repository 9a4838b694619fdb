// LagLogFollower: reads what the plug-in appends to its lag logs while a
// simulation runs, so that the simulator can show or count each line as it
// is written. Each file is read from its beginning, once it exists; a line
// is passed on when its line feed has arrived (a carriage return before it
// is dropped). A line longer than kLongestLine is passed on as a note that
// says so, its bytes dropped; only regular files are followed. Paths are
// relative to the current directory.
#ifndef TARVOK_TOOLS_EVIDENCE_LAG_LOG_FOLLOWER_H_
#define TARVOK_TOOLS_EVIDENCE_LAG_LOG_FOLLOWER_H_

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class LagLogFollower {
 public:
  // Called with the file's path, as given to follow(), and the line (valid
  // during the call).
  using LineHandler =
      std::function<void(const std::string& path, std::string_view line)>;

  static constexpr std::size_t kLongestLine = 64 * 1024;

  LagLogFollower() = default;
  ~LagLogFollower();
  LagLogFollower(const LagLogFollower&) = delete;
  LagLogFollower& operator=(const LagLogFollower&) = delete;

  // Starts following `path`; a path already followed is left as it is.
  void follow(const std::string& path);
  bool following() const { return !files_.empty(); }

  // Passes every complete line appended since the last poll to `handler`.
  void poll(const LineHandler& handler);

 private:
  struct File {
    std::string path;
    std::FILE* stream = nullptr;  // nullptr until the file exists
    long offset = 0;              // of the first byte not yet read
    std::string pending;          // the start of a line without its end
    bool skipping = false;        // dropping the rest of an overlong line
  };
  std::vector<File> files_;
};

#endif  // TARVOK_TOOLS_EVIDENCE_LAG_LOG_FOLLOWER_H_
