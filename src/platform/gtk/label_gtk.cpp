// A transparent label: text drawn with Pango straight over whatever lies
// beneath, left-aligned from the top and wrapped at the label's width.
#include <string>

#include "platform/gtk/gtk_internal.h"
#include "platform/gtk/text_convert.h"

namespace platform::gtk {

namespace {

// Installed faces asked for when the design's own face is missing.
constexpr const char* kFallbackFaces = "Noto Sans CJK SC, WenQuanYi Zen Hei, sans-serif";

struct Label {
  std::string utf8;
  Color color;
  std::string family;
  int pixel_height;
  int weight;
};

gboolean Draw(GtkWidget* widget, cairo_t* cr, gpointer) {
  auto* label = static_cast<Label*>(g_object_get_data(G_OBJECT(widget), "tolvane-label"));
  PangoLayout* layout = gtk_widget_create_pango_layout(widget, label->utf8.c_str());
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, label->family.c_str());
  pango_font_description_set_absolute_size(font, label->pixel_height * PANGO_SCALE);
  pango_font_description_set_weight(font, static_cast<PangoWeight>(label->weight));
  pango_layout_set_font_description(layout, font);
  pango_layout_set_width(layout, gtk_widget_get_allocated_width(widget) * PANGO_SCALE);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
  SetSourceColor(cr, label->color);
  PangoLayoutIter* line = pango_layout_get_iter(layout);
  int top = 0;
  do {
    PangoLayoutLine* current = pango_layout_iter_get_line_readonly(line);
    PangoRectangle ink, logical;
    pango_layout_line_get_pixel_extents(current, &ink, &logical);
    cairo_move_to(cr, 0, top - logical.y);
    pango_cairo_show_layout_line(cr, current);
    // Lines as far apart as a Windows font of this height sets them, whatever
    // the fallback face's own leading.
    top += label->pixel_height + 3;
  } while (pango_layout_iter_next_line(line));
  pango_layout_iter_free(line);
  pango_font_description_free(font);
  g_object_unref(layout);
  return FALSE;
}

}  // namespace

GtkWidget* CreateTransparentLabel(const ControlDesign& design) {
  auto* label = new Label{ToUtf8(design.text), design.text_color,
                          ToUtf8(design.font.face) + ", " + kFallbackFaces,
                          design.font.height > 0 ? design.font.height : 12, design.font.weight};
  GtkWidget* widget = gtk_drawing_area_new();
  gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK);
  g_object_set_data_full(G_OBJECT(widget), "tolvane-label", label,
                         [](gpointer data) { delete static_cast<Label*>(data); });
  g_signal_connect(widget, "draw", G_CALLBACK(Draw), nullptr);
  return widget;
}

}  // namespace platform::gtk
