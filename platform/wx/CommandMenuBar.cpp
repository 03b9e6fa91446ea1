#include "platform/wx/CommandMenuBar.h"

#include "platform/wx/WxText.h"

#include <wx/frame.h>
#include <wx/menu.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

namespace {

#ifdef __WXGTK__

struct ItemCommand {
    wxFrame* frame;
    int id;
};

// Queued, not processed: the command may open a modal dialog.
static void OnItemActivate(GtkMenuItem*, gpointer data) {
    auto* cmd = static_cast<ItemCommand*>(data);
    cmd->frame->GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_MENU, cmd->id));
}

static void FreeItemCommand(gpointer data, GClosure*) { delete static_cast<ItemCommand*>(data); }

static bool PointerInside(GtkWidget* item, double xRoot, double yRoot) {
    GdkWindow* win = gtk_widget_get_window(item);
    if (win == nullptr) return false;
    int ox = 0, oy = 0;
    gdk_window_get_origin(win, &ox, &oy);
    GtkAllocation a;
    gtk_widget_get_allocation(item, &a);
    return xRoot >= ox + a.x && xRoot < ox + a.x + a.width && yRoot >= oy + a.y &&
           yRoot < oy + a.y + a.height;
}

// GTK's menu shell ignores a release that follows the opening press by less
// than 500 ms, so a plain click would do nothing and keep the grab. Decide
// here: a left release on an item runs it, any other release closes the bar.
static gboolean OnBarRelease(GtkWidget* bar, GdkEventButton* ev, gpointer) {
    GtkMenuShell* shell = GTK_MENU_SHELL(bar);
    GtkWidget* hit = nullptr;
    if (ev->button == 1) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(bar));
        for (GList* l = children; l != nullptr; l = l->next)
            if (PointerInside(GTK_WIDGET(l->data), ev->x_root, ev->y_root))
                hit = GTK_WIDGET(l->data);
        g_list_free(children);
    }
    if (hit != nullptr) gtk_menu_shell_activate_item(shell, hit, TRUE);
    else gtk_menu_shell_deactivate(shell);
    return TRUE;
}

GtkWidget* BarItem(wxFrame* frame, int index) {
    wxMenuBar* bar = frame->GetMenuBar();
    if (bar == nullptr || bar->GetHandle() == nullptr) return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(bar->GetHandle()));
    auto* item = static_cast<GtkWidget*>(g_list_nth_data(children, static_cast<guint>(index)));
    g_list_free(children);
    return item;
}

#endif

}  // namespace

void AttachCommandMenuBar(wxFrame* frame, const MenuTemplate& menu) {
    auto* bar = new wxMenuBar;
    // wx still counts and labels the items; their pop-ups are taken off below.
    for (int i = 0; i < menu.itemCount; ++i) bar->Append(new wxMenu, ToWx(menu.items[i].text));
    frame->SetMenuBar(bar);
#ifdef __WXGTK__
    auto* widget = static_cast<GtkWidget*>(bar->GetHandle());
    for (int i = 0; i < menu.itemCount; ++i) {
        GtkWidget* item = BarItem(frame, i);
        if (item == nullptr) continue;
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), nullptr);
        g_signal_connect_data(item, "activate", G_CALLBACK(OnItemActivate),
                              new ItemCommand{frame, menu.items[i].id}, FreeItemCommand,
                              GConnectFlags(0));
    }
    g_signal_connect(widget, "button-release-event", G_CALLBACK(OnBarRelease), nullptr);
#endif
}

bool IsMenuBarActive(wxFrame* frame) {
#ifdef __WXGTK__
    wxMenuBar* bar = frame->GetMenuBar();
    if (bar == nullptr || bar->GetHandle() == nullptr) return false;
    return gtk_menu_shell_get_selected_item(GTK_MENU_SHELL(bar->GetHandle())) != nullptr;
#else
    (void)frame;
    return false;
#endif
}
