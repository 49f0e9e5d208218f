// The process and its place on disk.
#pragma once

#include "platform/text.h"

namespace platform {

// Brings the platform up for the one user-interface thread.
void InitializeUiThread();
// The invisible top-level window that owns the system's secondary windows.
void CreateOwnerWindow();
// Releases what the platform holds at the end: libraries, windows, COM.
void ReleaseAll();
[[noreturn]] void ExitProcess(int code);

// The full path of the running executable.
Text ProgramPath();
// The character that separates the parts of a path.
char PathSeparator();
void SetWorkingDirectory(const Text& directory);

// The frame's quit rule hears of every destroyed window of the system here.
void SetWindowDestroyedListener(void (*listener)());

}  // namespace platform
