// What a skin sets: colours and the UI font. Anything left unset keeps the
// look the program or the toolkit gives it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace skin {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct Skin {
  std::optional<Rgb> window_background;
  std::optional<Rgb> window_text;
  std::optional<Rgb> button_face;
  std::optional<Rgb> button_text;
  std::optional<Rgb> button_border;
  std::optional<Rgb> button_hover;
  std::optional<Rgb> button_hover_text;
  std::optional<Rgb> button_pressed;
  std::optional<Rgb> edit_background;
  std::optional<Rgb> edit_text;
  std::optional<Rgb> selection_background;
  std::optional<Rgb> selection_text;
  std::optional<Rgb> dialog_background;
  std::optional<Rgb> dialog_text;
  std::optional<std::string> font_face;  // UTF-8, checked by IsSafeFontFace
  std::optional<int> font_size;          // pixels

  friend bool operator==(const Skin&, const Skin&) = default;
};

}  // namespace skin
