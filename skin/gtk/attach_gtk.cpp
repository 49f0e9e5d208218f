// The library's one entry point on Linux: the skin file becomes a style sheet
// for the whole program, above the theme.
#include <gtk/gtk.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "common/skin_file.h"
#include "skin_css.h"

namespace {

// The sheet in force; a later skin takes its place.
GtkCssProvider* current_provider = nullptr;

std::int32_t Attach(const char* skin_path) {
  if (!skin_path) return 0;
  GdkScreen* screen = gdk_screen_get_default();
  if (!screen) return 0;  // no display: nothing to skin

  skin::SkinResult result;
  {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(skin_path, "rb"), std::fclose);
    if (!file) return 0;
    result = skin::ReadSkin(file.get());
  }
  if (!result.ok()) return 0;

  const std::string css = skin::BuildCss(result.skin);
  GtkCssProvider* provider = gtk_css_provider_new();
  if (!gtk_css_provider_load_from_data(provider, css.c_str(), static_cast<gssize>(css.size()),
                                       nullptr)) {
    g_object_unref(provider);
    return 0;
  }
  if (current_provider) {
    gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(current_provider));
    g_object_unref(current_provider);
  }
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  current_provider = provider;
  return 1;
}

}  // namespace

// The second text is reserved for a later version and not looked at.
extern "C" __attribute__((visibility("default"))) std::int32_t SkinH_AttachEx(const char* skin_path,
                                                                              const char*) {
  try {
    return Attach(skin_path);
  } catch (...) {
    // Nothing may cross into a caller that knows only C.
    return 0;
  }
}
