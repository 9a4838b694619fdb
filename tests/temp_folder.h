// TempFolder: a fresh folder that becomes the current directory for the
// lifetime of the object (the plug-in reads "tarvok.ini" from there), removed
// afterwards with the previous current directory restored.
#ifndef TARVOK_TESTS_TEMP_FOLDER_H_
#define TARVOK_TESTS_TEMP_FOLDER_H_

#include <filesystem>
#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `contents` to `name` inside the folder, byte for byte.
  void write(const std::string& name, const std::string& contents) const;
  std::string read(const std::string& name) const;

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

#endif  // TARVOK_TESTS_TEMP_FOLDER_H_
