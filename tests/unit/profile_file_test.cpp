// The settings file's bytes, read and edited as the Windows profile functions
// do it. Texts here are code page 936, like the system's own.
#include <gtest/gtest.h>

#include <string>

#include "platform/common/profile_file.h"
#include "test_fixture.h"

namespace {

using platform::profile::kValueLimit;
using platform::profile::ReadValue;
using platform::profile::WriteValue;

const std::string kBom = "\xEF\xBB\xBF";
const std::string kLongest(kValueLimit, 'v');
const std::string kTooLong = kLongest + "wxyz";

struct ReadCase {
  const char* name;
  std::string contents;
  std::string section;
  std::string key;
  std::string value;
};

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, GivesTheValueWindowsWouldGive) {
  const auto& c = GetParam();
  EXPECT_EQ(ReadValue(c.contents, c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileRead,
    ::testing::Values(
        // What the first-run rule looks at.
        ReadCase{"empty_file", "", "kj", "kj", ""},
        ReadCase{"missing_section", "[other]\r\nkj=1\r\n", "kj", "kj", ""},
        ReadCase{"missing_key", "[kj]\r\nother=1\r\n", "kj", "kj", ""},
        ReadCase{"empty_value", "[kj]\r\nkj=\r\n", "kj", "kj", ""},
        ReadCase{"zero", "[kj]\r\nkj=0\r\n", "kj", "kj", "0"},
        ReadCase{"one", "[kj]\r\nkj=1\r\n", "kj", "kj", "1"},
        ReadCase{"key_only_in_another_section", "[a]\r\nkj=1\r\n[kj]\r\nx=2\r\n", "kj", "kj", ""},
        ReadCase{"key_before_any_section", "kj=1\r\n[kj]\r\n", "kj", "kj", ""},
        // Names.
        ReadCase{"names_in_other_case", "[KJ]\r\nkJ=1\r\n", "Kj", "KJ", "1"},
        ReadCase{"blanks_around_names_and_value", " \t[ kj ]\t\r\n  kj \t=  1 \t\r\n", "kj", "kj",
                 "1"},
        ReadCase{"blanks_around_the_names_asked_for", "[kj]\r\nkj=1\r\n", " kj\t", "\tkj ", "1"},
        ReadCase{"blanks_inside_value_kept", "[kj]\r\nkj=a  b\r\n", "kj", "kj", "a  b"},
        ReadCase{"text_after_the_bracket", "[kj] ; note\r\nkj=1\r\n", "kj", "kj", "1"},
        ReadCase{"no_closing_bracket", "[kj\r\nkj=1\r\n", "kj", "kj", "1"},
        ReadCase{"value_with_equals_signs", "[kj]\r\nkj=a=b\r\n", "kj", "kj", "a=b"},
        ReadCase{"chinese_names", "[设置]\r\n快捷=已建\r\n", "设置", "快捷", "已建"},
        // 0x81 0x41 and 0x81 0x61 are two characters, not one in two cases.
        ReadCase{"second_bytes_are_not_letters", "[\x81\x61]\r\nkj=1\r\n", "\x81\x41", "kj", ""},
        // The second byte of 0x81 0x5D has the value of ']'.
        ReadCase{"second_byte_like_a_bracket", "[\x81\x5D]\r\nkj=1\r\n", "\x81\x5D", "kj", "1"},
        // Quotes.
        ReadCase{"double_quotes_taken_off", "[kj]\r\nkj=\" 1 \"\r\n", "kj", "kj", " 1 "},
        ReadCase{"single_quotes_taken_off", "[kj]\r\nkj='1'\r\n", "kj", "kj", "1"},
        ReadCase{"quotes_inside_blanks", "[kj]\r\nkj= \"1\" \r\n", "kj", "kj", "1"},
        ReadCase{"mismatched_quotes_kept", "[kj]\r\nkj=\"1'\r\n", "kj", "kj", "\"1'"},
        ReadCase{"lone_quote_kept", "[kj]\r\nkj=\"\r\n", "kj", "kj", "\""},
        ReadCase{"inner_quotes_kept", "[kj]\r\nkj=a\"b\"\r\n", "kj", "kj", "a\"b\""},
        ReadCase{"empty_quotes", "[kj]\r\nkj=\"\"\r\n", "kj", "kj", ""},
        // Lines that are not keys.
        ReadCase{"comment_skipped", "[kj]\r\n;kj=0\r\nkj=1\r\n", "kj", "kj", "1"},
        ReadCase{"indented_comment_skipped", "[kj]\r\n  ;kj=0\r\n", "kj", "kj", ""},
        ReadCase{"hash_is_no_comment", "[kj]\r\n#kj=0\r\n", "kj", "#kj", "0"},
        ReadCase{"line_without_equals_skipped", "[kj]\r\nkj\r\nkj=1\r\n", "kj", "kj", "1"},
        // Line ends and the byte order mark.
        ReadCase{"lf_only", "[a]\nx=2\n[kj]\nkj=1\n", "kj", "kj", "1"},
        ReadCase{"mixed_line_ends", "[a]\r\nx=2\n[kj]\r\nkj=1\n", "kj", "kj", "1"},
        ReadCase{"no_line_end_at_the_end", "[kj]\r\nkj=1", "kj", "kj", "1"},
        ReadCase{"lone_carriage_return_is_a_blank", "[kj]\r\nkj=1\r\r\n", "kj", "kj", "1"},
        ReadCase{"bom_before_the_first_section", kBom + "[kj]\r\nkj=1\r\n", "kj", "kj", "1"},
        // Duplicates: the first one counts.
        ReadCase{"duplicated_key", "[kj]\r\nkj=1\r\nkj=2\r\n", "kj", "kj", "1"},
        ReadCase{"duplicated_section", "[kj]\r\nkj=1\r\n[KJ]\r\nkj=2\r\n", "kj", "kj", "1"},
        ReadCase{"key_only_in_the_second_of_two", "[kj]\r\nx=1\r\n[kj]\r\nkj=2\r\n", "kj", "kj",
                 ""},
        // The buffer of 10240 bytes.
        ReadCase{"longest_value_whole", "[kj]\r\nkj=" + kLongest + "\r\n", "kj", "kj", kLongest},
        ReadCase{"longer_value_cut", "[kj]\r\nkj=" + kTooLong + "\r\n", "kj", "kj", kLongest},
        ReadCase{"cut_after_the_quotes", "[kj]\r\nkj=\"" + kTooLong + "\"\r\n", "kj", "kj",
                 kLongest}),
    CaseName());

struct WriteCase {
  const char* name;
  std::string before;
  std::string section;
  std::string key;
  std::string value;
  std::string after;
};

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheKeysLineAndReadsBack) {
  const auto& c = GetParam();
  std::string contents = c.before;
  ASSERT_TRUE(WriteValue(contents, c.section, c.key, c.value));
  EXPECT_EQ(contents, c.after);
  EXPECT_EQ(ReadValue(contents, c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileWrite,
    ::testing::Values(
        // The file and the section made when missing; a new file ends in CRLF.
        WriteCase{"new_file", "", "kj", "kj", "1", "[kj]\r\nkj=1\r\n"},
        WriteCase{"bom_only", kBom, "kj", "kj", "1", kBom + "[kj]\r\nkj=1\r\n"},
        WriteCase{"section_added_at_the_end", "[a]\r\nx=1\r\n\r\n", "kj", "kj", "1",
                  "[a]\r\nx=1\r\n\r\n[kj]\r\nkj=1\r\n"},
        WriteCase{"section_added_after_an_open_last_line", "[a]\nx=1", "kj", "kj", "1",
                  "[a]\nx=1\n[kj]\nkj=1\n"},
        WriteCase{"names_written_trimmed", "", " kj\t", "\tkj ", "1", "[kj]\r\nkj=1\r\n"},
        // A value replaced where it stands.
        WriteCase{"value_replaced", "[kj]\r\nkj=0\r\n", "kj", "kj", "1", "[kj]\r\nkj=1\r\n"},
        WriteCase{"empty_value_replaced", "[kj]\r\nkj=\r\n", "kj", "kj", "1", "[kj]\r\nkj=1\r\n"},
        WriteCase{"quoted_value_replaced", "[kj]\r\nkj=\"0\"\r\n", "kj", "kj", "1",
                  "[kj]\r\nkj=1\r\n"},
        WriteCase{"layout_of_the_line_kept", "[KJ]\r\n  Kj = 0  \r\n", "kj", "kj", "1",
                  "[KJ]\r\n  Kj = 1\r\n"},
        WriteCase{"line_keeps_its_own_end", "[kj]\r\nkj=0\n[a]\r\n", "kj", "kj", "1",
                  "[kj]\r\nkj=1\n[a]\r\n"},
        WriteCase{"value_emptied", "[kj]\r\nkj=1\r\n", "kj", "kj", "", "[kj]\r\nkj=\r\n"},
        WriteCase{"longest_value_written_whole", "", "kj", "kj", kLongest,
                  "[kj]\r\nkj=" + kLongest + "\r\n"},
        WriteCase{"first_of_duplicated_keys", "[kj]\r\nkj=0\r\nkj=2\r\n", "kj", "kj", "1",
                  "[kj]\r\nkj=1\r\nkj=2\r\n"},
        WriteCase{"first_of_duplicated_sections", "[kj]\r\nkj=0\r\n[kj]\r\nkj=2\r\n", "kj", "kj",
                  "1", "[kj]\r\nkj=1\r\n[kj]\r\nkj=2\r\n"},
        WriteCase{"after_a_bom", kBom + "[kj]\r\nkj=0\r\n", "kj", "kj", "1",
                  kBom + "[kj]\r\nkj=1\r\n"},
        // A key added after the last key of its section.
        WriteCase{"key_added_before_blank_lines", "[kj]\r\na=1\r\n\r\n[b]\r\nc=2\r\n", "kj", "kj",
                  "1", "[kj]\r\na=1\r\nkj=1\r\n\r\n[b]\r\nc=2\r\n"},
        WriteCase{"key_added_before_the_next_sections_comment",
                  "[kj]\r\na=1\r\n; about b\r\n[b]\r\n", "kj", "kj", "1",
                  "[kj]\r\na=1\r\nkj=1\r\n; about b\r\n[b]\r\n"},
        WriteCase{"key_added_under_a_bare_header", "[kj]\r\n\r\n[b]\r\n", "kj", "kj", "1",
                  "[kj]\r\nkj=1\r\n\r\n[b]\r\n"},
        WriteCase{"key_added_under_an_open_last_header", "[kj]", "kj", "kj", "1",
                  "[kj]\r\nkj=1\r\n"},
        WriteCase{"key_added_after_an_open_last_key", "[kj]\na=1", "kj", "kj", "1",
                  "[kj]\na=1\nkj=1\n"},
        WriteCase{"line_without_equals_is_no_key", "[kj]\r\nkj\r\n", "kj", "kj", "1",
                  "[kj]\r\nkj=1\r\nkj\r\n"},
        WriteCase{"commented_key_is_no_key", "[kj]\r\n;kj=0\r\n", "kj", "kj", "1",
                  "[kj]\r\nkj=1\r\n;kj=0\r\n"},
        WriteCase{"key_in_another_case_of_section", "[KJ]\r\n", "kj", "kj", "1",
                  "[KJ]\r\nkj=1\r\n"},
        // New lines take the line end most lines have.
        WriteCase{"mostly_lf", "[a]\nx=1\r\ny=2\n", "kj", "kj", "1",
                  "[a]\nx=1\r\ny=2\n[kj]\nkj=1\n"},
        WriteCase{"mostly_crlf", "[kj]\r\nx=1\ny=2\r\n", "kj", "kj", "1",
                  "[kj]\r\nx=1\ny=2\r\nkj=1\r\n"},
        WriteCase{"as_many_of_each", "[kj]\r\nx=1\n", "kj", "kj", "1", "[kj]\r\nx=1\nkj=1\r\n"},
        // A section whose name differs only in second bytes is another one.
        WriteCase{"second_bytes_are_not_letters", "[\x81\x61]\r\n", "\x81\x41", "kj", "1",
                  "[\x81\x61]\r\n[\x81\x41]\r\nkj=1\r\n"},
        // Everything else byte for byte: comments, blank lines, other
        // sections, keys outside sections, every line's own end.
        WriteCase{"everything_else_kept",
                  kBom + "top=0\n; settings\r\n[a]\r\n x = 1 \n\n[KJ]\t; first\r\nkj=0\r\n"
                         "other = 'q'\n;kj=9\r\n\r\n[b]\nkj=2",
                  "kj", "kj", "1",
                  kBom + "top=0\n; settings\r\n[a]\r\n x = 1 \n\n[KJ]\t; first\r\nkj=1\r\n"
                         "other = 'q'\n;kj=9\r\n\r\n[b]\nkj=2"}),
    CaseName());

struct RefusedCase {
  const char* name;
  std::string section;
  std::string key;
  std::string value;
};

class ProfileWriteRefused : public ::testing::TestWithParam<RefusedCase> {};

// A line break would make lines of its own, as sections or keys of others; a
// name the file cannot hold would be read as another one, or as none.
TEST_P(ProfileWriteRefused, LeavesTheContentsAsTheyWere) {
  const auto& c = GetParam();
  const std::string before = "[kj]\r\nkj=0\r\n[x]\r\ny=1\r\n";
  std::string contents = before;
  EXPECT_FALSE(WriteValue(contents, c.section, c.key, c.value));
  EXPECT_EQ(contents, before);
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileWriteRefused,
    ::testing::Values(RefusedCase{"newline_in_value", "kj", "kj", "1\n[x]"},
                      RefusedCase{"carriage_return_in_value", "kj", "kj", "1\ry=2"},
                      RefusedCase{"newline_in_key", "kj", "k\nj", "1"},
                      RefusedCase{"newline_in_section", "k\nj", "kj", "1"},
                      // "[x]z]" names the section x, "y=z=2" sets y.
                      RefusedCase{"bracket_in_section", "x]z", "y", "2"},
                      RefusedCase{"equals_in_key", "x", "y=z", "2"},
                      // "[x=2" is a section header, ";kj=1" a comment.
                      RefusedCase{"key_like_a_section_header", "kj", "[x", "2"},
                      RefusedCase{"key_like_a_comment", "kj", " ;kj", "1"},
                      // 0x81 takes the ']' or '=' written after it as its second byte.
                      RefusedCase{"section_ends_in_a_lead_byte", "kj\x81", "kj", "1"},
                      RefusedCase{"key_ends_in_a_lead_byte", "kj", "kj\x81", "1"}),
    CaseName());

}  // namespace
