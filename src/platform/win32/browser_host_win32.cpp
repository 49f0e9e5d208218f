// The Windows web browser control, in place in a host window of ours with a
// raised three-dimensional frame. The container is the least that in-place
// activation needs: a client site, an in-place site and a frame.

#include <cwchar>
#include <string>

#include "platform/ui.h"
#include "platform/win32/win32_internal.h"
// Windows headers after <windows.h>, which the line above brings.
#include <exdisp.h>
#include <ole2.h>
#include <oleidl.h>

namespace platform {
namespace win32 {

namespace {

constexpr wchar_t kHostClass[] = L"TolvaneBrowserHost";

class Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
 public:
  explicit Site(HWND host) : host_(host) {}

  void Detach() {
    host_ = nullptr;
    SetActiveObject(nullptr, nullptr);
  }
  IOleInPlaceActiveObject* active_object() const { return active_; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, for the site and the frame alike
  STDMETHODIMP GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = host_;
    return host_ ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return host_ ? S_OK : S_FALSE; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    GetClientRect(host_, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(host_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return OLE_E_INVALIDRECT; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    if (object) object->AddRef();
    if (active_) active_->Release();
    active_ = object;
    return S_OK;
  }

  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  ~Site() = default;

  ULONG references_ = 1;
  HWND host_;
  IOleInPlaceActiveObject* active_ = nullptr;
};

struct Host {
  Site* site = nullptr;
  IOleObject* object = nullptr;
  IWebBrowser2* browser = nullptr;

  void Release() {
    if (browser) browser->Release();
    browser = nullptr;
    if (object) {
      object->Close(OLECLOSE_NOSAVE);
      object->SetClientSite(nullptr);
      object->Release();
      object = nullptr;
    }
    if (site) {
      site->Detach();
      site->Release();
      site = nullptr;
    }
  }
};

Host* HostOf(HWND hwnd) { return reinterpret_cast<Host*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

bool IsHost(HWND hwnd) {
  wchar_t name[64] = {};
  return GetClassNameW(hwnd, name, 64) > 0 && std::wcscmp(name, kHostClass) == 0;
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Host* host = HostOf(hwnd);
  switch (message) {
    case WM_SETFOCUS:
      if (HWND inner = BrowserFocusWindow(hwnd)) SetFocus(inner);
      return 0;
    case WM_SETCURSOR: {
      // The control's outer window has nothing of its own to point at (it
      // shows when no page is drawn over it) and no pointer of its own: the
      // standard arrow, not whatever the pointer was before.
      const auto under = reinterpret_cast<HWND>(wparam);
      if ((under == hwnd || GetParent(under) == hwnd) && SetPointer(lparam, Pointer::Arrow))
        return TRUE;
      break;
    }
    case WM_SIZE:
      if (host && host->object) {
        IOleInPlaceObject* in_place = nullptr;
        if (SUCCEEDED(host->object->QueryInterface(IID_IOleInPlaceObject,
                                                   reinterpret_cast<void**>(&in_place)))) {
          RECT area;
          GetClientRect(hwnd, &area);
          in_place->SetObjectRects(&area, &area);
          in_place->Release();
        }
      }
      break;
    case WM_DESTROY:
      if (host) host->Release();
      break;
    case WM_NCDESTROY:
      delete host;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// The control's own settings, right after it has been made.
void Configure(IWebBrowser2* browser, const BrowserSettings& settings) {
  browser->put_Silent(ToVariantBool(settings.silent));
  // Offline mode serves pages from the cache only; the shop's live pages must
  // load, so the control always works online, whatever the design asks.
  browser->put_Offline(VARIANT_FALSE);
  browser->put_RegisterAsDropTarget(ToVariantBool(settings.register_as_drop_target));
  browser->put_RegisterAsBrowser(ToVariantBool(settings.register_as_browser));
}

bool Embed(HWND hwnd, Host& host, const BrowserSettings& settings) {
  host.site = new Site(hwnd);
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              reinterpret_cast<void**>(&host.object))))
    return false;
  host.object->SetClientSite(static_cast<IOleClientSite*>(host.site));
  OleSetContainedObject(host.object, TRUE);
  RECT area;
  GetClientRect(hwnd, &area);
  if (FAILED(host.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                 static_cast<IOleClientSite*>(host.site), 0, hwnd, &area)))
    return false;
  if (FAILED(
          host.object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&host.browser))))
    return false;
  Configure(host.browser, settings);
  return true;
}

IWebBrowser2* BrowserOf(WindowId window, const char* control) {
  HWND hwnd = FindControl(window, control);
  if (!hwnd || !IsHost(hwnd)) return nullptr;
  Host* host = HostOf(hwnd);
  return host ? host->browser : nullptr;
}

}  // namespace

