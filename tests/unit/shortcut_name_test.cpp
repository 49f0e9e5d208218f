// The shortcut's file name: the extension added only when the file name itself
// has no dot, on both platforms' separators. Texts are code page 936.
#include <gtest/gtest.h>

#include <string>

#include "platform/common/shortcut_name.h"
#include "test_fixture.h"

namespace {

using platform::shortcut::TitleOf;
using platform::shortcut::WithExtension;

struct NameCase {
  const char* name;
  std::string path;
  char separator;
  std::string extension;
  std::string file;   // the path the shortcut is written to
  std::string title;  // the name a launcher shows
};

class ShortcutName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ShortcutName, ExtensionOnlyForAFileNameWithoutADot) {
  const auto& c = GetParam();
  EXPECT_EQ(WithExtension(c.path, c.separator, c.extension), c.file);
  EXPECT_EQ(TitleOf(c.file, c.separator), c.title);
}

const std::string kName = "Tolvane（九块九包邮购）";

INSTANTIATE_TEST_SUITE_P(
    Shortcut, ShortcutName,
    ::testing::Values(NameCase{"linux_desktop", "/home/u/Desktop/" + kName, '/', ".desktop",
                               "/home/u/Desktop/" + kName + ".desktop", kName},
                      NameCase{"dot_in_a_folder", "/home/u/my.desk/" + kName, '/', ".desktop",
                               "/home/u/my.desk/" + kName + ".desktop", kName},
                      NameCase{"dot_in_the_file_name", "/home/u/Desktop/a.b", '/', ".desktop",
                               "/home/u/Desktop/a.b", "a"},
                      NameCase{"no_directory", kName, '/', ".desktop", kName + ".desktop", kName},
                      NameCase{"dot_file_kept_whole", "/d/.hidden", '/', ".desktop", "/d/.hidden",
                               ".hidden"},
                      NameCase{"windows_desktop", "C:\\Users\\u\\Desktop\\" + kName, '\\', ".lnk",
                               "C:\\Users\\u\\Desktop\\" + kName + ".lnk", kName},
                      NameCase{"windows_dot_in_a_folder", "C:\\Users\\u.v\\Desktop\\" + kName, '\\',
                               ".lnk", "C:\\Users\\u.v\\Desktop\\" + kName + ".lnk", kName},
                      NameCase{"windows_slash_is_no_separator_here", "C:\\a/b.c", '\\', ".lnk",
                               "C:\\a/b.c", "a/b"},
                      // 0x81 0x5C is one character whose second byte has the value of '\'.
                      NameCase{"second_byte_like_a_backslash",
                               "C:\\x.y\\a.\x81\x5C"
                               "b",
                               '\\', ".lnk",
                               "C:\\x.y\\a.\x81\x5C"
                               "b",
                               "a"},
                      NameCase{"second_byte_like_a_backslash_no_dot", "C:\\x.y\\\x81\x5C", '\\',
                               ".lnk", "C:\\x.y\\\x81\x5C.lnk", "\x81\x5C"}),
    CaseName());

}  // namespace
