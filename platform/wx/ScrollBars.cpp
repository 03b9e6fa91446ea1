#include "platform/wx/ScrollBars.h"

#include <wx/window.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>

namespace {

constexpr const char kWarps[] = "gtk-primary-button-warps-slider";

// GTK moves the thumb to a clicked point of the track unless this setting
// is off, and keeps it per screen, not per bar: it is turned off while the
// pointer is over one of these bars and given back to the desktop's value
// when it leaves, so other bars of the program (file dialogs) keep theirs.
gboolean OnEnterBar(GtkWidget* bar, GdkEventCrossing*, gpointer) {
    g_object_set(gtk_widget_get_settings(bar), kWarps, FALSE, nullptr);
    return FALSE;
}

gboolean OnLeaveBar(GtkWidget* bar, GdkEventCrossing*, gpointer) {
    gtk_settings_reset_property(gtk_widget_get_settings(bar), kWarps);
    return FALSE;
}

// GTK animates a step or page of a bar over several frames, and the window
// sets the bar's position on each step it is told of, which ends the
// animation part way (a page of 10 would stop at 7). The bar takes the
// step at once instead.
gboolean OnChangeValue(GtkRange* bar, GtkScrollType, gdouble value, gpointer) {
    gtk_adjustment_set_value(gtk_range_get_adjustment(bar), value);
    return TRUE;
}

}  // namespace

void UsePagingScrollBars(wxWindow* w, int page) {
    GtkWidget* widget = w->GetHandle();
    if (widget == nullptr || !GTK_IS_SCROLLED_WINDOW(widget)) return;
    GtkScrolledWindow* sw = GTK_SCROLLED_WINDOW(widget);
    // Overlay bars are hidden until the pointer comes near them.
    gtk_scrolled_window_set_overlay_scrolling(sw, FALSE);
    for (GtkWidget* bar : {gtk_scrolled_window_get_hscrollbar(sw),
                           gtk_scrolled_window_get_vscrollbar(sw)}) {
        if (bar == nullptr) continue;
        gtk_range_set_increments(GTK_RANGE(bar), 1, page);
        if (g_object_get_data(G_OBJECT(bar), "tamlix-paging") != nullptr) continue;
        g_object_set_data(G_OBJECT(bar), "tamlix-paging", bar);
        g_signal_connect(bar, "enter-notify-event", G_CALLBACK(OnEnterBar), nullptr);
        g_signal_connect(bar, "leave-notify-event", G_CALLBACK(OnLeaveBar), nullptr);
        g_signal_connect(bar, "change-value", G_CALLBACK(OnChangeValue), nullptr);
    }
}

#else

// Native bars elsewhere page on a track click and stay visible.
void UsePagingScrollBars(wxWindow*, int) {}

#endif
