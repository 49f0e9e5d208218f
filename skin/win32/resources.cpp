#include "resources.h"

#include <cwchar>

namespace skin::win32 {

namespace {

std::optional<COLORREF> ToColorRef(const std::optional<Rgb>& colour) {
  if (!colour) return std::nullopt;
  return RGB(colour->red, colour->green, colour->blue);
}

bool MakeBrush(const std::optional<COLORREF>& colour, HBRUSH* brush) {
  if (!colour) return true;
  *brush = CreateSolidBrush(*colour);
  return *brush != nullptr;
}

// The UI font of the system with the skin's face and pixel size put in.
HFONT MakeFont(const Skin& skin) {
  LOGFONTW font{};
  if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font)) return nullptr;
  if (skin.font_face) {
    wchar_t face[LF_FACESIZE] = {};
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, skin.font_face->data(),
                            static_cast<int>(skin.font_face->size()), face, LF_FACESIZE - 1);
    if (length <= 0) return nullptr;
    std::wmemcpy(font.lfFaceName, face, LF_FACESIZE);
    // The face decides the character set, not the system's UI font.
    font.lfCharSet = DEFAULT_CHARSET;
  }
  if (skin.font_size) font.lfHeight = -*skin.font_size;  // character height in pixels
  return CreateFontIndirectW(&font);
}

}  // namespace

bool MakeResources(const Skin& skin, Resources* out) {
  Resources made;
  made.window_background = ToColorRef(skin.window_background);
  made.window_text = ToColorRef(skin.window_text);
  made.button_face = ToColorRef(skin.button_face);
  made.button_text = ToColorRef(skin.button_text);
  made.button_border = ToColorRef(skin.button_border);
  made.button_hover = ToColorRef(skin.button_hover);
  made.button_hover_text = ToColorRef(skin.button_hover_text);
  made.button_pressed = ToColorRef(skin.button_pressed);
  made.edit_background = ToColorRef(skin.edit_background);
  made.edit_text = ToColorRef(skin.edit_text);
  made.dialog_background = ToColorRef(skin.dialog_background);
  made.dialog_text = ToColorRef(skin.dialog_text);
  bool ok = MakeBrush(made.window_background, &made.window_brush) &&
            MakeBrush(made.edit_background, &made.edit_brush) &&
            MakeBrush(made.dialog_background, &made.dialog_brush);
  if (ok && (skin.font_face || skin.font_size)) {
    made.font = MakeFont(skin);
    ok = made.font != nullptr;
  }
  if (!ok) {
    FreeResources(&made);
    return false;
  }
  *out = made;
  return true;
}

void FreeResources(Resources* resources) {
  for (HBRUSH brush : {resources->window_brush, resources->edit_brush, resources->dialog_brush})
    if (brush) DeleteObject(brush);
  if (resources->font) DeleteObject(resources->font);
  *resources = Resources{};
}

Resources& Active() {
  static Resources active;
  return active;
}

}  // namespace skin::win32
