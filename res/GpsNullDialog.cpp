// Dialog 139, the options of the GPS invalidation. Template order is tab
// order.
#include "res/Templates.h"

namespace {

const ControlTemplate kGpsNullControls[] = {
    {IDC_CLEAR_ENTRIES, CtlKind::CheckBox, "GPS エントリ数とタグをクリアする", 10, 16, 142, 14, 0},
    {IDC_CLEAR_LATLON, CtlKind::CheckBox, "緯度経度情報をクリアする", 10, 42, 146, 20, 0},
    {IDC_DF_UPDATE, CtlKind::Button, "DF更新", 42, 92, 56, 18, 0},
    {-1, CtlKind::Text, "更新か別ファイルかは選択できます。", 106, 90, 84, 18, 0},
    {IDC_CLOSE, CtlKind::Button, "クローズ", 42, 116, 56, 18, 0},
};

const DialogTemplate kGpsNullDialog = {
    139, "GPS情報無効化条件指定", "ＭＳ ゴシック", 10, 215, 143, 0,
    kGpsNullControls, static_cast<int>(sizeof kGpsNullControls / sizeof kGpsNullControls[0])};

}  // namespace

const DialogTemplate& GpsNullDialogTemplate() { return kGpsNullDialog; }
