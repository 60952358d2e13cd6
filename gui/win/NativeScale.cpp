#include "gui/win/NativeScale.h"

#include "gui/Scale.h"

#include <gtk/gtk.h>

#include <initializer_list>

namespace s::gui::win {

namespace {

// What was applied, user-interface thread.
i32 g_appliedScale = 1;
GtkCssProvider* g_provider = nullptr;
std::string g_baseFont; // the default font before it was scaled

/// `rule` with every "%d" replaced by the next of `values` times `scale`.
std::string scaled(const char* rule, std::initializer_list<int> values, i32 scale) {
    std::string out;
    auto next = values.begin();
    for (const char* p = rule; *p; ++p) {
        if (p[0] == '%' && p[1] == 'd' && next != values.end()) {
            out += std::to_string(*next++ * scale);
            ++p;
        } else {
            out += *p;
        }
    }
    return out + "\n";
}

/// The font description `name` with its size times `scale`.
std::string scaledFont(const std::string& name, i32 scale) {
    PangoFontDescription* font = pango_font_description_from_string(name.c_str());
    if (!font)
        return name;
    const gint size = pango_font_description_get_size(font);
    const gint base = size > 0 ? size : 10 * PANGO_SCALE;
    if (pango_font_description_get_size_is_absolute(font))
        pango_font_description_set_absolute_size(font, static_cast<double>(base) * scale);
    else
        pango_font_description_set_size(font, base * scale);
    gchar* text = pango_font_description_to_string(font);
    std::string out = text ? text : name;
    g_free(text);
    pango_font_description_free(font);
    return out;
}

} // namespace

std::string nativeScaleCss(i32 scale) {
    if (scale <= 1)
        return {};
    // The sizes of GTK's default theme at scale 1, multiplied. Another
    // theme's widgets take these sizes too once the scale is above 1: what
    // counts there is that they grow with the rest of the window.
    std::string css;
    css += scaled("check, radio { min-width: %dpx; min-height: %dpx; margin: 0 %dpx; }", {14, 14, 4}, scale);
    css += "check:only-child, radio:only-child { margin: 0; }\n";
    css += scaled("menuitem check, menuitem radio { min-width: %dpx; min-height: %dpx; }", {16, 16}, scale);
    css += "menu menuitem check, menu menuitem radio { margin: 0; }\n";
    css += scaled("menuitem check:dir(ltr), menuitem radio:dir(ltr) { margin-right: %dpx; }", {7}, scale);
    css += scaled("menuitem check:dir(rtl), menuitem radio:dir(rtl) { margin-left: %dpx; }", {7}, scale);
    css +=
        scaled("menu menuitem, .menu menuitem, .context-menu menuitem { min-height: %dpx; min-width: %dpx; "
               "padding: %dpx %dpx; }",
               {16, 40, 4, 6}, scale);
    css += scaled("menu menuitem arrow, .menu menuitem arrow { min-width: %dpx; min-height: %dpx; }",
                  {16, 16}, scale);
    css += scaled("scale { min-width: %dpx; min-height: %dpx; padding: %dpx; }", {10, 10, 12}, scale);
    css += scaled("scale slider { min-width: %dpx; min-height: %dpx; margin: -%dpx; }", {18, 18, 9}, scale);
    css += scaled(
        "entry, spinbutton:not(.vertical) { min-height: %dpx; padding-left: %dpx; padding-right: %dpx; }",
        {32, 8, 8}, scale);
    css += scaled("button { min-height: %dpx; min-width: %dpx; padding: %dpx %dpx; }", {24, 16, 4, 9}, scale);
    css += scaled("combobox arrow { min-width: %dpx; min-height: %dpx; }", {16, 16}, scale);
    css += scaled("scrollbar slider { min-width: %dpx; min-height: %dpx; border-width: %dpx; }", {8, 8, 4},
                  scale);
    css += scaled("tooltip { padding: %dpx; }", {4}, scale);
    return css;
}

void applyNativeScale() {
    const i32 scale = displayScale();
    if (scale == g_appliedScale)
        return;
    GdkScreen* screen = gdk_screen_get_default();
    GtkSettings* settings = gtk_settings_get_default();
    if (!screen || !settings)
        return;
    if (g_provider) {
        gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(g_provider));
        g_object_unref(g_provider);
        g_provider = nullptr;
    }
    if (g_baseFont.empty()) {
        gchar* name = nullptr;
        g_object_get(settings, "gtk-font-name", &name, nullptr);
        g_baseFont = name ? name : "Sans 10";
        g_free(name);
    }
    const std::string font = scale > 1 ? scaledFont(g_baseFont, scale) : g_baseFont;
    g_object_set(settings, "gtk-font-name", font.c_str(), nullptr);
    if (const std::string css = nativeScaleCss(scale); !css.empty()) {
        g_provider = gtk_css_provider_new();
        gtk_css_provider_load_from_data(g_provider, css.data(), static_cast<gssize>(css.size()), nullptr);
        // Above the theme and the user's settings, below each control's own
        // sheet.
        gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(g_provider),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    g_appliedScale = scale;
}

} // namespace s::gui::win
