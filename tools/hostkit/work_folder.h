// WorkFolder: a fresh, empty folder in the system's temporary folder, removed
// with everything in it when the object goes, or when the user interrupts
// the program (Ctrl-C, SIGTERM), or its output's reader goes away (SIGPIPE),
// while the object lives.
//
// The plug-in reads and creates "tarvok.ini" in the current directory, so
// hosts, tests and fuzz targets run it inside a folder of their own: a
// WorkFolder::Visit makes the folder the current directory while it lives
// and then returns to the previous one.
#ifndef TARVOK_TOOLS_HOSTKIT_WORK_FOLDER_H_
#define TARVOK_TOOLS_HOSTKIT_WORK_FOLDER_H_

#include <filesystem>
#include <string>

class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  // False when the folder could not be made; error() says why.
  bool ready() const { return !path_.empty(); }
  const std::string& error() const { return error_; }
  const std::filesystem::path& path() const { return path_; }

  class Visit {
   public:
    explicit Visit(const WorkFolder& folder);
    ~Visit();
    Visit(const Visit&) = delete;
    Visit& operator=(const Visit&) = delete;

    // False when the folder could not be entered; error() says why.
    bool entered() const { return entered_; }
    const std::string& error() const { return error_; }

   private:
    std::filesystem::path previous_;
    bool entered_ = false;
    std::string error_;
  };

 private:
  std::filesystem::path path_;
  std::string error_;
};

// Other temporary files (an output not yet complete, a copy of a piped
// input) are removed on an interruption too while registered here; the
// files of WorkFolder objects are registered by the objects themselves.
void removeOnInterrupt(const std::filesystem::path& path);
void keepOnInterrupt(const std::filesystem::path& path);

#endif  // TARVOK_TOOLS_HOSTKIT_WORK_FOLDER_H_
