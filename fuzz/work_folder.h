// WorkFolder: a fresh temporary folder that lives as long as the object.
// A fuzz target makes one for its whole run and enters it for each input
// with a WorkFolder::Visit (the plug-in reads and creates "tarvok.ini" in
// the current directory); the visit returns to the previous directory, so
// that the fuzzer's own relative paths (corpus, artifacts) stay valid.
#ifndef TARVOK_FUZZ_WORK_FOLDER_H_
#define TARVOK_FUZZ_WORK_FOLDER_H_

#include <filesystem>
#include <string>

class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // The folder is the current directory while a Visit lives.
  class Visit {
   public:
    explicit Visit(const WorkFolder& folder);
    ~Visit();
    Visit(const Visit&) = delete;
    Visit& operator=(const Visit&) = delete;

   private:
    std::filesystem::path previous_;
  };

 private:
  std::filesystem::path path_;
};

#endif  // TARVOK_FUZZ_WORK_FOLDER_H_
