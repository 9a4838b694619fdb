// The simulator's files: checking before any work starts that an input can
// be read, so that a long run never ends in "cannot read". Each failure
// comes with its reason in an operator's words: "there is no such file",
// "it is a folder", "no permission to read it". (Text files are read
// through hostkit/text_input.h, outputs written through
// hostkit/output_file.h.)
#ifndef TARVOK_TOOLS_SIM_FILE_ACCESS_H_
#define TARVOK_TOOLS_SIM_FILE_ACCESS_H_

#include <string>

// True when the file at `path` can be read; else false with the reason in
// `why`.
bool checkReadable(const std::string& path, std::string* why);

#endif  // TARVOK_TOOLS_SIM_FILE_ACCESS_H_
