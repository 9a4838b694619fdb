// The simulator's files: checking before any work starts that an input can
// be read and an output written, so that a long run never ends in "cannot
// write", and writing an output whole. Each failure comes with its reason
// in an operator's words: "there is no such file", "it is a folder", "no
// permission to read it", "there is no folder ...". (Text files are read
// through hostkit/text_input.h.)
#ifndef TARVOK_TOOLS_SIM_FILE_ACCESS_H_
#define TARVOK_TOOLS_SIM_FILE_ACCESS_H_

#include <string>

// True when the file at `path` can be read; else false with the reason in
// `why`.
bool checkReadable(const std::string& path, std::string* why);

// True when a file can be written at `path`; else false with the reason in
// `why`. A file that was not there before is not left behind.
bool checkWritable(const std::string& path, std::string* why);

// Writes `contents` to `path` through a file beside it that then takes its
// name, so that a failed write leaves whatever was at `path` as it was.
// False, with the reason in `why`, when it cannot.
bool writeWholeFile(const std::string& path, const std::string& contents,
                    std::string* why);

#endif  // TARVOK_TOOLS_SIM_FILE_ACCESS_H_
