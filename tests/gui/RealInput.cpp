#include "tests/gui/RealInput.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/utils.h>
#include <wx/window.h>

#ifdef __WXGTK__
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#else
#include <windows.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace realinput {

bool PumpUntil(const std::function<bool()>& done) {
    // 400 rounds of 10 ms: far beyond what a handled key takes.
    for (int i = 0; i < 400; ++i) {
        wxTheApp->ProcessPendingEvents();
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
            while (loop->Pending()) loop->Dispatch();
        if (done()) return true;
        wxMilliSleep(10);
    }
    return done();
}

#ifdef __WXGTK__

bool Xdo(const std::string& args) {
    return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
}

bool ClickAt(wxPoint p) {
    return Xdo("mousemove --sync " + std::to_string(p.x) + " " + std::to_string(p.y) +
               " click 1");
}

bool Click(wxWindow* w, wxPoint client) { return ClickAt(w->ClientToScreen(client)); }

bool Key(const char* keysym) { return Xdo(std::string("key ") + keysym); }

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

#else

// On Windows the input goes through SendInput, into the system's input
// queue as a user's keys and clicks do.

bool Xdo(const std::string&) { return false; }

namespace {

bool Send(INPUT* in, UINT n) { return SendInput(n, in, sizeof(INPUT)) == n; }

INPUT KeyInput(WORD vk, bool up, bool extended) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return in;
}

// X's key names as Windows' virtual keys; the keypad's keys are the ones
// without the extended flag.
bool VirtualKey(const std::string& name, WORD& vk, bool& extended) {
    static const struct { const char* name; WORD vk; bool extended; } kKeys[] = {
        {"Tab", VK_TAB, false},       {"Return", VK_RETURN, false}, {"Escape", VK_ESCAPE, false},
        {"Home", VK_HOME, true},      {"End", VK_END, true},       {"Prior", VK_PRIOR, true},
        {"Next", VK_NEXT, true},      {"Up", VK_UP, true},         {"Down", VK_DOWN, true},
        {"Left", VK_LEFT, true},      {"Right", VK_RIGHT, true},   {"KP_Home", VK_HOME, false},
        {"KP_End", VK_END, false},    {"space", VK_SPACE, false},
    };
    for (const auto& k : kKeys)
        if (name == k.name) {
            vk = k.vk;
            extended = k.extended;
            return true;
        }
    return false;
}

}  // namespace

bool ClickAt(wxPoint p) {
    if (!SetCursorPos(p.x, p.y)) return false;
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return Send(in, 2);
}

bool Click(wxWindow* w, wxPoint client) { return ClickAt(w->ClientToScreen(client)); }

// "ctrl+End", "shift+Tab": modifiers down, the key, modifiers up.
bool Key(const char* keysym) {
    std::string rest = keysym;
    std::vector<WORD> mods;
    for (size_t plus; (plus = rest.find('+')) != std::string::npos; rest.erase(0, plus + 1)) {
        const std::string mod = rest.substr(0, plus);
        if (mod == "ctrl") mods.push_back(VK_CONTROL);
        else if (mod == "shift") mods.push_back(VK_SHIFT);
        else if (mod == "alt") mods.push_back(VK_MENU);
        else return false;
    }
    WORD vk = 0;
    bool extended = false;
    if (!VirtualKey(rest, vk, extended)) return false;
    std::vector<INPUT> in;
    for (WORD m : mods) in.push_back(KeyInput(m, false, false));
    in.push_back(KeyInput(vk, false, extended));
    in.push_back(KeyInput(vk, true, extended));
    for (auto m = mods.rbegin(); m != mods.rend(); ++m) in.push_back(KeyInput(*m, true, false));
    return Send(in.data(), static_cast<UINT>(in.size()));
}

int FocusedControlId(wxWindow* topLevel) {
    wxWindow* focus = wxWindow::FindFocus();
    for (wxWindow* w = focus; w != nullptr; w = w->GetParent())
        if (w == topLevel) return focus->GetId();
    return -1;
}

bool ServerPosition(wxWindow* topLevel, wxPoint& out) {
    RECT r{};
    if (!GetWindowRect(static_cast<HWND>(topLevel->GetHWND()), &r)) return false;
    out = wxPoint(r.left, r.top);
    return true;
}

#endif

}  // namespace realinput
