// The skin file reader of the skin library: what it takes, what it refuses,
// and that a refused file gives no skin at all.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <random>
#include <string>

#include "common/skin_file.h"
#include "common/skin_values.h"
#include "test_fixture.h"

namespace skin {
// Errors by name in the failure messages.
void PrintTo(SkinError error, std::ostream* out) { *out << SkinErrorName(error); }
}  // namespace skin

namespace {

using skin::ParseSkin;
using skin::Rgb;
using skin::Skin;
using skin::SkinError;

// Non-ASCII text is written as UTF-8 escapes: this file's literals are
// compiled to code page 936.
constexpr const char* kWeiRuanYaHei = "\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91";

constexpr const char* kFullSkin =
    "# every key there is\n"
    "[window]\nbackground = #ffffff\ntext = #000000\n"
    "[button]\nface = #F0F0F0\ntext = #101010\nborder = #adadad\n"
    "hover = #0088ff\nhover_text = #fffffe\npressed = #0070d4\n"
    "[edit]\nbackground = #fefefe\ntext = #020202\n"
    "[selection]\nbackground = #0088ff\ntext = #ffffff\n"
    "[dialog]\nbackground = #fdfdfd\ntext = #030303\n"
    "[font]\nface = Microsoft YaHei\nsize = 12\n";

TEST(SkinFileValues, EveryKeyLandsInItsPlace) {
  const auto result = ParseSkin(kFullSkin);
  ASSERT_TRUE(result.ok()) << skin::SkinErrorName(result.error) << " at line " << result.line;
  const Skin& s = result.skin;
  EXPECT_EQ(s.window_background, (Rgb{255, 255, 255}));
  EXPECT_EQ(s.window_text, (Rgb{0, 0, 0}));
  EXPECT_EQ(s.button_face, (Rgb{240, 240, 240}));
  EXPECT_EQ(s.button_text, (Rgb{16, 16, 16}));
  EXPECT_EQ(s.button_border, (Rgb{173, 173, 173}));
  EXPECT_EQ(s.button_hover, (Rgb{0, 136, 255}));
  EXPECT_EQ(s.button_hover_text, (Rgb{255, 255, 254}));
  EXPECT_EQ(s.button_pressed, (Rgb{0, 112, 212}));
  EXPECT_EQ(s.edit_background, (Rgb{254, 254, 254}));
  EXPECT_EQ(s.edit_text, (Rgb{2, 2, 2}));
  EXPECT_EQ(s.selection_background, (Rgb{0, 136, 255}));
  EXPECT_EQ(s.selection_text, (Rgb{255, 255, 255}));
  EXPECT_EQ(s.dialog_background, (Rgb{253, 253, 253}));
  EXPECT_EQ(s.dialog_text, (Rgb{3, 3, 3}));
  EXPECT_EQ(s.font_face, "Microsoft YaHei");
  EXPECT_EQ(s.font_size, 12);
}

TEST(SkinFileValues, WhatTheFileLeavesOutStaysUnset) {
  const auto result = ParseSkin("[button]\nhover = #0088ff\n");
  ASSERT_TRUE(result.ok());
  Skin expected;
  expected.button_hover = Rgb{0, 136, 255};
  EXPECT_EQ(result.skin, expected);
}

// Files that are well-formed, each with the one value it should give.
struct AcceptCase {
  const char* name;
  std::string content;
  std::optional<Rgb> background;  // [window] background
  std::optional<std::string> face = std::nullopt;
};

class SkinFileAccepts : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(SkinFileAccepts, ReadsTheValue) {
  const auto& c = GetParam();
  const auto result = ParseSkin(c.content);
  ASSERT_TRUE(result.ok()) << skin::SkinErrorName(result.error) << " at line " << result.line;
  EXPECT_EQ(result.skin.window_background, c.background);
  EXPECT_EQ(result.skin.font_face, c.face);
}

const Rgb kRed{255, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Skin, SkinFileAccepts,
    ::testing::Values(
        AcceptCase{"plain", "[window]\nbackground = #ff0000\n", kRed},
        AcceptCase{"no_line_end_at_the_end", "[window]\nbackground = #ff0000", kRed},
        AcceptCase{"crlf_line_ends", "[window]\r\nbackground = #ff0000\r\n", kRed},
        AcceptCase{"byte_order_mark", "\xEF\xBB\xBF[window]\nbackground = #ff0000\n", kRed},
        AcceptCase{"blanks_and_tabs_around", "  [ window ]\t\n\t background\t=  #FF0000 \n", kRed},
        AcceptCase{"names_in_any_case", "[WINDOW]\nBackGround = #ff0000\n", kRed},
        AcceptCase{"comments_and_blank_lines", "# a\n; b\n\n   # c\n[window]\nbackground=#ff0000\n",
                   kRed},
        AcceptCase{"unknown_keys_and_sections_with_any_value",
                   "[window]\nbackground = #ff0000\nshadow = 3px {}\nglow = \"\n"
                   "[scrollbar]\nwidth = ; } * { color: red\n",
                   kRed},
        AcceptCase{"unknown_key_with_no_value", "[window]\nbackground = #ff0000\nlater =\n", kRed},
        AcceptCase{"section_given_twice",
                   "[window]\n[font]\nsize = 9\n[window]\nbackground = #ff0000\n", kRed},
        AcceptCase{
            "line_of_the_longest_length",
            "# " + std::string(skin::kMaxLineBytes - 2, 'x') + "\n[window]\nbackground = #ff0000\n",
            kRed},
        AcceptCase{"file_of_the_largest_size",
                   [] {
                     std::string content = "[window]\nbackground = #ff0000\n";
                     while (content.size() < skin::kMaxFileBytes) {
                       const std::size_t left = skin::kMaxFileBytes - content.size();
                       content += left >= 101 ? "#" + std::string(99, 'x') + "\n"
                                              : std::string(left, '\n');
                     }
                     return content;
                   }(),
                   kRed},
        AcceptCase{"face_in_chinese", std::string("[font]\nface = ") + kWeiRuanYaHei + "\n",
                   std::nullopt, kWeiRuanYaHei},
        AcceptCase{"face_of_every_ascii_kind", "[font]\nface = DejaVu_Sans-Mono.2 Bold\n",
                   std::nullopt, "DejaVu_Sans-Mono.2 Bold"},
        AcceptCase{"face_of_the_longest_length",
                   "[font]\nface = " + std::string(skin::kMaxFaceCharacters, 'a') + "\n",
                   std::nullopt, std::string(skin::kMaxFaceCharacters, 'a')},
        AcceptCase{"chinese_in_a_comment",
                   std::string("# ") + kWeiRuanYaHei + "\n[window]\nbackground = #ff0000\n", kRed}),
    CaseName());

// Files that are refused, with the reason and the line it is found on.
struct RejectCase {
  const char* name;
  std::string content;
  SkinError error;
  int line;
};

class SkinFileRejects : public ::testing::TestWithParam<RejectCase> {};

TEST_P(SkinFileRejects, WithItsReasonAndNoSkin) {
  const auto& c = GetParam();
  const auto result = ParseSkin(c.content);
  EXPECT_EQ(result.error, c.error);
  EXPECT_EQ(result.line, c.line);
  EXPECT_EQ(result.skin, Skin{}) << "a refused file must set nothing";
}

// A valid start, so that the fault is the one thing wrong.
const std::string kGood = "[window]\nbackground = #ff0000\n";

std::string Key(const std::string& section, const std::string& line) {
  return kGood + "[" + section + "]\n" + line + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Structure, SkinFileRejects,
    ::testing::Values(
        RejectCase{"empty", "", SkinError::kEmpty, 0},
        RejectCase{"byte_order_mark_alone", "\xEF\xBB\xBF", SkinError::kNothingSet, 0},
        RejectCase{"only_comments_and_blanks", "# nothing\n\n; here\n", SkinError::kNothingSet, 0},
        RejectCase{"only_unknown_names", "[toolbar]\nface = #ffffff\n[window]\nshade = 1\n",
                   SkinError::kNothingSet, 0},
        RejectCase{"key_before_any_section", "background = #ff0000\n[window]\n",
                   SkinError::kOutsideSection, 1},
        RejectCase{"unclosed_section", kGood + "[button\n", SkinError::kBadLine, 3},
        RejectCase{"empty_section_name", kGood + "[ ]\n", SkinError::kBadLine, 3},
        RejectCase{"section_closed_twice", kGood + "[button]]\n", SkinError::kBadLine, 3},
        RejectCase{"section_name_with_a_blank", kGood + "[the button]\n", SkinError::kBadLine, 3},
        RejectCase{"text_after_section", kGood + "[button] face\n", SkinError::kBadLine, 3},
        RejectCase{"line_without_equals", kGood + "face #f0f0f0\n", SkinError::kBadLine, 3},
        RejectCase{"equals_without_key", kGood + "= #f0f0f0\n", SkinError::kBadLine, 3},
        RejectCase{"key_with_a_blank", Key("button", "hover text = #ffffff"), SkinError::kBadLine,
                   4},
        RejectCase{"key_of_punctuation", Key("button", "face; = #ffffff"), SkinError::kBadLine, 4},
        RejectCase{"key_given_twice", Key("window", "background = #00ff00"),
                   SkinError::kDuplicateKey, 4},
        RejectCase{"key_given_twice_in_any_case", Key("window", "BACKGROUND = #ff0000"),
                   SkinError::kDuplicateKey, 4},
        RejectCase{"font_size_given_twice", "[font]\nsize = 9\nsize = 9\n",
                   SkinError::kDuplicateKey, 3},
        RejectCase{"line_longer_than_the_limit",
                   kGood + "# " + std::string(skin::kMaxLineBytes - 1, 'x') + "\n",
                   SkinError::kLineTooLong, 3},
        RejectCase{"file_larger_than_the_limit",
                   kGood + std::string(skin::kMaxFileBytes + 1 - kGood.size(), '\n'),
                   SkinError::kTooLarge, 0}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Bytes, SkinFileRejects,
    ::testing::Values(
        RejectCase{"zero_byte", kGood + std::string("#\0\n", 3), SkinError::kNotText, 3},
        RejectCase{"lone_carriage_return", kGood + "# a\rb\n", SkinError::kNotText, 3},
        RejectCase{"escape_character", kGood + "# \x1B[31m\n", SkinError::kNotText, 3},
        RejectCase{"delete_character", kGood + "# \x7F\n", SkinError::kNotText, 3},
        RejectCase{"c1_control", kGood + "# \xC2\x85\n", SkinError::kNotText, 3},
        RejectCase{"byte_ff", kGood + "# \xFF\n", SkinError::kNotText, 3},
        RejectCase{"stray_continuation_byte", kGood + "# \x80\n", SkinError::kNotText, 3},
        RejectCase{"truncated_sequence", kGood + "# \xE5\xBE\n", SkinError::kNotText, 3},
        RejectCase{"overlong_slash", kGood + "# \xC0\xAF\n", SkinError::kNotText, 3},
        RejectCase{"surrogate", kGood + "# \xED\xA0\x80\n", SkinError::kNotText, 3},
        RejectCase{"beyond_unicode", kGood + "# \xF4\x90\x80\x80\n", SkinError::kNotText, 3},
        // The program's own encoding is not the skin file's.
        RejectCase{"code_page_936_text", kGood + "# \xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA\n",
                   SkinError::kNotText, 3},
        RejectCase{"binary_header", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16),
                   SkinError::kNotText, 1}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Values, SkinFileRejects,
    ::testing::Values(
        RejectCase{"colour_empty", Key("button", "face ="), SkinError::kBadValue, 4},
        RejectCase{"colour_short_form", Key("button", "face = #fff"), SkinError::kBadValue, 4},
        RejectCase{"colour_without_hash", Key("button", "face = f0f0f0"), SkinError::kBadValue, 4},
        RejectCase{"colour_not_hex", Key("button", "face = #f0f0fg"), SkinError::kBadValue, 4},
        RejectCase{"colour_with_alpha", Key("button", "face = #f0f0f0ff"), SkinError::kBadValue, 4},
        RejectCase{"colour_by_name", Key("button", "face = red"), SkinError::kBadValue, 4},
        RejectCase{"colour_by_function", Key("button", "face = rgb(1,2,3)"), SkinError::kBadValue,
                   4},
        RejectCase{"colour_with_a_trailing_comment", Key("button", "face = #f0f0f0 # grey"),
                   SkinError::kBadValue, 4},
        RejectCase{"colour_carrying_css", Key("button", "face = #f0f0f0; background-image: url(x)"),
                   SkinError::kBadValue, 4},
        RejectCase{"colour_closing_the_rule", Key("button", "face = #f0f0f0 } * { color: red"),
                   SkinError::kBadValue, 4},
        RejectCase{"size_too_small", Key("font", "size = 5"), SkinError::kBadValue, 4},
        RejectCase{"size_too_large", Key("font", "size = 73"), SkinError::kBadValue, 4},
        RejectCase{"size_with_unit", Key("font", "size = 12px"), SkinError::kBadValue, 4},
        RejectCase{"size_negative", Key("font", "size = -12"), SkinError::kBadValue, 4},
        RejectCase{"size_huge", Key("font", "size = 99999999999999999999"), SkinError::kBadValue,
                   4},
        RejectCase{"size_fraction", Key("font", "size = 12.5"), SkinError::kBadValue, 4},
        RejectCase{"face_empty", Key("font", "face ="), SkinError::kBadValue, 4},
        RejectCase{"face_closing_its_quote",
                   Key("font", "face = Sans\"; } window { background-image: url(x); } /*"),
                   SkinError::kBadValue, 4},
        RejectCase{"face_in_single_quotes", Key("font", "face = 'Sans'"), SkinError::kBadValue, 4},
        RejectCase{"face_with_backslash", Key("font", "face = Sans\\"), SkinError::kBadValue, 4},
        RejectCase{"face_with_semicolon", Key("font", "face = Sans; color: red"),
                   SkinError::kBadValue, 4},
        RejectCase{"face_with_braces", Key("font", "face = Sans{}"), SkinError::kBadValue, 4},
        RejectCase{"face_with_comment_start", Key("font", "face = Sans/*"), SkinError::kBadValue,
                   4},
        RejectCase{"face_with_angle_brackets", Key("font", "face = <b>Sans</b>"),
                   SkinError::kBadValue, 4},
        RejectCase{"face_with_comma", Key("font", "face = Sans, Serif"), SkinError::kBadValue, 4},
        RejectCase{"face_too_long",
                   Key("font", "face = " + std::string(skin::kMaxFaceCharacters + 1, 'a')),
                   SkinError::kBadValue, 4},
        RejectCase{"face_with_zero_width_space", Key("font", "face = Sa\xE2\x80\x8Bns"),
                   SkinError::kBadValue, 4},
        RejectCase{"face_with_right_to_left_override", Key("font", "face = Sa\xE2\x80\xAEns"),
                   SkinError::kBadValue, 4},
        RejectCase{"face_with_byte_order_mark", Key("font", "face = Sa\xEF\xBB\xBFns"),
                   SkinError::kBadValue, 4},
        RejectCase{"face_beyond_the_basic_plane", Key("font", "face = Sans\xF0\x9F\x98\x80"),
                   SkinError::kBadValue, 4}),
    CaseName());

// Every ASCII character on its own inside a face: only letters, digits, the
// blank, '-', '_' and '.' may be there; the rest could end a quoted CSS string,
// escape out of it or mean something to a font matcher.
TEST(SkinFileValues, FaceTakesOnlyItsAsciiCharacters) {
  const std::string allowed = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_.";
  for (int c = 0; c < 128; ++c) {
    const std::string face = std::string("Sa") + static_cast<char>(c) + "ns";
    EXPECT_EQ(skin::IsSafeFontFace(face), allowed.find(static_cast<char>(c)) != std::string::npos)
        << "character " << c;
  }
}

// One bad value anywhere costs the whole file, however much was good before.
TEST(SkinFileRejects, ABadValueAtTheEndDiscardsEverythingBefore) {
  const std::string full = kFullSkin;
  const std::string good_part = full.substr(0, full.find("[edit]"));
  const auto result = ParseSkin(good_part + "[edit]\nbackground = #12345\n");
  EXPECT_EQ(result.error, SkinError::kBadValue);
  EXPECT_EQ(result.skin, Skin{});
}

// A file on disk, read through an open handle.
class ReadSkin : public ::testing::Test {
 protected:
  using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

  static File Temporary(const std::string& content) {
    File file(std::tmpfile(), std::fclose);
    std::fwrite(content.data(), 1, content.size(), file.get());
    std::rewind(file.get());
    return file;
  }
};

TEST_F(ReadSkin, ParsesWhatTheFileHolds) {
  const auto result = skin::ReadSkin(Temporary(kFullSkin).get());
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.skin, ParseSkin(kFullSkin).skin);
}

TEST_F(ReadSkin, NoFileIsUnreadable) {
  EXPECT_EQ(skin::ReadSkin(nullptr).error, SkinError::kUnreadable);
}

TEST_F(ReadSkin, ADirectoryIsUnreadable) {
  File directory(std::fopen(".", "rb"), std::fclose);
  ASSERT_TRUE(directory);
  EXPECT_EQ(skin::ReadSkin(directory.get()).error, SkinError::kUnreadable);
}

TEST_F(ReadSkin, AFileOneByteOverTheLimitIsTooLarge) {
  const std::string content = kGood + std::string(skin::kMaxFileBytes + 1 - kGood.size(), '\n');
  EXPECT_EQ(skin::ReadSkin(Temporary(content).get()).error, SkinError::kTooLarge);
  const std::string at_limit = content.substr(0, skin::kMaxFileBytes);
  EXPECT_TRUE(skin::ReadSkin(Temporary(at_limit).get()).ok());
}

TEST_F(ReadSkin, AnEmptyFileIsEmpty) {
  EXPECT_EQ(skin::ReadSkin(Temporary("").get()).error, SkinError::kEmpty);
}

// Whatever the bytes, the reader ends, and what it accepts is fit to use: a
// face that passes the check, sizes in range.
void ExpectSafe(const skin::SkinResult& result) {
  if (!result.ok()) {
    EXPECT_EQ(result.skin, Skin{});
    return;
  }
  if (result.skin.font_face) {
    EXPECT_TRUE(skin::IsSafeFontFace(*result.skin.font_face));
  }
  if (result.skin.font_size) {
    EXPECT_GE(*result.skin.font_size, skin::kMinFontSize);
    EXPECT_LE(*result.skin.font_size, skin::kMaxFontSize);
  }
}

TEST(SkinFileGarbage, RandomBytesNeverGiveAnUnsafeSkin) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 600, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    ExpectSafe(ParseSkin(bytes));
  }
}

TEST(SkinFileGarbage, DamagedCopiesOfAGoodFileNeverGiveAnUnsafeSkin) {
  std::mt19937 random(7);
  const std::string good = kFullSkin;
  int accepted = 0;
  for (int round = 0; round < 5000; ++round) {
    std::string damaged = good;
    for (int hits = 1 + static_cast<int>(random() % 3); hits > 0; --hits)
      damaged[random() % damaged.size()] = static_cast<char>(random() % 128);
    const auto result = ParseSkin(damaged);
    ExpectSafe(result);
    accepted += result.ok();
  }
  // Damage inside comments or names the reader passes over is harmless; the
  // rest is refused. Both must happen, or the damage never reached the values.
  EXPECT_GT(accepted, 0);
  EXPECT_LT(accepted, 5000);
}

}  // namespace
