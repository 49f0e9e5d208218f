// The skin in force on Windows, as GDI objects: the colours, the brushes of
// the backgrounds that are set, and the UI font.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <optional>

#include "common/skin.h"

namespace skin::win32 {

// Trivially destructible on purpose: it lives in a global of a DLL, which must
// have nothing left to run when the DLL goes.
struct Resources {
  std::optional<COLORREF> window_background, window_text;
  std::optional<COLORREF> button_face, button_text, button_border;
  std::optional<COLORREF> button_hover, button_hover_text, button_pressed;
  std::optional<COLORREF> edit_background, edit_text;
  std::optional<COLORREF> dialog_background, dialog_text;
  HBRUSH window_brush = nullptr;
  HBRUSH edit_brush = nullptr;
  HBRUSH dialog_brush = nullptr;
  HFONT font = nullptr;

  // Push buttons are painted by the skin only when it gives them a colour;
  // a skin of fonts alone leaves them to the system.
  bool PaintsButtons() const {
    return button_face || button_text || button_border || button_hover || button_hover_text ||
           button_pressed;
  }
};

// False when a brush or the font cannot be made; nothing is then kept.
bool MakeResources(const Skin& skin, Resources* resources);
void FreeResources(Resources* resources);

Resources& Active();

}  // namespace skin::win32
