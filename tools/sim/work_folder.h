// WorkFolder: a fresh folder in the system's temporary folder that is the
// current directory while the object lives (the plug-in reads and creates
// "tarvok.ini" there). Afterwards the previous current directory comes back
// and the folder is removed with everything the run left in it.
#ifndef TARVOK_TOOLS_SIM_WORK_FOLDER_H_
#define TARVOK_TOOLS_SIM_WORK_FOLDER_H_

#include <filesystem>
#include <string>

class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  // False when the folder could not be made or entered; error() says why.
  bool ready() const { return ready_; }
  const std::string& error() const { return error_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
  bool ready_ = false;
  std::string error_;
};

#endif  // TARVOK_TOOLS_SIM_WORK_FOLDER_H_
