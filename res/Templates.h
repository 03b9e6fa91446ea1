// Dialog templates, menus and the string table as data. Positions and sizes
// are dialog units; texts are CP932. One builder turns a template into
// controls (platform/wx/TemplateBuilder.h).
#pragma once
#include <cstdint>

enum class CtlKind {
    Label,       // bordered, centred caption box (painted when kPainted)
    Field,       // value field (sunken and/or edged)
    Text,        // plain static text
    Button,
    DropList,    // read-only drop-down combo box
    Edit,
    PictureBox,  // hidden: only its rectangle is used
    Icon,
    CheckBox,    // auto check box
};

enum CtlFlags : uint32_t {
    kCentre = 1u << 0,
    kVCentre = 1u << 1,
    kSunken = 1u << 2,     // client edge
    kEdged = 1u << 3,      // static edge
    kHidden = 1u << 4,
    kDisabled = 1u << 5,
    kMultiline = 1u << 6,
    kPainted = 1u << 7,    // drawn by PaintLabel; the control itself stays hidden
    kDefault = 1u << 8,    // default push button
};

struct ControlTemplate {
    int id;  // -1: no id
    CtlKind kind;
    const char* text;
    int x, y, w, h;
    uint32_t flags;
};

struct DialogTemplate {
    int id;
    const char* caption;
    const char* fontFace;
    int pointSize;
    int w, h;
    int menuId;  // 0: none
    const ControlTemplate* controls;
    int controlCount;
};

struct MenuItemTemplate {
    int id;
    const char* text;  // '&' marks the mnemonic
};

struct MenuTemplate {
    int id;
    const MenuItemTemplate* items;
    int itemCount;
};

// Control, command and notification numbers.
enum : int {
    IDC_LABEL_SELECT = 102, IDC_LABEL_RECENT = 103, IDC_LABEL_IMAGE = 104,
    IDC_LABEL_EXIF = 105, IDC_LABEL_GPS = 106, IDC_CLOSE = 107, IDC_PICTURE = 108,
    IDC_RECENT = 109, IDC_BROWSE = 110, IDC_EXIF = 111, IDC_LABEL_MAKER = 112,
    IDC_LABEL_MODEL = 113, IDC_LON = 114, IDC_LAT = 115, IDC_GPS = 116, IDC_DETAIL = 117,
    IDN_DETAIL_CLOSED = 118, IDM_HEXCONV = 121, IDN_HEX_CLOSED = 125, IDM_SOFTINFO = 130,
    IDC_LABEL_DATE = 131, IDC_MAKER = 132, IDC_MODEL = 133, IDC_DATE = 134, IDC_SIZE = 135,
    IDC_GPSNULL = 136, IDN_GPSNULL_WRITE = 137, IDN_GPSNULL_CLOSED = 138,
    IDC_DF_UPDATE = 137, IDC_CLEAR_ENTRIES = 139, IDC_CLEAR_LATLON = 140,
    IDM_ABOUTBOX = 16,
};

// Controls of the converter (dialog 128) and the version dialog (100).
enum : int {
    IDOK_BUTTON = 1,
    IDC_HEX_LABEL_DEC = 122, IDC_HEX_LABEL_HEX = 123, IDC_HEX_EDIT_HEX = 126,
    IDC_HEX_EDIT_DEC = 127, IDC_HEX_TO_DEC = 128, IDC_HEX_TO_HEX = 129,
};

const DialogTemplate& MainDialogTemplate();   // dialog 102
const MenuTemplate& MainMenuTemplate();       // menu 133
const DialogTemplate& GpsNullDialogTemplate(); // dialog 139
const DialogTemplate& HexCnvDialogTemplate();   // dialog 128
const DialogTemplate& SoftInfoDialogTemplate(); // dialog 135
const DialogTemplate& VersionDialogTemplate();  // dialog 100

// The detail window (dialog 130 with menu 131) and its print notice (132).
enum : int { IDM_PRINT_REPORT = 119, IDT_PRINT_NOTICE = 120 };
const DialogTemplate& DetailDialogTemplate();       // dialog 130
const MenuTemplate& DetailMenuTemplate();           // menu 131
const DialogTemplate& PrintNoticeDialogTemplate();  // dialog 132

// The string table; empty for a number it does not hold.
const char* LoadResString(int id);
