// MainWindow's design: the window, its controls, their places and settings.
#include "main_window/main_window.h"

namespace main_window {

using platform::Color;
using platform::ControlKind;
using platform::Pointer;

namespace {

constexpr Color kBadgeBlue = Color::FromRgb(0, 136, 255);
constexpr Color kWhite = Color::FromRgb(255, 255, 255);
constexpr Color kBlack = Color::FromRgb(0, 0, 0);

platform::WindowDesign MakeDesign() {
  platform::WindowDesign design;
  design.name = "MainWindow";
  design.title = "Tolvane V1.0.1.0 ——购物最低价折扣，全场9.9元起包邮";
  design.outer_width = 951;
  design.outer_height = 503;
  design.background = kWhite;
  design.focus_control = "互联网浏览器1";

  // name, kind, parent, left, top, width, height, visible, pointer, image
  // clang-format off
  design.controls = {
      {"图片框1", ControlKind::PictureBox, nullptr, 6, 6, 180, 89, true, Pointer::Hand, "tile_home.png"},
      {"图片框2", ControlKind::PictureBox, nullptr, 6, 98, 76, 163, true, Pointer::Hand, "tile_brand.png"},
      {"图片框3", ControlKind::PictureBox, nullptr, 83, 98, 103, 79, true, Pointer::Hand, "tile_nine.png"},
      {"图片框4", ControlKind::PictureBox, nullptr, 83, 177, 103, 85, true, Pointer::Hand, "tile_nineteen.png"},
      {"图片框5", ControlKind::PictureBox, nullptr, 7, 263, 179, 91, true, Pointer::Hand, "tile_jingpin.png"},
      {"图片框6", ControlKind::PictureBox, nullptr, 7, 357, 179, 112, true, Pointer::Hand, "tile_business.png"},
      {"分组框1", ControlKind::GroupBox, nullptr, 193, 2, 750, 465, true, Pointer::Hand},
      {"互联网浏览器1", ControlKind::WebBrowser, "分组框1", 4, 7, 744, 454, true, Pointer::Arrow},
      {"图片框7", ControlKind::PictureBox, "分组框1", 330, 164, 100, 100, false, Pointer::Arrow, "loading.gif"},
      {"图片框9", ControlKind::PictureBox, nullptr, 859, 10, 80, 80, false, Pointer::Arrow},
      {"透明标签2", ControlKind::TransparentLabel, "图片框9", 20, 18, 47, 53, false, Pointer::Arrow},
  };
  // clang-format on

  for (auto& control : design.controls) {
    const std::string name = control.name;
    if (name == "分组框1") {
      control.text_color = kBlack;
    } else if (name == "互联网浏览器1") {
      control.raised_border = true;
      control.browser = {.silent = true,
                         .offline = true,
                         .register_as_drop_target = true,
                         .register_as_browser = false};
    } else if (name == "图片框9") {
      control.background = kBadgeBlue;
    } else if (name == "透明标签2") {
      control.text = "有新\r\n版本";
      control.text_color = kWhite;
      control.font = {.face = "汉真广标", .height = 21, .weight = 400};
    }
  }

  design.stacking = {"图片框9", "分组框1", "图片框6", "图片框5", "图片框4",
                     "图片框3", "图片框2", "图片框1", "图片框7", "互联网浏览器1"};
  return design;
}

}  // namespace

const platform::WindowDesign& Design() {
  static const platform::WindowDesign design = MakeDesign();
  return design;
}

}  // namespace main_window
