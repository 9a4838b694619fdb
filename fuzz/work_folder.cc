#include "work_folder.h"

#include <stdlib.h>  // mkdtemp

#include <system_error>

#include "fuzz_check.h"

WorkFolder::WorkFolder() {
  std::error_code error;
  std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
  if (error) temporary = "/tmp";
  std::string pattern = (temporary / "tarvok-fuzz-XXXXXX").string();
  FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr, "cannot make " + pattern);
  path_ = pattern;
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

WorkFolder::Visit::Visit(const WorkFolder& folder) {
  std::error_code error;
  previous_ = std::filesystem::current_path(error);
  FUZZ_CHECK(!error, "no current directory: " + error.message());
  std::filesystem::current_path(folder.path(), error);
  FUZZ_CHECK(!error, "cannot enter " + folder.path().string());
}

WorkFolder::Visit::~Visit() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}
