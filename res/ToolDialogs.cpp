// Dialog 128 (decimal/hexadecimal converter), dialog 135 (software
// information) and dialog 100 (version). Template order is tab order.
#include "res/Templates.h"

namespace {

constexpr uint32_t kBox = kCentre | kVCentre;

const ControlTemplate kHexControls[] = {
    {IDC_HEX_LABEL_HEX, CtlKind::Label, "１６進数字", 10, 10, 50, 16, kBox | kPainted},
    {IDC_HEX_LABEL_DEC, CtlKind::Label, "１０進数字", 10, 54, 50, 16, kBox | kPainted},
    {IDC_HEX_EDIT_HEX, CtlKind::Edit, "", 66, 10, 56, 16, kCentre | kSunken | kEdged},
    {IDC_HEX_EDIT_DEC, CtlKind::Edit, "", 66, 54, 54, 16, kCentre | kSunken | kEdged},
    {-1, CtlKind::Text, "H", 126, 14, 12, 12, kCentre},
    {IDC_HEX_TO_HEX, CtlKind::Button, "１６進変換", 86, 74, 50, 14, 0},
    {IDC_HEX_TO_DEC, CtlKind::Button, "１０進変換", 88, 32, 48, 16, 0},
    {-1, CtlKind::Text, "12 34 でも\n1234 形式でも可", 22, 28, 58, 20, 0},
    {IDC_CLOSE, CtlKind::Button, "クローズ", 16, 78, 36, 12, 0},
};

const DialogTemplate kHexDialog = {
    128, "１０進<->１６進変換", "MS UI Gothic", 11, 144, 96, 0,
    kHexControls, static_cast<int>(sizeof kHexControls / sizeof kHexControls[0])};

// The maker's contact data are neutral values of the project itself:
// reserved example domains and placeholder numbers.
const ControlTemplate kSoftInfoControls[] = {
    {-1, CtlKind::Text, "本ソフトはフリーウエアです。自由にお使いください。", 8, 6, 162, 20,
     kEdged},
    {-1, CtlKind::Text,
     "E-mail: tamlix@example.com\n"
     "TEL   : 000-0000-0000\n"
     "住所  : Tamlix プロジェクト\n"
     "〒000-0000",
     6, 52, 164, 38, kEdged},
    {-1, CtlKind::Text,
     "最新版や使用ガイダンスなどは下記ＵＲＬを参照ください。\n"
     "    https://www.example.org/tamlix/",
     6, 94, 164, 32, kEdged},
    {IDC_CLOSE, CtlKind::Button, "クローズ", 52, 130, 60, 16, 0},
    {-1, CtlKind::Text, "作者: Tamlix 開発チーム  Tamlix 工房", 8, 30, 162, 18,
     kEdged | kVCentre},
};

const DialogTemplate kSoftInfoDialog = {
    135, "ソフト情報", "ＭＳ ゴシック", 11, 180, 152, 0,
    kSoftInfoControls,
    static_cast<int>(sizeof kSoftInfoControls / sizeof kSoftInfoControls[0])};

const ControlTemplate kVersionControls[] = {
    {-1, CtlKind::Icon, "", 11, 17, 20, 20, 0},
    {-1, CtlKind::Text, "Tamlix Version 1.0", 40, 10, 119, 8, 0},
    {-1, CtlKind::Text, "フリーウエア  Tamlix プロジェクト", 40, 25, 119, 8, 0},
    {IDOK_BUTTON, CtlKind::Button, "OK", 178, 7, 50, 16, kDefault},
};

const DialogTemplate kVersionDialog = {
    100, "バージョン情報 Tamlix", "MS UI Gothic", 9, 235, 55, 0,
    kVersionControls, static_cast<int>(sizeof kVersionControls / sizeof kVersionControls[0])};

}  // namespace

const DialogTemplate& HexCnvDialogTemplate() { return kHexDialog; }
const DialogTemplate& SoftInfoDialogTemplate() { return kSoftInfoDialog; }
const DialogTemplate& VersionDialogTemplate() { return kVersionDialog; }
