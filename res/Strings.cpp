// The string table. Only 101 is loaded at run time; the others describe the
// identifiers of the same number.
#include "res/Templates.h"

namespace {

struct StringRow { int id; const char* text; };

const StringRow kStrings[] = {
    {101, "バージョン情報 Tamlix(&A)..."},
    {102, "タイトル０"}, {103, "タイトル０"}, {104, "タイトル０"}, {105, "タイトル０"},
    {106, "タイトル０"},
    {107, "クローズボタン"},
    {108, "テンポラリ picture box"},
    {109, "最新DF パスリスト"},
    {110, "画像DFサーチ"},
    {111, "Exif Info 有無"},
    {112, "タイトル０"}, {113, "タイトル０"},
    {114, "経度"},
    {115, "緯度"},
    {116, "GPS情報"},
    {117, "GPS 情報詳細表示"},
    {118, "詳細表示ウインドウ　クローズ通知"},
    {119, "詳細印刷"},
    {120, "印刷中メッセージ待ちタイマ"},
    {121, "10進<->16進数変換(&H)"},
    {122, "１６進数字変換　タイトル１"}, {123, "１６進数字変換　タイトル１"},
    {124, "１６進数字変換　タイトル１"},
    {125, "16進変換ダイアログ　クローズ通知"},
    {126, "16進数字"},
    {127, "10進数字"},
    {128, "16進数字の１０進変換"},
    {129, "10進数字の１６進変換"},
    {130, "ソフト情報"},
    {131, "タイトル０"},
    {132, "メーカー名"},
    {133, "モデル名"},
    {134, "Exif 内撮影年月日"},
    {135, "画像サイズ"},
    {136, "GPS情報無効化ＤＦ作成"},
    {137, "GPS データ無効 DF 更新"},
    {138, "GPS 無効化　ダイアログ　クローズ通知"},
    {139, "GPS 情報の No とエントリタグを無効化"},
    {140, "GPS 情報の緯度、経度情報を無効化"},
};

}  // namespace

const char* LoadResString(int id) {
    for (const StringRow& row : kStrings)
        if (row.id == id) return row.text;
    return "";
}
