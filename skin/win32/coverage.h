// Which windows the skin reaches, and how: the windows of one thread, those
// that exist when the skin is attached and those made afterwards (a CBT hook
// on that thread). Top-level windows are subclassed for the colours of their
// controls and their background, push buttons for their painting and font,
// edit boxes for their font.
#pragma once

#include "resources.h"

namespace skin::win32 {

// Hooks the calling thread if it is not yet hooked. False when the hook
// cannot be set, or when another thread holds it.
bool HookThread();
// Brings every window of the hooked thread under the active skin, and
// redraws it. Windows already covered take up the active skin's font again.
void CoverThreadWindows();
// Unhooks and gives every covered window back its own procedure and font.
// On the hooked thread only; elsewhere the windows cannot be changed.
void UncoverAll();

}  // namespace skin::win32
