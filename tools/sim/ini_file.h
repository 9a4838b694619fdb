// IniFile: the simulator's copy of "tarvok.ini", the file the plug-in reads
// from the current directory at every accepted Init. Scenario lines add,
// replace and remove lines; after every change the whole file is written
// out again, each line ended by a line feed; a line added to a file so
// written is only appended, so that adding a file's lines one by one (a
// replay's copy of the settings) takes linear time. A copy of another file
// is written byte for byte, until the first change. Without a folder to write
// to (a rehearsal) only the copy in memory changes.
#ifndef TARVOK_TOOLS_SIM_INI_FILE_H_
#define TARVOK_TOOLS_SIM_INI_FILE_H_

#include <cstddef>
#include <string>
#include <vector>

class IniFile {
 public:
  explicit IniFile(bool writesFile) : writesFile_(writesFile) {}

  // Each change returns false, with the reason in `error`, when the file
  // cannot be written; the copy in memory has changed all the same.

  // Adds `line` at the end.
  bool add(const std::string& line, std::string* error);
  // Replaces every line that begins with the key of `line` (its text up to
  // and including the first '='), as the plug-in matches keys, and puts the
  // numbers of those lines (from 1) in `replaced`; adds `line` at the end,
  // leaving `replaced` empty, when there is none.
  bool set(const std::string& line, std::vector<std::size_t>* replaced,
           std::string* error);
  bool clear(std::string* error);
  // Makes the file a copy of `contents`, the bytes of another tarvok.ini;
  // its lines (LF or CR LF ends) are the ones later changes refer to.
  bool copy(const std::string& contents, std::string* error);

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  // Writes the file; false with the reason in `error` when it cannot.
  bool write(std::string* error);
  bool writeBytes(const std::string& bytes, const char* mode,
                  std::string* error);

  bool writesFile_;
  bool linesWritten_ = false;  // the file holds lines_, each with its end
  std::vector<std::string> lines_;
};

#endif  // TARVOK_TOOLS_SIM_INI_FILE_H_
