// RereadableInput: a file a tool reads more than once (a lag log: once to
// learn it, again to play it, and again in every process of a sweep).
//
// A regular file is read where it lies. Anything else (a pipe, as from
// "<(zcat lag.log.gz)" or /dev/stdin; a named pipe; a device) would give
// nothing the second time, or wait for a writer for good: open() reads it
// once, to its end, into a temporary file that the tool then reads as often
// as it needs. The copy lives in a WorkFolder of its own, removed when the
// object goes or the program is interrupted. Its lines are bounded as every
// reader's are: a line longer than kLongestInputLine ends the copy.
#ifndef TARVOK_TOOLS_HOSTKIT_REREADABLE_INPUT_H_
#define TARVOK_TOOLS_HOSTKIT_REREADABLE_INPUT_H_

#include <memory>
#include <string>

#include "hostkit/text_input.h"
#include "hostkit/work_folder.h"

class RereadableInput {
 public:
  // kCannotRead: `why` holds the reason ("there is no such file");
  // kRefused: the whole message ("NAME:LINE: line longer than N bytes").
  TextRead open(const std::string& path, std::string* why);
  // The file to read: the path given, or the copy.
  const std::string& readFrom() const { return readFrom_; }
  bool copied() const { return copy_ != nullptr; }

 private:
  std::unique_ptr<WorkFolder> copy_;
  std::string readFrom_;
};

#endif  // TARVOK_TOOLS_HOSTKIT_REREADABLE_INPUT_H_
