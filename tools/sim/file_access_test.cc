#include "sim/file_access.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hostkit/text_input.h"
#include "hostkit/work_folder.h"

namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& path) {
  std::string contents;
  std::string why;
  EXPECT_EQ(TextRead::kRead, readTextFile(path.string(), &contents, &why))
      << why;
  return contents;
}

}  // namespace

// An output is checked before the work and written at its end: the check
// leaves nothing behind, the write replaces an older file whole, and a
// write that cannot happen leaves the older file as it was. Each refusal
// says why in an operator's words.
TEST(FileAccessTest, OutputsAreCheckedFirstAndReplacedWhole) {
  WorkFolder folder;
  ASSERT_TRUE(folder.ready()) << folder.error();
  const fs::path chart = folder.path() / "lag.html";
  std::string why;

  EXPECT_TRUE(checkWritable(chart.string(), &why)) << why;
  EXPECT_FALSE(fs::exists(chart));
  EXPECT_TRUE(writeWholeFile(chart.string(), "old page", &why)) << why;
  EXPECT_TRUE(checkWritable(chart.string(), &why)) << why;
  EXPECT_EQ("old page", contentsOf(chart));
  EXPECT_TRUE(writeWholeFile(chart.string(), "new page", &why)) << why;
  EXPECT_EQ("new page", contentsOf(chart));
  EXPECT_FALSE(fs::exists(chart.string() + ".part"));

  // The file the page is written through cannot be made: the old page stays.
  fs::create_directory(chart.string() + ".part");
  EXPECT_FALSE(writeWholeFile(chart.string(), "lost page", &why));
  EXPECT_EQ("new page", contentsOf(chart));

  EXPECT_FALSE(checkWritable(folder.path().string(), &why));
  EXPECT_EQ("it is a folder", why);
  const fs::path nowhere = folder.path() / "no_such_folder" / "lag.html";
  EXPECT_FALSE(checkWritable(nowhere.string(), &why));
  EXPECT_EQ("there is no folder " + nowhere.parent_path().string(), why);
  EXPECT_FALSE(fs::exists(nowhere.parent_path()));

  EXPECT_FALSE(checkReadable((folder.path() / "missing.log").string(), &why));
  EXPECT_EQ("there is no such file", why);
  EXPECT_FALSE(checkReadable(folder.path().string(), &why));
  EXPECT_EQ("it is a folder", why);
  EXPECT_TRUE(checkReadable(chart.string(), &why)) << why;
}
