#include "skin_values.h"

#include "utf8.h"

namespace skin {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSafeAscii(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
         c == '-' || c == '_' || c == '.';
}

// Printable beyond ASCII, within the Basic Multilingual Plane. Left out: the
// C1 controls, the zero-width and direction marks, line and paragraph
// separators, invisible operators, the byte-order mark and the specials.
bool IsSafeWide(char32_t c) {
  if (c < 0xA0 || c > 0xFFEF) return false;
  if (c == 0xAD) return false;  // soft hyphen
  if (c >= 0x200B && c <= 0x200F) return false;
  if (c >= 0x2028 && c <= 0x202E) return false;
  if (c >= 0x2060 && c <= 0x206F) return false;
  if (c == 0xFEFF) return false;
  return true;
}

}  // namespace

bool ParseColour(std::string_view text, Rgb* colour) {
  if (text.size() != 7 || text[0] != '#') return false;
  int channel[3];
  for (int i = 0; i < 3; ++i) {
    const int high = HexDigit(text[1 + 2 * i]);
    const int low = HexDigit(text[2 + 2 * i]);
    if (high < 0 || low < 0) return false;
    channel[i] = high * 16 + low;
  }
  *colour = Rgb{static_cast<std::uint8_t>(channel[0]), static_cast<std::uint8_t>(channel[1]),
                static_cast<std::uint8_t>(channel[2])};
  return true;
}

bool ParseFontSize(std::string_view text, int* size) {
  // Three digits at most, so the number cannot overflow on its way to the check.
  if (text.empty() || text.size() > 3) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < kMinFontSize || value > kMaxFontSize) return false;
  *size = value;
  return true;
}

bool IsSafeFontFace(std::string_view utf8) {
  if (utf8.empty() || utf8.front() == ' ' || utf8.back() == ' ') return false;
  std::size_t position = 0;
  std::size_t characters = 0;
  while (position < utf8.size()) {
    char32_t c = 0;
    if (!DecodeUtf8(utf8, &position, &c)) return false;
    if (!IsSafeAscii(c) && !IsSafeWide(c)) return false;
    if (++characters > kMaxFaceCharacters) return false;
  }
  return true;
}

}  // namespace skin
