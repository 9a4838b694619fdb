// PluginLibrary as host programs use it: a bare file name means the library
// in the current directory, as the host finds the plug-in beside itself, and
// a library that cannot be loaded is refused with a reason naming it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hostkit/plugin_library.h"
#include "recording_host.h"
#include "temp_folder.h"

namespace {

TEST(PluginLibraryTest, LoadsABareFileNameFromTheCurrentDirectory) {
  TempFolder folder;
  std::filesystem::copy_file(RecordingHost::libraryPath(),
                             folder.path() / PluginLibrary::defaultFileName());
  PluginLibrary library;
  std::string error;
  ASSERT_TRUE(library.load(PluginLibrary::defaultFileName(), &error)) << error;
  EXPECT_TRUE(library.loaded());
  EXPECT_NE(library.talk(), nullptr);
  library.unload();
  EXPECT_FALSE(library.loaded());
  EXPECT_EQ(library.talk(), nullptr);
}

TEST(PluginLibraryTest, RefusesWhatIsNoLibraryAndSaysWhich) {
  TempFolder folder;
  folder.write("broken.lib", "not a library");
  for (const char* name : {"absent.lib", "broken.lib"}) {
    SCOPED_TRACE(name);
    PluginLibrary library;
    std::string error;
    EXPECT_FALSE(library.load(name, &error));
    EXPECT_FALSE(library.loaded());
    EXPECT_EQ(library.talk(), nullptr);
    EXPECT_NE(error.find(name), std::string::npos) << error;
  }
}

}  // namespace
