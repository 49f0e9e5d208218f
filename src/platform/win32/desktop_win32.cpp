// The desktop on Windows: the shell's desktop folder and a shell link.
// Paths go through the W interfaces, converted from code page 936, so that a
// Chinese name survives a Windows (or Wine) whose ANSI code page is another.
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include "platform/common/shortcut_name.h"
#include "platform/desktop.h"
#include "platform/win32/win32_internal.h"

namespace platform {

Text DesktopDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_DESKTOPDIRECTORY, FALSE)) return Text();
  std::wstring directory = buffer;
  if (directory.empty()) return Text();
  if (directory.back() != L'\\') directory += L'\\';
  return win32::FromWide(directory);
}

bool CreateShortcut(const Text& path, const Text& target) {
  const Text file = shortcut::WithExtension(path.c_str(), '\\', ".lnk");
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  // Only the save decides: a target that does not exist yet is still linked.
  link->SetPath(win32::ToWide(target).c_str());
  link->SetShowCmd(SW_SHOW);
  bool saved = false;
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    saved = SUCCEEDED(persist->Save(win32::ToWide(file).c_str(), TRUE));
    persist->Release();
  }
  link->Release();
  return saved;
}

}  // namespace platform
