#include "sim/file_access.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "hostkit/work_folder.h"

namespace {

namespace fs = std::filesystem;

}  // namespace

// An input is checked before the work: a missing file and a folder are
// refused in an operator's words.
TEST(FileAccessTest, InputsAreCheckedFirst) {
  WorkFolder folder;
  ASSERT_TRUE(folder.ready()) << folder.error();
  const fs::path log = folder.path() / "lag.log";
  std::FILE* file = std::fopen(log.string().c_str(), "wb");
  ASSERT_NE(nullptr, file);
  std::fclose(file);
  std::string why;
  EXPECT_FALSE(checkReadable((folder.path() / "missing.log").string(), &why));
  EXPECT_EQ("there is no such file", why);
  EXPECT_FALSE(checkReadable(folder.path().string(), &why));
  EXPECT_EQ("it is a folder", why);
  EXPECT_TRUE(checkReadable(log.string(), &why)) << why;
}