HWND CreateBrowserHost(HWND parent, const ControlDesign& design, int id) {
  if (!RegisterControlClass(kHostClass, HostProc, GetSysColorBrush(COLOR_WINDOW))) return nullptr;
  const DWORD style =
      kChildStyle | WS_CLIPCHILDREN | WS_TABSTOP | (design.visible ? WS_VISIBLE : 0);
  const DWORD ex_style = design.raised_border ? WS_EX_DLGMODALFRAME : 0;
  HWND hwnd = CreateWindowExW(
      ex_style, kHostClass, L"", style, design.left, design.top, design.width, design.height,
      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (!hwnd) return nullptr;
  auto* host = new Host;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
  // Without the control the window still works: the host stays empty and
  // reads as uninitialized, which ends any wait on it.
  if (!Embed(hwnd, *host, design.browser)) host->Release();
  return hwnd;
}

HWND BrowserFocusWindow(HWND host) {
  if (!IsHost(host)) return nullptr;
  Host* record = HostOf(host);
  if (!record || !record->object) return nullptr;
  IOleInPlaceObject* in_place = nullptr;
  if (FAILED(record->object->QueryInterface(IID_IOleInPlaceObject,
                                            reinterpret_cast<void**>(&in_place))))
    return nullptr;
  HWND inner = nullptr;
  if (FAILED(in_place->GetWindow(&inner))) inner = nullptr;
  in_place->Release();
  return inner;
}

// Keys meant for the page (Tab within it, its own shortcuts) go to the
// control before the message loop translates them.
bool BrowserTranslateAccelerator(MSG& message) {
  for (HWND hwnd = message.hwnd; hwnd; hwnd = GetParent(hwnd)) {
    if (!IsHost(hwnd)) continue;
    Host* host = HostOf(hwnd);
    if (!host || !host->object) return false;
    IOleInPlaceActiveObject* active = host->site ? host->site->active_object() : nullptr;
    bool handled = false;
    if (active) {
      handled = active->TranslateAccelerator(&message) == S_OK;
    } else if (SUCCEEDED(host->object->QueryInterface(IID_IOleInPlaceActiveObject,
                                                      reinterpret_cast<void**>(&active)))) {
      handled = active->TranslateAccelerator(&message) == S_OK;
      active->Release();
    }
    return handled;
  }
  return false;
}

}  // namespace win32

void BrowserNavigate(WindowId window, const char* control, const Text& url) {
  IWebBrowser2* browser = win32::BrowserOf(window, control);
  if (!browser) return;
  std::wstring address = win32::ToWide(url);
  // A bare host (with a port, say) is the http address of that host; the
  // control would not complete it by itself.
  if (!address.empty() && address.find(L"://") == std::wstring::npos)
    address = L"http://" + address;
  BSTR bstr = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
  VARIANT flags, none;
  VariantInit(&flags);
  flags.vt = VT_I4;
  flags.lVal = 0;
  VariantInit(&none);
  // The result is not looked at: a failed navigation shows in the page.
  browser->Navigate(bstr, &flags, &none, &none, &none);
  SysFreeString(bstr);
}

ReadyState BrowserReadyState(WindowId window, const char* control) {
  IWebBrowser2* browser = win32::BrowserOf(window, control);
  READYSTATE state = READYSTATE_UNINITIALIZED;
  if (!browser || FAILED(browser->get_ReadyState(&state))) return ReadyState::Uninitialized;
  switch (state) {
    case READYSTATE_LOADING:
      return ReadyState::Loading;
    case READYSTATE_LOADED:
      return ReadyState::Loaded;
    case READYSTATE_INTERACTIVE:
      return ReadyState::Interactive;
    case READYSTATE_COMPLETE:
      return ReadyState::Complete;
    default:
      return ReadyState::Uninitialized;
  }
}

}  // namespace platform
