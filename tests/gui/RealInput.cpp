#include "tests/gui/RealInput.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/window.h>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace realinput {

bool Xdo(const std::string& args) {
    return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
}

bool ClickAt(wxPoint p) {
    return Xdo("mousemove --sync " + std::to_string(p.x) + " " + std::to_string(p.y) +
               " click 1");
}

bool Click(wxWindow* w, wxPoint client) { return ClickAt(w->ClientToScreen(client)); }

bool Key(const char* keysym) { return Xdo(std::string("key ") + keysym); }

bool PumpUntil(const std::function<bool()>& done) {
    // 400 rounds of 10 ms: far beyond what a handled key takes.
    for (int i = 0; i < 400; ++i) {
        wxTheApp->ProcessPendingEvents();
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
            while (loop->Pending()) loop->Dispatch();
        if (done()) return true;
        usleep(10000);
    }
    return done();
}

namespace {

// The deepest wx window under `w` whose widget is, or holds, `focus`.
wxWindow* OwnerOf(wxWindow* w, GtkWidget* focus) {
    for (wxWindow* child : w->GetChildren())
        if (wxWindow* hit = OwnerOf(child, focus)) return hit;
    GtkWidget* own = w->GetHandle();
    if (own != nullptr && (own == focus || gtk_widget_is_ancestor(focus, own))) return w;
    return nullptr;
}

}  // namespace

int FocusedControlId(wxWindow* topLevel) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(topLevel->GetHandle()));
    if (focus == nullptr) return -1;
    for (wxWindow* child : topLevel->GetChildren())
        if (wxWindow* hit = OwnerOf(child, focus)) return hit->GetId();
    return -1;
}

bool ServerPosition(wxWindow* topLevel, wxPoint& out) {
    GtkWidget* widget = topLevel->GetHandle();
    GdkWindow* win = widget ? gtk_widget_get_window(widget) : nullptr;
    if (win == nullptr || !GDK_IS_X11_WINDOW(win)) return false;
    char cmd[96];
    std::snprintf(cmd, sizeof cmd, "xdotool getwindowgeometry --shell %lu",
                  static_cast<unsigned long>(GDK_WINDOW_XID(win)));
    FILE* p = popen(cmd, "r");
    if (p == nullptr) return false;
    bool x = false, y = false;
    char line[128];
    while (std::fgets(line, sizeof line, p) != nullptr) {
        if (std::sscanf(line, "X=%d", &out.x) == 1) x = true;
        if (std::sscanf(line, "Y=%d", &out.y) == 1) y = true;
    }
    pclose(p);
    return x && y;
}

}  // namespace realinput
