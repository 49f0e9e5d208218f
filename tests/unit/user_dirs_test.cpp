// The desktop directory from xdg-user-dirs' file, else ~/Desktop.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/common/user_dirs.h"
#include "test_fixture.h"

namespace {

using platform::xdg::ConfigHome;
using platform::xdg::DesktopDirectory;
using platform::xdg::DesktopFromUserDirs;
using platform::xdg::UserDirsFile;

std::string Utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// As xdg-user-dirs-update writes the file.
const std::string kWritten =
    "# This file is written by xdg-user-dirs-update\n"
    "# If you want to change or add directories, just edit the line you're\n"
    "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n";

struct UserDirsCase {
  const char* name;
  std::string contents;
  std::string home;
  std::optional<std::string> desktop;
};

class UserDirs : public ::testing::TestWithParam<UserDirsCase> {};

TEST_P(UserDirs, GivesTheDesktopLine) {
  const auto& c = GetParam();
  EXPECT_EQ(DesktopFromUserDirs(c.contents, c.home), c.desktop);
}

INSTANTIATE_TEST_SUITE_P(
    Xdg, UserDirs,
    ::testing::Values(
        UserDirsCase{"home_relative", kWritten + "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/home/u",
                     "/home/u/Desktop"},
        UserDirsCase{"localized", Utf8(u8"XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"), "/home/u",
                     Utf8(u8"/home/u/桌面")},
        UserDirsCase{"absolute", "XDG_DESKTOP_DIR=\"/srv/desk\"\n", "/home/u", "/srv/desk"},
        UserDirsCase{"home_itself", "XDG_DESKTOP_DIR=\"$HOME/\"\n", "/home/u", "/home/u/"},
        UserDirsCase{"bare_home", "XDG_DESKTOP_DIR=\"$HOME\"\n", "/home/u", "/home/u"},
        UserDirsCase{"home_with_a_slash", "XDG_DESKTOP_DIR=\"$HOME/D\"\n", "/home/u/", "/home/u/D"},
        UserDirsCase{"blanks_around", "  XDG_DESKTOP_DIR = \"$HOME/D\"  # mine\r\n", "/home/u",
                     "/home/u/D"},
        UserDirsCase{"shell_escapes", "XDG_DESKTOP_DIR=\"$HOME/a \\\"b\\\" \\$c \\\\d \\x\"\n",
                     "/home/u", "/home/u/a \"b\" $c \\d \\x"},
        UserDirsCase{"last_line_wins",
                     "XDG_DESKTOP_DIR=\"$HOME/one\"\nXDG_DESKTOP_DIR=\"$HOME/two\"\n", "/home/u",
                     "/home/u/two"},
        UserDirsCase{"invalid_line_does_not_win",
                     "XDG_DESKTOP_DIR=\"$HOME/one\"\nXDG_DESKTOP_DIR=\"two\"\n", "/home/u",
                     "/home/u/one"},
        UserDirsCase{"no_line_end", "XDG_DESKTOP_DIR=\"/d\"", "/home/u", "/d"},
        UserDirsCase{"absolute_needs_no_home", "XDG_DESKTOP_DIR=\"/d\"\n", "", "/d"},
        UserDirsCase{"empty_file", "", "/home/u", std::nullopt},
        UserDirsCase{"other_keys_only", kWritten, "/home/u", std::nullopt},
        UserDirsCase{"commented_out", "# XDG_DESKTOP_DIR=\"$HOME/D\"\n", "/home/u", std::nullopt},
        UserDirsCase{"longer_key", "XDG_DESKTOP_DIRS=\"$HOME/D\"\n", "/home/u", std::nullopt},
        UserDirsCase{"relative", "XDG_DESKTOP_DIR=\"Desktop\"\n", "/home/u", std::nullopt},
        UserDirsCase{"not_quoted", "XDG_DESKTOP_DIR=$HOME/D\n", "/home/u", std::nullopt},
        UserDirsCase{"quote_not_closed", "XDG_DESKTOP_DIR=\"$HOME/D\n", "/home/u", std::nullopt},
        UserDirsCase{"other_variable", "XDG_DESKTOP_DIR=\"$HOMEDIR/D\"\n", "/home/u", std::nullopt},
        UserDirsCase{"escaped_dollar_is_no_home", "XDG_DESKTOP_DIR=\"\\$HOME/D\"\n", "/home/u",
                     std::nullopt},
        UserDirsCase{"home_unknown", "XDG_DESKTOP_DIR=\"$HOME/D\"\n", "", std::nullopt}),
    CaseName());

struct FileCase {
  const char* name;
  std::string config_home;
  std::string home;
  std::string folder;
  std::string file;
};

class UserDirsPlace : public ::testing::TestWithParam<FileCase> {};

TEST_P(UserDirsPlace, FollowsTheConfigurationDirectory) {
  const auto& c = GetParam();
  EXPECT_EQ(ConfigHome(c.config_home, c.home), c.folder);
  EXPECT_EQ(UserDirsFile(c.config_home, c.home), c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Xdg, UserDirsPlace,
    ::testing::Values(FileCase{"config_home_set", "/cfg", "/home/u", "/cfg", "/cfg/user-dirs.dirs"},
                      FileCase{"config_home_with_slash", "/cfg/", "", "/cfg",
                               "/cfg/user-dirs.dirs"},
                      FileCase{"config_home_is_the_root", "/", "/home/u", "/", "/user-dirs.dirs"},
                      FileCase{"config_home_unset", "", "/home/u", "/home/u/.config",
                               "/home/u/.config/user-dirs.dirs"},
                      FileCase{"home_with_slash", "", "/home/u/", "/home/u/.config",
                               "/home/u/.config/user-dirs.dirs"},
                      FileCase{"relative_config_home_ignored", "cfg", "/home/u", "/home/u/.config",
                               "/home/u/.config/user-dirs.dirs"},
                      FileCase{"relative_config_home_and_no_home", "cfg", "", "", ""},
                      FileCase{"nothing_known", "", "", "", ""}),
    CaseName());

struct DirectoryCase {
  const char* name;
  std::string home;
  std::optional<std::string> user_dirs;
  std::string directory;
};

class DesktopFolder : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(DesktopFolder, EndsInOneSeparator) {
  const auto& c = GetParam();
  EXPECT_EQ(DesktopDirectory(c.home, c.user_dirs), c.directory);
}

INSTANTIATE_TEST_SUITE_P(
    Xdg, DesktopFolder,
    ::testing::Values(
        DirectoryCase{"from_user_dirs", "/home/u", "/home/u/D", "/home/u/D/"},
        DirectoryCase{"user_dirs_with_slash", "/home/u", "/home/u/", "/home/u/"},
        DirectoryCase{"missing_user_dirs", "/home/u", std::nullopt, "/home/u/Desktop/"},
        DirectoryCase{"home_with_slash", "/home/u/", std::nullopt, "/home/u/Desktop/"},
        DirectoryCase{"root_home", "/", std::nullopt, "/Desktop/"},
        DirectoryCase{"nothing_known", "", std::nullopt, ""}),
    CaseName());

}  // namespace
