#include "platform/wx/Placement.h"

#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

void PlaceWindowAt(wxTopLevelWindow* w, wxPoint screen) {
#ifdef __WXGTK__
    // wx leaves the placement policy at "centre on the owner", which GTK
    // applies when it maps the window, over a position wx already holds.
    if (GtkWidget* widget = w->GetHandle(); widget != nullptr && GTK_IS_WINDOW(widget)) {
        gtk_window_set_position(GTK_WINDOW(widget), GTK_WIN_POS_NONE);
        gtk_window_move(GTK_WINDOW(widget), screen.x, screen.y);
    }
#endif
    w->Move(screen);
}
