// TempFolder: a test's own work folder, the current directory while the
// object lives (the plug-in reads "tarvok.ini" from there), with helpers to
// write and read files in it byte for byte.
#ifndef TARVOK_TESTS_TEMP_FOLDER_H_
#define TARVOK_TESTS_TEMP_FOLDER_H_

#include <filesystem>
#include <string>

#include "hostkit/work_folder.h"

class TempFolder {
 public:
  TempFolder() : visit_(folder_) {}

  const std::filesystem::path& path() const { return folder_.path(); }
  void write(const std::string& name, const std::string& contents) const;
  std::string read(const std::string& name) const;

 private:
  WorkFolder folder_;
  WorkFolder::Visit visit_;
};

#endif  // TARVOK_TESTS_TEMP_FOLDER_H_
