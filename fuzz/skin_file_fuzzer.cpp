// The skin file, which a user may replace with anything. Besides crashes it
// checks the promises of the strict reader: an accepted file is UTF-8 and
// every value it gives is within its rules; a refused one gives no skin; a
// skin written back out reads the same; a byte-order mark and CR LF line ends
// change nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/skin_file.h"
#include "common/skin_values.h"
#include "fuzz_check.h"

namespace {

using skin::Rgb;
using skin::Skin;
using skin::SkinError;
using std::string;
using std::string_view;

// Well-formed UTF-8, checked here byte by byte: shortest forms only, no
// surrogates, nothing above U+10FFFF. Counts the characters and the largest.
bool WellFormed(string_view text, std::size_t* characters, char32_t* largest) {
  *characters = 0;
  *largest = 0;
  for (std::size_t at = 0; at < text.size(); ++*characters) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const auto trail = [&](std::size_t i) { return at + i < text.size() && (byte(i) >> 6) == 2; };
    char32_t c;
    std::size_t length;
    if (byte(0) < 0x80) {
      c = byte(0), length = 1;
    } else if (byte(0) >= 0xC2 && byte(0) <= 0xDF && trail(1)) {
      c = (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F), length = 2;
    } else if ((byte(0) >> 4) == 0xE && trail(1) && trail(2)) {
      c = (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F), length = 3;
      if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) return false;
    } else if (byte(0) >= 0xF0 && byte(0) <= 0xF4 && trail(1) && trail(2) && trail(3)) {
      c = (byte(0) & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6 |
          (byte(3) & 0x3F);
      length = 4;
      if (c < 0x10000 || c > 0x10FFFF) return false;
    } else {
      return false;
    }
    if (c > *largest) *largest = c;
    at += length;
  }
  return true;
}

void CheckFace(const string& face) {
  std::size_t characters = 0;
  char32_t largest = 0;
  FUZZ_CHECK(WellFormed(face, &characters, &largest), "a face is UTF-8");
  FUZZ_CHECK(characters >= 1 && characters <= skin::kMaxFaceCharacters,
             "a face has 1 to 31 characters");
  FUZZ_CHECK(largest <= 0xFFFF, "a face stays in the Basic Multilingual Plane");
  FUZZ_CHECK(face.front() != ' ' && face.back() != ' ', "a face has no blank at either end");
  for (const char c : face) {
    const auto byte = static_cast<unsigned char>(c);
    FUZZ_CHECK(byte >= 0x80 || (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
                   (byte >= 'A' && byte <= 'Z') || string_view(" -_.").find(c) != string_view::npos,
               "a face holds no ASCII but letters, digits, blank, '-', '_' and '.'");
  }
}

string Colour(const Rgb& rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02X%02x", rgb.red, rgb.green, rgb.blue);
  return text;
}

// The skin as a file of its own, in a layout of its own: sections repeated,
// names in capitals, blanks around '='.
string Write(const Skin& s) {
  string text = "# written back\n";
  auto put = [&](const char* section, const char* key, const string& value) {
    text += string("[ ") + section + " ]\n  " + key + "\t=  " + value + " \n";
  };
  auto colour = [&](const char* section, const char* key, const std::optional<Rgb>& rgb) {
    if (rgb) put(section, key, Colour(*rgb));
  };
  colour("WINDOW", "background", s.window_background);
  colour("window", "TEXT", s.window_text);
  colour("button", "face", s.button_face);
  colour("button", "text", s.button_text);
  colour("button", "border", s.button_border);
  colour("button", "hover", s.button_hover);
  colour("button", "hover_text", s.button_hover_text);
  colour("button", "pressed", s.button_pressed);
  colour("edit", "background", s.edit_background);
  colour("edit", "text", s.edit_text);
  colour("selection", "background", s.selection_background);
  colour("selection", "text", s.selection_text);
  colour("dialog", "background", s.dialog_background);
  colour("dialog", "text", s.dialog_text);
  if (s.font_face) put("font", "face", *s.font_face);
  if (s.font_size) put("Font", "Size", std::to_string(*s.font_size));
  return text;
}

bool SameResult(const skin::SkinResult& a, const skin::SkinResult& b) {
  return a.error == b.error && a.line == b.line && a.skin == b.skin;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const string_view content(reinterpret_cast<const char*>(data), size);
  const skin::SkinResult result = skin::ParseSkin(content);

  if (!result.ok()) {
    FUZZ_CHECK(result.skin == Skin{}, "a refused file gives no skin at all");
    std::size_t lines = 1;
    for (const char c : content) lines += c == '\n';
    FUZZ_CHECK(result.line >= 0 && static_cast<std::size_t>(result.line) <= lines,
               "the line at fault is a line of the file");
    FUZZ_CHECK(result.line > 0 || result.error == SkinError::kTooLarge ||
                   result.error == SkinError::kEmpty || result.error == SkinError::kNothingSet,
               "only faults of the whole file name no line");
    FUZZ_CHECK(skin::SkinErrorName(result.error) != string_view("unknown"),
               "every error has a name");
  } else {
    std::size_t characters = 0;
    char32_t largest = 0;
    FUZZ_CHECK(WellFormed(content, &characters, &largest), "an accepted file is UTF-8");
    FUZZ_CHECK(content.size() <= skin::kMaxFileBytes, "an accepted file is not too large");
    FUZZ_CHECK(result.line == 0, "an accepted file names no line");
    FUZZ_CHECK(result.skin != Skin{}, "an accepted file sets something");
    if (result.skin.font_face) CheckFace(*result.skin.font_face);
    if (result.skin.font_size) {
      FUZZ_CHECK(*result.skin.font_size >= skin::kMinFontSize &&
                     *result.skin.font_size <= skin::kMaxFontSize,
                 "a font size is 6 to 72");
    }
    const skin::SkinResult again = skin::ParseSkin(Write(result.skin));
    FUZZ_CHECK(again.ok() && again.skin == result.skin, "a skin written back out reads the same");
  }

  // The same bytes from an open file.
  if (size > 0) {
    if (std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb")) {
      FUZZ_CHECK(SameResult(skin::ReadSkin(file), result), "a file reads as its bytes parse");
      std::fclose(file);
    }
  }

  // The same text with a byte-order mark, and with CR LF line ends.
  const string marked = "\xEF\xBB\xBF" + string(content);
  if (!content.empty() && !content.starts_with("\xEF\xBB\xBF") &&
      marked.size() <= skin::kMaxFileBytes) {
    FUZZ_CHECK(SameResult(skin::ParseSkin(marked), result), "a byte-order mark changes nothing");
  }
  if (content.find('\r') == string_view::npos) {
    string crlf;
    for (const char c : content) crlf += c == '\n' ? string("\r\n") : string(1, c);
    if (crlf.size() <= skin::kMaxFileBytes) {
      FUZZ_CHECK(SameResult(skin::ParseSkin(crlf), result), "CR LF line ends change nothing");
    }
  }
  return 0;
}
