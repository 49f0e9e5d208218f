// The style sheet the skin library gives GTK: the rules a skin asks for, and
// nothing from the file that could change the sheet's structure.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "common/skin_file.h"
#include "gtk/skin_css.h"
#include "test_fixture.h"

namespace {

using skin::BuildCss;
using skin::Rgb;
using skin::Skin;

Skin FullSkin() {
  Skin s;
  s.window_background = Rgb{255, 255, 255};
  s.window_text = Rgb{0, 0, 0};
  s.button_face = Rgb{240, 240, 240};
  s.button_text = Rgb{1, 2, 3};
  s.button_border = Rgb{173, 173, 173};
  s.button_hover = Rgb{0, 136, 255};
  s.button_hover_text = Rgb{255, 255, 255};
  s.button_pressed = Rgb{0, 112, 212};
  s.edit_background = Rgb{250, 250, 250};
  s.edit_text = Rgb{16, 16, 16};
  s.selection_background = Rgb{0, 136, 255};
  s.selection_text = Rgb{255, 255, 254};
  s.dialog_background = Rgb{253, 253, 253};
  s.dialog_text = Rgb{3, 3, 3};
  s.font_face = "Microsoft YaHei";
  s.font_size = 12;
  return s;
}

bool Contains(const std::string& css, const std::string& part) {
  return css.find(part) != std::string::npos;
}

TEST(SkinCss, EverySettingBecomesItsRule) {
  const std::string css = BuildCss(FullSkin());
  const char* expected[] = {
      "window { background-color: #ffffff; color: #000000; }\n",
      "dialog, messagedialog { background-color: #fdfdfd; color: #030303; }\n",
      "button { background-color: #f0f0f0; color: #010203; background-image: none; box-shadow: "
      "none; "
      "text-shadow: none; }\n",
      "button { border-color: #adadad; }\n",
      "button:hover { background-color: #0088ff; color: #ffffff; background-image: none; }\n",
      "button:active, button:checked { background-color: #0070d4; background-image: none; }\n",
      "textview, textview text, entry { background-color: #fafafa; color: #101010; }\n",
      "selection { background-color: #0088ff; color: #fffffe; }\n",
      "* { font-family: \"Microsoft YaHei\", sans-serif; font-size: 12px; }\n",
  };
  for (const char* rule : expected) EXPECT_TRUE(Contains(css, rule)) << rule << "\nnot in\n" << css;
}

TEST(SkinCss, AnEmptySkinGivesAnEmptySheet) { EXPECT_EQ(BuildCss(Skin{}), ""); }

// Only what the skin sets; the theme keeps the rest.
struct PartCase {
  const char* name;
  Skin skin;
  std::string sheet;
};

class SkinCssPart : public ::testing::TestWithParam<PartCase> {};

TEST_P(SkinCssPart, IsAllTheSheetHolds) { EXPECT_EQ(BuildCss(GetParam().skin), GetParam().sheet); }

Skin With(void (*set)(Skin&)) {
  Skin s;
  set(s);
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Skin, SkinCssPart,
    ::testing::Values(
        PartCase{"hover_alone", With([](Skin& s) {
                   s.button_hover = Rgb{0, 136, 255};
                 }),
                 "button:hover { background-color: #0088ff; background-image: none; }\n"},
        PartCase{"window_text_alone", With([](Skin& s) {
                   s.window_text = Rgb{18, 52, 86};
                 }),
                 "window { color: #123456; }\n"},
        PartCase{"face_alone", With([](Skin& s) { s.font_face = "Noto Sans"; }),
                 "* { font-family: \"Noto Sans\", sans-serif; }\n"},
        PartCase{"size_alone", With([](Skin& s) { s.font_size = 72; }), "* { font-size: 72px; }\n"},
        PartCase{"button_text_dims_a_disabled_button", With([](Skin& s) {
                   s.button_text = Rgb{0, 0, 0};
                 }),
                 "button { color: #000000; background-image: none; box-shadow: none; text-shadow: "
                 "none; }\nbutton:disabled { opacity: 0.5; }\n"}),
    CaseName());

// A skin made some other way than by the reader: what the reader would have
// refused stays out of the sheet.
struct HostileCase {
  const char* name;
  Skin skin;
};

class SkinCssHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(SkinCssHostile, LeavesTheValueOut) { EXPECT_EQ(BuildCss(GetParam().skin), ""); }

INSTANTIATE_TEST_SUITE_P(
    Skin, SkinCssHostile,
    ::testing::Values(
        HostileCase{"face_closing_its_quote",
                    With([](Skin& s) { s.font_face = "x\"; } window { background: red; } /*"; })},
        HostileCase{"face_with_backslash_escape", With([](Skin& s) { s.font_face = "x\\22 "; })},
        HostileCase{"face_with_line_end", With([](Skin& s) { s.font_face = "x\n}"; })},
        HostileCase{"face_empty", With([](Skin& s) { s.font_face = ""; })},
        HostileCase{"size_out_of_range", With([](Skin& s) { s.font_size = 100000; })},
        HostileCase{"size_negative", With([](Skin& s) { s.font_size = -3; })}),
    CaseName());

// Every line of a sheet made from a file the reader took is one flat rule of
// known selectors, hex colours and one quoted face: no file content can open
// a block, end one early, or bring a property of its own.
TEST(SkinCss, SheetsFromAcceptedFilesKeepTheirShape) {
  const std::regex rule(
      R"(^[a-z*:, ]+ \{( (background-color|color|border-color): #[0-9a-f]{6};)*)"
      R"(( background-image: none;)?( box-shadow: none; text-shadow: none;)?( opacity: 0\.5;)?)"
      R"(( font-family: "[A-Za-z0-9 ._\x80-\xff-]+", sans-serif;)?( font-size: [0-9]+px;)? \}$)");
  const char* files[] = {
      "[font]\nface = Noto Sans CJK SC\nsize = 14\n[button]\nface = #ABCDEF\n",
      "[font]\nface = \xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91\n",
      "[window]\nbackground = #000000\ntext = #ffffff\n[selection]\ntext = #010101\n",
  };
  for (const char* file : files) {
    const auto parsed = skin::ParseSkin(file);
    ASSERT_TRUE(parsed.ok()) << file;
    std::istringstream lines(BuildCss(parsed.skin));
    for (std::string line; std::getline(lines, line);)
      EXPECT_TRUE(std::regex_match(line, rule)) << line;
  }
  std::istringstream lines(BuildCss(FullSkin()));
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(std::regex_match(line, rule)) << line;
}

}  // namespace
