// Showing pages: in the embedded browser with the loading indicator, or in
// the user's default web browser.
#pragma once

#include "platform/text.h"

namespace main_window {

// Sends the embedded browser to the URL and keeps the user interface alive,
// with the loading indicator shown, while the browser is loading.
void ShowPage(const platform::Text& url);

// Opens the URL in the user's default web browser and returns at once.
void OpenExternal(const platform::Text& url);

}  // namespace main_window
