// The six tiles: each press shows its page, in the embedded browser or, for
// the merchant tile, in the user's default web browser.
#include "main_window/tiles.h"

#include "main_window/navigation.h"
#include "remote/hosts.h"

namespace main_window {

namespace {

struct Tile {
  const char* control;
  void (*operation)(const platform::Text&);
  platform::Text (*url)();
};

const Tile kTiles[] = {
    {"图片框1", &ShowPage, &remote::ShopBareHost},
    {"图片框2", &ShowPage, &remote::BrandPageUrl},
    {"图片框3", &ShowPage, &remote::NinePageUrl},
    {"图片框4", &ShowPage, &remote::NineteenPageUrl},
    {"图片框5", &ShowPage, &remote::JingpinPageUrl},
    {"图片框6", &OpenExternal, &remote::BusinessPageUrl},
};

}  // namespace

void BindTiles(platform::Bindings& bindings) {
  for (const Tile& tile : kTiles) {
    bindings.push_back(
        {tile.control, platform::Event::LeftButtonDown, [&tile] { tile.operation(tile.url()); }});
  }
}

}  // namespace main_window
