// Picture boxes: a still PNG decoded by our own libpng code, or a GIF played
// by GdkPixbufAnimation; drawn at natural size from the top left corner and
// clipped at the box, the rest filled with the box's background colour.
#include <cstring>
#include <memory>
#include <string>

#include "platform/common/png_image.h"
#include "platform/gtk/gtk_internal.h"

namespace platform::gtk {

namespace {

struct PictureBox {
  Color background;
  cairo_surface_t* still = nullptr;
  GdkPixbufAnimation* animation = nullptr;
  GdkPixbufAnimationIter* frame = nullptr;
  guint timer = 0;

  ~PictureBox() {
    if (timer) g_source_remove(timer);
    if (frame) g_object_unref(frame);
    if (animation) g_object_unref(animation);
    if (still) cairo_surface_destroy(still);
  }
};

bool EndsWith(const std::string& text, const char* suffix) {
  const std::size_t length = std::strlen(suffix);
  return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

cairo_surface_t* SurfaceFromRgba(const RgbaImage& image) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
  cairo_surface_flush(surface);
  unsigned char* out = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < image.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(out + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
      const std::uint32_t a = p[3];
      // Cairo wants premultiplied alpha.
      const std::uint32_t r = p[0] * a / 255, g = p[1] * a / 255, b = p[2] * a / 255;
      row[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

void ScheduleNextFrame(GtkWidget* widget, PictureBox* box);

gboolean AdvanceFrame(gpointer data) {
  auto* widget = static_cast<GtkWidget*>(data);
  auto* box = static_cast<PictureBox*>(g_object_get_data(G_OBJECT(widget), "tolvane-picture"));
  box->timer = 0;
  gdk_pixbuf_animation_iter_advance(box->frame, nullptr);
  gtk_widget_queue_draw(widget);
  ScheduleNextFrame(widget, box);
  return G_SOURCE_REMOVE;
}

void ScheduleNextFrame(GtkWidget* widget, PictureBox* box) {
  if (!box->frame || box->timer || !gtk_widget_get_mapped(widget)) return;
  const int delay = gdk_pixbuf_animation_iter_get_delay_time(box->frame);
  if (delay >= 0) box->timer = g_timeout_add(static_cast<guint>(delay), AdvanceFrame, widget);
}

gboolean Draw(GtkWidget* widget, cairo_t* cr, gpointer) {
  auto* box = static_cast<PictureBox*>(g_object_get_data(G_OBJECT(widget), "tolvane-picture"));
  SetSourceColor(cr, box->background);
  cairo_paint(cr);
  if (box->still) {
    cairo_set_source_surface(cr, box->still, 0, 0);
    cairo_paint(cr);
  } else if (box->frame) {
    gdk_cairo_set_source_pixbuf(cr, gdk_pixbuf_animation_iter_get_pixbuf(box->frame), 0, 0);
    cairo_paint(cr);
  }
  return FALSE;
}

}  // namespace

GtkWidget* CreatePictureBox(const ControlDesign& design) {
  auto* box = new PictureBox{design.background};
  if (design.image) {
    const std::string path = AssetPath(design.image);
    if (EndsWith(path, ".gif")) {
      box->animation = gdk_pixbuf_animation_new_from_file(path.c_str(), nullptr);
      if (box->animation) box->frame = gdk_pixbuf_animation_get_iter(box->animation, nullptr);
    } else {
      RgbaImage image;
      if (DecodePngFile(path, image)) box->still = SurfaceFromRgba(image);
    }
    // A missing or broken image leaves the box in its background colour.
    if (!box->still && !box->frame) g_printerr("tolvane: cannot read image %s\n", path.c_str());
  }

  // A fixed with its own window: it can hold children (the badge's label) and
  // take presses, and draws itself.
  GtkWidget* widget = gtk_fixed_new();
  gtk_widget_set_has_window(widget, TRUE);
  gtk_widget_set_app_paintable(widget, TRUE);
  gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK);
  g_object_set_data_full(G_OBJECT(widget), "tolvane-picture", box,
                         [](gpointer data) { delete static_cast<PictureBox*>(data); });
  g_signal_connect(widget, "draw", G_CALLBACK(Draw), nullptr);
  // The animation runs only while the box is on the screen.
  g_signal_connect(
      widget, "map", G_CALLBACK(+[](GtkWidget* w, gpointer) {
        auto* b = static_cast<PictureBox*>(g_object_get_data(G_OBJECT(w), "tolvane-picture"));
        ScheduleNextFrame(w, b);
      }),
      nullptr);
  g_signal_connect(
      widget, "unmap", G_CALLBACK(+[](GtkWidget* w, gpointer) {
        auto* b = static_cast<PictureBox*>(g_object_get_data(G_OBJECT(w), "tolvane-picture"));
        if (b->timer) g_source_remove(b->timer);
        b->timer = 0;
      }),
      nullptr);
  return widget;
}

}  // namespace platform::gtk
