// Picture boxes: a still PNG decoded by our own libpng code, or an animated
// GIF whose frames GDI+ composes; each frame is drawn once, at natural size
// from the top left corner and clipped at the box, onto the box's background.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/common/png_image.h"
#include "platform/win32/win32_internal.h"
// Windows headers after <windows.h>, which the line above brings.
#include <gdiplus.h>
#include <shlwapi.h>

namespace platform::win32 {

namespace {

constexpr wchar_t kPictureBoxClass[] = L"TolvanePictureBox";
constexpr UINT_PTR kFrameTimer = 1;
constexpr PROPID kFrameDelayTag = 0x5100;  // PropertyTagFrameDelay, in hundredths of a second

ULONG_PTR gdiplus_token = 0;

struct PictureBox {
  Pointer pointer = Pointer::Arrow;
  COLORREF background = 0;
  int width = 0, height = 0;
  std::vector<HBITMAP> frames;  // box-sized, ready to copy to the screen
  std::vector<UINT> delays;     // milliseconds each frame stays
  std::size_t current = 0;

  ~PictureBox() {
    for (HBITMAP frame : frames) DeleteObject(frame);
  }
};

// A top-down 32-bit bitmap of the box's size in its background colour.
HBITMAP NewCanvas(const PictureBox& box, std::uint32_t** pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = box.width;
  info.bmiHeader.biHeight = -box.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP canvas = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!canvas) return nullptr;
  *pixels = static_cast<std::uint32_t*>(bits);
  const std::uint32_t fill = (GetRValue(box.background) << 16) | (GetGValue(box.background) << 8) |
                             GetBValue(box.background);
  std::fill_n(*pixels, static_cast<std::size_t>(box.width) * box.height, fill);
  return canvas;
}

void AddStill(PictureBox& box, const RgbaImage& image) {
  std::uint32_t* out = nullptr;
  HBITMAP canvas = NewCanvas(box, &out);
  if (!canvas) return;
  const std::uint32_t background[3] = {GetRValue(box.background), GetGValue(box.background),
                                       GetBValue(box.background)};
  const int rows = std::min(box.height, image.height);
  const int columns = std::min(box.width, image.width);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) {
      const std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
      const std::uint32_t a = p[3];
      std::uint32_t c[3];
      for (int i = 0; i < 3; ++i) c[i] = (p[i] * a + background[i] * (255 - a) + 127) / 255;
      out[static_cast<std::size_t>(y) * box.width + x] = (c[0] << 16) | (c[1] << 8) | c[2];
    }
  }
  box.frames.push_back(canvas);
  box.delays.push_back(0);
}

bool StartGdiplus() {
  if (gdiplus_token) return true;
  Gdiplus::GdiplusStartupInput input{};
  input.GdiplusVersion = 1;
  return Gdiplus::GdiplusStartup(&gdiplus_token, &input, nullptr) == Gdiplus::Ok;
}

// Every frame of an animation, composed by GDI+ as it is to be seen.
void AddAnimation(PictureBox& box, const std::byte* data, std::size_t size) {
  using namespace Gdiplus::DllExports;
  if (!StartGdiplus()) return;
  IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(data), static_cast<UINT>(size));
  if (!stream) return;
  Gdiplus::GpImage* image = nullptr;
  const bool loaded = GdipLoadImageFromStream(stream, &image) == Gdiplus::Ok;
  stream->Release();
  if (!loaded) return;

  GUID dimension{};
  UINT frame_count = 1;
  if (GdipImageGetFrameDimensionsList(image, &dimension, 1) != Gdiplus::Ok ||
      GdipImageGetFrameCount(image, &dimension, &frame_count) != Gdiplus::Ok || frame_count == 0)
    frame_count = 1;
  std::vector<UINT> delays(frame_count, 100);
  UINT property_size = 0;
  if (GdipGetPropertyItemSize(image, kFrameDelayTag, &property_size) == Gdiplus::Ok &&
      property_size > sizeof(Gdiplus::PropertyItem)) {
    std::vector<std::byte> buffer(property_size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (GdipGetPropertyItem(image, kFrameDelayTag, property_size, item) == Gdiplus::Ok) {
      const UINT listed = std::min<UINT>(frame_count, item->length / sizeof(LONG));
      for (UINT i = 0; i < listed; ++i) {
        LONG hundredths = 0;
        std::memcpy(&hundredths, static_cast<const std::byte*>(item->value) + i * sizeof(LONG),
                    sizeof hundredths);
        // Very short delays play at a tenth of a second, as browsers do.
        delays[i] = hundredths >= 2 ? static_cast<UINT>(hundredths) * 10 : 100;
      }
    }
  }

  UINT image_width = 0, image_height = 0;
  GdipGetImageWidth(image, &image_width);
  GdipGetImageHeight(image, &image_height);
  HDC memory = CreateCompatibleDC(nullptr);
  for (UINT i = 0; i < frame_count; ++i) {
    if (frame_count > 1 && GdipImageSelectActiveFrame(image, &dimension, i) != Gdiplus::Ok) break;
    std::uint32_t* pixels = nullptr;
    HBITMAP canvas = NewCanvas(box, &pixels);
    if (!canvas) break;
    HGDIOBJ previous = SelectObject(memory, canvas);
    Gdiplus::GpGraphics* graphics = nullptr;
    if (GdipCreateFromHDC(memory, &graphics) == Gdiplus::Ok) {
      GdipDrawImageRectI(graphics, image, 0, 0, static_cast<INT>(image_width),
                         static_cast<INT>(image_height));
      GdipDeleteGraphics(graphics);
    }
    SelectObject(memory, previous);
    box.frames.push_back(canvas);
    box.delays.push_back(delays[i]);
  }
  DeleteDC(memory);
  GdipDisposeImage(image);
}

