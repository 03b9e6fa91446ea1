// Dialog 102, the main window, and its menu 133. Template order is tab order.
#include "res/Templates.h"

namespace {

constexpr uint32_t kBox = kCentre | kVCentre;

const ControlTemplate kMainControls[] = {
    {IDC_LABEL_RECENT, CtlKind::Label, "最新ＤＦパスリスト", 6, 36, 80, 20, kBox | kPainted},
    {IDC_LABEL_SELECT, CtlKind::Label, "画像ファイル選択", 6, 10, 80, 20, kBox | kPainted},
    {IDC_BROWSE, CtlKind::Button, "DFサーチ", 92, 10, 56, 18, 0},
    {IDC_RECENT, CtlKind::DropList, "", 6, 62, 274, 104, 0},
    {IDC_PICTURE, CtlKind::PictureBox, "", 6, 106, 112, 86, kHidden | kEdged},
    {-1, CtlKind::Text, "JPEG のみ対応", 154, 14, 60, 12, 0},
    {IDC_CLOSE, CtlKind::Button, "クローズ", 10, 212, 42, 14, 0},
    {-1, CtlKind::Text, "このウインドウへのファイルドロップによる選択可", 92, 36, 186, 20, 0},
    {IDC_LABEL_EXIF, CtlKind::Label, "Exif 情報", 126, 82, 48, 18, kBox | kPainted},
    {IDC_LABEL_IMAGE, CtlKind::Label, "選択画像", 8, 80, 50, 20, kBox | kPainted},
    {IDC_EXIF, CtlKind::Field, "", 178, 82, 30, 18, kBox | kSunken | kEdged},
    {IDC_LABEL_GPS, CtlKind::Label, "GPS  情報", 126, 106, 46, 20, kBox | kPainted},
    {IDC_GPS, CtlKind::Field, "", 178, 106, 104, 18, kBox | kSunken | kEdged},
    {-1, CtlKind::Label, "緯度", 138, 130, 34, 18, kBox},
    {-1, CtlKind::Label, "経度", 138, 150, 34, 18, kBox},
    {IDC_LAT, CtlKind::Field, "", 178, 128, 104, 16, kBox | kSunken | kEdged},
    {IDC_LON, CtlKind::Field, "", 178, 150, 104, 16, kBox | kSunken | kEdged},
    {IDC_DETAIL, CtlKind::Button, "詳細表示", 222, 84, 58, 16, 0},
    {IDC_LABEL_MAKER, CtlKind::Label, "メーカー", 126, 172, 44, 16, kBox | kPainted},
    {IDC_LABEL_DATE, CtlKind::Label, "撮影日時", 126, 212, 44, 16, kBox | kPainted},
    {IDC_LABEL_MODEL, CtlKind::Label, "モデル", 126, 192, 44, 16, kBox | kPainted},
    {IDC_MAKER, CtlKind::Field, "", 178, 172, 102, 16, kSunken},
    {IDC_MODEL, CtlKind::Field, "", 178, 192, 102, 18, kSunken | kVCentre},
    {IDC_DATE, CtlKind::Field, "", 178, 212, 104, 16, kSunken | kVCentre},
    {IDC_SIZE, CtlKind::Field, "", 62, 86, 56, 14, kSunken | kBox},
    {IDC_GPSNULL, CtlKind::Button, "GPS情報無効化\nDF作成", 58, 198, 62, 30, kMultiline | kDisabled},
};

const DialogTemplate kMainDialog = {
    102, "Tamlix", "ＭＳ ゴシック", 10, 287, 237, 133,
    kMainControls, static_cast<int>(sizeof kMainControls / sizeof kMainControls[0])};

const MenuItemTemplate kMainMenuItems[] = {
    {IDM_HEXCONV, "10進<->16進数変換(&H)"},
    {IDM_SOFTINFO, "ソフト情報(&I)"},
};

const MenuTemplate kMainMenu = {133, kMainMenuItems, 2};

}  // namespace

const DialogTemplate& MainDialogTemplate() { return kMainDialog; }
const MenuTemplate& MainMenuTemplate() { return kMainMenu; }
