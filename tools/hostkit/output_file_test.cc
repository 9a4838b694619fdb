#include "hostkit/output_file.h"

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

void writeFile(const fs::path& path, const std::string& contents) {
  OutputFile file;
  std::string why;
  ASSERT_TRUE(file.open(path.string(), &why)) << why;
  file.write(contents);
  ASSERT_TRUE(file.commit(&why)) << why;
}

}  // namespace

// A chart written over an older one: opened before the work (the older page
// stays while the work runs, in a file beside it), committed at its end.
// An output abandoned halfway, or whose commit fails, leaves the older page
// and nothing beside it.
TEST(OutputFileTest, ReplacesTheOlderFileOnlyWhenCommitted) {
  WorkFolder folder;
  ASSERT_TRUE(folder.ready()) << folder.error();
  const fs::path chart = folder.path() / "lag.html";
  std::string why;
  writeFile(chart, "old page");

  {
    OutputFile output;
    ASSERT_TRUE(output.open(chart.string(), &why)) << why;
    output.write("half a new page");
    EXPECT_EQ("old page", contentsOf(chart));
    EXPECT_TRUE(fs::exists(chart.string() + ".part"));
  }
  EXPECT_EQ("old page", contentsOf(chart));
  EXPECT_FALSE(fs::exists(chart.string() + ".part"));

  // A file of that name beside it is left alone: another name is taken.
  writeFile(chart.string() + ".part", "someone's notes");
  writeFile(chart, "new page");
  EXPECT_EQ("new page", contentsOf(chart));
  EXPECT_EQ("someone's notes", contentsOf(chart.string() + ".part"));
  EXPECT_FALSE(fs::exists(chart.string() + ".part2"));

  // A commit that cannot rename (a folder stands in the way) fails.
  const fs::path blocked = folder.path() / "blocked.html";
  OutputFile output;
  ASSERT_TRUE(output.open(blocked.string(), &why)) << why;
  fs::create_directory(blocked);
  output.write("lost page");
  EXPECT_FALSE(output.commit(&why));
  EXPECT_FALSE(fs::exists(blocked.string() + ".part"));
}

// What cannot be written is refused at open(), before any work, in an
// operator's words.
TEST(OutputFileTest, RefusesFoldersAndMissingFoldersUpFront) {
  WorkFolder folder;
  ASSERT_TRUE(folder.ready()) << folder.error();
  OutputFile output;
  std::string why;
  EXPECT_FALSE(output.open(folder.path().string(), &why));
  EXPECT_EQ("it is a folder", why);
  const fs::path nowhere = folder.path() / "no_folder" / "lag.html";
  EXPECT_FALSE(output.open(nowhere.string(), &why));
  EXPECT_EQ("there is no folder " + (folder.path() / "no_folder").string(),
            why);
  EXPECT_FALSE(fs::exists(nowhere.parent_path()));
  EXPECT_FALSE(output.isOpen());
}

// An output that is an input, by any spelling, or two outputs that are one
// file, are refused; distinct files pass.
TEST(OutputFileTest, AnOutputThatIsAnInputIsRefused) {
  WorkFolder folder;
  ASSERT_TRUE(folder.ready()) << folder.error();
  WorkFolder::Visit visit(folder);
  ASSERT_TRUE(visit.entered()) << visit.error();
  writeFile("lag.log", "rows\n");
  writeFile("tarvok.ini", "LagLog=lag.log\n");
  fs::create_directory("sub");

  EXPECT_EQ("", sameFileFault({"lag.html", "", "replay.txt"},
                              {"lag.log", "tarvok.ini"}));
  EXPECT_EQ("lag.log is one of the inputs: writing it would destroy it",
            sameFileFault({"lag.log"}, {"tarvok.ini", "lag.log"}));
  EXPECT_EQ(
      "sub/../tarvok.ini is tarvok.ini, one of the inputs: writing it would "
      "destroy it",
      sameFileFault({"", "sub/../tarvok.ini"}, {"lag.log", "tarvok.ini"}));
  EXPECT_EQ("./out.html and out.html are one file, named as two outputs",
            sameFileFault({"out.html", "./out.html"}, {"lag.log"}));
  EXPECT_EQ("out.html is named as two outputs",
            sameFileFault({"out.html", "out.html"}, {}));
  // The folder's tarvok.ini is kept even where it is no input.
  EXPECT_EQ("", folderSettingsFault({"lag.html", ""}));
  EXPECT_EQ(
      "./tarvok.ini is the tarvok.ini of the current folder, which the tools "
      "never write",
      folderSettingsFault({"lag.html", "./tarvok.ini"}));
  EXPECT_EQ("", folderSettingsFault({"sub/tarvok.ini"}));

  std::error_code failure;
  fs::create_symlink("lag.log", "link.html", failure);
  if (!failure) {
    EXPECT_EQ(
        "link.html is lag.log, one of the inputs: writing it would destroy it",
        sameFileFault({"link.html"}, {"lag.log"}));
    // An output through a link replaces the link's target, not the link.
    writeFile("link.html", "page");
    EXPECT_TRUE(fs::is_symlink("link.html"));
    EXPECT_EQ("page", contentsOf("lag.log"));
  }
}
