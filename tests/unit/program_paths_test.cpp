#include <gtest/gtest.h>

#include "platform/program_paths.h"
#include "test_fixture.h"

namespace {

struct PathCase {
  const char* name;
  const char* path;
  char separator;
  const char* directory;
  const char* file;
};

class ProgramPaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(ProgramPaths, CutAtTheLastSeparator) {
  const auto& c = GetParam();
  EXPECT_EQ(platform::DirectoryOf(c.path, c.separator), c.directory);
  EXPECT_EQ(platform::FileNameOf(c.path, c.separator), c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ProgramPaths,
    ::testing::Values(PathCase{"program_files", "C:\\Program Files\\Tolvane\\tolvane.exe", '\\',
                               "C:\\Program Files\\Tolvane", "tolvane.exe"},
                      PathCase{"drive_root", "C:\\tolvane.exe", '\\', "C:", "tolvane.exe"},
                      PathCase{"dotted_folders", "D:\\a.b\\c.d\\tolvane.exe", '\\', "D:\\a.b\\c.d",
                               "tolvane.exe"},
                      PathCase{"linux", "/usr/lib/tolvane/tolvane", '/', "/usr/lib/tolvane",
                               "tolvane"},
                      PathCase{"linux_root", "/tolvane", '/', "", "tolvane"}),
    CaseName());

}  // namespace
