// A transparent label: its parent paints what lies beneath it (WM_PRINTCLIENT),
// then the text goes over that with no background of its own, left-aligned
// from the top and wrapped at the label's width.
#include <memory>
#include <string>

#include "platform/win32/win32_internal.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kLabelClass[] = L"TolvaneTransparentLabel";

struct Label {
  std::wstring text;
  COLORREF color = 0;
  HFONT font = nullptr;
  Pointer pointer = Pointer::Arrow;

  ~Label() {
    if (font) DeleteObject(font);
  }
};

// Chinese faces of Windows and of Linux machines running Wine, for a design
// face that is not installed.
constexpr const wchar_t* kFallbackFaces[] = {L"Microsoft YaHei", L"SimHei", L"SimSun",
                                             L"Noto Sans CJK SC", L"WenQuanYi Zen Hei"};

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(const std::wstring& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  face.copy(wanted.lfFaceName, face.size());
  HDC screen = GetDC(nullptr);
  bool found = false;
  EnumFontFamiliesExW(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

std::wstring InstalledFace(const std::wstring& face) {
  if (face.empty() || FaceInstalled(face)) return face;
  for (const wchar_t* fallback : kFallbackFaces)
    if (FaceInstalled(fallback)) return fallback;
  return face;  // the system's own font matching decides
}

Label* LabelOf(HWND hwnd) {
  return reinterpret_cast<Label*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Paint(HWND hwnd, HDC dc, const Label& label) {
  // What the parent shows under the label, as if the label were not there.
  HWND parent = GetParent(hwnd);
  POINT origin{0, 0};
  MapWindowPoints(hwnd, parent, &origin, 1);
  POINT previous;
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  SetViewportOrgEx(dc, previous.x, previous.y, nullptr);

  RECT area;
  GetClientRect(hwnd, &area);
  const int mode = SetBkMode(dc, TRANSPARENT);
  const COLORREF color = SetTextColor(dc, label.color);
  HGDIOBJ font = SelectObject(dc, label.font ? label.font : DefaultGuiFont());
  DrawTextW(dc, label.text.c_str(), static_cast<int>(label.text.size()), &area,
            DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, font);
  SetTextColor(dc, color);
  SetBkMode(dc, mode);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Label* label = LabelOf(hwnd);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the parent's picture is the background
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      if (label) Paint(hwnd, dc, *label);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_SETCURSOR:
      if (label && reinterpret_cast<HWND>(wparam) == hwnd && SetPointer(lparam, label->pointer))
        return TRUE;
      break;
    case WM_LBUTTONDOWN:
      RunControlBinding(hwnd, Event::LeftButtonDown);
      return 0;
    case WM_NCDESTROY:
      delete label;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

HWND CreateTransparentLabel(HWND parent, const ControlDesign& design, int id) {
  if (!RegisterControlClass(kLabelClass, LabelProc)) return nullptr;
  auto label = std::make_unique<Label>();
  label->text = ToWide(design.text);
  label->color = ToColorRef(design.text_color);
  label->pointer = design.pointer;
  if (!design.font.face.empty() || design.font.height > 0) {
    // Where the face is not installed, a Chinese face that is takes its place:
    // the system's own matching for the default character set may pick one
    // without Chinese letters.
    label->font =
        CreateFontW(-design.font.height, 0, 0, 0, design.font.weight, FALSE, FALSE, FALSE,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, InstalledFace(ToWide(design.font.face)).c_str());
  }
  const DWORD style = kChildStyle | (design.visible ? WS_VISIBLE : 0);
  HWND hwnd =
      CreateWindowExW(0, kLabelClass, label->text.c_str(), style, design.left, design.top,
                      design.width, design.height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (!hwnd) return nullptr;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(label.release()));
  return hwnd;
}

}  // namespace platform::win32
