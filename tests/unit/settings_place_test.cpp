// Where a settings file named beside the program is kept.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/common/settings_place.h"
#include "test_fixture.h"

namespace {

using platform::settings_place::SettingsFile;

// Linux paths are UTF-8, whatever the literals of the tests are compiled to.
std::string Utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

struct PlaceCase {
  const char* name;
  std::string file;
  std::string program_directory;
  bool writable;
  std::string user_folder;
  std::string expected;
};

class SettingsPlace : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(SettingsPlace, MovesOnlyFromAnUnwritableProgramDirectory) {
  const auto& c = GetParam();
  EXPECT_EQ(SettingsFile(c.file, c.program_directory, c.writable, c.user_folder, '/'), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Linux, SettingsPlace,
    ::testing::Values(
        PlaceCase{"build_tree_keeps_it_beside", "/src/build/bin/pz.ini", "/src/build/bin", true,
                  "/home/u/.config/tolvane", "/src/build/bin/pz.ini"},
        PlaceCase{"installed_moves_to_the_user", "/usr/lib/tolvane/pz.ini", "/usr/lib/tolvane",
                  false, "/home/u/.config/tolvane", "/home/u/.config/tolvane/pz.ini"},
        PlaceCase{"user_folder_with_slash", "/usr/lib/tolvane/pz.ini", "/usr/lib/tolvane", false,
                  "/cfg/tolvane/", "/cfg/tolvane/pz.ini"},
        PlaceCase{"user_folder_unknown", "/usr/lib/tolvane/pz.ini", "/usr/lib/tolvane", false, "",
                  "/usr/lib/tolvane/pz.ini"},
        PlaceCase{"program_in_the_root", "/pz.ini", "", false, "/cfg/tolvane",
                  "/cfg/tolvane/pz.ini"},
        PlaceCase{"other_directory", "/tmp/pz.ini", "/usr/lib/tolvane", false, "/cfg/tolvane",
                  "/tmp/pz.ini"},
        PlaceCase{"below_the_program", "/usr/lib/tolvane/sub/pz.ini", "/usr/lib/tolvane", false,
                  "/cfg/tolvane", "/usr/lib/tolvane/sub/pz.ini"},
        PlaceCase{"directory_name_only_begins_alike", "/usr/lib/tolvane2/pz.ini",
                  "/usr/lib/tolvane", false, "/cfg/tolvane", "/usr/lib/tolvane2/pz.ini"},
        PlaceCase{"parent_of_the_program", "/usr/lib/pz.ini", "/usr/lib/tolvane", false,
                  "/cfg/tolvane", "/usr/lib/pz.ini"},
        PlaceCase{"bare_name", "pz.ini", "/usr/lib/tolvane", false, "/cfg/tolvane", "pz.ini"},
        PlaceCase{"chinese_folders", Utf8(u8"/opt/九块九/pz.ini"), Utf8(u8"/opt/九块九"), false,
                  Utf8(u8"/家/.config/tolvane"), Utf8(u8"/家/.config/tolvane/pz.ini")}),
    CaseName());

TEST(SettingsPlaceWindows, ProgramFilesMovesToAppData) {
  EXPECT_EQ(SettingsFile(L"C:\\Program Files\\Tolvane\\pz.ini", L"C:\\Program Files\\Tolvane",
                         false, L"C:\\Users\\u\\AppData\\Roaming\\Tolvane", L'\\'),
            L"C:\\Users\\u\\AppData\\Roaming\\Tolvane\\pz.ini");
  EXPECT_EQ(SettingsFile(L"D:\\portable\\pz.ini", L"D:\\portable", true,
                         L"C:\\Users\\u\\AppData\\Roaming\\Tolvane", L'\\'),
            L"D:\\portable\\pz.ini");
}

}  // namespace
