// OutputFile: a file a tool writes (a transcript, a chart, a kept lag log),
// written so that nothing already on disk is lost to it.
//
// open() checks everything before any work starts: OUT is no folder and no
// special file (a named pipe, a device, a socket is refused, never
// replaced); a symbolic link is followed, so that its target is replaced,
// not the link; an OUT that is there can be written; and the temporary file
// "OUT.part" (or "OUT.part2", ... when that name is taken) is made beside
// OUT at once, which proves the folder's rights. Everything goes to the
// temporary file; commit() flushes and closes it, checking every write, and
// renames it over OUT. The temporary file is removed when the object goes
// uncommitted, and when the program is interrupted while it lives.
//
// sameFileFault() refuses an output that is one of the inputs or another
// output, by the files' identity (a link, "./", another spelling of the
// path name the same file).
#ifndef TARVOK_TOOLS_HOSTKIT_OUTPUT_FILE_H_
#define TARVOK_TOOLS_HOSTKIT_OUTPUT_FILE_H_

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // False, with the reason in `why` ("it is a named pipe, not a regular
  // file", "no permission to write in the folder ..."), when OUT cannot be
  // written this way.
  bool open(const std::string& path, std::string* why);
  bool isOpen() const { return file_ != nullptr; }
  // Where the output goes until commit(); owned by this object.
  std::FILE* stream() const { return file_; }
  // Writes `contents` to the stream; the outcome shows at commit().
  void write(const std::string& contents);
  // Makes the output OUT; false, with the reason, when a write, the flush
  // or the rename failed (OUT then stays as it was).
  bool commit(std::string* why);

 private:
  void discard();

  std::filesystem::path target_;     // OUT, links followed
  std::filesystem::path temporary_;  // beside it
  std::FILE* file_ = nullptr;
};

// "" when every one of `outputs` (empty ones aside) is a file of its own;
// else the fault: "OUT is LOG, one of the inputs: it would be destroyed" or
// "OUT is named twice as an output".
std::string sameFileFault(const std::vector<std::string>& outputs,
                          const std::vector<std::string>& inputs);

// "" when none of `outputs` is the tarvok.ini of the current folder (when
// there is one), else the fault: "OUT is the tarvok.ini of the current
// folder, which the tools never write". The tools keep that file, whether
// they read it or not.
std::string folderSettingsFault(const std::vector<std::string>& outputs);

#endif  // TARVOK_TOOLS_HOSTKIT_OUTPUT_FILE_H_
