// Window designs as data: the system describes its windows and controls in
// tables of these, and a backend builds the native widgets from them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/text.h"

namespace platform {

struct Color {
  enum class Kind { Rgb, ButtonFace };
  Kind kind = Kind::ButtonFace;
  std::uint8_t red = 0, green = 0, blue = 0;

  static constexpr Color FromRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Color{Kind::Rgb, r, g, b};
  }
  static constexpr Color ButtonFace() { return Color{}; }
};

enum class ControlKind { PictureBox, TransparentLabel, GroupBox, WebBrowser, EditBox, PushButton };

enum class Pointer { Arrow, Hand };

// An empty face means the platform's default user-interface font.
struct Font {
  Text face;
  int height = 0;  // character height in pixels
  int weight = 400;
};

struct BrowserSettings {
  bool silent = false;
  bool offline = false;
  bool register_as_drop_target = false;
  bool register_as_browser = false;
};

struct ControlDesign {
  const char* name = nullptr;
  ControlKind kind = ControlKind::PictureBox;
  const char* parent = nullptr;  // nullptr: the window's client area
  int left = 0, top = 0, width = 0, height = 0;
  bool visible = true;
  Pointer pointer = Pointer::Arrow;
  const char* image = nullptr;  // asset name of a picture box's image
  Color background = Color::ButtonFace();
  Color text_color = Color::FromRgb(0, 0, 0);
  Text text;
  Font font;
  BrowserSettings browser;
  bool raised_border = false;  // the browser's three-dimensional frame
};

struct WindowDesign {
  const char* name = nullptr;
  Text title;
  int outer_width = 0, outer_height = 0;  // frame and title bar included
  Color background = Color::ButtonFace();
  bool owned_by_invisible_owner = false;  // keeps the window off the taskbar
  const char* focus_control = nullptr;    // receives the focus the window gets
  std::vector<ControlDesign> controls;
  std::vector<const char*> stacking;  // front to back among siblings
};

enum class Event {
  Closing,         // the user closes the window; it is destroyed right after
  LeftButtonDown,  // on a picture box or label
  Clicked,         // a push button's standard click
};

struct Binding {
  const char* control = nullptr;  // nullptr: the window itself
  Event event = Event::LeftButtonDown;
  std::function<void()> handler;
};

using Bindings = std::vector<Binding>;

}  // namespace platform
