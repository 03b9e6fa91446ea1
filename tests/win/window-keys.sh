#!/usr/bin/env bash
# Tamlix.exe under Wine, driven by real input events on its real windows:
# it starts on a photo under a Japanese name with its title, writes its
# 9,116-byte settings file beside itself, Alt+H opens the converter, Alt+I
# the information dialog, system-menu item 16 the version dialog, a click
# on the detail button the detail window, Esc closes each of them, and Esc
# ends the program, which saves the photo in its recent list. Screenshots
# go to build/windows/screens. Run by scripts/windows-test.sh (a display,
# WINEPREFIX and TAMLIX_WIN_BUILD set).
#
# Without a window manager the X input focus does not follow the windows
# Wine opens, so each window is given the focus (as a click would) before
# keys are sent to it.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(dirname "$TAMLIX_WIN_BUILD")/bin
shots=$(dirname "$TAMLIX_WIN_BUILD")/screens
work=$(mktemp -d /tmp/tamlix-keys-XXXXXX)
app=$work/app
mkdir -p "$shots" "$work/表示"
cp -r "$bin" "$app"
cp "$root/res/sample.jpg" "$work/表示/ソフト.jpg"
failures=0
pid=

cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $1"
  failures=$((failures + 1))
}

# wait_window TITLE: the id of the shown window with exactly that title.
wait_window() {
  local id
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# gone TITLE: true once no shown window has that title.
gone() {
  for _ in $(seq 1 50); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

# shot WINDOW NAME: a screenshot, as PNG where ImageMagick is installed.
shot() {
  xwd -silent -id "$1" > "$shots/$2.xwd" 2>/dev/null || return 0
  if command -v convert >/dev/null && convert "xwd:$shots/$2.xwd" "$shots/$2.png" 2>/dev/null; then
    rm -f "$shots/$2.xwd"
  fi
}

# key WINDOW KEYS...: real key events to WINDOW, given the focus first.
key() {
  local w=$1
  shift
  xdotool windowfocus --sync "$w" 2>/dev/null || true
  sleep 0.3
  xdotool key --delay 80 "$@"
  sleep 0.5
}

# dialog TITLE WHAT SHOT: the window the last input (WHAT) opened is there;
# its screenshot is taken (SHOT) and Esc closes it.
dialog() {
  local id
  if ! id=$(wait_window "$1"); then
    fail "$2 did not open '$1'"
    return
  fi
  sleep 0.5
  shot "$id" "$3"
  key "$id" Escape
  gone "$1" || fail "Esc did not close '$1'"
}

main_title='Geoskim V1.00 Quorvane'
photo=$(winepath -w "$work/表示/ソフト.jpg")
(cd "$work" && exec wine "$app/Tamlix.exe" "$photo") &
pid=$!

if ! main=$(wait_window "$main_title"); then
  echo "FAILED: the main window did not appear with the title '$main_title'"
  exit 1
fi
echo "main window: $(xdotool getwindowname "$main")"
sleep 1
size=$(stat -c %s "$app/SetteiQRV.bin" 2>/dev/null || echo none)
[ "$size" = 9116 ] || fail "settings file beside Tamlix.exe: $size bytes, not 9116"
shot "$main" main

key "$main" alt+h
dialog '１０進<->１６進変換' Alt+H converter
key "$main" alt+i
dialog 'ソフト情報' Alt+I softinfo
# The system menu (Alt+Space); its last item is item 16. (Up, not the
# mnemonic A: Wine adds an "About Wine" item with the same mnemonic.)
key "$main" alt+space
key "$main" Up Return
dialog 'バージョン情報 Tamlix' 'system-menu item 16' version

# The detail button's centre, from its place in the dialog template
# (x 222 + 58 / 2, y 84 + 16 / 2 of 287 x 237 dialog units) and the
# window's size; the menu bar takes the height above the client area.
eval "$(xdotool getwindowgeometry --shell "$main")"
x=$(( (222 + 29) * WIDTH / 287 ))
y=$(( HEIGHT - WIDTH * 237 / 287 + (84 + 8) * WIDTH / 287 ))
xdotool mousemove --window "$main" "$x" "$y" click 1
dialog '詳細表示' 'a click on the detail button' detail

key "$main" Escape
ended=no
for _ in $(seq 1 100); do
  if ! kill -0 "$pid" 2>/dev/null; then ended=yes; break; fi
  sleep 0.2
done
if [ $ended = yes ]; then
  wait "$pid" || fail "Tamlix.exe ended with status $?"
  pid=
else
  fail "Esc did not end the program"
fi
size=$(stat -c %s "$app/SetteiQRV.bin" 2>/dev/null || echo none)
[ "$size" = 9116 ] || fail "settings file after the end: $size bytes, not 9116"
# The photo is first in the recent list, its path in CP932.
LC_ALL=C grep -F -q "$(printf '%s' "$photo" | iconv -f UTF-8 -t CP932)" "$app/SetteiQRV.bin" ||
  fail "the photo is not in the saved recent list"

[ $failures = 0 ] || exit 1
echo "window driven by input events: title, settings file, Alt+H, Alt+I, system menu 16, detail, Esc"
