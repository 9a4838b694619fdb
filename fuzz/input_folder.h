// InputFolder: runs one fuzz input inside the target's work folder, which is
// made at the first input and removed when the process ends. The plug-in
// reads and creates "tarvok.ini" in the current directory; the previous one
// comes back after the input, so the fuzzer's own relative paths (corpus,
// artifacts) stay valid.
#ifndef TARVOK_FUZZ_INPUT_FOLDER_H_
#define TARVOK_FUZZ_INPUT_FOLDER_H_

#include "fuzz_check.h"
#include "hostkit/work_folder.h"

class InputFolder {
 public:
  InputFolder() : visit_(folder()) {
    FUZZ_CHECK(visit_.entered(), visit_.error());
  }

 private:
  static const WorkFolder& folder() {
    static const WorkFolder workFolder;
    FUZZ_CHECK(workFolder.ready(), workFolder.error());
    return workFolder;
  }

  const WorkFolder::Visit visit_;
};

#endif  // TARVOK_FUZZ_INPUT_FOLDER_H_