void LoadBoxImage(PictureBox& box, const char* name) {
  const std::byte* data = nullptr;
  std::size_t size = 0;
  if (!LoadAsset(name, &data, &size)) return;
  static constexpr unsigned char kGif[] = {'G', 'I', 'F', '8'};
  if (size >= sizeof kGif && std::memcmp(data, kGif, sizeof kGif) == 0) {
    AddAnimation(box, data, size);
  } else {
    RgbaImage image;
    if (DecodePngBytes(reinterpret_cast<const std::uint8_t*>(data), size, image))
      AddStill(box, image);
  }
}

PictureBox* BoxOf(HWND hwnd) {
  return reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Paint(HDC dc, const PictureBox& box) {
  if (box.frames.empty()) {
    // No image, or one that could not be read: the background alone.
    HBRUSH brush = CreateSolidBrush(box.background);
    const RECT area{0, 0, box.width, box.height};
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    return;
  }
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(memory, box.frames[box.current]);
  BitBlt(dc, 0, 0, box.width, box.height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
}

// The animation runs while the box's own visibility is on.
void StartAnimation(HWND hwnd, const PictureBox& box) {
  if (box.frames.size() > 1) SetTimer(hwnd, kFrameTimer, box.delays[box.current], nullptr);
}

LRESULT CALLBACK PictureBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  PictureBox* box = BoxOf(hwnd);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // painting covers the whole box
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      if (box) Paint(dc, *box);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:  // a transparent child asks for what lies beneath it
      if (box) Paint(reinterpret_cast<HDC>(wparam), *box);
      return 0;
    case WM_SHOWWINDOW:
      if (!box) break;
      if (wparam) {
        StartAnimation(hwnd, *box);
      } else {
        KillTimer(hwnd, kFrameTimer);
      }
      break;
    case WM_TIMER:
      if (!box || wparam != kFrameTimer) break;
      box->current = (box->current + 1) % box->frames.size();
      RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
      StartAnimation(hwnd, *box);
      return 0;
    case WM_SETCURSOR:
      if (box && reinterpret_cast<HWND>(wparam) == hwnd && SetPointer(lparam, box->pointer))
        return TRUE;
      break;
    case WM_LBUTTONDOWN:
      RunControlBinding(hwnd, Event::LeftButtonDown);
      return 0;
    case WM_NCDESTROY:
      KillTimer(hwnd, kFrameTimer);
      delete box;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

HWND CreatePictureBox(HWND parent, const ControlDesign& design, int id) {
  if (!RegisterControlClass(kPictureBoxClass, PictureBoxProc)) return nullptr;
  auto box = std::make_unique<PictureBox>();
  box->pointer = design.pointer;
  box->background = ToColorRef(design.background);
  box->width = design.width;
  box->height = design.height;
  if (design.image) LoadBoxImage(*box, design.image);

  const DWORD style = kChildStyle | WS_CLIPCHILDREN | (design.visible ? WS_VISIBLE : 0);
  HWND hwnd = CreateWindowExW(
      0, kPictureBoxClass, L"", style, design.left, design.top, design.width, design.height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (!hwnd) return nullptr;
  PictureBox* owned = box.release();  // the window frees it
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned));
  if (design.visible) StartAnimation(hwnd, *owned);
  return hwnd;
}

void ShutdownImages() {
  if (gdiplus_token) Gdiplus::GdiplusShutdown(gdiplus_token);
  gdiplus_token = 0;
}

}  // namespace platform::win32
