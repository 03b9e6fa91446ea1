// The command menu bar on Windows: each item is a native string item of
// the bar's menu (no pop-up), so a click or Alt+letter sends WM_COMMAND at
// once. wx routes only the commands of items it created itself, so the
// frame's window is subclassed and answers these commands before wx sees
// them, as a wxEVT_MENU queued on the frame (the command may open a modal
// dialog).
#include "platform/wx/CommandMenuBar.h"

#include "platform/wx/WxText.h"

#include <wx/frame.h>
#include <wx/menu.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace {

constexpr UINT_PTR kSubclassId = 0x7A31;

struct BarCommands {
    wxFrame* frame;
    std::vector<int> ids;
};

LRESULT CALLBACK BarFrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
    auto* bar = reinterpret_cast<BarCommands*>(data);
    // A menu command: no control, notification code 0.
    if (msg == WM_COMMAND && lParam == 0 && HIWORD(wParam) == 0) {
        const int id = LOWORD(wParam);
        if (std::find(bar->ids.begin(), bar->ids.end(), id) != bar->ids.end()) {
            bar->frame->GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_MENU, id));
            return 0;
        }
    }
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, BarFrameProc, kSubclassId);
        delete bar;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

HMENU BarMenu(wxFrame* frame) {
    wxMenuBar* bar = frame->GetMenuBar();
    return bar == nullptr ? nullptr : static_cast<HMENU>(bar->GetHMenu());
}

}  // namespace

void AttachCommandMenuBar(wxFrame* frame, const MenuTemplate& menu) {
    // wx builds the bar, so it still counts and labels the items; each
    // pop-up item is then replaced by a string item carrying the command.
    // The empty pop-up menus go: wx never destroys the menus of a bar.
    auto* bar = new wxMenuBar;
    for (int i = 0; i < menu.itemCount; ++i) bar->Append(new wxMenu, ToWx(menu.items[i].text));
    frame->SetMenuBar(bar);
    HMENU hmenu = BarMenu(frame);
    auto* commands = new BarCommands{frame, {}};
    for (int i = 0; i < menu.itemCount && hmenu != nullptr; ++i) {
        const auto pos = static_cast<UINT>(i);
        const wxString label = ToWx(menu.items[i].text);
        HMENU popup = GetSubMenu(hmenu, i);
        if (!RemoveMenu(hmenu, pos, MF_BYPOSITION)) continue;
        if (popup != nullptr) DestroyMenu(popup);
        if (InsertMenuW(hmenu, pos, MF_BYPOSITION | MF_STRING,
                        static_cast<UINT_PTR>(menu.items[i].id), label.wc_str()))
            commands->ids.push_back(menu.items[i].id);
    }
    auto hwnd = static_cast<HWND>(frame->GetHWND());
    if (!SetWindowSubclass(hwnd, BarFrameProc, kSubclassId, reinterpret_cast<DWORD_PTR>(commands))) {
        delete commands;
        return;
    }
    DrawMenuBar(hwnd);
}

// Windows runs its own loop while the bar is in menu mode: the frame's key
// handling never sees Esc or Enter then.
bool IsMenuBarActive(wxFrame*) { return false; }
