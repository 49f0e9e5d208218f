// The outside skin library, bound at run time.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace platform {

// The library's file name on this platform.
Text SkinLibraryFileName();

// Loads the library from first_path, else by the system's standard search for
// file_name alone, and looks entry_name up in the library that loaded. False
// when it loads nowhere or lacks the entry point (it is then unloaded again).
// It stays loaded until ReleaseAll.
bool BindSkinLibrary(const Text& first_path, const Text& file_name, const char* entry_name);

// Calls the bound entry point with the skin file's path and the second text.
std::int32_t AttachSkin(const Text& skin_path, const Text& second);

}  // namespace platform
