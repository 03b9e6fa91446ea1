// Dialog 130, the detail window, with its menu 131, and dialog 132, the
// notice shown after a print job was handed over.
#include "res/Templates.h"

namespace {

// No controls: the window shows the report drawn on its client area.
const DialogTemplate kDetailDialog = {130, "詳細表示", "ＭＳ ゴシック", 10, 460, 241, 131,
                                      nullptr, 0};

const MenuItemTemplate kDetailMenuItems[] = {
    {IDM_PRINT_REPORT, "印刷(&P)"},
};

const MenuTemplate kDetailMenu = {131, kDetailMenuItems, 1};

const ControlTemplate kPrintNoticeControls[] = {
    {-1, CtlKind::Field, "印刷中、しばらくお待ちください。", 16, 16, 152, 24,
     kCentre | kVCentre | kSunken},
};

const DialogTemplate kPrintNoticeDialog = {
    132, "", "ＭＳ ゴシック", 12, 178, 48, 0, kPrintNoticeControls,
    static_cast<int>(sizeof kPrintNoticeControls / sizeof kPrintNoticeControls[0])};

}  // namespace

const DialogTemplate& DetailDialogTemplate() { return kDetailDialog; }
const MenuTemplate& DetailMenuTemplate() { return kDetailMenu; }
const DialogTemplate& PrintNoticeDialogTemplate() { return kPrintNoticeDialog; }
