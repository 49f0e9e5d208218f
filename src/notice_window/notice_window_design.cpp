// NoticeWindow's design: the notice text above, the two ways on below it.
#include "notice_window/notice_window.h"

namespace notice_window {

using platform::ControlKind;
using platform::Pointer;

namespace {

platform::WindowDesign MakeDesign() {
  platform::WindowDesign design;
  design.name = "NoticeWindow";
  design.title = "有新版本啦……";
  design.outer_width = 380;
  design.outer_height = 261;
  design.background = platform::Color::ButtonFace();
  design.owned_by_invisible_owner = true;
  design.focus_control = "编辑框1";

  // name, kind, parent, left, top, width, height, visible, pointer
  design.controls = {
      {"编辑框1", ControlKind::EditBox, nullptr, 0, 0, 380, 200, true, Pointer::Arrow},
      {"按钮1", ControlKind::PushButton, nullptr, 203, 200, 80, 29, true, Pointer::Arrow},
      {"按钮2", ControlKind::PushButton, nullptr, 291, 200, 80, 29, true, Pointer::Arrow},
  };
  design.controls[0].background = platform::Color::FromRgb(255, 255, 255);
  design.controls[1].text = "去官网更新";
  design.controls[2].text = "不更新，忽略";
  design.stacking = {"编辑框1", "按钮1", "按钮2"};
  return design;
}

}  // namespace

const platform::WindowDesign& Design() {
  static const platform::WindowDesign design = MakeDesign();
  return design;
}

}  // namespace notice_window
