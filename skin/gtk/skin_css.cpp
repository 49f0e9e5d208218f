#include "skin_css.h"

#include <cstdio>
#include <initializer_list>
#include <utility>

#include "common/skin_values.h"

namespace skin {

namespace {

using Declarations = std::initializer_list<std::pair<const char*, const std::optional<Rgb>*>>;

std::string Hex(const Rgb& colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.red, colour.green, colour.blue);
  return text;
}

// "selector { property: #rrggbb; ... extra }" for the colours that are set;
// nothing at all when none is.
void Rule(std::string* css, const char* selector, Declarations declarations,
          const char* extra = "") {
  std::string body;
  for (const auto& [property, colour] : declarations)
    if (*colour) body += std::string(" ") + property + ": " + Hex(**colour) + ";";
  if (body.empty()) return;
  *css += std::string(selector) + " {" + body + extra + " }\n";
}

// A double-quoted CSS string. The face has been checked already; quotes and
// backslashes are escaped all the same, so that the sheet stays whole whatever
// reaches it.
std::string Quoted(const std::string& face) {
  std::string quoted = "\"";
  for (char c : face) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string BuildCss(const Skin& s) {
  std::string css;
  Rule(&css, "window", {{"background-color", &s.window_background}, {"color", &s.window_text}});
  Rule(&css, "dialog, messagedialog",
       {{"background-color", &s.dialog_background}, {"color", &s.dialog_text}});
  // The theme's gradients, shadows and borders would show through a flat face.
  Rule(&css, "button", {{"background-color", &s.button_face}, {"color", &s.button_text}},
       " background-image: none; box-shadow: none; text-shadow: none;");
  Rule(&css, "button", {{"border-color", &s.button_border}});
  Rule(&css, "button:hover",
       {{"background-color", &s.button_hover}, {"color", &s.button_hover_text}},
       " background-image: none;");
  Rule(&css, "button:active, button:checked", {{"background-color", &s.button_pressed}},
       " background-image: none;");
  if (s.button_face || s.button_text) css += "button:disabled { opacity: 0.5; }\n";
  Rule(&css, "textview, textview text, entry",
       {{"background-color", &s.edit_background}, {"color", &s.edit_text}});
  Rule(&css, "selection",
       {{"background-color", &s.selection_background}, {"color", &s.selection_text}});

  std::string font;
  if (s.font_face && IsSafeFontFace(*s.font_face))
    font += " font-family: " + Quoted(*s.font_face) + ", sans-serif;";
  if (s.font_size && *s.font_size >= kMinFontSize && *s.font_size <= kMaxFontSize)
    font += " font-size: " + std::to_string(*s.font_size) + "px;";
  if (!font.empty()) css += "* {" + font + " }\n";
  return css;
}

}  // namespace skin
