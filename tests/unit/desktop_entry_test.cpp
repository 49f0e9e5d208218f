// The launcher's text: the quoting of its Exec value and the escapes of its
// string values. Texts here are UTF-8, as Linux file names are.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/common/desktop_entry.h"
#include "test_fixture.h"

namespace {

using platform::desktop_entry::EscapeValue;
using platform::desktop_entry::ExecValue;
using platform::desktop_entry::LauncherText;
using platform::desktop_entry::QuoteArgument;

// The tests compile their plain literals to code page 936; these stay UTF-8.
std::string Utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// How a reader of the format gets a string value back: the key-file escapes
// undone.
std::string Unescape(std::string_view value) {
  std::string text;
  for (std::size_t at = 0; at < value.size(); ++at) {
    if (value[at] != '\\' || at + 1 == value.size()) {
      text += value[at];
      continue;
    }
    switch (value[++at]) {
      case 's':
        text += ' ';
        break;
      case 'n':
        text += '\n';
        break;
      case 't':
        text += '\t';
        break;
      case 'r':
        text += '\r';
        break;
      default:
        text += value[at];
    }
  }
  return text;
}

// How a reader gets the arguments of an Exec value back: escapes undone, then
// the quoting, then "%%" made "%".
std::vector<std::string> ExecArguments(std::string_view exec) {
  const std::string command = Unescape(exec);
  std::vector<std::string> arguments;
  std::size_t at = 0;
  while (at < command.size()) {
    if (command[at] == ' ') {
      ++at;
      continue;
    }
    std::string argument;
    if (command[at] == '"') {
      for (++at; at < command.size() && command[at] != '"'; ++at) {
        if (command[at] == '\\' && at + 1 < command.size()) ++at;
        argument += command[at];
      }
      ++at;  // the closing quote
    } else {
      for (; at < command.size() && command[at] != ' '; ++at) argument += command[at];
    }
    std::string expanded;
    for (std::size_t i = 0; i < argument.size(); ++i) {
      expanded += argument[i];
      if (argument[i] == '%' && i + 1 < argument.size() && argument[i + 1] == '%') ++i;
    }
    arguments.push_back(expanded);
  }
  return arguments;
}

struct ExecCase {
  const char* name;
  std::string program;
  std::string quoted;  // QuoteArgument
  std::string exec;    // the Exec value as written in the file
};

class LauncherExec : public ::testing::TestWithParam<ExecCase> {};

TEST_P(LauncherExec, IsQuotedEscapedAndReadsBackAsTheProgram) {
  const auto& c = GetParam();
  EXPECT_EQ(QuoteArgument(c.program), c.quoted);
  EXPECT_EQ(ExecValue(c.program), c.exec);
  EXPECT_EQ(ExecArguments(ExecValue(c.program)), std::vector<std::string>{c.program});
}

INSTANTIATE_TEST_SUITE_P(
    DesktopEntry, LauncherExec,
    ::testing::Values(
        ExecCase{"plain", "/opt/tolvane/tolvane", "/opt/tolvane/tolvane", "/opt/tolvane/tolvane"},
        ExecCase{"space", "/home/u/my apps/tolvane", "\"/home/u/my apps/tolvane\"",
                 "\"/home/u/my apps/tolvane\""},
        ExecCase{"double_quote", "/a\"b/t", "\"/a\\\"b/t\"", "\"/a\\\\\"b/t\""},
        ExecCase{"single_quote", "/it's/t", "\"/it's/t\"", "\"/it's/t\""},
        // One backslash in the path is four in the file.
        ExecCase{"backslash", "/a\\b/t", "\"/a\\\\b/t\"", "\"/a\\\\\\\\b/t\""},
        ExecCase{"dollar", "/$HOME/t", "\"/\\$HOME/t\"", "\"/\\\\$HOME/t\""},
        ExecCase{"backtick", "/a`id`/t", "\"/a\\`id\\`/t\"", "\"/a\\\\`id\\\\`/t\""},
        ExecCase{"percent_is_doubled", "/100%/t%f", "/100%/t%f", "/100%%/t%%f"},
        ExecCase{"percent_inside_quotes", "/100 %/t", "\"/100 %/t\"", "\"/100 %%/t\""},
        ExecCase{"equals_sign_needs_nothing", "/a=b/t", "/a=b/t", "/a=b/t"},
        ExecCase{"non_ascii_needs_nothing", Utf8(u8"/home/u/程序/tolvane"),
                 Utf8(u8"/home/u/程序/tolvane"), Utf8(u8"/home/u/程序/tolvane")},
        ExecCase{"non_ascii_and_space", Utf8(u8"/home/u/九块九 包邮/tolvane"),
                 Utf8(u8"\"/home/u/九块九 包邮/tolvane\""),
                 Utf8(u8"\"/home/u/九块九 包邮/tolvane\"")},
        ExecCase{"tab_and_newline", "/a\tb\nc/t", "\"/a\tb\nc/t\"", "\"/a\\tb\\nc/t\""},
        ExecCase{"shell_characters", "/a>b<c~d|e&f;g*h?i#j(k)l/t", "\"/a>b<c~d|e&f;g*h?i#j(k)l/t\"",
                 "\"/a>b<c~d|e&f;g*h?i#j(k)l/t\""},
        ExecCase{"reserved_at_the_end", "/opt/t;", "\"/opt/t;\"", "\"/opt/t;\""},
        ExecCase{"empty", "", "\"\"", "\"\""}),
    CaseName());

struct EscapeCase {
  const char* name;
  std::string value;
  std::string escaped;
};

class LauncherValue : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(LauncherValue, IsEscapedAndReadsBack) {
  const auto& c = GetParam();
  EXPECT_EQ(EscapeValue(c.value), c.escaped);
  EXPECT_EQ(Unescape(EscapeValue(c.value)), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    DesktopEntry, LauncherValue,
    ::testing::Values(EscapeCase{"plain", "Tolvane", "Tolvane"},
                      EscapeCase{"inner_blanks_stay", "a b  c", "a b  c"},
                      EscapeCase{"blanks_at_the_ends", " a b ", "\\sa b\\s"},
                      EscapeCase{"single_blank", " ", "\\s"},
                      EscapeCase{"backslash", "a\\b", "a\\\\b"},
                      EscapeCase{"line_breaks_and_tab", "a\nb\rc\td", "a\\nb\\rc\\td"},
                      EscapeCase{"semicolons_stay", "a;b", "a;b"},
                      EscapeCase{"non_ascii", Utf8(u8"Tolvane（九块九包邮购）"),
                                 Utf8(u8"Tolvane（九块九包邮购）")}),
    CaseName());

TEST(DesktopEntry, LauncherHasEveryKeyOnItsOwnLine) {
  const std::string text =
      LauncherText({Utf8(u8"Tolvane（九块九包邮购）"), Utf8(u8"/home/u/九块九 包邮/tolvane"),
                    Utf8(u8"/home/u/九块九 包邮/assets/icon.png")});
  EXPECT_EQ(text, Utf8(u8"[Desktop Entry]\n"
                       u8"Type=Application\n"
                       u8"Version=1.0\n"
                       u8"Name=Tolvane（九块九包邮购）\n"
                       u8"Exec=\"/home/u/九块九 包邮/tolvane\"\n"
                       u8"TryExec=/home/u/九块九 包邮/tolvane\n"
                       u8"Icon=/home/u/九块九 包邮/assets/icon.png\n"
                       u8"Terminal=false\n"
                       u8"Categories=Network;WebBrowser;\n"));
}

// A name or path that would otherwise add a line of its own.
TEST(DesktopEntry, LauncherValuesCannotBreakTheirLine) {
  const std::string text = LauncherText({"a\n[X]", "/t\nExec=/bin/false", "/i\nIcon=x"});
  EXPECT_NE(text.find("Name=a\\n[X]\n"), std::string::npos);
  EXPECT_NE(text.find("Exec=\"/t\\nExec=/bin/false\"\n"), std::string::npos);
  EXPECT_NE(text.find("TryExec=/t\\nExec=/bin/false\n"), std::string::npos);
  EXPECT_NE(text.find("Icon=/i\\nIcon=x\n"), std::string::npos);
  int lines = 0;
  for (const char c : text) lines += c == '\n';
  EXPECT_EQ(lines, 9);
}

}  // namespace
