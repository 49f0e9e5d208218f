#include "utf8.h"

namespace skin {

bool DecodeUtf8(std::string_view text, std::size_t* position, char32_t* code_point) {
  const std::size_t start = *position;
  if (start >= text.size()) return false;
  const auto lead = static_cast<unsigned char>(text[start]);
  if (lead < 0x80) {
    *code_point = lead;
    *position = start + 1;
    return true;
  }
  std::size_t length = 0;
  char32_t value = 0;
  char32_t smallest = 0;  // below this the same value had a shorter form
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, smallest = 0x10000;
  } else {
    return false;  // a continuation byte or 0xF8..0xFF where a sequence starts
  }
  if (text.size() - start < length) return false;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[start + i]);
    if ((next & 0xC0) != 0x80) return false;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *code_point = value;
  *position = start + length;
  return true;
}

}  // namespace skin
